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

// `count` pixels from their sums of alpha-weighted red, green and blue and of alpha, composed
// over the background 0xRRGGBB where their alpha leaves it uncovered.
uint32_t Composed(uint64_t r, uint64_t g, uint64_t b, uint64_t a, uint64_t count,
                  uint32_t background) {
  const uint64_t whole = 255 * count;
  const uint64_t uncovered = whole - a;
  const auto channel = [&](uint64_t sum, int shift) {
    const uint64_t back = background >> shift & 0xFF;
    return static_cast<uint32_t>((sum + back * uncovered + whole / 2) / whole) << shift;
  };
  return 0xFF000000u | channel(r, 16) | channel(g, 8) | channel(b, 0);
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

RowShrinker::RowShrinker(int source_width, int source_height, Picture& out, bool bottom_up,
                         std::optional<uint32_t> background)
    : out_(out),
      width_(source_width),
      bottom_up_(bottom_up),
      background_(background),
      stride_(background ? 4 : 3),
      column_starts_(BoxStarts(source_width, out.width)),
      row_starts_(BoxStarts(source_height, out.height)),
      sums_(static_cast<size_t>(out.width) * stride_) {}

// The layout is known at compile time: this loop is most of the work of decoding a picture that
// inflates or reads quickly.
template <int kBytes, int kRed, int kGreen, int kBlue, int kAlpha, bool kComposing>
void RowShrinker::SumRow(const unsigned char* row) {
  constexpr size_t kStride = kComposing ? 4 : 3;
  uint64_t* sum = sums_.data();
  const int* starts = column_starts_.data();
  const unsigned char* p = row;
  for (int x = 0; x < out_.width; ++x, sum += kStride) {
    const unsigned char* end = row + size_t{kBytes} * static_cast<size_t>(starts[x + 1]);
    uint64_t r = 0, g = 0, b = 0, a = 0;
    for (; p != end; p += kBytes) {
      if constexpr (kAlpha >= 0) {
        const unsigned int alpha = p[kAlpha];
        r += p[kRed] * alpha;
        g += p[kGreen] * alpha;
        b += p[kBlue] * alpha;
        a += alpha;
      } else {
        r += p[kRed];
        g += p[kGreen];
        b += p[kBlue];
      }
    }
    if constexpr (kComposing && kAlpha < 0) {  // opaque pixels among composed ones
      r *= 255;
      g *= 255;
      b *= 255;
      a = 255 * static_cast<uint64_t>(starts[x + 1] - starts[x]);
    }
    sum[0] += r;
    sum[1] += g;
    sum[2] += b;
    if constexpr (kComposing) sum[3] += a;
  }
}

template <int kBytes, int kRed, int kGreen, int kBlue, int kAlpha>
void RowShrinker::SumRowOf(const unsigned char* row) {
  if (background_) {
    SumRow<kBytes, kRed, kGreen, kBlue, kAlpha, true>(row);
  } else {
    SumRow<kBytes, kRed, kGreen, kBlue, -1, false>(row);
  }
}

void RowShrinker::AddRow(const unsigned char* row, StoredPixels kind) {
  if (out_row_ >= out_.height) return;  // a decoder that delivers too many rows
  switch (kind) {
    case StoredPixels::kRgb:
      SumRowOf<3, 0, 1, 2, -1>(row);
      break;
    case StoredPixels::kRgba:
      SumRowOf<4, 0, 1, 2, 3>(row);
      break;
    case StoredPixels::kBgr:
      SumRowOf<3, 2, 1, 0, -1>(row);
      break;
    case StoredPixels::kBgrx:
      SumRowOf<4, 2, 1, 0, -1>(row);
      break;
    case StoredPixels::kBgra:
      SumRowOf<4, 2, 1, 0, 3>(row);
      break;
  }
  RowDone();
}

void RowShrinker::Add(const uint32_t* colours, int count) {
  count = std::min(count, width_ - x_);
  while (count > 0) {
    const int stop = std::min(x_ + count, column_starts_[column_ + 1]);
    uint64_t r = 0, g = 0, b = 0, a = 0;
    for (int x = x_; x < stop; ++x, ++colours) {
      const uint32_t alpha = background_ ? *colours >> 24 : 1;
      r += (*colours >> 16 & 0xFF) * alpha;
      g += (*colours >> 8 & 0xFF) * alpha;
      b += (*colours & 0xFF) * alpha;
      a += alpha;
    }
    AddToColumn(r, g, b, a);
    count -= stop - x_;
    MoveTo(stop);
  }
}

void RowShrinker::AddRun(int64_t count, uint32_t colour) {
  count = std::min<int64_t>(count, width_ - x_);
  const uint64_t alpha = background_ ? colour >> 24 : 1;
  while (count > 0) {
    const int stop = std::min(x_ + static_cast<int>(count), column_starts_[column_ + 1]);
    const uint64_t n = static_cast<uint64_t>(stop - x_) * alpha;
    AddToColumn(n * (colour >> 16 & 0xFF), n * (colour >> 8 & 0xFF), n * (colour & 0xFF),
                static_cast<uint64_t>(stop - x_) * alpha);
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
  const uint64_t alpha = background_ ? colour >> 24 : 1;
  const uint64_t values[4] = {(colour >> 16 & 0xFF) * alpha, (colour >> 8 & 0xFF) * alpha,
                              (colour & 0xFF) * alpha, alpha};
  while (count > 0 && out_row_ < out_.height) {
    const int64_t rows = std::min<int64_t>(count, row_starts_[out_row_ + 1] - source_row_);
    uint64_t* sum = sums_.data();
    for (int c = 0; c < out_.width; ++c, sum += stride_) {
      const uint64_t n = static_cast<uint64_t>(rows) *
                         static_cast<uint64_t>(column_starts_[c + 1] - column_starts_[c]);
      for (size_t i = 0; i < stride_; ++i) sum[i] += n * values[i];
    }
    source_row_ += static_cast<int>(rows);
    count -= rows;
    if (source_row_ == row_starts_[out_row_ + 1]) Emit();
  }
}

void RowShrinker::AddToColumn(uint64_t r, uint64_t g, uint64_t b, uint64_t a) {
  uint64_t* sum = sums_.data() + stride_ * static_cast<size_t>(column_);
  sum[0] += r;
  sum[1] += g;
  sum[2] += b;
  if (background_) sum[3] += a;
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
  for (int x = 0; x < out_.width; ++x, sum += stride_) {
    const uint64_t count =
        box_rows * static_cast<uint64_t>(column_starts_[x + 1] - column_starts_[x]);
    pixel[x] = background_ ? Composed(sum[0], sum[1], sum[2], sum[3], count, *background_)
                           : Average(sum[0], sum[1], sum[2], count);
  }
  std::fill(sums_.begin(), sums_.end(), 0);
  ++out_row_;
}

ScatterShrinker::ScatterShrinker(int source_width, int source_height, Size out,
                                 std::optional<uint32_t> background)
    : out_(out),
      background_(background),
      stride_(background ? 4 : 3),
      column_starts_(BoxStarts(source_width, out.width)),
      row_starts_(BoxStarts(source_height, out.height)),
      column_box_(BoxOfIndex(column_starts_)),
      row_box_(BoxOfIndex(row_starts_)) {
  const size_t sums = static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * stride_;
  const uint64_t largest = uint64_t(LargestBox(column_starts_)) * uint64_t(LargestBox(row_starts_));
  if (largest * (background ? 255 * 255 : 255) <= std::numeric_limits<uint32_t>::max()) {
    narrow_.resize(sums);
  } else {
    wide_.resize(sums);
  }
}

template <typename Sum>
void ScatterShrinker::Add(std::vector<Sum>& sums, int y, int x0, int step,
                          const unsigned char* pixels, int count) {
  Sum* row = sums.data() + stride_ * static_cast<size_t>(row_box_[static_cast<size_t>(y)]) *
                               static_cast<size_t>(out_.width);
  for (int i = 0, x = x0; i < count; ++i, x += step, pixels += stride_) {
    Sum* sum = row + stride_ * static_cast<size_t>(column_box_[static_cast<size_t>(x)]);
    if (background_) {
      const Sum alpha = pixels[3];
      sum[0] += pixels[0] * alpha;
      sum[1] += pixels[1] * alpha;
      sum[2] += pixels[2] * alpha;
      sum[3] += alpha;
    } else {
      sum[0] += pixels[0];
      sum[1] += pixels[1];
      sum[2] += pixels[2];
    }
  }
}

void ScatterShrinker::AddPixels(int y, int x0, int step, const unsigned char* pixels, int count) {
  if (y < 0 || y >= static_cast<int>(row_box_.size()) || x0 < 0 || count <= 0 ||
      int64_t{x0} + int64_t{step} * (count - 1) >= static_cast<int64_t>(column_box_.size())) {
    return;  // outside the source: a decoder fault, not worth a crash
  }
  if (wide_.empty()) {
    Add(narrow_, y, x0, step, pixels, count);
  } else {
    Add(wide_, y, x0, step, pixels, count);
  }
}

template <typename Sum>
uint32_t ScatterShrinker::Result(const std::vector<Sum>& sums, size_t i, uint64_t count) const {
  const Sum* sum = sums.data() + stride_ * i;
  return background_ ? Composed(sum[0], sum[1], sum[2], sum[3], count, *background_)
                     : Average(sum[0], sum[1], sum[2], count);
}

Picture ScatterShrinker::Finish() const {
  Picture picture = MakePicture(out_);
  size_t i = 0;
  for (int y = 0; y < out_.height; ++y) {
    const uint64_t box_rows = static_cast<uint64_t>(row_starts_[y + 1] - row_starts_[y]);
    for (int x = 0; x < out_.width; ++x, ++i) {
      const uint64_t count =
          box_rows * static_cast<uint64_t>(column_starts_[x + 1] - column_starts_[x]);
      picture.pixels[i] = wide_.empty() ? Result(narrow_, i, count) : Result(wide_, i, count);
    }
  }
  return picture;
}

}  // namespace picture_detail
