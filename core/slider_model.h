// Range and position of one operand slider.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

class SliderModel {
 public:
  // What a listener hears of: a range change that took effect, or a position notification (a
  // user movement, or a position moved by a range change).
  enum class Change { kRange, kPosition };
  using ListenerId = uint64_t;

  SliderModel() = default;
  SliderModel(int32_t minimum, int32_t maximum, int32_t position);
  // A copy would call the listeners of the original, which remove themselves only there.
  SliderModel(const SliderModel&) = delete;
  SliderModel& operator=(const SliderModel&) = delete;

  int32_t Minimum() const { return minimum_; }
  int32_t Maximum() const { return maximum_; }
  int32_t Position() const { return position_; }

  // Ignored when v is above the maximum; otherwise clamps the position into the new range.
  void SetMinimum(int32_t v);
  // Ignored when v is below the minimum; otherwise clamps the position into the new range.
  void SetMaximum(int32_t v);
  // The on-screen slider's report: always notifies, also when p equals the position.
  void UserMovement(int32_t p);

  // Calls `listener` on each change of kind `what`, after the listeners added before it. A
  // range change is told before the position notification it causes. A listener removed while
  // a change is being told is not called any more.
  ListenerId AddListener(Change what, std::function<void()> listener);
  void RemoveListener(ListenerId id);

 private:
  struct Listener {
    ListenerId id;
    Change what;
    std::function<void()> call;
  };

  void Apply(int32_t p, int32_t lo, int32_t hi);
  void Notify(Change what);
  bool Listening(ListenerId id) const;

  int32_t minimum_ = 0;
  int32_t maximum_ = 200;
  int32_t position_ = 0;
  std::vector<Listener> listeners_;
  ListenerId last_id_ = 0;
};
