// The size a Windows bitmap (BMP) file's header claims, read before any pixel is decoded, so
// that a picture too large to be shown is refused with its size.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

struct BitmapSize {
  int64_t width = 0;
  int64_t height = 0;
};

// The number of leading bytes of a file BitmapHeaderSize needs.
inline constexpr size_t kBitmapHeaderBytes = 26;

// The width and height of the file whose first bytes are `head`: the OS/2 core header (12
// bytes, 16-bit sizes) or any of the Windows headers (32-bit signed sizes; a negative height
// is a top-down bitmap of that many rows). Nothing when the bytes are no bitmap header, or a
// size is zero, negative or beyond a 32-bit int.
std::optional<BitmapSize> BitmapHeaderSize(const unsigned char* head, size_t size);
