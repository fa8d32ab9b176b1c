// How the buttons of every window answer the keyboard and the focus.
#pragma once

#include <functional>

class QAbstractButton;
class QWidget;

// Enter or keypad Enter, with or without Shift, on a push button that has the focus presses it,
// as Space does: the desktop's rule for the buttons of a window, which Qt keeps to its own
// dialog class. A held key presses it once.
void PressOnEnter(QAbstractButton* button);

// Runs `action` whenever `control` receives the input focus from another control of its window:
// by Tab, Shift+Tab or a mouse press. Not when the window is re-activated with the focus
// already there (after a message box, for one), so a failing command reports once.
// The action runs right after the focus change has completed. For a button, the click of the
// same mouse press is swallowed, so that pressing the mouse on it runs its command once.
void OnFocusEnter(QWidget* control, std::function<void()> action);
