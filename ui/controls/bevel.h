// A lowered frame drawn behind the controls it groups; the mouse goes through it to them.
#pragma once

#include <QFrame>

class Bevel : public QFrame {
  Q_OBJECT
 public:
  explicit Bevel(QWidget* parent = nullptr) : QFrame(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
  }
};
