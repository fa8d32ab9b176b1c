// Inside the decoders: telling the caller's progress receiver how far they have come.
#pragma once

#include <cstdint>

#include "pictures/picture.h"

namespace picture_detail {

// Advance, or throw DecodeCancelled when the caller stops; nothing without a progress receiver.
inline void Report(DecodeProgress* progress, int64_t done, int64_t total) {
  if (progress != nullptr && !progress->Advance(done, total)) throw DecodeCancelled();
}

}  // namespace picture_detail
