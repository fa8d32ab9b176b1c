#include "ui/controls/fitting_label.h"

#include <QEvent>
#include <algorithm>

FittingLabel::FittingLabel(QWidget* parent) : QLabel(parent) {}

void FittingLabel::changeEvent(QEvent* e) {
  // A font given from outside (the window's form) is the one to narrow from.
  if (e->type() == QEvent::FontChange && !narrowing_) {
    font_ = font();
    has_font_ = true;
  }
  QLabel::changeEvent(e);
}

void FittingLabel::SetLine(const QString& text) {
  setText(text);
  if (!has_font_) {
    font_ = font();
    has_font_ = true;
  }
  narrowing_ = true;
  QFont narrowed = font_;
  setFont(narrowed);
  adjustSize();
  const int room = right_ - x();
  if (width() > room && room > 0) {
    // A first guess in proportion, then down in small steps: glyph widths round to pixels.
    const int base = font_.stretch() > 0 ? font_.stretch() : 100;
    int stretch = std::max(1, base * room / width());
    for (;; --stretch) {
      narrowed.setStretch(stretch);
      setFont(narrowed);
      adjustSize();
      if (width() <= room || stretch == 1) break;
    }
  }
  narrowing_ = false;
}
