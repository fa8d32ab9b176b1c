#include "ui/calendar.h"

#include <QPainter>
#include <QTableView>
#include <QTextCharFormat>
#include <QToolButton>
#include <QWidget>

#include "ui/colors.h"
#include "ui/widgets.h"

TMonthCalendar::TMonthCalendar(QWidget* parent) : QCalendarWidget(parent) {
  setFirstDayOfWeek(Qt::Monday);
  setVerticalHeaderFormat(QCalendarWidget::ISOWeekNumbers);
  setSelectionMode(QCalendarWidget::SingleSelection);
  setGridVisible(false);
  setFont(SansFont(13, true));
  colours_ = {0xFF000005u, 0xFF000008u, 0x00800080u, 0x00FFFFFFu, 0x00808000u, 0xFF00001Eu};
  ApplyColours();
}

void TMonthCalendar::SetColour(int index, uint32_t value) {
  colours_.at(static_cast<size_t>(index)) = value;
  ApplyColours();
}

void TMonthCalendar::ApplyColours() {
  // The navigation bar carries the title colours; the day table the month background.
  if (auto* nav = findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"))) {
    SetWindowColour(nav, colours_[kTitleBackground]);
    SetTextColour(nav, colours_[kTitleText]);
    for (auto* button : nav->findChildren<QToolButton*>()) SetTextColour(button, colours_[kTitleText]);
  }
  if (auto* view = findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"))) {
    SetFieldColour(view, colours_[kMonthBackground]);
    SetTextColour(view, colours_[kText]);
  }
  SetWindowColour(this, colours_[kBackground]);
  QTextCharFormat header;
  header.setBackground(ToQColor(colours_[kBackground]));
  header.setForeground(ToQColor(colours_[kText]));
  setHeaderTextFormat(header);
  update();
}

void TMonthCalendar::paintCell(QPainter* painter, const QRect& rect, QDate date) const {
  const bool other_month = date.month() != monthShown() || date.year() != yearShown();
  painter->save();
  painter->fillRect(rect, ToQColor(colours_[kMonthBackground]));
  const bool selected = date == selectedDate();
  if (selected) painter->fillRect(rect.adjusted(1, 1, -1, -1), palette().color(QPalette::Highlight));
  if (date == QDate::currentDate()) {
    // Today is marked with a frame.
    painter->setPen(QColor(Qt::red));
    painter->drawRect(rect.adjusted(1, 1, -2, -2));
  }
  QColor text = ToQColor(other_month ? colours_[kTrailingText] : colours_[kText]);
  if (selected) text = palette().color(QPalette::HighlightedText);
  painter->setPen(text);
  painter->setFont(font());
  painter->drawText(rect, Qt::AlignCenter, QString::number(date.day()));
  painter->restore();
}
