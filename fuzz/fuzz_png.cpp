// The PNG decoder on arbitrary bytes, at the main window's picture size.
#include <cstddef>
#include <cstdint>

#include "fuzz/picture_checks.h"
#include "pictures/picture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const Picture picture = DecodePngMemory(data, size, {209, 145, 0x808000});
    CheckPicture(picture, 65535);
  } catch (const PictureError&) {
  }
  return 0;
}
