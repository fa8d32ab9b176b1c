#include "pictures/bitmap_header.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

// The first bytes of a bitmap file: "BM", the file header, then the size of the info header and
// the picture's width and height as that header stores them.
std::vector<unsigned char> Head(uint32_t info_size, uint32_t width, uint32_t height,
                                bool core = false) {
  std::vector<unsigned char> h(26, 0);
  h[0] = 'B';
  h[1] = 'M';
  auto put32 = [&h](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) h[at + i] = static_cast<unsigned char>(v >> (8 * i));
  };
  put32(14, info_size);
  if (core) {
    h[18] = static_cast<unsigned char>(width);
    h[19] = static_cast<unsigned char>(width >> 8);
    h[20] = static_cast<unsigned char>(height);
    h[21] = static_cast<unsigned char>(height >> 8);
  } else {
    put32(18, width);
    put32(22, height);
  }
  return h;
}

struct HeaderCase {
  const char* name;
  std::vector<unsigned char> head;
  int64_t width, height;  // 0: no size
};

void PrintTo(const HeaderCase& c, std::ostream* os) {
  *os << c.name;
}

class BitmapHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(BitmapHeader, GivesTheClaimedSize) {
  const HeaderCase& c = GetParam();
  const std::optional<BitmapSize> size = BitmapHeaderSize(c.head.data(), c.head.size());
  if (c.width == 0) {
    EXPECT_FALSE(size.has_value());
    return;
  }
  ASSERT_TRUE(size.has_value());
  EXPECT_EQ(size->width, c.width);
  EXPECT_EQ(size->height, c.height);
}

std::vector<unsigned char> Short() {
  std::vector<unsigned char> h = Head(40, 10, 10);
  h.pop_back();
  return h;
}

std::vector<unsigned char> NotBm() {
  std::vector<unsigned char> h = Head(40, 10, 10);
  h[1] = 'A';
  return h;
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BitmapHeader,
    ::testing::Values(HeaderCase{"Windows", Head(40, 300, 200), 300, 200},
                      HeaderCase{"WindowsVersion5", Head(124, 8400, 8400), 8400, 8400},
                      // A negative height is a bitmap stored from the top row down, as many rows.
                      HeaderCase{"TopDown", Head(40, 12000, static_cast<uint32_t>(-12000)), 12000,
                                 12000},
                      HeaderCase{"Os2CoreSixteenBitSizes", Head(12, 65535, 2, true), 65535, 2},
                      HeaderCase{"ZeroWidth", Head(40, 0, 5), 0, 0},
                      HeaderCase{"NegativeWidth", Head(40, static_cast<uint32_t>(-5), 5), 0, 0},
                      // The most negative height has no positive counterpart in an int.
                      HeaderCase{"MostNegativeHeight", Head(40, 5, 0x80000000u), 0, 0},
                      HeaderCase{"TooShort", Short(), 0, 0},
                      HeaderCase{"NotABitmap", NotBm(), 0, 0}),
    [](const auto& test_case) { return std::string(test_case.param.name); });

}  // namespace
