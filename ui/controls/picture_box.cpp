#include "ui/controls/picture_box.h"

#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

namespace {

// Screen readers announce the control as a picture, not as an empty pane.
QAccessibleInterface* PictureAccessible(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("PictureBox") || !object->isWidgetType()) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Graphic);
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent) {
  [[maybe_unused]] static const bool factory =
      (QAccessible::installFactory(PictureAccessible), true);
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
  QWidget::mousePressEvent(e);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* e) {
  const bool click = click_.Released(*this, *e);
  QWidget::mouseReleaseEvent(e);
  if (click) emit Clicked();
}

void PictureBox::mouseMoveEvent(QMouseEvent* e) {
  QWidget::mouseMoveEvent(e);
  emit MouseMoved();
}
