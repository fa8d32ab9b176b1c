// Decoded pixels on their way into the result: composed over the background, and shrunk by box
// filtering as they arrive, so that no decoder holds a whole source picture.
#pragma once

#include <cstdint>
#include <exception>
#include <optional>
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

// Pixels as decoders store them, one byte a channel, in the order named (x: a byte unused).
enum class StoredPixels { kRgb, kRgba, kBgr, kBgrx, kBgra };

// Pixels with alpha are composed over the opaque background colour 0xRRGGBB after shrinking:
// composing is linear, so each result pixel blends the alpha-weighted sums of its box once,
// rounded once. A result pixel of a single source pixel is (v * a + back * (255 - a) + 127) / 255
// per channel; a bigger box is the exact average of those, rounded.
//
// Takes the source rows in the order they are stored and keeps only one result row of sums:
// whole rows of stored bytes (AddRow), a row in pieces from left to right (Add and AddRun, then
// EndRow), or whole rows of one colour (AddRows). A run of one colour costs the result columns it
// covers, not its length: an RLE bitmap claims 2^28 pixels in a few bytes. Colours are 0xAARRGGBB
// when composing over a background, else 0xRRGGBB with the top byte ignored. Rows stored
// bottom-up fill the result from its last row; each result row still averages one whole box of
// source rows.
class RowShrinker {
 public:
  RowShrinker(int source_width, int source_height, Picture& out, bool bottom_up = false,
              std::optional<uint32_t> background = std::nullopt);

  // A whole row of `source_width` pixels; their alpha counts only when composing, and pixels
  // without alpha are opaque.
  void AddRow(const unsigned char* row, StoredPixels kind);

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
  template <int kBytes, int kRed, int kGreen, int kBlue, int kAlpha>
  void SumRowOf(const unsigned char* row);
  template <int kBytes, int kRed, int kGreen, int kBlue, int kAlpha, bool kComposing>
  void SumRow(const unsigned char* row);
  void AddToColumn(uint64_t r, uint64_t g, uint64_t b, uint64_t a);
  void MoveTo(int x);
  void RowDone();
  void Emit();

  Picture& out_;
  int width_;
  bool bottom_up_;
  std::optional<uint32_t> background_;
  size_t stride_;                   // sums per result column: R, G, B, and alpha when composing
  std::vector<int> column_starts_;  // result column x averages source columns [x], [x + 1)
  std::vector<int> row_starts_;
  std::vector<uint64_t> sums_;
  int x_ = 0;
  int column_ = 0;      // the result column of x_
  int source_row_ = 0;  // rows done, in the order stored
  int out_row_ = 0;     // result rows done, counted from the first stored
};

// Takes source pixels in any order, as the passes of an interlaced PNG deliver them; keeps
// sums for every result pixel, so its memory follows the result, not the source. Pixels are
// RGBA bytes composed over `background` as RowShrinker composes them, or RGB without one.
class ScatterShrinker {
 public:
  ScatterShrinker(int source_width, int source_height, Size out,
                  std::optional<uint32_t> background = std::nullopt);
  // `count` pixels of source row y at columns x0, x0 + step, ...
  void AddPixels(int y, int x0, int step, const unsigned char* pixels, int count);
  Picture Finish() const;

 private:
  template <typename Sum>
  void Add(std::vector<Sum>& sums, int y, int x0, int step, const unsigned char* pixels, int count);
  template <typename Sum>
  uint32_t Result(const std::vector<Sum>& sums, size_t i, uint64_t count) const;

  Size out_;
  std::optional<uint32_t> background_;
  size_t stride_;  // sums per result pixel
  std::vector<int> column_starts_, row_starts_;
  std::vector<int> column_box_, row_box_;  // source index -> result index
  // Narrow sums unless a box is so big that its largest sum would not fit in 32 bits.
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
