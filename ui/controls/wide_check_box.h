// A check box that answers a click anywhere on its control, caption and the room after it
// included, as the desktop's check boxes do.
#pragma once

#include <QCheckBox>

class WideCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override { return rect().contains(pos); }
};
