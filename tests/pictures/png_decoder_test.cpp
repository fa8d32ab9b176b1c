#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"
#include "tests/support/cases.h"

namespace {

using picture_writers::Chunk;
using picture_writers::Chunks;
using picture_writers::FindChunk;
using picture_writers::FixCrc;
using picture_writers::InsertChunk;
using picture_writers::PngLayout;
using picture_writers::PutBigEndian32;
using picture_writers::WritePng;

constexpr uint32_t kBackground = 0x2060A0;

int Red(uint32_t pixel) {
  return static_cast<int>(pixel >> 16 & 0xFF);
}
int Green(uint32_t pixel) {
  return static_cast<int>(pixel >> 8 & 0xFF);
}
int Blue(uint32_t pixel) {
  return static_cast<int>(pixel & 0xFF);
}

Picture Decode(const std::vector<unsigned char>& png, int min_width, int min_height) {
  return DecodePngMemory(png.data(), png.size(), {min_width, min_height, kBackground});
}

std::string DecodeError(const std::vector<unsigned char>& png) {
  try {
    Decode(png, 209, 145);
  } catch (const PictureError& error) {
    return error.message();
  }
  return "(decoded)";
}

// ---- every colour type and bit depth -------------------------------------------------------

enum class Transparency { kNone, kPaletteAlpha, kColourKey };

struct Format {
  const char* name;
  int color_type;
  int bit_depth;
  Transparency transparency;
};

// An irregular pattern; the alpha channel also takes its two extremes.
unsigned int Sample(int x, int y, int channel, int depth, bool alpha) {
  const unsigned int top = depth == 16 ? 65535u : (1u << depth) - 1;
  if (alpha && (x + y) % 3 != 2) return (x + y) % 3 == 0 ? 0u : top;
  const uint32_t h =
      static_cast<uint32_t>(x * 131 + y * 197 + channel * 61 + x * y * 7) * 2654435761u;
  return (h >> 9) % (top + 1);
}

unsigned int To8(unsigned int value, int depth) {
  const unsigned int top = depth == 16 ? 65535u : (1u << depth) - 1;
  return (value * 255 + top / 2) / top;
}

png_color PaletteColour(int i) {
  return {static_cast<png_byte>(i * 37 % 256), static_cast<png_byte>(i * 91 % 256),
          static_cast<png_byte>(255 - i * 13 % 256)};
}

struct Expected {
  unsigned int r, g, b, a;  // 8-bit
};

// The picture's layout, its rows and the colour every pixel must come out as.
struct Fixture {
  PngLayout layout;
  std::vector<std::vector<unsigned int>> samples;  // per pixel, per channel
  std::vector<Expected> expected;
};

Fixture MakeFixture(const Format& format, int width, int height, bool interlaced) {
  Fixture f;
  f.layout.width = width;
  f.layout.height = height;
  f.layout.color_type = format.color_type;
  f.layout.bit_depth = format.bit_depth;
  f.layout.interlaced = interlaced;
  const int channels = picture_writers::Channels(f.layout);
  const bool has_alpha = format.color_type & PNG_COLOR_MASK_ALPHA;
  const int depth = format.bit_depth;
  if (format.color_type == PNG_COLOR_TYPE_PALETTE) {
    const int entries = 1 << depth;
    for (int i = 0; i < entries; ++i) f.layout.palette.push_back(PaletteColour(i));
    // Shorter than the palette: the entries beyond it are opaque.
    if (format.transparency == Transparency::kPaletteAlpha) {
      for (int i = 0; i < std::max(1, entries / 2); ++i)
        f.layout.palette_alpha.push_back(static_cast<png_byte>(i * 97 % 256));
    }
  }
  const unsigned int key[3] = {Sample(1, 1, 0, depth, false), Sample(1, 1, 1, depth, false),
                               Sample(1, 1, 2, depth, false)};
  if (format.transparency == Transparency::kColourKey) {
    png_color_16 colour{};
    colour.gray = static_cast<png_uint_16>(key[0]);
    colour.red = static_cast<png_uint_16>(key[0]);
    colour.green = static_cast<png_uint_16>(key[1]);
    colour.blue = static_cast<png_uint_16>(key[2]);
    f.layout.transparent = colour;
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::vector<unsigned int> pixel;
      for (int c = 0; c < channels; ++c)
        pixel.push_back(Sample(x, y, c, depth, has_alpha && c == channels - 1));
      Expected e{};
      if (format.color_type == PNG_COLOR_TYPE_PALETTE) {
        const png_color colour = PaletteColour(static_cast<int>(pixel[0]));
        e = {colour.red, colour.green, colour.blue, 255};
        if (pixel[0] < f.layout.palette_alpha.size()) e.a = f.layout.palette_alpha[pixel[0]];
      } else if (channels <= 2) {
        const unsigned int grey = To8(pixel[0], depth);
        e = {grey, grey, grey, channels == 2 ? To8(pixel[1], depth) : 255};
        if (format.transparency == Transparency::kColourKey && pixel[0] == key[0]) e.a = 0;
      } else {
        e = {To8(pixel[0], depth), To8(pixel[1], depth), To8(pixel[2], depth),
             channels == 4 ? To8(pixel[3], depth) : 255};
        if (format.transparency == Transparency::kColourKey && pixel[0] == key[0] &&
            pixel[1] == key[1] && pixel[2] == key[2]) {
          e.a = 0;
        }
      }
      f.samples.push_back(pixel);
      f.expected.push_back(e);
    }
  }
  return f;
}

std::vector<unsigned char> Write(const Fixture& f) {
  const int channels = picture_writers::Channels(f.layout);
  return WritePng(f.layout, [&](int y, unsigned char* row) {
    for (int x = 0; x < f.layout.width; ++x) {
      const auto& pixel = f.samples[static_cast<size_t>(y * f.layout.width + x)];
      for (int c = 0; c < channels; ++c) {
        if (f.layout.bit_depth == 16) {
          *row++ = static_cast<unsigned char>(pixel[static_cast<size_t>(c)] >> 8);
          *row++ = static_cast<unsigned char>(pixel[static_cast<size_t>(c)] & 0xFF);
        } else {
          *row++ = static_cast<unsigned char>(pixel[static_cast<size_t>(c)]);
        }
      }
    }
  });
}

unsigned int Over(unsigned int colour, unsigned int alpha, unsigned int background) {
  return (colour * alpha + background * (255 - alpha) + 127) / 255;
}

TEST(PngFormat, EveryPixelHasItsColourOverTheBackground) {
  const Format kFormats[] = {
      {"Grey1", PNG_COLOR_TYPE_GRAY, 1, Transparency::kNone},
      {"Grey2", PNG_COLOR_TYPE_GRAY, 2, Transparency::kNone},
      {"Grey4", PNG_COLOR_TYPE_GRAY, 4, Transparency::kNone},
      {"Grey8", PNG_COLOR_TYPE_GRAY, 8, Transparency::kNone},
      {"Grey16", PNG_COLOR_TYPE_GRAY, 16, Transparency::kNone},
      {"Grey2Key", PNG_COLOR_TYPE_GRAY, 2, Transparency::kColourKey},
      {"Grey16Key", PNG_COLOR_TYPE_GRAY, 16, Transparency::kColourKey},
      {"GreyAlpha8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, Transparency::kNone},
      {"GreyAlpha16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, Transparency::kNone},
      {"Palette1", PNG_COLOR_TYPE_PALETTE, 1, Transparency::kNone},
      {"Palette2", PNG_COLOR_TYPE_PALETTE, 2, Transparency::kNone},
      {"Palette4", PNG_COLOR_TYPE_PALETTE, 4, Transparency::kNone},
      {"Palette8", PNG_COLOR_TYPE_PALETTE, 8, Transparency::kNone},
      {"Palette4Alpha", PNG_COLOR_TYPE_PALETTE, 4, Transparency::kPaletteAlpha},
      {"Palette8Alpha", PNG_COLOR_TYPE_PALETTE, 8, Transparency::kPaletteAlpha},
      {"Rgb8", PNG_COLOR_TYPE_RGB, 8, Transparency::kNone},
      {"Rgb16", PNG_COLOR_TYPE_RGB, 16, Transparency::kNone},
      {"Rgb8Key", PNG_COLOR_TYPE_RGB, 8, Transparency::kColourKey},
      {"Rgb16Key", PNG_COLOR_TYPE_RGB, 16, Transparency::kColourKey},
      {"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, Transparency::kNone},
      {"Rgba16", PNG_COLOR_TYPE_RGB_ALPHA, 16, Transparency::kNone}};
  ForEachCase(kFormats, [](const Format& format) {
    for (const bool interlaced : {false, true}) {
      SCOPED_TRACE(interlaced ? "interlaced" : "plain rows");
      const Fixture f = MakeFixture(format, 13, 11, interlaced);
      const Picture picture = Decode(Write(f), 13, 11);
      ASSERT_EQ(picture.width, 13);
      ASSERT_EQ(picture.height, 11);
      // 16-bit samples and partial alpha may round either way by one.
      const int tolerance = format.bit_depth == 16 || format.color_type & PNG_COLOR_MASK_ALPHA ||
                                    format.transparency == Transparency::kPaletteAlpha
                                ? 1
                                : 0;
      int opaque = 0, transparent = 0;
      for (size_t i = 0; i < f.expected.size(); ++i) {
        const Expected& e = f.expected[i];
        const uint32_t pixel = picture.pixels[i];
        SCOPED_TRACE("pixel " + std::to_string(i));
        EXPECT_EQ(pixel >> 24, 0xFFu);
        EXPECT_NEAR(Red(pixel), Over(e.r, e.a, kBackground >> 16), tolerance);
        EXPECT_NEAR(Green(pixel), Over(e.g, e.a, kBackground >> 8 & 0xFF), tolerance);
        EXPECT_NEAR(Blue(pixel), Over(e.b, e.a, kBackground & 0xFF), tolerance);
        opaque += e.a == 255;
        transparent += e.a == 0;
      }
      // The pattern must really exercise what the case is about.
      EXPECT_GT(opaque, 0);
      if (format.transparency != Transparency::kNone || format.color_type & PNG_COLOR_MASK_ALPHA) {
        EXPECT_GT(transparent, 0);
      }
    }
  });
}

// ---- interlacing -------------------------------------------------------------------------

// Tiny sizes leave some of the seven passes empty; big ones go through the shrinking.
TEST(PngInterlace, GivesTheSamePictureAsPlainRowsAtAnySize) {
  const Format rgba{"Rgba8", PNG_COLOR_TYPE_RGB_ALPHA, 8, Transparency::kNone};
  struct Case {
    int width, height, min_width, min_height;
  };
  const Case kCases[] = {{1, 1, 1, 1},   {2, 1, 2, 1},        {1, 9, 1, 9},    {5, 3, 5, 3},
                         {9, 17, 9, 17}, {600, 400, 100, 70}, {301, 203, 7, 5}};
  ForEachCase(kCases, [&rgba](const Case& c) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const Picture plain =
        Decode(Write(MakeFixture(rgba, c.width, c.height, false)), c.min_width, c.min_height);
    const Picture interlaced =
        Decode(Write(MakeFixture(rgba, c.width, c.height, true)), c.min_width, c.min_height);
    EXPECT_EQ(interlaced.width, plain.width);
    EXPECT_EQ(interlaced.height, plain.height);
    EXPECT_EQ(interlaced.pixels, plain.pixels);
  });
}

// ---- shrinking ----------------------------------------------------------------------------

std::vector<unsigned char> GreyPng(int width, int height, bool interlaced,
                                   unsigned int (*value)(int x, int y)) {
  PngLayout layout;
  layout.width = width;
  layout.height = height;
  layout.color_type = PNG_COLOR_TYPE_GRAY;
  layout.interlaced = interlaced;
  return WritePng(layout, [&](int y, unsigned char* row) {
    for (int x = 0; x < width; ++x) row[x] = static_cast<unsigned char>(value(x, y));
  });
}

std::vector<int> Greys(const Picture& picture) {
  std::vector<int> greys;
  for (uint32_t pixel : picture.pixels) {
    EXPECT_EQ(Red(pixel), Blue(pixel));
    greys.push_back(Red(pixel));
  }
  return greys;
}

TEST(PngShrink, AveragesWholeBoxesCoveringTheSource) {
  // 4 x 4 by two: each result pixel is the mean of a 2 x 2 block.
  const auto blocks = GreyPng(4, 4, false, [](int x, int y) {
    return static_cast<unsigned int>(x / 2 * 100 + y / 2 * 40 + (x + y) % 2 * 10);
  });
  Picture picture = Decode(blocks, 2, 2);
  ASSERT_EQ(picture.width, 2);
  ASSERT_EQ(picture.height, 2);
  EXPECT_EQ(Greys(picture), (std::vector<int>{5, 105, 45, 145}));

  // 5 x 1 by two: the last box takes the odd column too, so nothing is dropped.
  const auto row =
      GreyPng(5, 1, false, [](int x, int) { return static_cast<unsigned int>(x * 10); });
  picture = Decode(row, 2, 1);
  ASSERT_EQ(picture.width, 2);
  EXPECT_EQ(Greys(picture), (std::vector<int>{5, 30}));
}

TEST(PngShrink, ResultStaysBetweenTheMinimumAndTwiceIt) {
  struct Case {
    int width, height, min_width, min_height, expect_width, expect_height;
  };
  const Case kCases[] = {{2000, 1000, 209, 145, -1, -1},
                         {1672, 1160, 209, 145, 209, 145},
                         {100, 80, 209, 145, 100, 80},
                         {3000, 20, 209, 145, -1, 20},
                         {50, 40, 0, -3, 1, 1}};
  ForEachCase(kCases, [](const Case& c) {
    SCOPED_TRACE(std::to_string(c.width) + "x" + std::to_string(c.height));
    const Picture picture = Decode(GreyPng(c.width, c.height, false, [](int, int) { return 7u; }),
                                   c.min_width, c.min_height);
    if (c.expect_width > 0) {
      EXPECT_EQ(picture.width, c.expect_width);
    }
    if (c.expect_height > 0) {
      EXPECT_EQ(picture.height, c.expect_height);
    }
    EXPECT_LE(picture.width, c.width);
    EXPECT_LE(picture.height, c.height);
    if (c.width >= 2 * c.min_width && c.min_width > 0) {
      EXPECT_GE(picture.width, c.min_width);
      EXPECT_LT(picture.width, 2 * c.min_width);
    }
    if (c.height >= 2 * c.min_height && c.min_height > 0) {
      EXPECT_GE(picture.height, c.min_height);
      EXPECT_LT(picture.height, 2 * c.min_height);
    }
    ASSERT_EQ(picture.pixels.size(),
              static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (uint32_t pixel : picture.pixels) ASSERT_EQ(pixel, 0xFF070707u);
  });
}

TEST(PngShrink, KeepsTheAverageColourOfEachPlace) {
  // A ramp across and one down: each result pixel must show the ramp at the middle of the
  // stretch of source it stands for.
  for (bool interlaced : {false, true}) {
    const auto png = GreyPng(2000, 1000, interlaced, [](int x, int y) {
      return static_cast<unsigned int>(std::lround(x * 127.0 / 1999 + y * 127.0 / 999));
    });
    const Picture picture = Decode(png, 209, 145);
    ASSERT_GE(picture.width, 209);
    ASSERT_GE(picture.height, 145);
    const std::vector<int> greys = Greys(picture);
    for (int y = 0; y < picture.height; y += 7) {
      for (int x = 0; x < picture.width; x += 5) {
        const double sx = (x + 0.5) * 2000 / picture.width - 0.5,
                     sy = (y + 0.5) * 1000 / picture.height - 0.5;
        const double ramp = sx * 127.0 / 1999 + sy * 127.0 / 999;
        ASSERT_NEAR(greys[static_cast<size_t>(y * picture.width + x)], ramp, 1.0)
            << x << "," << y << " " << interlaced;
      }
    }
  }
}

TEST(PngShrink, HugeSourceComesOutSmall) {
  // 20000 pixels wide at one bit per pixel; the decoder's peak memory is measured in the
  // benchmark, here only the result counts.
  PngLayout layout;
  layout.width = 20000;
  layout.height = 5000;
  layout.color_type = PNG_COLOR_TYPE_PALETTE;
  layout.bit_depth = 1;
  layout.palette = {{0, 0, 0}, {200, 100, 50}};
  layout.compression = 1;
  const auto png = WritePng(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 20000; ++x) row[x] = static_cast<unsigned char>(y < 2500 ? 1 : (x + y) % 2);
  });
  const Picture picture = Decode(png, 209, 145);
  EXPECT_EQ(picture.width, 20000 / 95);
  EXPECT_EQ(picture.height, 5000 / 34);
  EXPECT_EQ(picture.pixels.front(), 0xFFC86432u);
  EXPECT_EQ(picture.pixels.back(), 0xFF643219u);  // half and half: (200 / 2, 100 / 2, 50 / 2)
}

// ---- damaged and unsupported files ---------------------------------------------------------

std::vector<unsigned char> SmallPng() {
  PngLayout layout;
  layout.width = 40;
  layout.height = 30;
  layout.color_type = PNG_COLOR_TYPE_RGB;
  return WritePng(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 120; ++x) row[x] = static_cast<unsigned char>(x * y + x);
  });
}

const std::string kEnd =
    "This \"Portable Network Graphics\" image is invalid because the decoder found an unexpected "
    "end of the file.";
const std::string kCrc =
    "This \"Portable Network Graphics\" image is not valid because it contains invalid pieces of "
    "data (crc error)";
const std::string kUnknown =
    "This \"Portable Network Graphics\" image contains an unknown critical part which could not be "
    "decoded.";
const std::string kTooLarge =
    "This \"Portable Network Graphics\" image is not supported because either it's width or height "
    "exceeds the "
    "maximum size, which is 65535 pixels length.";
const std::string kOther = "This \"Portable Network Graphics\" image ";  // free wording after this

void SetSize(std::vector<unsigned char>& png, uint32_t width, uint32_t height) {
  const Chunk header = FindChunk(Chunks(png), "IHDR");
  PutBigEndian32(png, header.offset + 8, width);
  PutBigEndian32(png, header.offset + 12, height);
  FixCrc(png, header);
}

struct Damage {
  const char* name;
  void (*damage)(std::vector<unsigned char>& png);
  const std::string* message;
  bool exact;
};

TEST(PngDamage, IsRefusedWithItsMessage) {
  const Damage kDamages[] = {
      {"Empty", [](auto& png) { png.clear(); }, &kEnd, true},
      {"CutInSignature", [](auto& png) { png.resize(5); }, &kEnd, true},
      {"CutInHeader", [](auto& png) { png.resize(20); }, &kEnd, true},
      {"CutInImageData",
       [](auto& png) {
         const Chunk data = FindChunk(Chunks(png), "IDAT");
         png.resize(data.offset + 8 + data.length / 2);
       },
       &kEnd, true},
      {"CutBeforeDataCrc",
       [](auto& png) {
         const Chunk data = FindChunk(Chunks(png), "IDAT");
         png.resize(data.offset + 8 + data.length);
       },
       &kEnd, true},
      {"ImageDataCrc", [](auto& png) { png[FindChunk(Chunks(png), "IDAT").offset + 20] ^= 0x40; },
       &kCrc, true},
      {"HeaderCrc", [](auto& png) { png[FindChunk(Chunks(png), "IHDR").offset + 8 + 13] ^= 1; },
       &kCrc, true},
      {"UnknownCriticalChunk",
       [](auto& png) {
         InsertChunk(png, "IDAT", "ABCD", {1, 2, 3});
       },
       &kUnknown, true},
      {"WidthOver", [](auto& png) { SetSize(png, 70000, 30); }, &kTooLarge, true},
      {"HeightOver", [](auto& png) { SetSize(png, 40, 65536); }, &kTooLarge, true},
      {"BothHuge", [](auto& png) { SetSize(png, 0x7FFFFFFF, 0x7FFFFFFF); }, &kTooLarge, true},
      {"WidthBeyond31Bits", [](auto& png) { SetSize(png, 0x80000000u, 30); }, &kOther, false},
      {"ZeroWidth", [](auto& png) { SetSize(png, 0, 30); }, &kOther, false},
      {"NotPng", [](auto& png) { png[1] = 'J'; }, &kOther, false},
      {"BadBitDepth",
       [](auto& png) {
         const Chunk header = FindChunk(Chunks(png), "IHDR");
         png[header.offset + 16] = 3;
         FixCrc(png, header);
       },
       &kOther, false},
      {"BadCompressedData",
       [](auto& png) {
         const Chunk data = FindChunk(Chunks(png), "IDAT");
         for (size_t i = 2; i < data.length; ++i) png[data.offset + 8 + i] = 0xFF;
         FixCrc(png, data);
       },
       &kOther, false},
  };
  ForEachCase(kDamages, [](const Damage& damage) {
    std::vector<unsigned char> png = SmallPng();
    damage.damage(png);
    const std::string message = DecodeError(png);
    if (damage.exact) {
      EXPECT_EQ(message, *damage.message);
    } else {
      EXPECT_EQ(message.rfind(*damage.message, 0), 0u) << message;
      for (const std::string* named : {&kEnd, &kCrc, &kUnknown, &kTooLarge})
        EXPECT_NE(message, *named);
    }
  });
}

TEST(PngTolerated, UnknownAncillaryChunkAndMissingEndAreIgnored) {
  const Picture reference = Decode(SmallPng(), 40, 30);
  std::vector<unsigned char> png = SmallPng();
  InsertChunk(png, "IDAT", "abCD", {1, 2, 3});
  InsertChunk(png, "IDAT", "tEXt", {'a', 0, 'b'});
  png[FindChunk(Chunks(png), "tEXt").offset + 9] ^=
      1;  // an ancillary CRC error only costs the chunk
  EXPECT_EQ(Decode(png, 40, 30).pixels, reference.pixels);
  png.resize(FindChunk(Chunks(png), "IEND").offset);
  EXPECT_EQ(Decode(png, 40, 30).pixels, reference.pixels);
}

// A tiny file that claims 65535 x 65535 must neither allocate the picture nor hang.
TEST(PngBomb, TinyFileClaimingTheLargestSizeFailsQuickly) {
  for (bool interlaced : {false, true}) {
    PngLayout layout;
    layout.width = 64;
    layout.height = 64;
    layout.color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    layout.bit_depth = 16;
    layout.interlaced = interlaced;
    std::vector<unsigned char> png =
        WritePng(layout, [](int, unsigned char* row) { std::memset(row, 0, 64 * 8); });
    SetSize(png, 65535, 65535);
    EXPECT_EQ(DecodeError(png).rfind(kOther, 0), 0u);
  }
}

}  // namespace
