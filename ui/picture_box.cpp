#include "ui/picture_box.h"

#include <QAccessibleWidget>
#include <QFile>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "pictures/picture.h"

QImage ToImage(const Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull() || picture.pixels.size() < static_cast<size_t>(picture.width) *
                                                    static_cast<size_t>(picture.height))
    throw PictureError("Not enough memory to show the picture");
  const size_t row_bytes = static_cast<size_t>(picture.width) * sizeof(uint32_t);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(image.scanLine(y),
                picture.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
                row_bytes);
  return image;
}

QImage BuiltInPicture(const QString& resource, int width, int height) {
  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  try {
    return ToImage(DecodeJpegMemory(reinterpret_cast<const unsigned char*>(data.constData()),
                                    static_cast<size_t>(data.size()), width, height));
  } catch (const MessageError&) {
    return {};
  }
}

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
