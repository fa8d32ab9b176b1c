#include "app/keyboard_focus.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <cstdlib>
#include <cstring>

namespace {

// The window that _NET_SUPPORTING_WM_CHECK names on `window`, or none.
xcb_window_t CheckWindow(xcb_connection_t* c, xcb_window_t window, xcb_atom_t check) {
  xcb_generic_error_t* error = nullptr;
  xcb_get_property_reply_t* reply = xcb_get_property_reply(
      c, xcb_get_property(c, 0, window, check, XCB_ATOM_WINDOW, 0, 1), &error);
  std::free(error);
  xcb_window_t named = XCB_WINDOW_NONE;
  if (reply != nullptr && reply->format == 32 && xcb_get_property_value_length(reply) >= 4)
    named = *static_cast<const xcb_window_t*>(xcb_get_property_value(reply));
  std::free(reply);
  return named;
}

// A running window manager names a window of its own on the root, which names itself back; a
// manager that has ended leaves the root's property naming a window that is gone.
bool WindowManagerRuns(xcb_connection_t* c) {
  const char name[] = "_NET_SUPPORTING_WM_CHECK";
  xcb_generic_error_t* error = nullptr;
  xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
      c, xcb_intern_atom(c, 1, static_cast<uint16_t>(std::strlen(name)), name), &error);
  std::free(error);
  const xcb_atom_t check = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
  std::free(atom);
  if (check == XCB_ATOM_NONE) return false;
  const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  if (screen == nullptr) return false;
  const xcb_window_t manager = CheckWindow(c, screen->root, check);
  return manager != XCB_WINDOW_NONE && CheckWindow(c, manager, check) == manager;
}

// Watches the program's windows open and close.
class KeyboardFollower : public QObject {
 public:
  KeyboardFollower(QWidget* main, QObject* parent) : QObject(parent), main_(main) {}

  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) return false;
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || !widget->isWindow() || widget->windowType() == Qt::Popup ||
        widget->windowType() == Qt::ToolTip)
      return false;
    if (type == QEvent::Show) {
      TakeKeyboardWithoutWindowManager(widget);
    } else if (main_ != nullptr && widget != main_) {
      // After the hiding is done: the window below may be active by then.
      QTimer::singleShot(0, main_, [main = main_] {
        if (QApplication::activeWindow() == nullptr) TakeKeyboardWithoutWindowManager(main);
      });
    }
    return false;
  }

 private:
  QPointer<QWidget> main_;
};

}  // namespace

void FollowWindowsWithKeyboard(QWidget* main) {
  qApp->installEventFilter(new KeyboardFollower(main, qApp));
}

void TakeKeyboardWithoutWindowManager(QWidget* window) {
  if (window == nullptr || !window->isVisible()) return;
  const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
  // Under the offscreen platform the interface exists without a connection.
  xcb_connection_t* c = x11 != nullptr ? x11->connection() : nullptr;
  if (c == nullptr || WindowManagerRuns(c)) return;
  // Without a window manager to ask, Qt sets the X input focus itself; a window not mapped yet
  // takes it once it is.
  window->activateWindow();
}
