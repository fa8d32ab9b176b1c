#include "ui/base/form_setup.h"

#include <QLabel>
#include <QPoint>
#include <QVariant>
#include <QWidget>

#include "ui/base/fonts.h"

void FinishForm(QWidget* window) {
  ApplyStandInFonts(window);
  const QVariant position = window->property("position");
  if (position.isValid()) window->move(position.toPoint());
}

void SizeLabelsToText(QWidget* window) {
  for (QLabel* label : window->findChildren<QLabel*>())
    if (label->property("autoSize").toBool()) label->adjustSize();
}
