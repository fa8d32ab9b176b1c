#include "pictures/box_shrink.h"

#include <algorithm>
#include <limits>

namespace picture_detail {
namespace {

// Result index i covers source indices [starts[i], starts[i + 1]); every box has the same
// size or one more, and together they cover the whole source.
std::vector<int> BoxStarts(int source, int out) {
  std::vector<int> starts(static_cast<size_t>(out) + 1);
  for (int i = 0; i <= out; ++i) {
    starts[static_cast<size_t>(i)] = static_cast<int>(int64_t{i} * source / out);
  }
  return starts;
}

std::vector<int> BoxOfIndex(const std::vector<int>& starts) {
  std::vector<int> box(static_cast<size_t>(starts.back()));
  for (size_t i = 0; i + 1 < starts.size(); ++i) {
    std::fill(box.begin() + starts[i], box.begin() + starts[i + 1], static_cast<int>(i));
  }
  return box;
}

int LargestBox(const std::vector<int>& starts) {
  int largest = 0;
  for (size_t i = 0; i + 1 < starts.size(); ++i)
    largest = std::max(largest, starts[i + 1] - starts[i]);
  return largest;
}

uint32_t Average(uint64_t r, uint64_t g, uint64_t b, uint64_t count) {
  const uint64_t half = count / 2;
  return 0xFF000000u | static_cast<uint32_t>((r + half) / count) << 16 |
         static_cast<uint32_t>((g + half) / count) << 8 | static_cast<uint32_t>((b + half) / count);
}

}  // namespace

Size ShrunkSize(int width, int height, int min_width, int min_height) {
  int fx = std::max(1, width / std::max(1, min_width));
  int fy = std::max(1, height / std::max(1, min_height));
  while (int64_t{width / fx} * (height / fy) > kMaxResultPixels) {
    ++fx;
    ++fy;
  }
  return {width / fx, height / fy};
}

Picture MakePicture(Size size) {
  Picture picture;
  picture.width = size.width;
  picture.height = size.height;
  picture.pixels.resize(static_cast<size_t>(size.width) * static_cast<size_t>(size.height));
  return picture;
}

RowShrinker::RowShrinker(int source_width, int source_height, Picture& out, bool bottom_up)
    : out_(out),
      width_(source_width),
      bottom_up_(bottom_up),
      column_starts_(BoxStarts(source_width, out.width)),
      row_starts_(BoxStarts(source_height, out.height)),
      sums_(static_cast<size_t>(out.width) * 3) {}

void RowShrinker::AddRow(const unsigned char* rgb) {
  if (out_row_ >= out_.height) return;  // a decoder that delivers too many rows
  uint64_t* sum = sums_.data();
  for (int x = 0; x < out_.width; ++x, sum += 3) {
    uint64_t r = 0, g = 0, b = 0;
    const unsigned char* p = rgb + size_t{3} * static_cast<size_t>(column_starts_[x]);
    const unsigned char* end = rgb + size_t{3} * static_cast<size_t>(column_starts_[x + 1]);
    for (; p != end; p += 3) {
      r += p[0];
      g += p[1];
      b += p[2];
    }
    sum[0] += r;
    sum[1] += g;
    sum[2] += b;
  }
  RowDone();
}

void RowShrinker::Add(const uint32_t* colours, int count) {
  count = std::min(count, width_ - x_);
  while (count > 0) {
    const int stop = std::min(x_ + count, column_starts_[column_ + 1]);
    uint64_t r = 0, g = 0, b = 0;
    for (int x = x_; x < stop; ++x, ++colours) {
      r += *colours >> 16 & 0xFF;
      g += *colours >> 8 & 0xFF;
      b += *colours & 0xFF;
    }
    AddToColumn(r, g, b);
    count -= stop - x_;
    MoveTo(stop);
  }
}

void RowShrinker::AddRun(int64_t count, uint32_t colour) {
  count = std::min<int64_t>(count, width_ - x_);
  while (count > 0) {
    const int stop = std::min(x_ + static_cast<int>(count), column_starts_[column_ + 1]);
    const uint64_t n = static_cast<uint64_t>(stop - x_);
    AddToColumn(n * (colour >> 16 & 0xFF), n * (colour >> 8 & 0xFF), n * (colour & 0xFF));
    count -= stop - x_;
    MoveTo(stop);
  }
}

void RowShrinker::EndRow(uint32_t colour) {
  AddRun(width_ - x_, colour);
  x_ = 0;
  column_ = 0;
  RowDone();
}

void RowShrinker::AddRows(int64_t count, uint32_t colour) {
  const uint64_t rgb[3] = {colour >> 16 & 0xFF, colour >> 8 & 0xFF, colour & 0xFF};
  while (count > 0 && out_row_ < out_.height) {
    const int64_t rows = std::min<int64_t>(count, row_starts_[out_row_ + 1] - source_row_);
    uint64_t* sum = sums_.data();
    for (int c = 0; c < out_.width; ++c, sum += 3) {
      const uint64_t n = static_cast<uint64_t>(rows) *
                         static_cast<uint64_t>(column_starts_[c + 1] - column_starts_[c]);
      for (int i = 0; i < 3; ++i) sum[i] += n * rgb[i];
    }
    source_row_ += static_cast<int>(rows);
    count -= rows;
    if (source_row_ == row_starts_[out_row_ + 1]) Emit();
  }
}

void RowShrinker::AddToColumn(uint64_t r, uint64_t g, uint64_t b) {
  uint64_t* sum = sums_.data() + size_t{3} * static_cast<size_t>(column_);
  sum[0] += r;
  sum[1] += g;
  sum[2] += b;
}

void RowShrinker::MoveTo(int x) {
  x_ = x;
  if (x_ == column_starts_[column_ + 1]) ++column_;
}

void RowShrinker::RowDone() {
  ++source_row_;
  if (out_row_ < out_.height && source_row_ == row_starts_[out_row_ + 1]) Emit();
}

void RowShrinker::Emit() {
  const uint64_t box_rows =
      static_cast<uint64_t>(row_starts_[out_row_ + 1] - row_starts_[out_row_]);
  const int y = bottom_up_ ? out_.height - 1 - out_row_ : out_row_;
  uint32_t* pixel = out_.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(out_.width);
  const uint64_t* sum = sums_.data();
  for (int x = 0; x < out_.width; ++x, sum += 3) {
    const uint64_t count =
        box_rows * static_cast<uint64_t>(column_starts_[x + 1] - column_starts_[x]);
    pixel[x] = Average(sum[0], sum[1], sum[2], count);
  }
  std::fill(sums_.begin(), sums_.end(), 0);
  ++out_row_;
}

ScatterShrinker::ScatterShrinker(int source_width, int source_height, Size out)
    : out_(out),
      column_starts_(BoxStarts(source_width, out.width)),
      row_starts_(BoxStarts(source_height, out.height)),
      column_box_(BoxOfIndex(column_starts_)),
      row_box_(BoxOfIndex(row_starts_)) {
  const size_t sums = static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3;
  const uint64_t largest = uint64_t(LargestBox(column_starts_)) * uint64_t(LargestBox(row_starts_));
  if (largest * 255 <= std::numeric_limits<uint32_t>::max()) {
    narrow_.resize(sums);
  } else {
    wide_.resize(sums);
  }
}

template <typename Sum>
void ScatterShrinker::Add(std::vector<Sum>& sums, int y, int x0, int step, const unsigned char* rgb,
                          int count) {
  Sum* row = sums.data() + size_t{3} * static_cast<size_t>(row_box_[static_cast<size_t>(y)]) *
                               static_cast<size_t>(out_.width);
  for (int i = 0, x = x0; i < count; ++i, x += step, rgb += 3) {
    Sum* sum = row + size_t{3} * static_cast<size_t>(column_box_[static_cast<size_t>(x)]);
    sum[0] += rgb[0];
    sum[1] += rgb[1];
    sum[2] += rgb[2];
  }
}

void ScatterShrinker::AddPixels(int y, int x0, int step, const unsigned char* rgb, int count) {
  if (y < 0 || y >= static_cast<int>(row_box_.size()) || x0 < 0 || count <= 0 ||
      int64_t{x0} + int64_t{step} * (count - 1) >= static_cast<int64_t>(column_box_.size())) {
    return;  // outside the source: a decoder fault, not worth a crash
  }
  if (wide_.empty()) {
    Add(narrow_, y, x0, step, rgb, count);
  } else {
    Add(wide_, y, x0, step, rgb, count);
  }
}

Picture ScatterShrinker::Finish() const {
  Picture picture = MakePicture(out_);
  size_t i = 0;
  for (int y = 0; y < out_.height; ++y) {
    const uint64_t box_rows = static_cast<uint64_t>(row_starts_[y + 1] - row_starts_[y]);
    for (int x = 0; x < out_.width; ++x, ++i) {
      const uint64_t count =
          box_rows * static_cast<uint64_t>(column_starts_[x + 1] - column_starts_[x]);
      const size_t s = 3 * i;
      picture.pixels[i] = wide_.empty() ? Average(narrow_[s], narrow_[s + 1], narrow_[s + 2], count)
                                        : Average(wide_[s], wide_[s + 1], wide_[s + 2], count);
    }
  }
  return picture;
}

}  // namespace picture_detail
