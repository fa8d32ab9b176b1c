#include "ui/x11_watch/blocked_windows_watch.h"

#include <xcb/xcb.h>

#include <QByteArray>
#include <QCoreApplication>
#include <utility>

namespace {

// XI_KeyPress and XI_ButtonPress of the X input extension.
constexpr uint16_t kInputKeyPress = 2;
constexpr uint16_t kInputButtonPress = 4;

}  // namespace

BlockedWindowsWatch::BlockedWindowsWatch(std::function<void()> turned)
    : turned_(std::move(turned)) {
  QCoreApplication::instance()->installNativeEventFilter(this);
}

BlockedWindowsWatch::~BlockedWindowsWatch() {
  QCoreApplication::instance()->removeNativeEventFilter(this);
}

bool BlockedWindowsWatch::nativeEventFilter(const QByteArray& type, void* message, qintptr*) {
  if (type != "xcb_generic_event_t") return false;
  const auto* event = static_cast<const xcb_generic_event_t*>(message);
  switch (event->response_type & 0x7f) {
    case XCB_BUTTON_PRESS:
    case XCB_KEY_PRESS:
      turned_();
      break;
    case XCB_GE_GENERIC: {
      // Qt reads the mouse and the keyboard through the X input extension.
      const uint16_t kind = reinterpret_cast<const xcb_ge_generic_event_t*>(event)->event_type;
      if (kind == kInputButtonPress || kind == kInputKeyPress) turned_();
      break;
    }
    default:
      break;
  }
  return false;
}
