// Numbers are entered and shown with the decimal separator of the regional settings.
#pragma once

class QWidget;

// Takes the decimal separator from the regional settings (Qt's system locale); "." when they
// give none or more than one character.
void ApplyRegionalDecimalSeparator();

// Takes it again whenever the regional settings change while `window` lives.
void FollowRegionalSettings(QWidget& window);
