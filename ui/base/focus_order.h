// What a screen reader hears of the focus beyond what Qt reports by itself: a field's focus
// before its caret, a window's focused control after the window's activation, and nothing of a
// control below an open menu.
#pragma once

class QWidget;

// Puts Qt's report of a field taking the focus ahead of the caret and selection the field sets
// as it takes it. Qt reports the focus only after the field's focus-in handler, and a reader
// that first hears the caret move into a field takes the field as focused already and never
// says its name. Installed once, before the first window; events go on to whatever update
// handler was installed before.
void InstallFocusFirstOrder();
void RemoveFocusFirstOrder();
// Called by a field as it starts handling its focus-in event.
void FieldTakesFocus(QWidget* field);
