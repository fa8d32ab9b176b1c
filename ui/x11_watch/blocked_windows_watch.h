// While a modal window runs, notices the user turning to a window it blocks.
#pragma once

#include <QAbstractNativeEventFilter>
#include <functional>

// On X11 the windows that a modal window blocks never take the focus or input in Qt's eyes: Qt
// hands the focus on to the modal window at once, which does not bring a minimised modal
// window back. A click or a key in such a window is the sign that the user turned to the
// program. (Not the focus itself: the window manager hands it to another window of the program
// as soon as the modal one is minimised.) The watch runs `turned` for every key or button press
// the X server delivers while it exists; elsewhere than on X11 it sees nothing.
class BlockedWindowsWatch : public QAbstractNativeEventFilter {
 public:
  explicit BlockedWindowsWatch(std::function<void()> turned);
  ~BlockedWindowsWatch() override;
  BlockedWindowsWatch(const BlockedWindowsWatch&) = delete;
  BlockedWindowsWatch& operator=(const BlockedWindowsWatch&) = delete;

  bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

 private:
  std::function<void()> turned_;
};
