#include "ui/controls/picture_box.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

QAccessibleInterface* PictureAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("PictureBox") || !object->isWidgetType()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

PictureBox::PictureBox(QWidget* parent) : QFrame(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureBox::SetPicture(QImage image) {
  image_ = std::move(image);
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), image_);
}

void PictureBox::mousePressEvent(QMouseEvent* e) {
  click_.Pressed(*e);
  QFrame::mousePressEvent(e);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = click_.Released(*this, *e);
  QFrame::mouseReleaseEvent(e);
  if (click) emit Clicked();
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  QFrame::mouseMoveEvent(e);
  emit MouseMoved();
}
