// Box-filter shrinking of decoded pixels as they arrive, so that no decoder holds a whole
// source picture.
#pragma once

#include <cstdint>
#include <exception>
#include <vector>

#include "pictures/picture.h"

namespace picture_detail {

struct Size {
  int width;
  int height;
};

// Above this many result pixels a caller's minimum is not honoured; the app asks for far less.
inline constexpr int64_t kMaxResultPixels = int64_t{1} << 24;

// Per axis the largest whole factor that keeps the minimum (1 when the source is smaller).
Size ShrunkSize(int width, int height, int min_width, int min_height);

// Picture of the given size with every pixel allocated.
Picture MakePicture(Size size);

// Takes full source rows of RGB bytes top to bottom; keeps only one result row of sums.
class RowShrinker {
 public:
  RowShrinker(int source_width, int source_height, Picture& out);
  void AddRow(const unsigned char* rgb);

 private:
  Picture& out_;
  std::vector<int> columnStarts_;  // result column x averages source columns [x], [x + 1)
  std::vector<int> rowStarts_;
  std::vector<uint64_t> sums_;  // R, G, B per result column
  int sourceRow_ = 0;
  int outRow_ = 0;
};

// Takes source pixels in any order, as the passes of an interlaced PNG deliver them; keeps
// sums for every result pixel, so its memory follows the result, not the source.
class ScatterShrinker {
 public:
  ScatterShrinker(int source_width, int source_height, Size out);
  // `count` RGB pixels of source row y at columns x0, x0 + step, ...
  void AddPixels(int y, int x0, int step, const unsigned char* rgb, int count);
  Picture Finish() const;

 private:
  template <typename Sum>
  void Add(std::vector<Sum>& sums, int y, int x0, int step, const unsigned char* rgb, int count);

  Size out_;
  std::vector<int> columnStarts_, rowStarts_;
  std::vector<int> columnBox_, rowBox_;  // source index -> result index
  // Narrow sums unless a box is so big that 255 * its pixels would not fit in 32 bits.
  std::vector<uint32_t> narrow_;
  std::vector<uint64_t> wide_;
};

// Runs a step of a decoder's sink inside the C library's callback. A failure must not unwind
// through the library: it is kept in `failure`, for the decoder to rethrow once the library has
// returned, and the step answers false.
template <typename Step>
bool KeepFailure(std::exception_ptr& failure, Step&& step) noexcept {
  try {
    step();
    return true;
  } catch (...) {
    failure = std::current_exception();
    return false;
  }
}

}  // namespace picture_detail
