#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"
#include "tests/support/cases.h"

namespace {

using picture_writers::BmpLayout;
using picture_writers::IconEntry;
using picture_writers::kBmpAlphaBitfields;
using picture_writers::kBmpBitfields;
using picture_writers::kBmpRle4;
using picture_writers::kBmpRle8;
using picture_writers::StoredRows;
using picture_writers::StripedBmp;
using picture_writers::WriteBmp;
using picture_writers::WriteDib;
using picture_writers::WriteIco;

using Bytes = std::vector<unsigned char>;
using Rows = std::vector<Bytes>;

constexpr uint32_t kBack = 0x2060A0;  // the background
constexpr uint32_t kA = 0x102030, kC = 0xA0B0C0, kD = 0xFF8000, kBlack = 0;
constexpr char kBadBitmap[] = "Bitmap image is not valid";
constexpr char kBadIcon[] = "Icon image is not valid";

Picture Bmp(const Bytes& bytes, int min_width, int min_height, DecodeProgress* progress = nullptr) {
  return DecodeBmpMemory(bytes.data(), bytes.size(), {min_width, min_height, kBack, progress});
}
Picture Ico(const Bytes& bytes, int min_width, int min_height, DecodeProgress* progress = nullptr) {
  return DecodeIcoMemory(bytes.data(), bytes.size(), {min_width, min_height, kBack, progress});
}

std::string ErrorOf(const std::function<void()>& decode) {
  try {
    decode();
  } catch (const PictureError& error) {
    return error.message();
  }
  return "(decoded)";
}

std::vector<uint32_t> Opaque(std::vector<uint32_t> colours) {
  for (uint32_t& c : colours) c |= 0xFF000000u;
  return colours;
}

void Put32(Bytes& bytes, size_t at, uint32_t value) {
  for (size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<unsigned char>(value >> (8 * i));
}

// ---- uncompressed depths, both orientations ------------------------------------------------

struct DepthCase {
  const char* name;
  BmpLayout layout;  // the height comes from the rows
  Rows rows;         // top row first, packed as stored
  std::vector<uint32_t> expected;
};

const Rows k24BitRows = {{0x30, 0x20, 0x10, 0x60, 0x50, 0x40}, {0xFF, 0, 0, 0, 0, 0xFF}};

TEST(BmpDepth, EveryPixelHasItsColourBottomUpAndTopDown) {
  // 16 bits by default are 5-5-5, the top bit unused: 16 of 31 is 132 of 255. In 5-6-5, 32 of
  // 63 is 130 of 255. Without an alpha mask the fourth byte of 32 bits means nothing. Masks of
  // 2-10-10-10 take the top eight bits of each.
  const DepthCase kDepths[] = {
      {"OneBit",
       {.width = 10, .bits = 1, .palette = {kA, kC}},
       {{0xB0, 0xC0}, {0x40, 0x00}},
       {kC, kA, kC, kC, kA, kA, kA, kA, kC, kC, kA, kC, kA, kA, kA, kA, kA, kA, kA, kA}},
      {"FourBitsIndexBeyondThePaletteIsBlack",
       {.width = 3, .bits = 4, .palette = {kA, kC, kD}},
       {{0x21, 0x50}, {0x00, 0x10}},
       {kD, kC, kBlack, kA, kA, kC}},
      {"EightBits",
       {.width = 3, .bits = 8, .palette = {kA, kC, kD}},
       {{2, 0, 1}, {1, 255, 0}},
       {kD, kA, kC, kC, kBlack, kA}},
      {"SixteenBitsByDefault",
       {.width = 2, .bits = 16},
       {{0x00, 0xFC, 0xE0, 0x03}, {0x1F, 0x00, 0x10, 0x42}},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848484}},
      {"SixteenBitsFiveSixFive",
       {.width = 2, .bits = 16, .compression = kBmpBitfields, .masks = {0xF800, 0x07E0, 0x001F}},
       {{0x00, 0xF8, 0xE0, 0x07}, {0x1F, 0x00, 0x10, 0x84}},
       {0xFF0000, 0x00FF00, 0x0000FF, 0x848284}},
      {"TwentyFourBits", {.width = 2, .bits = 24}, k24BitRows, {kA, 0x405060, 0x0000FF, 0xFF0000}},
      {"Version4Header",
       {.width = 2, .bits = 24, .header_size = 108},
       k24BitRows,
       {kA, 0x405060, 0x0000FF, 0xFF0000}},
      {"ThirtyTwoBitsWhoseFourthByteIsZeroAreOpaque",
       {.width = 2, .bits = 32},
       {{0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 0}, {0xFF, 0, 0, 0, 0, 0, 0xFF, 0}},
       {kA, 0x405060, 0x0000FF, 0xFF0000}},
      {"Version5AlphaMaskAllZeroIsOpaque",
       {.width = 2,
        .bits = 32,
        .compression = kBmpBitfields,
        .header_size = 124,
        .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000}},
       {{0x30, 0x20, 0x10, 0, 0x60, 0x50, 0x40, 0}, {0xFF, 0, 0, 0, 0, 0, 0xFF, 0}},
       {kA, 0x405060, 0x0000FF, 0xFF0000}},
      {"ThirtyTwoBitMasksInAnotherOrder",
       {.width = 2, .bits = 32, .compression = kBmpBitfields, .masks = {0xFF, 0xFF00, 0xFF0000}},
       {{0x10, 0x20, 0x30, 0x99, 0x40, 0x50, 0x60, 0x99}, {0xFF, 0, 0, 0, 0, 0, 0xFF, 0}},
       {kA, 0x405060, 0xFF0000, 0x0000FF}},
      {"TenBitMasks",
       {.width = 1,
        .bits = 32,
        .compression = kBmpBitfields,
        .masks = {0x3FF00000, 0x000FFC00, 0x000003FF}},
       {{0x00, 0x00, 0xF8, 0x3F}, {0xFC, 0xFF, 0x07, 0x00}},
       {0xFF8000, 0x007FFF}},
      {"CoreHeaderWithThreeBytePalette",
       {.width = 3, .bits = 8, .header_size = 12, .palette = {kA, kC, kD}},
       {{2, 0, 1}, {1, 255, 0}},
       {kD, kA, kC, kC, kBlack, kA}},
  };

  ForEachCase(kDepths, [](const DepthCase& c) {
    for (const bool top_down : {false, true}) {
      if (top_down && c.layout.header_size == 12) continue;  // 16-bit unsigned sizes
      BmpLayout layout = c.layout;
      const int rows = static_cast<int>(c.rows.size());
      layout.height = top_down ? -rows : rows;
      const Picture picture =
          Bmp(WriteBmp(layout, StoredRows(c.rows, top_down)), layout.width, rows);
      EXPECT_EQ(picture.width, layout.width);
      EXPECT_EQ(picture.height, rows);
      EXPECT_EQ(picture.pixels, Opaque(c.expected)) << (top_down ? "top-down" : "bottom-up");
    }
  });
}

// ---- alpha over the background, RLE -------------------------------------------------------

struct PixelCase {
  const char* name;
  BmpLayout layout;
  Bytes pixels;  // as stored
  std::vector<uint32_t> expected;
  int min_width = 0;  // 0: the bitmap's own size
  int min_height = 0;
};

// RLE8 on four rows of four, stored bottom row first: runs (the second cut at the row's end),
// end of line, a delta to the right, an absolute run with its pad byte, a delta down and right,
// end of bitmap. Never written pixels are the background.
const Bytes kRle8 = {0x03, 0x01, 0x02, 0x02, 0x00, 0x00,  // C C C D
                     0x00, 0x02, 0x01, 0x00, 0x00, 0x03,
                     0x02, 0x00, 0x01, 0x00, 0x00, 0x00,  // _ D A C
                     0x01, 0x00, 0x00, 0x02, 0x01, 0x01,  // A _ _ _
                     0x01, 0x02, 0x00, 0x01};             // _ _ D _
// RLE4 on three rows of five: alternating run, absolute runs of odd and even byte counts.
const Bytes kRle4 = {0x05, 0x12, 0x00, 0x00,                          // C D C D C
                     0x00, 0x05, 0x01, 0x20, 0x10, 0x00, 0x00, 0x00,  // A C D A C
                     0x00, 0x03, 0x20, 0x10, 0x00, 0x01};             // D A C _ _
constexpr uint32_t B = kBack;

TEST(BmpPixels, ComeOutAsExpected) {
  // 0x80 of red over the background: (255 * 128 + 0x20 * 127 + 127) / 255 = 144 ...
  // Two pixels shown as one: each channel is the exact mean of the two composed, rounded once.
  // Green: (96 * 127 / 255 + 33) / 2 = 40.4 is 40, where rounding each pixel first (48) would
  // give 40.5, so 41; red (143.9 + 16) / 2 is 80, blue (79.7 + 48) / 2 is 64.
  // 4-4-4-4 in a version 3 header: alpha 8 of 15 is 136.
  // A delta past the last row ends the picture without an end of bitmap.
  const PixelCase kPixelCases[] = {
      {"ThirtyTwoBitAlphaOverTheBackground",
       {.width = 3, .bits = 32},
       {0, 0, 0xFF, 0x80, 0x30, 0x20, 0x10, 0xFF, 0x30, 0x20, 0x10, 0x00},
       {0x903050, kA, kBack}},
      {"AlphaComposedOnceAfterShrinking",
       {.width = 2, .bits = 32},
       {0, 0, 0xFF, 0x80, 0x30, 0x21, 0x10, 0xFF},
       {0x502840},
       1,
       1},
      {"SixteenBitAlphaMask",
       {.width = 2,
        .bits = 16,
        .compression = kBmpBitfields,
        .header_size = 56,
        .masks = {0x0F00, 0x00F0, 0x000F, 0xF000}},
       {0x00, 0x8F, 0x23, 0xF1},
       {0x972D4B, 0x112233}},
      {"AlphaBitfieldsAfterTheHeader",
       {.width = 2,
        .bits = 32,
        .compression = kBmpAlphaBitfields,
        .masks = {0xFF00, 0xFF0000, 0xFF000000, 0xFF}},
       {0xFF, 0x10, 0x20, 0x30, 0x00, 0x10, 0x20, 0x30},
       {kA, kBack}},
      {"Rle8BottomUp",
       {.width = 4, .height = 4, .bits = 8, .compression = kBmpRle8, .palette = {kA, kC, kD}},
       kRle8,
       {B, B, kD, B, kA, B, B, B, B, kD, kA, kC, kC, kC, kC, kD}},
      {"Rle8TopDown",
       {.width = 4, .height = -4, .bits = 8, .compression = kBmpRle8, .palette = {kA, kC, kD}},
       kRle8,
       {kC, kC, kC, kD, B, kD, kA, kC, kA, B, B, B, B, B, kD, B}},
      {"Rle4",
       {.width = 5, .height = 3, .bits = 4, .compression = kBmpRle4, .palette = {kA, kC, kD}},
       kRle4,
       {kD, kA, kC, B, B, kA, kC, kD, kA, kC, kC, kD, kC, kD, kC}},
      {"RleEndOfBitmapAtOnce",
       {.width = 3, .height = 2, .bits = 8, .compression = kBmpRle8, .palette = {kA}},
       {0x00, 0x01},
       {B, B, B, B, B, B}},
      {"RleDeltaPastTheLastRow",
       {.width = 2, .height = 2, .bits = 8, .compression = kBmpRle8, .palette = {kA}},
       {0x01, 0x00, 0x00, 0x02, 0x00, 0x05},
       {B, B, kA, B}},
  };
  ForEachCase(kPixelCases, [](const PixelCase& c) {
    const int width = c.min_width != 0 ? c.min_width : c.layout.width;
    const int height = c.min_height != 0 ? c.min_height : std::abs(c.layout.height);
    const Picture picture = Bmp(WriteBmp(c.layout, c.pixels), width, height);
    ASSERT_EQ(picture.width, width);
    ASSERT_EQ(picture.height, height);
    EXPECT_EQ(picture.pixels, Opaque(c.expected));
  });
}

// ---- icons --------------------------------------------------------------------------------

// An icon entry's bitmap: the picture's rows, then the AND mask's (top rows first).
Bytes IconDib(BmpLayout layout, const Rows& rows, const Rows& mask) {
  layout.height = 2 * static_cast<int>(rows.size());
  Bytes pixels = StoredRows(rows);
  const Bytes mask_rows = StoredRows(mask);
  pixels.insert(pixels.end(), mask_rows.begin(), mask_rows.end());
  return WriteDib(layout, pixels);
}

// A 24-bit entry of one colour, listed with `bits`.
IconEntry SolidEntry(int size, int bits, uint32_t colour) {
  Rows rows(static_cast<size_t>(size)), mask(static_cast<size_t>(size));
  for (Bytes& row : rows) {
    for (int x = 0; x < size; ++x) {
      row.push_back(static_cast<unsigned char>(colour));
      row.push_back(static_cast<unsigned char>(colour >> 8));
      row.push_back(static_cast<unsigned char>(colour >> 16));
    }
  }
  for (Bytes& row : mask) row.assign(static_cast<size_t>((size + 7) / 8), 0);
  return {size, size, bits, IconDib({.width = size, .bits = 24}, rows, mask)};
}

TEST(Ico, BitmapEntryIsTransparentWhereItsMaskSaysSo) {
  const Bytes dib =
      IconDib({.width = 2, .bits = 4, .palette = {kA, kC}}, {{0x01}, {0x10}}, {{0x40}, {0x00}});
  EXPECT_EQ(Ico(WriteIco({{2, 2, 4, dib}}), 2, 2).pixels, Opaque({kA, kBack, kC, kA}));
}

TEST(Ico, AlphaOfThirtyTwoBitsOverridesTheMaskUnlessItIsAllZero) {
  const Bytes with_alpha = IconDib({.width = 2, .bits = 32},
                                   {{0x30, 0x20, 0x10, 0xFF, 0x30, 0x20, 0x10, 0x00}}, {{0xC0}});
  EXPECT_EQ(Ico(WriteIco({{2, 1, 32, with_alpha}}), 2, 1).pixels, Opaque({kA, kBack}));
  const Bytes no_alpha = IconDib({.width = 2, .bits = 32},
                                 {{0x30, 0x20, 0x10, 0x00, 0x60, 0x50, 0x40, 0x00}}, {{0x40}});
  EXPECT_EQ(Ico(WriteIco({{2, 1, 32, no_alpha}}), 2, 1).pixels, Opaque({kA, kBack}));
}

TEST(Ico, PngEntryDecodesAsPng) {
  const Bytes png = picture_writers::TinyPng();
  const Picture picture = Ico(WriteIco({{3, 2, 32, png}}), 3, 2);
  EXPECT_EQ(picture.pixels, DecodePngMemory(png.data(), png.size(), {3, 2, kBack}).pixels);
  EXPECT_EQ(picture.pixels[4], 0xFF000000u | (120 + 1) << 16 | (160 + 1) << 8 | (200 + 1));
}

TEST(Ico, TheLargestEntryThenTheDeepestIsShown) {
  const Picture deepest = Ico(WriteIco({SolidEntry(16, 32, kA), SolidEntry(32, 4, kC),
                                        SolidEntry(32, 32, kD), SolidEntry(8, 32, kA)}),
                              1, 1);
  EXPECT_EQ(deepest.pixels, Opaque({kD}));
  // A directory size of 0 stands for 256.
  const Picture largest = Ico(WriteIco({SolidEntry(48, 32, kA), SolidEntry(256, 1, kC)}), 1, 1);
  EXPECT_EQ(largest.pixels, Opaque({kC}));
  // Of entries alike in both, the first listed.
  const Picture first = Ico(WriteIco({SolidEntry(8, 32, kC), SolidEntry(16, 24, kA),
                                      SolidEntry(16, 24, kD), SolidEntry(16, 8, kC)}),
                            1, 1);
  EXPECT_EQ(first.pixels, Opaque({kA}));
}

// ---- limits and damage --------------------------------------------------------------------

Bytes Rle8(int width, int height, const Bytes& stream, size_t palette = 1) {
  return WriteBmp({.width = width,
                   .height = height,
                   .bits = 8,
                   .compression = kBmpRle8,
                   .palette = std::vector<uint32_t>(palette, kA)},
                  stream);
}

TEST(BmpLimits, ClaimedSizesBeyondTheLimitsAreTooLarge) {
  const auto message = [](const char* size) {
    return std::string("Картинка слишком велика для показа (") + size + " пикс.)";
  };
  EXPECT_EQ(ErrorOf([] { Bmp(WriteBmp({.width = 70000}, {}), 1, 1); }), message("70000 x 1"));
  EXPECT_EQ(ErrorOf([] { Bmp(WriteBmp({.height = -70000}, {}), 1, 1); }), message("1 x 70000"));
  EXPECT_EQ(ErrorOf([] { Bmp(Rle8(16385, 16385, {0, 1}), 1, 1); }), message("16385 x 16385"));
  EXPECT_EQ(ErrorOf([] {
              Bmp(WriteBmp({65535, 65535, 24, 0, 12}, {}), 1, 1);
            }),
            message("65535 x 65535"));
  EXPECT_EQ(ErrorOf([] {
              Ico(WriteIco({{0, 0, 1, WriteDib({70000, 20, 1}, {})}}), 1, 1);
            }),
            message("70000 x 10"));
  Bytes png = picture_writers::TinyPng();
  picture_writers::PutBigEndian32(png, 16, 70000);
  EXPECT_EQ(ErrorOf([&png] { Ico(WriteIco({{0, 0, 32, png}}), 1, 1); }), message("70000 x 2"));
  // 2^28 pixels are still allowed.
  EXPECT_EQ(Bmp(Rle8(16384, 16384, {0, 1}), 1, 1).pixels, Opaque({kBack}));
}

struct DamageCase {
  const char* name;
  std::function<Bytes()> make;
  bool icon;
};

// A valid 2 x 2 24-bit bitmap with the change applied.
std::function<Bytes()> Base(std::function<void(Bytes&)> change) {
  return [change] {
    Bytes bmp = WriteBmp({.width = 2, .height = 2}, StoredRows(Rows(2, Bytes(6, 0x55))));
    change(bmp);
    return bmp;
  };
}

std::function<Bytes()> Icon(std::function<void(Bytes&)> change) {
  return [change] {
    Bytes ico = WriteIco({SolidEntry(2, 24, kA)});
    change(ico);
    return ico;
  };
}

TEST(BmpDamage, IsNotValid) {
  const DamageCase kDamages[] = {
      {"Empty", [] { return Bytes(); }, false},
      {"NotBM", Base([](Bytes& b) { b[1] = 'A'; }), false},
      {"CutInTheHeader", Base([](Bytes& b) { b.resize(30); }), false},
      {"UnknownHeaderSize", Base([](Bytes& b) { b[14] = 64; }), false},
      {"ZeroWidth", Base([](Bytes& b) { Put32(b, 18, 0); }), false},
      {"NegativeWidth", Base([](Bytes& b) { Put32(b, 18, static_cast<uint32_t>(-2)); }), false},
      {"ZeroHeight", Base([](Bytes& b) { Put32(b, 22, 0); }), false},
      {"SevenBits", Base([](Bytes& b) { b[28] = 7; }), false},
      {"Rle8OfTwentyFourBits", Base([](Bytes& b) { b[30] = 1; }), false},
      {"JpegInside", Base([](Bytes& b) { b[30] = 4; }), false},
      {"UnknownCompression", Base([](Bytes& b) { b[30] = 9; }), false},
      {"PixelsInsideTheHeader", Base([](Bytes& b) { Put32(b, 10, 20); }), false},
      {"PixelDataOneByteShort", Base([](Bytes& b) { b.pop_back(); }), false},
      {"MaskWithAGap",
       [] {
         return WriteBmp({.bits = 16, .compression = kBmpBitfields, .masks = {0xF0F0, 0, 0}},
                         Bytes(4));
       },
       false},
      {"RleWithoutEndOfBitmap",
       [] {
         return Rle8(2, 2, {0x02, 0x00, 0x00, 0x00});
       },
       false},
      {"RleCutInAnAbsoluteRun",
       [] {
         return Rle8(4, 1, {0x00, 0x04, 0x00, 0x00});
       },
       false},
      {"IconReservedField", Icon([](Bytes& b) { b[0] = 1; }), true},
      {"IconOfType3", Icon([](Bytes& b) { b[2] = 3; }), true},
      {"IconWithoutEntries", Icon([](Bytes& b) { b[4] = 0; }), true},
      {"IconDirectoryCut", Icon([](Bytes& b) { b.resize(16); }), true},
      {"IconEntryBeyondTheFile", Icon([](Bytes& b) { b.pop_back(); }), true},
      {"IconMaskCut",
       [] {
         IconEntry entry = SolidEntry(2, 24, kA);
         entry.data.resize(entry.data.size() - 1);
         return WriteIco({entry});
       },
       true},
      {"IconOfRle",
       [] {
         return WriteIco({{2, 2, 8, WriteDib({2, 4, 8, kBmpRle8, 40, {}, {kA}}, {0, 1})}});
       },
       true},
      {"IconWithADamagedPng",
       [] {
         Bytes png = picture_writers::TinyPng();
         png.resize(png.size() - 20);
         return WriteIco({{3, 2, 32, png}});
       },
       true},
  };
  ForEachCase(kDamages, [](const DamageCase& c) {
    const Bytes bytes = c.make();
    if (c.icon) {
      EXPECT_EQ(ErrorOf([&bytes] { Ico(bytes, 1, 1); }), kBadIcon);
    } else {
      EXPECT_EQ(ErrorOf([&bytes] { Bmp(bytes, 1, 1); }), kBadBitmap);
    }
  });
}

// ---- size, shrinking, progress ------------------------------------------------------------

// Keeps what it is told and answers false at the `stop_at`-th call (0: never).
class Recorder : public DecodeProgress {
 public:
  explicit Recorder(int64_t stop_at = 0) : stop_at_(stop_at) {}
  bool Advance(int64_t done, int64_t total) override {
    EXPECT_LE(done, total);
    EXPECT_GE(done, last_done);
    last_done = done;
    last_total = total;
    return ++calls != stop_at_;
  }
  int64_t calls = 0, last_done = 0, last_total = 0;

 private:
  int64_t stop_at_;
};

// 1 KB claiming 11000 x 11000 pixels, all left unwritten: the result has the asked size and
// every row is reported, though none is ever held.
TEST(BmpBomb, TinyRleOfAHugePictureIsAllBackground) {
  const Bytes bmp = Rle8(11000, 11000, {0x00, 0x01}, 256);
  ASSERT_LT(bmp.size(), 1100u);
  Recorder recorder;
  const Picture picture = Bmp(bmp, 209, 145, &recorder);
  EXPECT_EQ(picture.width, 211);  // 11000 / (11000 / 209)
  EXPECT_EQ(picture.height, 146);
  EXPECT_EQ(picture.pixels, std::vector<uint32_t>(211 * 146, 0xFF000000u | kBack));
  EXPECT_GE(recorder.calls, 11000);
}

TEST(BmpShrink, HalvesKeepTheirColours) {
  // 1000 x 800, 1 bit: red left of column 500, blue from it.
  Bytes row(125, 0xFF);
  std::fill(row.begin(), row.begin() + 62, 0);
  row[62] = 0x0F;
  const Bytes bmp = WriteBmp({.width = 1000, .height = 800, .bits = 1, .palette = {0xFF0000, 0xFF}},
                             StoredRows(Rows(800, row)));
  const Picture picture = Bmp(bmp, 209, 145);
  EXPECT_GE(picture.width, 209);
  EXPECT_LE(picture.width, 500);
  EXPECT_GE(picture.height, 145);
  EXPECT_LE(picture.height, 400);
  const auto at = [&picture](int x, int y) {
    return picture.pixels[static_cast<size_t>(y * picture.width + x)];
  };
  for (const int y : {0, picture.height - 1}) {
    EXPECT_EQ(at(0, y), 0xFFFF0000u);
    EXPECT_EQ(at(picture.width / 2 - 2, y), 0xFFFF0000u);
    EXPECT_EQ(at(picture.width / 2 + 1, y), 0xFF0000FFu);
    EXPECT_EQ(at(picture.width - 1, y), 0xFF0000FFu);
  }
}

struct ProgressCase {
  const char* name;
  std::function<Bytes()> make;
  bool icon;
  int reports;  // at least: once for every row, and now and then within a long one
};

TEST(BmpProgress, EveryRowIsReportedAndAnyCallCanStop) {
  // RleCommandsWithinOneRow: 100,000 runs of one pixel in the first of two rows of 16, all but
  // 16 past its end: the caller hears of them (and may stop) long before the row ends.
  const ProgressCase kProgressCases[] = {
      {"Rows", [] { return StripedBmp(8, 10); }, false, 10},
      {"AlphaTakesTwoPasses",
       [] { return WriteBmp({.width = 4, .height = 6, .bits = 32}, Bytes(4 * 4 * 6, 0)); }, false,
       6},
      {"RleSkippingRows",
       [] {
         return Rle8(300, 400, {0x05, 0x00, 0x00, 0x01});
       },
       false, 400},
      {"RleCommandsWithinOneRow",
       [] {
         Bytes stream;
         for (int i = 0; i < 100000; ++i) stream.insert(stream.end(), {0x01, 0x00});
         stream.insert(stream.end(), {0x00, 0x01});
         return Rle8(16, 2, stream);
       },
       false, 10},
      {"IconBitmap", [] { return WriteIco({SolidEntry(16, 24, kA)}); }, true, 16},
      {"IconPng",
       [] {
         return WriteIco({{3, 2, 32, picture_writers::TinyPng()}});
       },
       true, 2},
  };
  ForEachCase(kProgressCases, [](const ProgressCase& c) {
    const auto run = [&c](const Bytes& bytes, DecodeProgress* progress) {
      return c.icon ? Ico(bytes, 209, 145, progress) : Bmp(bytes, 209, 145, progress);
    };
    const Bytes bytes = c.make();
    Recorder whole;
    run(bytes, &whole);
    EXPECT_GE(whole.calls, c.reports);
    EXPECT_EQ(whole.last_done, whole.last_total);
    for (const int64_t stop_at : {int64_t{1}, whole.calls / 2, whole.calls}) {
      Recorder stopping(stop_at);
      EXPECT_THROW(run(bytes, &stopping), DecodeCancelled) << "at call " << stop_at;
      EXPECT_EQ(stopping.calls, stop_at);
    }
  });
}

}  // namespace
