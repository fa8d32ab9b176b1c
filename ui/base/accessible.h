// What a screen reader says for each control: the words a sighted user reads for it as its
// accessible name, and its hint as its description, whether tool tips are switched on or not
// (switching them off only silences the tool tip, so a blind user would lose the hint).
#pragma once

#include <QAbstractSlider>
#include <QAccessible>
#include <QLabel>
#include <QObject>
#include <QString>
#include <QWidget>
#include <initializer_list>
#include <utility>

struct AccessibleText {
  QWidget* control;
  QString name;
  // Empty: the control's own hint, if it has one.
  QString description = {};
};

// Names the controls of a window from its table.
inline void NameControls(std::initializer_list<AccessibleText> table) {
  for (const AccessibleText& entry : table) {
    entry.control->setAccessibleName(entry.name.simplified());
    const QString description =
        entry.description.isEmpty() ? entry.control->toolTip() : entry.description;
    entry.control->setAccessibleDescription(description.simplified());
  }
}

// A field named by the label beside it: the label's caption, and the label is announced as the
// field's label (the labelled-by relation).
inline void NameByLabel(QLabel* label, QWidget* field) {
  label->setBuddy(field);
  field->setAccessibleName(label->text().trimmed());
}

// A slider named by what it fills, with the range it offers now ("Первое число, от 0 до 200").
inline void NameSlider(QAbstractSlider* slider, const QString& fills) {
  auto name = [slider, fills] {
    slider->setAccessibleName(
        QStringLiteral("%1, от %2 до %3").arg(fills).arg(slider->minimum()).arg(slider->maximum()));
  };
  name();
  QObject::connect(slider, &QAbstractSlider::rangeChanged, slider, name);
}

// The month calendar's own parts: the day table takes the focus and the year field shows while
// the year is edited; the month arrows carry only pictures.
inline void NameCalendarParts(QWidget* calendar) {
  const std::pair<const char*, QString> parts[] = {
      {"qt_calendar_calendarview", calendar->accessibleName()},
      {"qt_calendar_yearedit", QStringLiteral("Год")},
      {"qt_calendar_prevmonth", QStringLiteral("Предыдущий месяц")},
      {"qt_calendar_nextmonth", QStringLiteral("Следующий месяц")},
  };
  for (const auto& [object, name] : parts)
    if (auto* part = calendar->findChild<QWidget*>(QString::fromLatin1(object)))
      part->setAccessibleName(name);
}
