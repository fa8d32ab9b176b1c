// A built-in picture decoded when the program is built, at the size it is shown at on a usual
// screen, so that start-up needs no decoder. The pixels are as the decoders give them (opaque
// 0xFFRRGGBB, row by row from the top left).
#pragma once

#include <cstdint>

struct BakedPicture {
  int width;
  int height;
  const uint32_t* pixels;
};
