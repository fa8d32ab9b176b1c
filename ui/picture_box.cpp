#include "ui/picture_box.h"

#include <QMouseEvent>
#include <QPainter>

TPicture::TPicture(QWidget* parent) : QWidget(parent) {
  setMouseTracking(true);
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPicture::SetPicture(QImage image) {
  image_ = std::move(image);
  update();
}

void TPicture::paintEvent(QPaintEvent*) {
  if (image_.isNull()) return;
  QPainter painter(this);
  painter.setRenderHint(QPainter::SmoothPixmapTransform);
  painter.drawImage(rect(), image_);
}

void TPicture::mousePressEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) pressed_ = true;
  QWidget::mousePressEvent(e);
}

void TPicture::mouseReleaseEvent(QMouseEvent* e) {
  const bool click =
      pressed_ && e->button() == Qt::LeftButton && rect().contains(e->position().toPoint());
  pressed_ = false;
  QWidget::mouseReleaseEvent(e);
  if (click) emit Clicked();
}

void TPicture::mouseMoveEvent(QMouseEvent* e) {
  QWidget::mouseMoveEvent(e);
  emit MouseMoved();
}
