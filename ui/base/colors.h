// The program's 32-bit colour values: plain 0x00BBGGRR, or 0xFF0000nn naming a system colour,
// shown with the desktop palette's matching colour.
#pragma once

#include <QColor>
#include <cstdint>

class QWidget;

inline constexpr uint32_t kButtonShadow = 0xFF000010;
inline constexpr uint32_t kWhite = 0x00FFFFFF;
inline constexpr uint32_t kTeal = 0x00808000;
inline constexpr uint32_t kPurple = 0x00800080;
inline constexpr uint32_t kYellow = 0x0000FFFF;
inline constexpr uint32_t kNavy = 0x00800000;
inline constexpr uint32_t kBlue = 0x00FF0000;
inline constexpr uint32_t kSystemWindow = 0xFF000005;
inline constexpr uint32_t kSystemWindowText = 0xFF000008;
inline constexpr uint32_t kSystemMenuBar = 0xFF00001E;

QColor ToQColor(uint32_t value);
// A confirmed colour from the picker, as a plain colour value.
uint32_t FromQColor(const QColor& colour);

// Text on a background the program sets must stay readable on every desktop palette, whose text
// colours were chosen for the desktop's own backgrounds (a dark palette writes light grey).
// The least contrast, as the WCAG ratio (1 to 21), at which a text keeps the colour it asks for:
// for ordinary text, and for bold digits and links, whose colours the light desktop itself shows
// between 3 : 1 and 4.5 : 1 (black days on teal, a blue link on the button shadow).
inline constexpr double kReadable = 4.5;
inline constexpr double kReadableBoldOrLink = 3.0;
double ContrastRatio(const QColor& a, const QColor& b);
// `wanted` where it contrasts with `background` by at least `least`; otherwise black or white,
// whichever contrasts more.
QColor ReadableOn(const QColor& background, const QColor& wanted, double least = kReadable);

// Background of a window or label (palette Window role); the value is kept on the widget. The
// text on it is made readable, the widget's own and its controls'.
void SetWindowColour(QWidget* widget, uint32_t value);
uint32_t WindowColour(const QWidget* widget);
// Background of a text field or list (palette Base role); the value is kept on the widget, and
// its text is made readable on it.
void SetFieldColour(QWidget* widget, uint32_t value);
uint32_t FieldColour(const QWidget* widget);
// Keeps the desktop's own background, and the desktop's text colour, for a bar inside a window
// the program colours that paints its own background (the menu bar).
void KeepDesktopColours(QWidget* widget);
// Text colour (palette WindowText, Text and ButtonText roles), as long as it is readable on the
// background it stands on (see ReadableOn); the wish is kept, to be decided again when the
// background changes.
void SetTextColour(QWidget* widget, uint32_t value, double least = kReadable);

// Decides every colour under `root` again from the values kept on its widgets: for a desktop
// palette that changed while the program runs. A whole palette a desktop theme put on a widget
// of root's window is taken off first, so that the widget inherits again.
void RefreshColours(QWidget* root);
