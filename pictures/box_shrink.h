// Decoded pixels on their way into the result: composed over the background, and shrunk by box
// filtering as they arrive, so that no decoder holds a whole source picture.
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

// Pixels with alpha composed over the opaque background colour 0xRRGGBB, rounded per channel.
class Backdrop {
 public:
  explicit Backdrop(uint32_t rgb) : rgb_{rgb >> 16 & 0xFF, rgb >> 8 & 0xFF, rgb & 0xFF} {}

  // 0xAARRGGBB as 0xRRGGBB (an opaque one keeps its alpha byte).
  uint32_t Over(uint32_t argb) const {
    const unsigned int alpha = argb >> 24;
    if (alpha == 255) return argb;
    uint32_t rgb = 0;
    for (int c = 0; c < 3; ++c)
      rgb |= Channel(argb >> (16 - 8 * c) & 0xFF, alpha, c) << (16 - 8 * c);
    return rgb;
  }

  // `count` pixels of four bytes, red first and alpha last, as three.
  void Over(const unsigned char* rgba, int count, unsigned char* rgb) const {
    for (int i = 0; i < count; ++i, rgba += 4, rgb += 3) {
      for (int c = 0; c < 3; ++c) rgb[c] = static_cast<unsigned char>(Channel(rgba[c], rgba[3], c));
    }
  }

 private:
  uint32_t Channel(unsigned int value, unsigned int alpha, int c) const {
    return (value * alpha + rgb_[c] * (255 - alpha) + 127) / 255;
  }

  unsigned int rgb_[3];
};

// Takes the source rows in the order they are stored and keeps only one result row of sums:
// whole rows of RGB bytes (AddRow), a row in pieces from left to right (Add and AddRun, then
// EndRow), or whole rows of one colour (AddRows). A run of one colour costs the result columns it
// covers, not its length: an RLE bitmap claims 2^28 pixels in a few bytes. Colours are 0xRRGGBB;
// their top byte is ignored. Rows stored bottom-up fill the result from its last row; each
// result row still averages one whole box of source rows.
class RowShrinker {
 public:
  RowShrinker(int source_width, int source_height, Picture& out, bool bottom_up = false);

  // A whole row of `source_width` pixels, three bytes each, red first.
  void AddRow(const unsigned char* rgb);

  // The column the next pixel of the current row goes to.
  int x() const { return x_; }
  // Pixels from the current column on; those past the end of the row are dropped.
  void Add(const uint32_t* colours, int count);
  void AddRun(int64_t count, uint32_t colour);
  // Fills the rest of the current row with `colour` and goes on to the next row.
  void EndRow(uint32_t colour);
  // `count` whole rows of one colour, from the start of a row.
  void AddRows(int64_t count, uint32_t colour);

 private:
  void AddToColumn(uint64_t r, uint64_t g, uint64_t b);
  void MoveTo(int x);
  void RowDone();
  void Emit();

  Picture& out_;
  int width_;
  bool bottom_up_;
  std::vector<int> column_starts_;  // result column x averages source columns [x], [x + 1)
  std::vector<int> row_starts_;
  std::vector<uint64_t> sums_;  // R, G, B per result column
  int x_ = 0;
  int column_ = 0;      // the result column of x_
  int source_row_ = 0;  // rows done, in the order stored
  int out_row_ = 0;     // result rows done, counted from the first stored
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
  std::vector<int> column_starts_, row_starts_;
  std::vector<int> column_box_, row_box_;  // source index -> result index
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
