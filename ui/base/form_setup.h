// What every window does once its form has made its controls.
#pragma once

#include "ui/base/fonts.h"

class QWidget;

// Puts the installed stand-ins in place of the fonts the form names, and the window at the
// screen position the form gives it (the dynamic property "position"), if any.
void FinishForm(QWidget* window);

// Makes the controls of `form` on `window` (the form's generated setupUi), each font the form
// names replaced by its stand-in as it is set, then finishes the window as above.
template <class Form, class Window>
void SetUpForm(Form& form, Window* window) {
  {
    const StandInFonts fonts;
    form.setupUi(window);
  }
  FinishForm(window);
}

// Sizes the labels the form marks "autoSize" to their texts. A window whose labels are measured
// only when it is first shown calls this then: measuring loads their fonts.
void SizeLabelsToText(QWidget* window);
