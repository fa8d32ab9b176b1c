#include "ui/base/button_rules.h"

#include <QAbstractButton>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QWidget>
#include <utility>

namespace {

class FocusEnterWatch : public QObject {
 public:
  FocusEnterWatch(QWidget* control, std::function<void()> action)
      : QObject(control), control_(control), action_(std::move(action)) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != control_) return false;
    switch (e->type()) {
      case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason) {
          awaiting_press_ = reason == Qt::MouseFocusReason;
          // After the focus change has completed, not inside it: the command may move the
          // focus again or open a modal box.
          QMetaObject::invokeMethod(
              this, [this] { action_(); }, Qt::QueuedConnection);
        }
        break;
      }
      case QEvent::FocusOut:
        awaiting_press_ = swallow_click_ = false;
        break;
      case QEvent::MouseButtonPress:
        // The press that brought the focus (the focus comes before the press is delivered).
        swallow_click_ = awaiting_press_;
        awaiting_press_ = false;
        break;
      case QEvent::MouseButtonRelease:
        if (swallow_click_) {
          swallow_click_ = false;
          // That press has run the command already: end it without a click.
          if (auto* button = qobject_cast<QAbstractButton*>(control_)) button->setDown(false);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* control_;
  std::function<void()> action_;
  bool awaiting_press_ = false;
  bool swallow_click_ = false;
};

}  // namespace

void OnFocusEnter(QWidget* control, std::function<void()> action) {
  control->installEventFilter(new FocusEnterWatch(control, std::move(action)));
}

namespace {

class EnterClicks : public QObject {
 public:
  explicit EnterClicks(QAbstractButton* button) : QObject(button), button_(button) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != button_ || e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    const Qt::KeyboardModifiers others =
        key->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier);
    if (!enter || key->isAutoRepeat() || others != Qt::NoModifier) return false;
    button_->click();
    return true;
  }

 private:
  QAbstractButton* button_;
};

}  // namespace

void PressOnEnter(QAbstractButton* button) {
  button->installEventFilter(new EnterClicks(button));
}
