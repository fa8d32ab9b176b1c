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

// Background of a window or label (palette Window role); the value is kept on the widget.
void SetWindowColour(QWidget* widget, uint32_t value);
uint32_t WindowColour(const QWidget* widget);
// Background of a text field or list (palette Base role); the value is kept on the widget.
void SetFieldColour(QWidget* widget, uint32_t value);
uint32_t FieldColour(const QWidget* widget);
// Text colour (palette WindowText and Text roles).
void SetTextColour(QWidget* widget, uint32_t value);
