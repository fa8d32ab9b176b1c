// What the decoders tell of their progress, and that the caller can stop them at any moment.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "picture_writers.h"
#include "pictures/picture.h"
#include "tests/support/cases.h"

namespace {

using picture_writers::JpegLayout;
using picture_writers::PngLayout;

// Answers true until the `stop_at`-th call (counting from 1; 0: never stops), and keeps what it
// was told.
class Recorder : public DecodeProgress {
 public:
  explicit Recorder(int stop_at = 0) : stop_at_(stop_at) {}
  bool Advance(int64_t done, int64_t total) override {
    calls.push_back({done, total});
    return stop_at_ == 0 || static_cast<int>(calls.size()) < stop_at_;
  }
  struct Call {
    int64_t done, total;
  };
  std::vector<Call> calls;

 private:
  int stop_at_;
};

struct ProgressCase {
  const char* name;
  std::function<std::vector<unsigned char>()> make;
  Picture (*decode)(const unsigned char* data, size_t size, const DecodeRequest& request);
};

std::vector<unsigned char> Stripes(bool progressive) {
  JpegLayout layout;
  layout.width = 300;
  layout.height = 200;
  layout.progressive = progressive;
  return picture_writers::WriteJpeg(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 300 * 3; ++x) row[x] = static_cast<unsigned char>((x + y) % 251);
  });
}

std::vector<unsigned char> PngStripes(bool interlaced) {
  PngLayout layout;
  layout.width = 300;
  layout.height = 200;
  layout.interlaced = interlaced;
  return picture_writers::WritePng(layout, [](int y, unsigned char* row) {
    for (int x = 0; x < 300 * 3; ++x) row[x] = static_cast<unsigned char>((x * y) % 253);
  });
}

// Both tests below run over these.
const ProgressCase kProgressCases[] = {
    {"JpegBaseline", [] { return Stripes(false); }, DecodeJpegMemory},
    {"JpegProgressive", [] { return Stripes(true); }, DecodeJpegMemory},
    {"Png", [] { return PngStripes(false); }, DecodePngMemory},
    {"PngInterlaced", [] { return PngStripes(true); }, DecodePngMemory}};

Picture DecodeWith(const ProgressCase& c, const std::vector<unsigned char>& bytes,
                   DecodeProgress* progress) {
  return c.decode(bytes.data(), bytes.size(), {209, 145, 0x808080, progress});
}

TEST(Progress, GrowsToTheWholeAndIsToldOftenEnough) {
  ForEachCase(kProgressCases, [](const ProgressCase& c) {
    const std::vector<unsigned char> bytes = c.make();
    Recorder recorder;
    const Picture picture = DecodeWith(c, bytes, &recorder);
    EXPECT_GE(picture.width, 209);
    // At least once for every row of the picture as decoded (JPEG decodes 200 rows at 6/8).
    ASSERT_GE(recorder.calls.size(), 150u);
    int64_t before = 0;
    for (const Recorder::Call& call : recorder.calls) {
      EXPECT_LE(call.done, call.total);
      EXPECT_GE(call.done, before);
      before = call.done;
    }
    EXPECT_EQ(recorder.calls.back().done, recorder.calls.back().total);
  });
}

TEST(Progress, StopsAtTheFirstTheMiddleOrTheLastCall) {
  ForEachCase(kProgressCases, [](const ProgressCase& c) {
    const std::vector<unsigned char> bytes = c.make();
    Recorder whole;
    DecodeWith(c, bytes, &whole);
    const int calls = static_cast<int>(whole.calls.size());
    for (const int stop_at : {1, calls / 2, calls}) {
      Recorder stopping(stop_at);
      EXPECT_THROW(DecodeWith(c, bytes, &stopping), DecodeCancelled) << "at call " << stop_at;
      // Nothing more is asked once the caller has said stop.
      EXPECT_EQ(static_cast<int>(stopping.calls.size()), stop_at);
    }
  });
}

}  // namespace
