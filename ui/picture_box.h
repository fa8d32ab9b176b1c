// A picture control: draws its image stretched to the whole area, without keeping proportions.
#pragma once

#include <QImage>
#include <QWidget>

class TPicture : public QWidget {
  Q_OBJECT
 public:
  explicit TPicture(QWidget* parent = nullptr);
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
  bool pressed_ = false;
};
