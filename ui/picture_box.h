// A picture control: draws its image stretched to the whole area, without keeping proportions.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

struct Picture;

// The decoders' pixels as an image for display. Throws PictureError when memory for it lacks.
QImage ToImage(const Picture& picture);
// A JPEG picture of the program's own resources, decoded to at least `width` x `height`. A
// picture missing from the build or not decodable gives an empty image: the area stays empty
// rather than the window not opening.
QImage BuiltInPicture(const QString& resource, int width, int height);

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
