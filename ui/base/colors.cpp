#include "ui/base/colors.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>
#include <array>

namespace {

struct SystemColour {
  QPalette::ColorGroup group;
  QPalette::ColorRole role;
};

// The system colours 0xFF000000..0xFF00001E by their number, mapped to the desktop palette.
constexpr std::array<SystemColour, 31> kSystemColours{{
    {QPalette::Active, QPalette::Button},           // 0 scroll bar
    {QPalette::Active, QPalette::Dark},             // 1 desktop background
    {QPalette::Active, QPalette::Highlight},        // 2 active caption
    {QPalette::Inactive, QPalette::Highlight},      // 3 inactive caption
    {QPalette::Active, QPalette::Window},           // 4 menu
    {QPalette::Active, QPalette::Base},             // 5 window
    {QPalette::Active, QPalette::Shadow},           // 6 window frame
    {QPalette::Active, QPalette::WindowText},       // 7 menu text
    {QPalette::Active, QPalette::Text},             // 8 window text
    {QPalette::Active, QPalette::HighlightedText},  // 9 caption text
    {QPalette::Active, QPalette::Window},           // 10 active border
    {QPalette::Inactive, QPalette::Window},         // 11 inactive border
    {QPalette::Active, QPalette::Mid},              // 12 application workspace
    {QPalette::Active, QPalette::Highlight},        // 13 highlight
    {QPalette::Active, QPalette::HighlightedText},  // 14 highlight text
    {QPalette::Active, QPalette::Button},           // 15 button face
    {QPalette::Active, QPalette::Dark},             // 16 button shadow
    {QPalette::Disabled, QPalette::Text},           // 17 grey text
    {QPalette::Active, QPalette::ButtonText},       // 18 button text
    {QPalette::Inactive, QPalette::WindowText},     // 19 inactive caption text
    {QPalette::Active, QPalette::Light},            // 20 button highlight
    {QPalette::Active, QPalette::Shadow},           // 21 3D dark shadow
    {QPalette::Active, QPalette::Midlight},         // 22 3D light
    {QPalette::Active, QPalette::ToolTipText},      // 23 info text
    {QPalette::Active, QPalette::ToolTipBase},      // 24 info background
    {QPalette::Active, QPalette::Window},           // 25 unused index
    {QPalette::Active, QPalette::Link},             // 26 hot-tracked item
    {QPalette::Active, QPalette::Highlight},        // 27 active caption gradient
    {QPalette::Inactive, QPalette::Mid},            // 28 inactive caption gradient
    {QPalette::Active, QPalette::Highlight},        // 29 menu highlight
    {QPalette::Active, QPalette::Window},           // 30 menu bar
}};

constexpr const char* kColourProperty = "tallymateColour";

void StoreValue(QWidget* widget, uint32_t value) {
  widget->setProperty(kColourProperty, QVariant::fromValue(static_cast<quint32>(value)));
}

uint32_t StoredValue(const QWidget* widget, uint32_t fallback) {
  QVariant v = widget->property(kColourProperty);
  return v.isValid() ? static_cast<uint32_t>(v.value<quint32>()) : fallback;
}

void SetRole(QWidget* widget, std::initializer_list<QPalette::ColorRole> roles, uint32_t value) {
  QPalette palette = widget->palette();
  const QColor colour = ToQColor(value);
  for (QPalette::ColorRole role : roles) {
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
      palette.setColor(group, role, colour);
  }
  widget->setPalette(palette);
}

}  // namespace

QColor ToQColor(uint32_t value) {
  if ((value & 0xFF000000u) == 0xFF000000u) {
    const uint32_t index = value & 0xFFu;
    const SystemColour& sc = kSystemColours[index < kSystemColours.size() ? index : 15];
    return QApplication::palette().color(sc.group, sc.role);
  }
  // Other top bytes are not defined for a plain colour; the low three bytes still say it.
  return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                static_cast<int>((value >> 16) & 0xFFu));
}

uint32_t FromQColor(const QColor& colour) {
  return static_cast<uint32_t>(colour.red()) | (static_cast<uint32_t>(colour.green()) << 8) |
         (static_cast<uint32_t>(colour.blue()) << 16);
}

void SetWindowColour(QWidget* widget, uint32_t value) {
  StoreValue(widget, value);
  widget->setAutoFillBackground(true);
  SetRole(widget, {QPalette::Window}, value);
}

uint32_t WindowColour(const QWidget* widget) {
  return StoredValue(widget, kButtonShadow);
}

void SetFieldColour(QWidget* widget, uint32_t value) {
  StoreValue(widget, value);
  SetRole(widget, {QPalette::Base}, value);
}

uint32_t FieldColour(const QWidget* widget) {
  return StoredValue(widget, kWhite);
}

void SetTextColour(QWidget* widget, uint32_t value) {
  SetRole(widget, {QPalette::WindowText, QPalette::Text, QPalette::ButtonText}, value);
}
