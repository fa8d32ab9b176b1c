#include "ui/base/colors.h"

#include <QApplication>
#include <QPalette>
#include <QVariant>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <optional>
#include <unordered_set>
#include <vector>

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

// What the program set on a widget, kept so that the text on it can be decided again.
constexpr const char* kWindowColourProperty = "tallymateWindowColour";
constexpr const char* kFieldColourProperty = "tallymateFieldColour";
constexpr const char* kTextColourProperty = "tallymateTextColour";
constexpr const char* kTextLeastProperty = "tallymateTextLeast";
constexpr const char* kDesktopColoursProperty = "tallymateDesktopColours";

constexpr std::array<QPalette::ColorGroup, 3> kGroups{QPalette::Active, QPalette::Inactive,
                                                      QPalette::Disabled};

void StoreValue(QWidget* widget, const char* name, uint32_t value) {
  widget->setProperty(name, QVariant::fromValue(static_cast<quint32>(value)));
}

std::optional<uint32_t> StoredValue(const QWidget* widget, const char* name) {
  const QVariant v = widget->property(name);
  if (!v.isValid()) return std::nullopt;
  return static_cast<uint32_t>(v.value<quint32>());
}

// Sets the roles in every colour group; a palette that already says so is left alone, so that
// deciding again costs nothing where nothing changed.
void SetRoles(QWidget* widget, std::initializer_list<QPalette::ColorRole> roles,
              const std::function<QColor(QPalette::ColorGroup)>& colour_of) {
  QPalette palette = widget->palette();
  bool changed = false;
  for (QPalette::ColorRole role : roles) {
    for (QPalette::ColorGroup group : kGroups) {
      const QColor colour = colour_of(group);
      if (!colour.isValid()) continue;
      if (palette.isBrushSet(group, role) && palette.color(group, role) == colour) continue;
      palette.setColor(group, role, colour);
      changed = true;
    }
  }
  if (changed) widget->setPalette(palette);
}

// The background that the widget's window text stands on: its own, the nearest coloured one
// around it in its window, or the desktop's.
QColor WindowBackground(const QWidget* widget) {
  for (const QWidget* w = widget; w != nullptr; w = w->isWindow() ? nullptr : w->parentWidget()) {
    if (const auto value = StoredValue(w, kWindowColourProperty)) return ToQColor(*value);
    if (w->property(kDesktopColoursProperty).toBool()) break;
  }
  return QApplication::palette().color(QPalette::Active, QPalette::Window);
}

// The text colours of one widget, from what the program set on it and around it. The desktop's
// text colour stands where the program names none; a disabled text the program does not name
// keeps the desktop's disabled look.
void DecideText(QWidget* widget) {
  const auto named = StoredValue(widget, kTextColourProperty);
  const auto field = StoredValue(widget, kFieldColourProperty);
  const bool own_background = StoredValue(widget, kWindowColourProperty).has_value();
  if (widget->property(kDesktopColoursProperty).toBool()) {
    const QPalette desktop = QApplication::palette();
    for (QPalette::ColorRole role : {QPalette::Window, QPalette::WindowText})
      SetRoles(widget, {role},
               [&](QPalette::ColorGroup group) { return desktop.color(group, role); });
    return;
  }
  const QVariant least_value = widget->property(kTextLeastProperty);
  const double least = least_value.isValid() ? least_value.toDouble() : kReadable;
  const QPalette desktop = QApplication::palette();
  auto decided = [&](QPalette::ColorRole desktop_role, const QColor& background) {
    return [&, desktop_role, background](QPalette::ColorGroup group) {
      if (named) return ReadableOn(background, ToQColor(*named), least);
      if (group == QPalette::Disabled) return QColor();
      return ReadableOn(background, desktop.color(group, desktop_role), least);
    };
  };
  if (named || own_background) {
    const QColor background = WindowBackground(widget);
    SetRoles(widget, {QPalette::WindowText}, decided(QPalette::WindowText, background));
    if (named) SetRoles(widget, {QPalette::ButtonText}, decided(QPalette::ButtonText, background));
    if (named && !field) SetRoles(widget, {QPalette::Text}, decided(QPalette::Text, background));
  }
  if (field) SetRoles(widget, {QPalette::Text}, decided(QPalette::Text, ToQColor(*field)));
}

// The widgets that carry colours of the program, in the order they were first given one. The
// colour rule visits these instead of asking every control of a window for its properties: a
// window has far more controls than coloured ones.
struct Coloured {
  const QObject* object;  // the same widget, to be recognised while it is destroyed
  QWidget* widget;
};

std::vector<Coloured>& ColouredWidgets() {
  static std::vector<Coloured> widgets;
  return widgets;
}

std::unordered_set<const QObject*>& ColouredSet() {
  static std::unordered_set<const QObject*> set;
  return set;
}

void Remember(QWidget* widget) {
  const QObject* object = widget;
  if (!ColouredSet().insert(object).second) return;
  ColouredWidgets().push_back({object, widget});
  QObject::connect(widget, &QObject::destroyed, [](QObject* gone) {
    ColouredSet().erase(gone);
    std::erase_if(ColouredWidgets(), [gone](const Coloured& c) { return c.object == gone; });
  });
}

// The coloured widgets of `root`'s window inside `root`, `root` too; other windows inside it
// (dialogs, menus) keep the desktop's colours and are left out.
template <typename Visit>
void ForColouredWithin(QWidget* root, Visit visit) {
  const QWidget* window = root->window();
  // By index: a visit may colour a widget for the first time.
  for (size_t i = 0; i < ColouredWidgets().size(); ++i) {
    QWidget* widget = ColouredWidgets()[i].widget;
    if (widget == root || (widget->window() == window && root->isAncestorOf(widget))) visit(widget);
  }
}

// The widget and every control inside it that carries colours of the program.
void DecideTextWithin(QWidget* root) {
  ForColouredWithin(root, DecideText);
}

// The program sets single roles. A desktop theme may put its whole palette on each widget after
// it has changed the application's (qt6ct does), which covers the program's colours and what
// each control inherits from its window.
bool SetsEveryRole(const QPalette& palette) {
  for (QPalette::ColorGroup group : kGroups)
    for (int role = 0; role < QPalette::NColorRoles; ++role)
      if (!palette.isBrushSet(group, static_cast<QPalette::ColorRole>(role))) return false;
  return true;
}

double Luminance(const QColor& colour) {
  auto linear = [](double c) {
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  const QColor rgb = colour.toRgb();
  return 0.2126 * linear(rgb.redF()) + 0.7152 * linear(rgb.greenF()) + 0.0722 * linear(rgb.blueF());
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

double ContrastRatio(const QColor& a, const QColor& b) {
  const double la = Luminance(a);
  const double lb = Luminance(b);
  return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

QColor ReadableOn(const QColor& background, const QColor& wanted, double least) {
  if (ContrastRatio(background, wanted) >= least) return wanted;
  const QColor black(Qt::black);
  const QColor white(Qt::white);
  return ContrastRatio(background, black) >= ContrastRatio(background, white) ? black : white;
}

void SetWindowColour(QWidget* widget, uint32_t value) {
  Remember(widget);
  StoreValue(widget, kWindowColourProperty, value);
  widget->setAutoFillBackground(true);
  SetRoles(widget, {QPalette::Window}, [&](QPalette::ColorGroup) { return ToQColor(value); });
  DecideTextWithin(widget);
}

uint32_t WindowColour(const QWidget* widget) {
  return StoredValue(widget, kWindowColourProperty).value_or(kButtonShadow);
}

void SetFieldColour(QWidget* widget, uint32_t value) {
  Remember(widget);
  StoreValue(widget, kFieldColourProperty, value);
  SetRoles(widget, {QPalette::Base}, [&](QPalette::ColorGroup) { return ToQColor(value); });
  DecideText(widget);
}

uint32_t FieldColour(const QWidget* widget) {
  return StoredValue(widget, kFieldColourProperty).value_or(kWhite);
}

void KeepDesktopColours(QWidget* widget) {
  Remember(widget);
  widget->setProperty(kDesktopColoursProperty, true);
  DecideText(widget);
}

void SetTextColour(QWidget* widget, uint32_t value, double least) {
  Remember(widget);
  StoreValue(widget, kTextColourProperty, value);
  widget->setProperty(kTextLeastProperty, least);
  DecideText(widget);
}

void RefreshColours(QWidget* root) {
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets) {
    if (widget->window() == root->window() && SetsEveryRole(widget->palette()))
      widget->setPalette(QPalette());
  }
  ForColouredWithin(root, [](QWidget* widget) {
    if (const auto value = StoredValue(widget, kWindowColourProperty))
      SetRoles(widget, {QPalette::Window}, [&](QPalette::ColorGroup) { return ToQColor(*value); });
    if (const auto value = StoredValue(widget, kFieldColourProperty))
      SetRoles(widget, {QPalette::Base}, [&](QPalette::ColorGroup) { return ToQColor(*value); });
  });
  DecideTextWithin(root);
  // Qt tells only the windows of a new application palette; the controls inside that derive
  // colours of their own (the calendar's title bar) hear of it from here.
  QEvent changed(QEvent::ApplicationPaletteChange);
  for (QWidget* widget : widgets)
    if (!widget->isWindow() && widget->window() == root->window())
      QApplication::sendEvent(widget, &changed);
}
