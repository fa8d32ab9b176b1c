// The month calendar with its six colours (numbered as the original control numbers them).
#pragma once

#include <QCalendarWidget>
#include <array>
#include <cstdint>

class TMonthCalendar : public QCalendarWidget {
  Q_OBJECT
 public:
  enum ColourIndex {
    kBackground = 0,
    kText = 1,
    kTitleBackground = 2,
    kTitleText = 3,
    kMonthBackground = 4,
    kTrailingText = 5,
  };

  explicit TMonthCalendar(QWidget* parent = nullptr);
  void SetColour(int index, uint32_t value);
  uint32_t Colour(int index) const { return colours_.at(static_cast<size_t>(index)); }

 protected:
  void paintCell(QPainter* painter, const QRect& rect, QDate date) const override;

 private:
  void ApplyColours();
  std::array<uint32_t, 6> colours_{};
};
