#include "ui/controls/model_slider.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QWheelEvent>
#include <algorithm>
#include <utility>

namespace {

constexpr int kArrowStep = 1;
constexpr int kPageStep = 2;
constexpr int kTickLength = 3;

}  // namespace

ModelSlider::ModelSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent) {
  reporter_ = [this](int32_t p) { model_->UserMovement(p); };
  setSingleStep(kArrowStep);
  setPageStep(kPageStep);
  // The style leaves room below the track; the marks themselves are drawn here, since the
  // style's own loop cannot cope with ranges of millions of positions.
  setTickPosition(QSlider::TicksBelow);
  setCursor(Qt::PointingHandCursor);
  setFocusPolicy(Qt::StrongFocus);
  Follow(unbound_);
}

ModelSlider::~ModelSlider() {
  Leave();
}

void ModelSlider::Unbind() {
  Leave();
  Follow(unbound_);
}

void ModelSlider::Bind(SliderModel& model) {
  Leave();
  Follow(model);
}

void ModelSlider::Follow(SliderModel& model) {
  model_ = &model;
  for (auto what : {SliderModel::Change::kRange, SliderModel::Change::kPosition})
    listening_.push_back(model_->AddListener(what, [this] { ShowModel(); }));
  ShowModel();
}

void ModelSlider::Leave() {
  for (SliderModel::ListenerId id : listening_) model_->RemoveListener(id);
  listening_.clear();
}

void ModelSlider::ShowModel() {
  const bool was_showing = std::exchange(showing_, true);
  setRange(model_->Minimum(), model_->Maximum());
  setValue(model_->Position());
  showing_ = was_showing;
}

void ModelSlider::AddTick(int32_t position) {
  if (position < model_->Minimum() || position > model_->Maximum()) return;
  if (std::find(added_ticks_.begin(), added_ticks_.end(), position) != added_ticks_.end()) return;
  added_ticks_.push_back(position);
  update();
}

std::vector<int32_t> ModelSlider::ShownTicks() const {
  const int32_t lo = model_->Minimum();
  const int32_t hi = model_->Maximum();
  std::vector<int32_t> ticks;
  if (int64_t{hi} - lo <= kDenseTickRange) {
    for (int64_t v = lo; v <= hi; ++v) ticks.push_back(static_cast<int32_t>(v));
    return ticks;
  }
  ticks.push_back(lo);
  for (int32_t t : added_ticks_)
    if (t > lo && t < hi) ticks.push_back(t);
  ticks.push_back(hi);
  std::sort(ticks.begin(), ticks.end());
  ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
  return ticks;
}

int64_t ModelSlider::Clamped(int64_t position) const {
  return std::clamp<int64_t>(position, model_->Minimum(), model_->Maximum());
}

void ModelSlider::Report(int64_t position) {
  reporter_(static_cast<int32_t>(Clamped(position)));
}

QRect ModelSlider::HandleRect() {
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  return style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
}

int ModelSlider::TickX(int32_t value, int span, int offset) const {
  const int64_t range = int64_t{model_->Maximum()} - model_->Minimum();
  if (range <= 0 || span <= 0) return offset;
  const int64_t along = int64_t{value} - model_->Minimum();
  // Rounded to the nearest pixel; 64 bits hold the product for the full 32-bit range.
  return offset + static_cast<int>((along * span * 2 + range) / (range * 2));
}

void ModelSlider::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  opt.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
  if (isSliderDown()) {
    opt.activeSubControls = QStyle::SC_SliderHandle;
    opt.state |= QStyle::State_Sunken;
  }
  style()->drawComplexControl(QStyle::CC_Slider, &opt, &painter, this);

  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  const int offset = groove.x() + handle.width() / 2;
  const int span = groove.width() - handle.width();
  const int top = std::min(handle.bottom() + 1, height() - kTickLength);
  painter.setPen(palette().color(QPalette::WindowText));

  const int32_t lo = model_->Minimum();
  const int32_t hi = model_->Maximum();
  int last_x = -1;
  auto draw = [&](int32_t v) {
    const int x = TickX(v, span, offset);
    if (x == last_x) return;  // many positions share a pixel in wide ranges
    last_x = x;
    painter.drawLine(x, top, x, top + kTickLength - 1);
  };
  if (int64_t{hi} - lo <= kDenseTickRange) {
    for (int64_t v = lo; v <= hi; ++v) draw(static_cast<int32_t>(v));
  } else {
    for (int32_t v : ShownTicks()) draw(v);
  }
}

void ModelSlider::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) {
    e->ignore();
    return;
  }
  e->accept();
  const QRect handle = HandleRect();
  const int x = e->position().toPoint().x();
  if (handle.contains(e->position().toPoint()) && maximum() > minimum()) {
    dragging_ = true;
    drag_offset_ = x - handle.x();
    setSliderDown(true);
    return;
  }
  // A click on the track moves a page towards the click, also when the thumb is at the end.
  if (x < handle.x() + handle.width() / 2)
    Report(int64_t{model_->Position()} - kPageStep);
  else
    Report(int64_t{model_->Position()} + kPageStep);
}

void ModelSlider::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) {
    e->ignore();
    return;
  }
  e->accept();
  QStyleOptionSlider opt;
  initStyleOption(&opt);
  const QRect groove =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderGroove, this);
  const QRect handle =
      style()->subControlRect(QStyle::CC_Slider, &opt, QStyle::SC_SliderHandle, this);
  const int span = groove.width() - handle.width();
  const int along = e->position().toPoint().x() - drag_offset_ - groove.x();
  Report(QStyle::sliderValueFromPosition(minimum(), maximum(), along, span));
}

void ModelSlider::mouseReleaseEvent(QMouseEvent* e) {
  if (!dragging_ || e->button() != Qt::LeftButton) {
    e->ignore();
    return;
  }
  e->accept();
  dragging_ = false;
  setSliderDown(false);
  Report(model_->Position());
}

void ModelSlider::keyPressEvent(QKeyEvent* e) {
  const int64_t p = model_->Position();
  switch (e->key()) {
    case Qt::Key_Left:
    case Qt::Key_Up:
      Report(p - kArrowStep);
      break;
    case Qt::Key_Right:
    case Qt::Key_Down:
      Report(p + kArrowStep);
      break;
    case Qt::Key_PageUp:
      Report(p - kPageStep);
      break;
    case Qt::Key_PageDown:
      Report(p + kPageStep);
      break;
    case Qt::Key_Home:
      Report(model_->Minimum());
      break;
    case Qt::Key_End:
      Report(model_->Maximum());
      break;
    default:
      e->ignore();
      return;
  }
  e->accept();
}

void ModelSlider::wheelEvent(QWheelEvent* e) {
  const QPoint delta = e->angleDelta();
  const int amount = delta.y() != 0 ? delta.y() : delta.x();
  if (amount == 0) {
    e->ignore();
    return;
  }
  e->accept();
  // Like the arrow keys: turning up steps towards the minimum.
  Report(int64_t{model_->Position()} + (amount > 0 ? -kArrowStep : kArrowStep));
}

void ModelSlider::sliderChange(SliderChange change) {
  QSlider::sliderChange(change);
  if (change != SliderValueChange || showing_ || value() == model_->Position()) return;
  // Keys, wheel and mouse are handled above; only an assistive technology sets the value from
  // outside (through the slider's accessible value). That is an interaction too. The model
  // decides the position, whatever became of the report.
  Report(value());
  ShowModel();
}
