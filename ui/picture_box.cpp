#include "ui/picture_box.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Screen readers announce the control as a picture, not as an empty pane.
QAccessibleInterface* PictureAccessible(const QString& className, QObject* object) {
  if (className != QLatin1String("TPicture") || !object->isWidgetType()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

}  // namespace

TPicture::TPicture(QWidget* parent) : QWidget(parent) {
  [[maybe_unused]] static const bool factory =
      (QAccessible::installFactory(PictureAccessible), true);
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
