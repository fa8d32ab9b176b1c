// What every decoded picture must be, whatever bytes it came from: a size within the decoder's
// limits, one pixel per place, every pixel opaque. A failed check stops the fuzzer at once.
#pragma once

#include <cstddef>
#include <cstdint>

#include "pictures/picture.h"

inline void Check(bool condition) {
  if (!condition) __builtin_trap();
}

inline void CheckPicture(const Picture& picture, int max_side) {
  Check(picture.width > 0 && picture.height > 0 && picture.width <= max_side &&
        picture.height <= max_side);
  Check(picture.pixels.size() ==
        static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
  for (uint32_t pixel : picture.pixels) Check(pixel >> 24 == 0xFF);
}
