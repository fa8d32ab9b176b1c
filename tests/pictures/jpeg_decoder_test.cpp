#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

// clang-format off
#include "picture_writers.h"
#include <jerror.h>
// clang-format on
#include "pictures/picture.h"
#include "tests/support/cases.h"

namespace {

using picture_writers::JpegLayout;
using picture_writers::WriteJpeg;

using Colour = std::array<int, 3>;

Colour ColourOf(uint32_t pixel) {
  return {static_cast<int>(pixel >> 16 & 0xFF), static_cast<int>(pixel >> 8 & 0xFF),
          static_cast<int>(pixel & 0xFF)};
}

void ExpectNear(const Colour& actual, const Colour& expected, int tolerance) {
  for (size_t c = 0; c < 3; ++c) EXPECT_NEAR(actual[c], expected[c], tolerance) << "channel " << c;
}

// Four flat quadrants; a grey picture takes the first channel of each.
const Colour kQuadrants[4] = {{220, 30, 40}, {20, 200, 60}, {30, 50, 210}, {240, 230, 20}};

int Quadrant(int x, int y, int width, int height) {
  return (x >= width / 2 ? 1 : 0) + (y >= height / 2 ? 2 : 0);
}

std::vector<unsigned char> QuadrantJpeg(const JpegLayout& layout) {
  return WriteJpeg(layout, [&](int y, unsigned char* row) {
    for (int x = 0; x < layout.width; ++x) {
      const Colour& colour = kQuadrants[Quadrant(x, y, layout.width, layout.height)];
      for (int c = 0; c < layout.components; ++c) {
        // CMYK is stored inverted, as Adobe's programs write it: no black ink is 255.
        row[x * layout.components + c] =
            static_cast<unsigned char>(c < 3 ? colour[static_cast<size_t>(c)] : 255);
      }
    }
  });
}

JpegLayout Layout(int width, int height, J_COLOR_SPACE space = JCS_RGB, bool progressive = false) {
  JpegLayout layout;
  layout.width = width;
  layout.height = height;
  layout.space = space;
  layout.components = space == JCS_GRAYSCALE ? 1 : space == JCS_CMYK ? 4 : 3;
  layout.progressive = progressive;
  return layout;
}

Picture Decode(const std::vector<unsigned char>& jpeg, int min_width, int min_height) {
  return DecodeJpegMemory(jpeg.data(), jpeg.size(),
                          {.min_width = min_width, .min_height = min_height});
}

std::string DecodeError(const std::vector<unsigned char>& jpeg) {
  try {
    Decode(jpeg, 209, 145);
  } catch (const PictureError& error) {
    return error.message();
  }
  return "(decoded)";
}

std::string JpegError(int code) {
  return "JPEG error #" + std::to_string(code);
}

// ---- colour spaces and modes ----------------------------------------------------------------

struct Kind {
  const char* name;
  J_COLOR_SPACE space;
  bool progressive;
};

TEST(JpegKind, QuadrantsKeepTheirColours) {
  const Kind kKinds[] = {{"Rgb", JCS_RGB, false},
                         {"RgbProgressive", JCS_RGB, true},
                         {"Grey", JCS_GRAYSCALE, false},
                         {"GreyProgressive", JCS_GRAYSCALE, true},
                         {"AdobeCmyk", JCS_CMYK, false}};
  ForEachCase(kKinds, [](const Kind& kind) {
    const JpegLayout layout = Layout(64, 48, kind.space, kind.progressive);
    const Picture picture = Decode(QuadrantJpeg(layout), 64, 48);
    ASSERT_EQ(picture.width, 64);
    ASSERT_EQ(picture.height, 48);
    for (const auto& [x, y] :
         {std::pair{16, 12}, std::pair{48, 12}, std::pair{16, 36}, std::pair{48, 36}}) {
      SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
      Colour expected = kQuadrants[Quadrant(x, y, 64, 48)];
      if (kind.space == JCS_GRAYSCALE) expected = {expected[0], expected[0], expected[0]};
      const uint32_t pixel = picture.pixels[static_cast<size_t>(y * 64 + x)];
      EXPECT_EQ(pixel >> 24, 0xFFu);
      ExpectNear(ColourOf(pixel), expected, 6);
    }
  });
}

// ---- scaling --------------------------------------------------------------------------------

struct Scale {
  int width, height;
  int expect_width, expect_height;  // 0: only the bounds are checked
};

TEST(JpegScale, GivesAtLeastTheMinimumAndKeepsColours) {
  // 2000 x 1000: 2/8 is the first scale with 145 rows. 1672 x 1160 is exactly 8 times the
  // minimum, and 1680 x 1170 scaled by 1/8 rounds up. A picture smaller than the minimum stays
  // as it is.
  const Scale kScales[] = {{2000, 1000, 0, 0},
                           {1672, 1160, 209, 145},
                           {1680, 1170, 210, 147},
                           {100, 80, 100, 80},
                           {5000, 300, 0, 0}};
  ForEachCase(kScales, [](const Scale& s) {
    SCOPED_TRACE(std::to_string(s.width) + " x " + std::to_string(s.height) + " pixels");
    // Left half red, right half blue.
    const auto jpeg = WriteJpeg(Layout(s.width, s.height), [&](int, unsigned char* row) {
      for (int x = 0; x < s.width; ++x) {
        row[3 * x] = x < s.width / 2 ? 200 : 0;
        row[3 * x + 1] = 0;
        row[3 * x + 2] = x < s.width / 2 ? 0 : 200;
      }
    });
    const Picture picture = Decode(jpeg, 209, 145);
    if (s.expect_width != 0) {
      EXPECT_EQ(picture.width, s.expect_width);
      EXPECT_EQ(picture.height, s.expect_height);
    }
    EXPECT_LE(picture.width, s.width);
    EXPECT_LE(picture.height, s.height);
    if (s.width >= 2 * 209) {
      EXPECT_GE(picture.width, 209);
      EXPECT_LT(picture.width, 2 * 209);
    }
    if (s.height >= 2 * 145) {
      EXPECT_GE(picture.height, 145);
      EXPECT_LT(picture.height, 2 * 145);
    }
    const int y = picture.height / 2;
    ExpectNear(ColourOf(picture.pixels[static_cast<size_t>(y * picture.width + picture.width / 4)]),
               {200, 0, 0}, 8);
    ExpectNear(
        ColourOf(picture.pixels[static_cast<size_t>(y * picture.width + picture.width * 3 / 4)]),
        {0, 0, 200}, 8);
  });
}

// ---- damaged files ----------------------------------------------------------------------------

using picture_writers::FindJpegMarker;
using picture_writers::SetJpegFrameSize;

// A small valid four-component (CMYK) picture, arithmetic-coded, one scan.
std::vector<unsigned char> ArithmeticCmykJpeg() {
  JpegLayout layout = Layout(64, 48, JCS_CMYK);
  layout.arithmetic = true;
  return picture_writers::WriteJpeg(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 64; ++x) {
      unsigned char* p = row + 4 * x;
      p[0] = p[1] = p[2] = 255;  // no ink but black (stored inverted)
      p[3] = static_cast<unsigned char>(x < 32 && y < 24 ? 0 : 255);
    }
  });
}

struct Damage {
  const char* name;
  bool progressive;
  void (*damage)(std::vector<unsigned char>& jpeg);
  int code;
};

TEST(JpegDamage, GivesTheLibraryMessageNumber) {
  // A few bytes claiming 65500 x 65500 meet the end marker in the first rows. The arithmetic
  // decoder meets it quietly and would go on with zeros through every claimed row.
  const Damage kDamages[] = {
      {"Empty", false, [](auto& jpeg) { jpeg.clear(); }, JERR_INPUT_EMPTY},
      {"BrokenStart", false, [](auto& jpeg) { jpeg[1] = 0x00; }, JERR_NO_SOI},
      {"CutInHeader", false, [](auto& jpeg) { jpeg.resize(30); }, JWRN_JPEG_EOF},
      {"CutInData", false, [](auto& jpeg) { jpeg.resize(jpeg.size() * 2 / 3); }, JWRN_JPEG_EOF},
      {"CutProgressive", true, [](auto& jpeg) { jpeg.resize(jpeg.size() * 2 / 3); }, JWRN_JPEG_EOF},
      {"TwelveBitSamples", false, [](auto& jpeg) { jpeg[FindJpegMarker(jpeg, 0xC0) + 4] = 12; },
       JERR_BAD_PRECISION},
      {"ZeroWidth", false, [](auto& jpeg) { SetJpegFrameSize(jpeg, 0xC0, 0, 48); },
       JERR_EMPTY_IMAGE},
      {"HugeBaseline", false, [](auto& jpeg) { SetJpegFrameSize(jpeg, 0xC0, 65500, 65500); },
       JWRN_HIT_MARKER},
      {"HugeArithmetic", false,
       [](auto& jpeg) {
         jpeg = ArithmeticCmykJpeg();
         SetJpegFrameSize(jpeg, 0xC9, 63998, 29699);
       },
       JWRN_HIT_MARKER},
      {"HugeArithmeticSquare", false,
       [](auto& jpeg) {
         jpeg = ArithmeticCmykJpeg();
         SetJpegFrameSize(jpeg, 0xC9, 65500, 65500);
       },
       JWRN_HIT_MARKER},
      {"CutArithmetic", false,
       [](auto& jpeg) {
         jpeg = ArithmeticCmykJpeg();
         jpeg.resize(jpeg.size() * 2 / 3);
       },
       JWRN_JPEG_EOF}};
  ForEachCase(kDamages, [](const Damage& damage) {
    std::vector<unsigned char> jpeg = QuadrantJpeg(Layout(64, 48, JCS_RGB, damage.progressive));
    damage.damage(jpeg);
    EXPECT_EQ(DecodeError(jpeg), JpegError(damage.code));
  });
}

// A progressive picture needs all its coefficients at once: past the library's memory cap it
// is refused for its size, and the message says so rather than calling it damaged.
TEST(JpegSize, ProgressiveBeyondTheMemoryCapIsTooLargeNotDamaged) {
  std::vector<unsigned char> jpeg = QuadrantJpeg(Layout(64, 48, JCS_RGB, true));
  SetJpegFrameSize(jpeg, 0xC2, 16000, 16000);
  const std::string message = DecodeError(jpeg);
  EXPECT_NE(message.find("слишком велика"), std::string::npos) << message;
  EXPECT_NE(message.find("16000 x 16000"), std::string::npos) << message;
}

// The same kind of file as the damaged ones above, undamaged: it decodes, with its colours.
TEST(JpegArithmetic, ValidFourComponentPictureDecodes) {
  const std::vector<unsigned char> jpeg = ArithmeticCmykJpeg();
  ASSERT_EQ(jpeg[FindJpegMarker(jpeg, 0xC9)], 0xFF);
  const Picture picture = Decode(jpeg, 64, 48);
  ASSERT_EQ(picture.width, 64);
  ASSERT_EQ(picture.height, 48);
  const auto at = [&](int x, int y) { return picture.pixels[static_cast<size_t>(y * 64 + x)]; };
  EXPECT_EQ(at(8, 8), 0xFF000000u);    // the black quadrant
  EXPECT_EQ(at(56, 40), 0xFFFFFFFFu);  // paper
}

// Every scan of a progressive picture is a pass over all of it: a hundred are accepted, more are
// refused before the work grows with them.
TEST(JpegScans, AHundredAreReadMoreAreRefused) {
  JpegLayout layout;
  layout.width = 64;
  layout.height = 48;
  layout.progressive = true;
  layout.scans = 100;
  const std::vector<unsigned char> hundred = QuadrantJpeg(layout);
  const Picture picture = Decode(hundred, 64, 48);
  ExpectNear(ColourOf(picture.pixels[0]), kQuadrants[0], 12);
  layout.scans = 101;
  const std::vector<unsigned char> more = QuadrantJpeg(layout);
  try {
    Decode(more, 64, 48);
    ADD_FAILURE() << "101 scans were read";
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "Картинка JPEG не поддерживается: в ней больше 100 проходов.");
  }
}

}  // namespace
