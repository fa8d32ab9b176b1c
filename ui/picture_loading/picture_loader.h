// From a picture file, or a picture built into the program, to the pixels a picture control
// shows.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

struct Picture;

// The decoders' pixels as an image for display. Throws PictureError when memory for it lacks.
QImage ToImage(const Picture& picture);

// An area of the window in device pixels of a screen with the given pixel ratio (1 for a ratio
// that makes no sense).
QSize DevicePixels(QSize area, double ratio);

// A JPEG picture of the program's own resources, decoded to at least `size`. The main window's
// picture at the size of a usual screen comes ready decoded with the program. A picture
// missing from the build or not decodable gives an empty image: the area stays empty rather
// than the window not opening.
QImage BuiltInPicture(const QString& resource, QSize size);

// Reads the picture file chosen by the user, by its extension, decoded to at least `minimum`;
// transparent parts show the `background` colour (0xRRGGBB). The desktop's busy cursor shows
// meanwhile. Throws with the program's message when the file cannot be shown.
QImage LoadPicture(const QString& path, QSize minimum, uint32_t background);
