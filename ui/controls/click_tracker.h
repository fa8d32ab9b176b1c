// What counts as a click on the program's controls: a press and a release of the left button,
// the release over the same control. The middle button pastes and the right one opens a menu;
// neither is a click.
#pragma once

#include <QMouseEvent>
#include <QWidget>

class ClickTracker {
 public:
  void Pressed(const QMouseEvent& e) {
    if (e.button() == Qt::LeftButton) pressed_ = true;
  }
  // True when this release ends a click on `control`.
  bool Released(const QWidget& control, const QMouseEvent& e) {
    if (e.button() != Qt::LeftButton) return false;
    const bool click = pressed_ && control.rect().contains(e.position().toPoint());
    pressed_ = false;
    return click;
  }

 private:
  bool pressed_ = false;
};
