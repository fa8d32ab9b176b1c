// What a screen reader says for the controls whose names change while the program runs, or
// that are parts of a Qt control: the forms name every other control, by the words a sighted
// user reads for it, with its hint as its description whether tool tips are on or not.
#pragma once

#include <QAbstractSlider>
#include <QAccessible>
#include <QObject>
#include <QString>
#include <QWidget>
#include <utility>

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
