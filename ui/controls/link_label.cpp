#include "ui/controls/link_label.h"

#include <QKeyEvent>
#include <QMouseEvent>

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
}

void LinkLabel::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    e->accept();
    emit Activated();
    return;
  }
  QLabel::keyPressEvent(e);
}

void LinkLabel::mousePressEvent(QMouseEvent* e) {
  click_.Pressed(*e);
  // The press is the label's own: it does not reach the window behind it.
  e->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (click_.Released(*this, *e)) emit Activated();
}

void LinkLabel::focusInEvent(QFocusEvent* e) {
  QLabel::focusInEvent(e);
  Underline(true);
}

void LinkLabel::focusOutEvent(QFocusEvent* e) {
  QLabel::focusOutEvent(e);
  Underline(false);
}

void LinkLabel::Underline(bool on) {
  QFont shown = font();
  shown.setUnderline(on);
  setFont(shown);
}
