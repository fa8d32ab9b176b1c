#include "app/keyboard_focus.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
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

}  // namespace

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
