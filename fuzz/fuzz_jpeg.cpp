// The JPEG decoder on arbitrary bytes, at the main window's picture size.
#include <cstddef>
#include <cstdint>

#include "fuzz/picture_checks.h"
#include "pictures/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const Picture picture = DecodeJpegMemory(data, size, {.min_width = 209, .min_height = 145});
    CheckPicture(picture, 65500);
  } catch (const PictureError&) {
  }
  return 0;
}
