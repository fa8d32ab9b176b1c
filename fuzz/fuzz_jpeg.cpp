// The JPEG decoder on arbitrary bytes, at the main window's picture size.
#include <cstddef>
#include <cstdint>

#include "pictures/picture.h"

namespace {

void Check(bool condition) {
  if (!condition) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const Picture picture = DecodeJpegMemory(data, size, 209, 145);
    Check(picture.width > 0 && picture.height > 0 && picture.width <= 65500 &&
          picture.height <= 65500);
    Check(picture.pixels.size() ==
          static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    for (uint32_t pixel : picture.pixels) Check(pixel >> 24 == 0xFF);
  } catch (const PictureError&) {
  }
  return 0;
}
