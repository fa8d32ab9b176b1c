// A picture control: draws its image stretched to the whole area, without keeping proportions;
// a click on it is reported.
#pragma once

#include <QFrame>
#include <QImage>

#include "ui/controls/click_tracker.h"

class QAccessibleInterface;

// A screen reader hears the picture as a picture, not as an empty pane.
QAccessibleInterface* PictureAccessibleFactory(const QString& class_name, QObject* object);

// The forms give it a frame, which is all Designer can draw of it; the picture covers the whole
// area, frame included.
class PictureBox : public QFrame {
  Q_OBJECT
 public:
  explicit PictureBox(QWidget* parent = nullptr);
  void SetPicture(QImage image);
  const QImage& Picture() const { return image_; }

 signals:
  void Clicked();
  void MouseMoved();

 protected:
  void paintEvent(QPaintEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  QImage image_;
  ClickTracker click_;
};
