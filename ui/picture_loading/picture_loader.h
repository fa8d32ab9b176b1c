// From a picture file, or a picture built into the program, to the pixels a picture control
// shows.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>
#include <functional>

class DecodeProgress;
class QWidget;
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

// Reads a picture file with the decoder its name or first bytes choose (pictures/picture.h),
// a file without extension that none takes with Qt's readers; decoded to at least `minimum`;
// transparent parts show the `background` colour (0xRRGGBB). Tells `progress` how far it has
// come. Throws with the program's message when the file cannot be shown, and DecodeCancelled
// when `progress` stops it.
QImage ReadPicture(const QString& path, QSize minimum, uint32_t background,
                   DecodeProgress* progress = nullptr);

// ReadPicture for the picture the user chose, off the window's thread: the program's windows
// keep painting and answering the desktop meanwhile, the busy cursor shows, and no command runs:
// the windows standing when it began take no input, while a window shown meanwhile does. When
// the reading takes longer than half a second, a progress dialog over `window` shows how far it
// has come; "Отмена" or Escape stops it, and DecodeCancelled (which shows nothing) is thrown.
QImage LoadPicture(const QString& path, QSize minimum, uint32_t background, QWidget* window);

// What LoadPicture does with ReadPicture, for any reading: `read` runs on a thread of its own
// and tells its progress; its result or its failure comes back here.
QImage ReadOffTheWindowsThread(QWidget* window, const std::function<QImage(DecodeProgress&)>& read);
