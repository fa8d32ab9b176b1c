// Range and position of one operand slider.
#pragma once

#include <cstdint>
#include <functional>

class SliderModel {
 public:
  SliderModel() = default;
  SliderModel(int32_t minimum, int32_t maximum, int32_t position);

  int32_t Minimum() const { return minimum_; }
  int32_t Maximum() const { return maximum_; }
  int32_t Position() const { return position_; }

  // Ignored when v is above the maximum; otherwise clamps the position into the new range.
  void SetMinimum(int32_t v);
  // Ignored when v is below the minimum; otherwise clamps the position into the new range.
  void SetMaximum(int32_t v);
  // The on-screen slider's report: always notifies, also when p equals the position.
  void UserMovement(int32_t p);

  // The single subscriber of the position notification: a user movement, or a position moved
  // by a range change.
  void SetOnChange(std::function<void()> handler) { on_change_ = std::move(handler); }
  // The single subscriber of the range notification (the slider that shows the model): it runs
  // when a range change takes effect, before any position notification it causes.
  void SetOnRangeChange(std::function<void()> handler) { on_range_change_ = std::move(handler); }

 private:
  void Apply(int32_t p, int32_t lo, int32_t hi);
  void Notify();

  int32_t minimum_ = 0;
  int32_t maximum_ = 200;
  int32_t position_ = 0;
  std::function<void()> on_change_;
  std::function<void()> on_range_change_;
};
