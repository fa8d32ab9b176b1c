// How far a decoder has come, and the caller's way to stop it.
#pragma once

#include <cstdint>

#include "core/faults.h"

// A decoder calls Advance now and then (at least once every few milliseconds of work, and once
// for every source row it decodes) with the work done so far out of the work in all, in units of
// its own choosing (rows, rows of each pass or scan, bytes). Answering false stops the decoder:
// it frees what it holds and throws DecodeCancelled. Advance is called on the decoder's thread.
class DecodeProgress {
 public:
  virtual bool Advance(int64_t done, int64_t total) = 0;

 protected:
  ~DecodeProgress() = default;
};

// The caller stopped the decoding: nothing is shown for it.
class DecodeCancelled : public SilentAbort {};

namespace picture_detail {

// Advance, or throw DecodeCancelled when the caller stops; nothing without a progress receiver.
inline void Report(DecodeProgress* progress, int64_t done, int64_t total) {
  if (progress != nullptr && !progress->Advance(done, total)) throw DecodeCancelled();
}

}  // namespace picture_detail
