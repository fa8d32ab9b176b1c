#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

// clang-format off
#include "picture_writers.h"
#include <jerror.h>
// clang-format on
#include "pictures/picture.h"

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
  return DecodeJpegMemory(jpeg.data(), jpeg.size(), min_width, min_height);
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

void PrintTo(const Kind& kind, std::ostream* os) {
  *os << kind.name;
}

class JpegKind : public testing::TestWithParam<Kind> {};

TEST_P(JpegKind, QuadrantsKeepTheirColours) {
  const JpegLayout layout = Layout(64, 48, GetParam().space, GetParam().progressive);
  const Picture picture = Decode(QuadrantJpeg(layout), 64, 48);
  ASSERT_EQ(picture.width, 64);
  ASSERT_EQ(picture.height, 48);
  for (const auto& [x, y] :
       {std::pair{16, 12}, std::pair{48, 12}, std::pair{16, 36}, std::pair{48, 36}}) {
    SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
    Colour expected = kQuadrants[Quadrant(x, y, 64, 48)];
    if (GetParam().space == JCS_GRAYSCALE) expected = {expected[0], expected[0], expected[0]};
    const uint32_t pixel = picture.pixels[static_cast<size_t>(y * 64 + x)];
    EXPECT_EQ(pixel >> 24, 0xFFu);
    ExpectNear(ColourOf(pixel), expected, 6);
  }
}

INSTANTIATE_TEST_SUITE_P(All, JpegKind,
                         testing::Values(Kind{"Rgb", JCS_RGB, false},
                                         Kind{"RgbProgressive", JCS_RGB, true},
                                         Kind{"Grey", JCS_GRAYSCALE, false},
                                         Kind{"GreyProgressive", JCS_GRAYSCALE, true},
                                         Kind{"AdobeCmyk", JCS_CMYK, false}),
                         [](const auto& test) { return test.param.name; });

// ---- scaling --------------------------------------------------------------------------------

struct Scale {
  int width, height;
  int expect_width, expect_height;  // 0: only the bounds are checked
};

void PrintTo(const Scale& s, std::ostream* os) {
  *os << s.width << " x " << s.height << " pixels";
  if (s.expect_width != 0) *os << " decode to " << s.expect_width << " x " << s.expect_height;
}

class JpegScale : public testing::TestWithParam<Scale> {};

TEST_P(JpegScale, GivesAtLeastTheMinimumAndKeepsColours) {
  const Scale s = GetParam();
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
}

INSTANTIATE_TEST_SUITE_P(All, JpegScale,
                         testing::Values(Scale{2000, 1000, 0, 0},  // 2/8 is the first with 145 rows
                                         Scale{1672, 1160, 209, 145},  // exactly 1/8
                                         Scale{1680, 1170, 210, 147},  // 1/8 rounds up
                                         Scale{100, 80, 100,
                                               80},  // smaller than the minimum: as it is
                                         Scale{5000, 300, 0, 0}),
                         [](const testing::TestParamInfo<Scale>& test) {
                           return std::to_string(test.param.width) + "x" +
                                  std::to_string(test.param.height);
                         });

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

void PrintTo(const Damage& damage, std::ostream* os) {
  *os << damage.name << ", refused with " << JpegError(damage.code);
}

class JpegDamage : public testing::TestWithParam<Damage> {};

TEST_P(JpegDamage, GivesTheLibraryMessageNumber) {
  std::vector<unsigned char> jpeg = QuadrantJpeg(Layout(64, 48, JCS_RGB, GetParam().progressive));
  GetParam().damage(jpeg);
  EXPECT_EQ(DecodeError(jpeg), JpegError(GetParam().code));
}

INSTANTIATE_TEST_SUITE_P(
    All, JpegDamage,
    testing::Values(
        Damage{"Empty", false, [](auto& jpeg) { jpeg.clear(); }, JERR_INPUT_EMPTY},
        Damage{"BrokenStart", false, [](auto& jpeg) { jpeg[1] = 0x00; }, JERR_NO_SOI},
        Damage{"CutInHeader", false, [](auto& jpeg) { jpeg.resize(30); }, JWRN_JPEG_EOF},
        Damage{"CutInData", false, [](auto& jpeg) { jpeg.resize(jpeg.size() * 2 / 3); },
               JWRN_JPEG_EOF},
        Damage{"CutProgressive", true, [](auto& jpeg) { jpeg.resize(jpeg.size() * 2 / 3); },
               JWRN_JPEG_EOF},
        Damage{"TwelveBitSamples", false,
               [](auto& jpeg) { jpeg[FindJpegMarker(jpeg, 0xC0) + 4] = 12; }, JERR_BAD_PRECISION},
        Damage{"ZeroWidth", false, [](auto& jpeg) { SetJpegFrameSize(jpeg, 0xC0, 0, 48); },
               JERR_EMPTY_IMAGE},
        // A few bytes claiming 65500 x 65500 meet the end marker in the first rows.
        Damage{"HugeBaseline", false,
               [](auto& jpeg) { SetJpegFrameSize(jpeg, 0xC0, 65500, 65500); }, JWRN_HIT_MARKER},
        Damage{"HugeArithmetic", false,
               [](auto& jpeg) {
                 // The arithmetic decoder meets the end marker quietly and would
                 // go on with zeros through every claimed row.
                 jpeg = ArithmeticCmykJpeg();
                 SetJpegFrameSize(jpeg, 0xC9, 63998, 29699);
               },
               JWRN_HIT_MARKER},
        Damage{"HugeArithmeticSquare", false,
               [](auto& jpeg) {
                 jpeg = ArithmeticCmykJpeg();
                 SetJpegFrameSize(jpeg, 0xC9, 65500, 65500);
               },
               JWRN_HIT_MARKER},
        Damage{"CutArithmetic", false,
               [](auto& jpeg) {
                 jpeg = ArithmeticCmykJpeg();
                 jpeg.resize(jpeg.size() * 2 / 3);
               },
               JWRN_JPEG_EOF}),
    [](const auto& test) { return test.param.name; });

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

// ---- files ----------------------------------------------------------------------------------

std::string TempPath(const std::string& name) {
  const char* dir = std::getenv("TMPDIR");
  return std::string(dir != nullptr ? dir : "/tmp") + "/tallymate_jpeg_" +
         std::to_string(::getpid()) + "_" + name;
}

void WriteFile(const std::string& path, const std::vector<unsigned char>& bytes) {
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

TEST(JpegFile, DecodesLikeMemoryAndRefusesATruncatedFile) {
  const std::string path = TempPath("q.jpg");
  std::vector<unsigned char> jpeg = QuadrantJpeg(Layout(640, 480));
  WriteFile(path, jpeg);
  EXPECT_EQ(DecodeJpegFile(path, 209, 145).pixels, Decode(jpeg, 209, 145).pixels);
  jpeg.resize(jpeg.size() - 100);
  WriteFile(path, jpeg);
  try {
    DecodeJpegFile(path, 209, 145);
    ADD_FAILURE();
  } catch (const PictureError& error) {
    EXPECT_EQ(error.message(), JpegError(JWRN_JPEG_EOF));
  }
  std::remove(path.c_str());
}

TEST(JpegFile, MissingFileAndDirectoryNameTheSystemReason) {
  const std::string missing = TempPath("Картинка.jpg");
  try {
    DecodeJpegFile(missing, 1, 1);
    ADD_FAILURE();
  } catch (const PictureError& error) {
    EXPECT_EQ(error.message(), "Cannot open file \"" + missing + "\". " + std::strerror(ENOENT));
  }
  try {
    DecodeJpegFile("/", 1, 1);
    ADD_FAILURE();
  } catch (const PictureError& error) {
    EXPECT_EQ(error.message(), std::string("Cannot open file \"/\". ") + std::strerror(EISDIR));
  }
}

// Opening a FIFO for reading would wait for a writer, and a device may never end: both are
// refused at once. (A blocked open shows as the test's timeout.)
TEST(JpegFile, FifoAndDeviceAreRefusedWithoutWaiting) {
  const std::string fifo = TempPath("fifo.jpg");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& path : {fifo, std::string("/dev/zero")}) {
    try {
      DecodeJpegFile(path, 1, 1);
      ADD_FAILURE() << path;
    } catch (const PictureError& error) {
      EXPECT_EQ(error.message(), "Cannot open file \"" + path + "\". Not a regular file");
    }
  }
  std::remove(fifo.c_str());
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
  const Picture picture = DecodeJpegMemory(hundred.data(), hundred.size(), 64, 48);
  ExpectNear(ColourOf(picture.pixels[0]), kQuadrants[0], 12);
  layout.scans = 101;
  const std::vector<unsigned char> more = QuadrantJpeg(layout);
  try {
    DecodeJpegMemory(more.data(), more.size(), 64, 48);
    ADD_FAILURE() << "101 scans were read";
  } catch (const PictureError& e) {
    EXPECT_STREQ(e.what(), "Картинка JPEG не поддерживается: в ней больше 100 проходов.");
  }
}

}  // namespace
