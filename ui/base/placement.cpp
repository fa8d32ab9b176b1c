#include "ui/base/placement.h"

#include <QApplication>
#include <QEvent>
#include <QMargins>
#include <QScreen>
#include <QWidget>
#include <QWindow>

namespace {

QMargins FrameMargins(const QWidget* window) {
  const QRect frame = window->frameGeometry();
  const QRect client = window->geometry();
  return {client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
          frame.bottom() - client.bottom()};
}

// The window manager decorates the program's windows alike: a visible window's frame stands
// for one not yet drawn.
QMargins EstimatedFrameMargins(const QWidget* window) {
  if (const QWindow* handle = window->windowHandle(); handle != nullptr) {
    const QMargins own = handle->frameMargins();
    if (!own.isNull()) return own;
  }
  QMargins largest;
  for (const QWidget* other : QApplication::topLevelWidgets()) {
    if (other == window || !other->isVisible()) continue;
    const QMargins m = FrameMargins(other);
    if (m.top() + m.bottom() > largest.top() + largest.bottom()) largest = m;
  }
  return largest;
}

class Centring : public QObject {
 public:
  Centring(QWidget* window, std::function<void(QPoint)> move)
      : QObject(window), window_(window), move_(std::move(move)) {}

  // Where the frame's top-left corner belongs.
  QPoint Wanted() const {
    QScreen* s =
        window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    if (s == nullptr) return window_->frameGeometry().topLeft();
    const QRect area = s->availableGeometry();
    const QSize frame = window_->size().grownBy(EstimatedFrameMargins(window_));
    return {area.x() + (area.width() - frame.width()) / 2,
            area.y() + (area.height() - frame.height()) / 2};
  }

  // Where to move the widget for its frame to stand at `at`. QWidget::move reckons with the
  // frame it has cached, which may still be none when the window manager has just framed the
  // window; the window's own margins are the ones the window manager drew.
  QPoint MoveTarget(QPoint at) const {
    const QWindow* handle = window_->windowHandle();
    if (handle == nullptr || handle->frameMargins().isNull()) return at;
    const QMargins drawn = handle->frameMargins();
    const QPoint cached = window_->geometry().topLeft() - window_->frameGeometry().topLeft();
    return at + QPoint(drawn.left(), drawn.top()) - cached;
  }

  void Request(QPoint at) {
    requested_ = at;
    const QPoint target = MoveTarget(at);
    if (move_)
      move_(target);
    else
      window_->move(target);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    // The window's Show comes after the widget's own show handler has fixed its size, and
    // before the window is mapped.
    if (e->type() == QEvent::Show) {
      Request(Wanted());
    } else if (e->type() == QEvent::Expose || e->type() == QEvent::Move ||
               e->type() == QEvent::Resize) {
      Check(static_cast<QWindow*>(watched));
    }
    return false;
  }

 private:
  // Once the window is on the screen with its frame, the frame is put where it belongs. The
  // first correction trusts Qt's reckoning of the frame; should the window manager place the
  // window elsewhere after all, the next request makes up for the difference it made.
  void Check(QWindow* handle) {
    if (!handle->isExposed() || handle->frameMargins().isNull()) return;
    const QPoint wanted = Wanted();
    const QPoint actual = handle->frameGeometry().topLeft();
    if (actual == wanted || ++corrections_ > kMaxCorrections) {
      Finish(handle);
      return;
    }
    Request(corrections_ == 1 ? wanted : requested_ + (wanted - actual));
  }

  void Finish(QWindow* handle) {
    handle->removeEventFilter(this);
    deleteLater();
  }

  static constexpr int kMaxCorrections = 3;
  QWidget* window_;
  std::function<void(QPoint)> move_;
  QPoint requested_;
  int corrections_ = 0;
};

}  // namespace

void CentreOnScreenWhenShown(QWidget* window, std::function<void(QPoint)> move) {
  if (window == nullptr) return;
  window->winId();  // the native window, to watch its showing and exposure
  QWindow* handle = window->windowHandle();
  if (handle == nullptr) return;
  auto* centring = new Centring(window, std::move(move));
  // Placing ends once the frame stands where it belongs (or after a few corrections), however
  // late the window manager draws the frame on a busy machine: a user cannot move a window
  // before it has a frame, so no move of theirs is undone.
  handle->installEventFilter(centring);
  if (window->isVisible()) centring->Request(centring->Wanted());
}
