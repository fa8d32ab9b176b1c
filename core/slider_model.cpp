#include "core/slider_model.h"

#include <algorithm>

SliderModel::SliderModel(int32_t minimum, int32_t maximum, int32_t position)
    : minimum_(minimum), maximum_(std::max(minimum, maximum)), position_(position) {
  position_ = std::clamp(position_, minimum_, maximum_);
}

void SliderModel::SetMinimum(int32_t v) {
  if (v > maximum_) return;
  Apply(position_, v, maximum_);
}

void SliderModel::SetMaximum(int32_t v) {
  if (v < minimum_) return;
  Apply(position_, minimum_, v);
}

void SliderModel::UserMovement(int32_t p) {
  // The on-screen slider cannot report a position outside its range; clamping keeps the
  // invariant even if a caller does.
  position_ = std::clamp(p, minimum_, maximum_);
  Notify();
}

void SliderModel::Apply(int32_t p, int32_t lo, int32_t hi) {
  if (p < lo) p = lo;
  if (p > hi) p = hi;
  const bool range_changed = lo != minimum_ || hi != maximum_;
  minimum_ = lo;
  maximum_ = hi;
  if (range_changed && on_range_change_) on_range_change_();
  if (p != position_) {
    position_ = p;
    Notify();
  }
}

void SliderModel::Notify() {
  if (on_change_) on_change_();
}
