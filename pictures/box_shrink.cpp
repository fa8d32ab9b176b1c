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

RowShrinker::RowShrinker(int source_width, int source_height, Picture& out)
    : out_(out),
      columnStarts_(BoxStarts(source_width, out.width)),
      rowStarts_(BoxStarts(source_height, out.height)),
      sums_(static_cast<size_t>(out.width) * 3) {}

void RowShrinker::AddRow(const unsigned char* rgb) {
  if (outRow_ >= out_.height) return;  // a decoder that delivers too many rows
  uint64_t* sum = sums_.data();
  for (int x = 0; x < out_.width; ++x, sum += 3) {
    uint64_t r = 0, g = 0, b = 0;
    const unsigned char* p = rgb + size_t{3} * static_cast<size_t>(columnStarts_[x]);
    const unsigned char* end = rgb + size_t{3} * static_cast<size_t>(columnStarts_[x + 1]);
    for (; p != end; p += 3) {
      r += p[0];
      g += p[1];
      b += p[2];
    }
    sum[0] += r;
    sum[1] += g;
    sum[2] += b;
  }
  if (++sourceRow_ < rowStarts_[outRow_ + 1]) return;

  const uint64_t box_rows = static_cast<uint64_t>(rowStarts_[outRow_ + 1] - rowStarts_[outRow_]);
  uint32_t* pixel =
      out_.pixels.data() + static_cast<size_t>(outRow_) * static_cast<size_t>(out_.width);
  sum = sums_.data();
  for (int x = 0; x < out_.width; ++x, sum += 3) {
    const uint64_t count =
        box_rows * static_cast<uint64_t>(columnStarts_[x + 1] - columnStarts_[x]);
    pixel[x] = Average(sum[0], sum[1], sum[2], count);
  }
  std::fill(sums_.begin(), sums_.end(), 0);
  ++outRow_;
}

ScatterShrinker::ScatterShrinker(int source_width, int source_height, Size out)
    : out_(out),
      columnStarts_(BoxStarts(source_width, out.width)),
      rowStarts_(BoxStarts(source_height, out.height)),
      columnBox_(BoxOfIndex(columnStarts_)),
      rowBox_(BoxOfIndex(rowStarts_)) {
  const size_t sums = static_cast<size_t>(out.width) * static_cast<size_t>(out.height) * 3;
  const uint64_t largest = uint64_t(LargestBox(columnStarts_)) * uint64_t(LargestBox(rowStarts_));
  if (largest * 255 <= std::numeric_limits<uint32_t>::max()) {
    narrow_.resize(sums);
  } else {
    wide_.resize(sums);
  }
}

template <typename Sum>
void ScatterShrinker::Add(std::vector<Sum>& sums, int y, int x0, int step, const unsigned char* rgb,
                          int count) {
  Sum* row = sums.data() + size_t{3} * static_cast<size_t>(rowBox_[static_cast<size_t>(y)]) *
                               static_cast<size_t>(out_.width);
  for (int i = 0, x = x0; i < count; ++i, x += step, rgb += 3) {
    Sum* sum = row + size_t{3} * static_cast<size_t>(columnBox_[static_cast<size_t>(x)]);
    sum[0] += rgb[0];
    sum[1] += rgb[1];
    sum[2] += rgb[2];
  }
}

void ScatterShrinker::AddPixels(int y, int x0, int step, const unsigned char* rgb, int count) {
  if (y < 0 || y >= static_cast<int>(rowBox_.size()) || x0 < 0 || count <= 0 ||
      int64_t{x0} + int64_t{step} * (count - 1) >= static_cast<int64_t>(columnBox_.size())) {
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
    const uint64_t box_rows = static_cast<uint64_t>(rowStarts_[y + 1] - rowStarts_[y]);
    for (int x = 0; x < out_.width; ++x, ++i) {
      const uint64_t count =
          box_rows * static_cast<uint64_t>(columnStarts_[x + 1] - columnStarts_[x]);
      const size_t s = 3 * i;
      picture.pixels[i] = wide_.empty() ? Average(narrow_[s], narrow_[s + 1], narrow_[s + 2], count)
                                        : Average(wide_[s], wide_[s + 1], wide_[s + 2], count);
    }
  }
  return picture;
}

}  // namespace picture_detail
