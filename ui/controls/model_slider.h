// The on-screen operand slider. It only shows a SliderModel, following each change of its range
// and position, and reports every interaction to it as a user movement: each drag step, the
// release after a drag, each key and each click on the track, also when the thumb does not move.
#pragma once

#include <QSlider>
#include <cstdint>
#include <functional>
#include <vector>

#include "core/slider_model.h"

class ModelSlider : public QSlider {
  Q_OBJECT
 public:
  // Every whole number carries a tick mark while the range is at most this wide.
  static constexpr int64_t kDenseTickRange = 10000;

  explicit ModelSlider(QWidget* parent = nullptr);
  ~ModelSlider() override;

  // Shows `model` from now on. A model that goes before the slider is unbound first.
  void Bind(SliderModel& model);
  void Unbind();
  SliderModel& Model() const { return *model_; }

  // Where a user movement goes. By default straight to the model; the window routes it through
  // its error path.
  void SetReporter(std::function<void(int32_t)> reporter) { reporter_ = std::move(reporter); }

  // Adds a tick mark at a position of the current range; outside the range nothing is added.
  void AddTick(int32_t position);
  // The positions that carry a tick mark now: every one while the range is at most
  // kDenseTickRange wide, otherwise the first, the last and the added ones inside the range.
  std::vector<int32_t> ShownTicks() const;

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void wheelEvent(QWheelEvent* e) override;
  void sliderChange(SliderChange change) override;

 private:
  void Follow(SliderModel& model);
  void Leave();
  void ShowModel();
  void Report(int64_t position);
  int64_t Clamped(int64_t position) const;
  QRect HandleRect();
  int TickX(int32_t value, int span, int offset) const;

  SliderModel unbound_;  // shown until a model is bound
  SliderModel* model_ = &unbound_;
  std::vector<SliderModel::ListenerId> listening_;
  bool showing_ = false;  // the value moves to show the model, not for an interaction
  std::function<void(int32_t)> reporter_;
  std::vector<int32_t> added_ticks_;
  bool dragging_ = false;
  int drag_offset_ = 0;  // where in the thumb the drag took hold
};
