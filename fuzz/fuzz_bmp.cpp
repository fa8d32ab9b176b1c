// The bitmap and icon decoders on arbitrary bytes, at the main window's picture size: bytes
// that start with "BM" go to the bitmap decoder, all others to the icon decoder (which refuses
// "BM" at once anyway). The progress the decoders report must stay within its total and never
// go back.
#include <cstddef>
#include <cstdint>

#include "fuzz/picture_checks.h"
#include "pictures/picture.h"

namespace {

class Watch : public DecodeProgress {
 public:
  bool Advance(int64_t done, int64_t total) override {
    Check(done >= 0 && done <= total);
    Check(total != last_total_ || done >= last_done_);
    last_done_ = done;
    last_total_ = total;
    return true;
  }

 private:
  int64_t last_done_ = 0;
  int64_t last_total_ = -1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const bool bitmap = size >= 2 && data[0] == 'B' && data[1] == 'M';
  Watch watch;
  try {
    const DecodeRequest request{209, 145, 0x808000, &watch};
    const Picture picture =
        bitmap ? DecodeBmpMemory(data, size, request) : DecodeIcoMemory(data, size, request);
    CheckPicture(picture, 65535);
  } catch (const PictureError&) {
  }
  return 0;
}
