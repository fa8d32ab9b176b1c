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
  Notify(Change::kPosition);
}

SliderModel::ListenerId SliderModel::AddListener(Change what, std::function<void()> listener) {
  listeners_.push_back({++last_id_, what, std::move(listener)});
  return last_id_;
}

void SliderModel::RemoveListener(ListenerId id) {
  std::erase_if(listeners_, [id](const Listener& l) { return l.id == id; });
}

void SliderModel::Apply(int32_t p, int32_t lo, int32_t hi) {
  if (p < lo) p = lo;
  if (p > hi) p = hi;
  const bool range_changed = lo != minimum_ || hi != maximum_;
  minimum_ = lo;
  maximum_ = hi;
  if (range_changed) Notify(Change::kRange);
  if (p != position_) {
    position_ = p;
    Notify(Change::kPosition);
  }
}

void SliderModel::Notify(Change what) {
  // A listener may add or remove listeners (a slider bound or unbound) while it runs: the
  // calls go over a copy, and one removed meanwhile, whose owner may be gone, is skipped.
  const std::vector<Listener> listeners = listeners_;
  for (const Listener& l : listeners)
    if (l.what == what && Listening(l.id)) l.call();
}

bool SliderModel::Listening(ListenerId id) const {
  return std::any_of(listeners_.begin(), listeners_.end(),
                     [id](const Listener& l) { return l.id == id; });
}
