// The month calendar with its six colours, numbered as the desktop's month calendar numbers
// them. Weeks begin on Monday, week numbers are shown, today is marked, one date can be
// selected, and the calendar never shows a tool tip of its own.
#pragma once

#include <QCalendarWidget>
#include <QStringList>
#include <array>
#include <cstdint>

class Announcer;
class QAccessibleInterface;
class QTableView;

// The accessible interface of a month calendar's day table: one control without cells. A
// reader that meets the table's cells reads a week row of numbers and a column header before
// the day; the calendar says the month and the selected day itself (MonthCalendar::Say).
QAccessibleInterface* CalendarDaysAccessibleFactory(const QString& class_name, QObject* object);

class MonthCalendar : public QCalendarWidget {
  Q_OBJECT
 public:
  enum ColourIndex {
    kBackground = 0,       // around the month and behind the "today" line
    kText = 1,             // the days of the shown month
    kTitleBackground = 2,  // the title bar; also day names, week numbers and the selection
    kTitleText = 3,        // the title bar's text; also the selected day's number
    kMonthBackground = 4,  // behind the days: the program's calendar colour
    kTrailingText = 5,     // the days of the neighbouring months
  };
  static constexpr int kColourCount = 6;

  explicit MonthCalendar(QWidget* parent = nullptr);
  // Values are the program's colour values (plain 0x00BBGGRR or system 0xFF0000nn); an index
  // outside 0..5 is ignored.
  void SetColour(int index, uint32_t value);
  uint32_t Colour(int index) const;

  // The first date the day table shows for the month on display (a day of the month before).
  QDate FirstShownDate() const;

 protected:
  void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;
  bool event(QEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;

 private:
  void ApplyColours();
  void FitDayNames();
  QTableView* Table() const;
  // The title text, readable on the title bar; also the selected day's number.
  QColor TitleText() const;
  // What a screen reader hears while the calendar has the focus: the month and year when it
  // takes the focus and when the month changes, the selected day with its weekday as it moves.
  // The table alone would read a week row of numbers.
  void Say(const QString& text);
  QString MonthText() const;
  QString SelectedDayText() const;

  std::array<uint32_t, kColourCount> colours_{};
  Announcer* announcer_ = nullptr;
  QStringList to_say_;  // said together once the event that brought them is handled
};
