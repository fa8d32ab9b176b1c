#include "ui/controls/spin_field.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QToolButton>

#include "core/calc_windows.h"
#include "core/number_text.h"
#include "ui/controls/input_field.h"

namespace {

constexpr int kArrowWidth = 15;

// The text part of the spin field: the arrow keys step, and leaving it clamps.
class SpinText : public InputField {
 public:
  explicit SpinText(SpinField* owner) : InputField(owner), owner_(owner) {}

 protected:
  void keyPressEvent(QKeyEvent* e) override {
    if (e->key() == Qt::Key_Up || e->key() == Qt::Key_Down) {
      owner_->StepBy(e->key() == Qt::Key_Up ? 1 : -1);
      e->accept();
      return;
    }
    InputField::keyPressEvent(e);
  }

  void focusOutEvent(QFocusEvent* e) override {
    InputField::focusOutEvent(e);
    // Switching to another window or opening the context menu does not leave the field.
    if (e->reason() != Qt::ActiveWindowFocusReason && e->reason() != Qt::PopupFocusReason)
      owner_->Exit();
  }

 private:
  SpinField* owner_;
};

}  // namespace

SpinField::SpinField(QWidget* parent)
    : QWidget(parent),
      editor_(new SpinText(this)),
      up_(new QToolButton(this)),
      down_(new QToolButton(this)) {
  editor_->setTextMargins(0, 0, kArrowWidth, 0);
  setFocusProxy(editor_);
  setFocusPolicy(Qt::StrongFocus);

  const std::pair<QToolButton*, int32_t> arrows[] = {{up_, 1}, {down_, -1}};
  for (auto [button, delta] : arrows) {
    button->setArrowType(delta > 0 ? Qt::UpArrow : Qt::DownArrow);
    button->setFocusPolicy(Qt::NoFocus);
    button->raise();
    // Raw mouse events, not pressed()/released(): those also fire when the mouse is dragged
    // off and back onto the held button, which must neither restart nor end the repeat.
    button->installEventFilter(this);
    // A click is a release over the button: one more step.
    connect(button, &QToolButton::clicked, this, [this, delta = delta] { StepBy(delta); });
  }
  connect(&repeat_, &QTimer::timeout, this, &SpinField::RepeatTick);
}

void SpinField::SetKeyFilter(std::function<std::optional<char32_t>(char32_t)> filter) {
  editor_->SetKeyFilter(std::move(filter));
}

void SpinField::NameParts() {
  editor_->setAccessibleName(accessibleName());
  editor_->setAccessibleDescription(accessibleDescription());
  up_->setAccessibleName(accessibleName() + QStringLiteral(" больше"));
  down_->setAccessibleName(accessibleName() + QStringLiteral(" меньше"));
}

QString SpinField::Text() const {
  return editor_->text();
}

void SpinField::SetText(const QString& text) {
  editor_->setText(text);
}

int32_t SpinField::Value() const {
  return SpinValue(Text().toStdString(), minimum_);
}

void SpinField::setValue(int32_t value) {
  SetText(QString::fromStdString(IntegerToText(value)));
}

void SpinField::StepBy(int32_t delta) {
  SetText(QString::fromStdString(SpinStepText(Text().toStdString(), delta, minimum_, maximum_)));
}

void SpinField::Exit() {
  if (auto replacement = SpinExitText(Text().toStdString(), minimum_, maximum_))
    SetText(QString::fromStdString(*replacement));
}

bool SpinField::eventFilter(QObject* watched, QEvent* e) {
  if (watched == up_ || watched == down_) {
    auto* button = static_cast<QToolButton*>(watched);
    const bool left =
        (e->type() == QEvent::MouseButtonPress || e->type() == QEvent::MouseButtonRelease) &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton;
    if (left && e->type() == QEvent::MouseButtonPress) ArrowPressed(button, button == up_ ? 1 : -1);
    if (left && e->type() == QEvent::MouseButtonRelease) {
      repeat_.stop();
      held_ = nullptr;
    }
  }
  return QWidget::eventFilter(watched, e);
}

void SpinField::ArrowPressed(QToolButton* button, int32_t delta) {
  // Pressing an arrow puts the focus into the field, as typing would need it there.
  editor_->setFocus(Qt::MouseFocusReason);
  held_ = button;
  held_delta_ = delta;
  repeat_.start(kFirstRepeatMs);
}

void SpinField::RepeatTick() {
  if (held_ == nullptr) return;
  repeat_.setInterval(kRepeatMs);
  // While the mouse is dragged off the button, the button is up and the repeat pauses.
  if (held_->isDown()) StepBy(held_delta_);
}

void SpinField::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  editor_->setGeometry(0, 0, width(), height());
  const int top = 1;
  const int half = (height() - 2) / 2;
  up_->setGeometry(width() - kArrowWidth - 1, top, kArrowWidth, half);
  down_->setGeometry(width() - kArrowWidth - 1, top + half, kArrowWidth, height() - 2 - half);
}
