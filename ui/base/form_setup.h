// What every window does once its form has made its controls.
#pragma once

class QWidget;

// Puts the installed stand-ins in place of the fonts the form names, and the window at the
// screen position the form gives it (the dynamic property "position"), if any.
void FinishForm(QWidget* window);

// Sizes the labels the form marks "autoSize" to their texts. A window whose labels are measured
// only when it is first shown calls this then: measuring loads their fonts.
void SizeLabelsToText(QWidget* window);
