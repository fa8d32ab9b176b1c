// The keyboard on an X server without a window manager. A window manager gives the keyboard to
// a window that opens and back to the window below a box that closes; without one the X server
// leaves it where the pointer is, and Qt, which never hears of a focus, keeps the program's
// shortcuts off and sends every key to the field as typed text.
#pragma once

class QWidget;

// Gives `window` the keyboard, as a window manager would, when none runs on the program's X
// display; nothing otherwise (a window manager decides, and other platforms have one).
void TakeKeyboardWithoutWindowManager(QWidget* window);

// From now on, where no window manager runs: each window of the program that opens takes the
// keyboard, and when one closes with none left active, `main` takes it back (a secondary window,
// the About window, the progress dialog). Menus and tool tips are left alone.
void FollowWindowsWithKeyboard(QWidget* main);
