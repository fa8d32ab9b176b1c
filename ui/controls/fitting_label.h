// A one-line label for results and the range values, whose text may be longer than its room.
#pragma once

#include <QFont>
#include <QLabel>

// Sizes itself to its text; when the text would pass the right edge of its room, its font is
// narrowed just enough to end there, and takes its whole width back for a text that fits.
class FittingLabel : public QLabel {
  Q_OBJECT
  // Where the label's room ends, in its parent's coordinates.
  Q_PROPERTY(int rightEdge READ RightEdge WRITE SetRightEdge)
 public:
  explicit FittingLabel(QWidget* parent = nullptr);

  int RightEdge() const { return right_; }
  void SetRightEdge(int right) { right_ = right; }

  void SetLine(const QString& text);

 protected:
  void changeEvent(QEvent* e) override;

 private:
  QFont font_;  // the font it was given; narrowed copies of it are shown
  bool has_font_ = false;
  bool narrowing_ = false;
  int right_ = 0;
};
