#include "pictures/bitmap_header.h"

#include <climits>
#include <cstdlib>

std::optional<BitmapSize> BitmapHeaderSize(const unsigned char* h, size_t size) {
  if (size < kBitmapHeaderBytes || h[0] != 'B' || h[1] != 'M') return std::nullopt;
  const auto u16 = [h](int at) { return static_cast<int64_t>(h[at] | h[at + 1] << 8); };
  const auto i32 = [h](int at) {
    return static_cast<int64_t>(
        static_cast<int32_t>(static_cast<uint32_t>(h[at]) | uint32_t{h[at + 1]} << 8 |
                             uint32_t{h[at + 2]} << 16 | uint32_t{h[at + 3]} << 24));
  };
  const int64_t header = i32(14);
  const int64_t width = header == 12 ? u16(18) : i32(18);
  const int64_t height = header == 12 ? u16(20) : std::llabs(i32(22));
  if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return std::nullopt;
  return BitmapSize{width, height};
}
