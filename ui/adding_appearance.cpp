// The main window's appearance: the three colour commands, the default settings (F4) and the
// picture command with its loader.
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QSize>
#include <array>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "core/desktop.h"
#include "core/faults.h"
#include "pictures/baked_picture.h"
#include "pictures/picture.h"
#include "pictures/source_file.h"
#include "ui/Unit3.h"
#include "ui/Unit4.h"
#include "ui/Unit5.h"
#include "ui/Unit6.h"
#include "ui/adding.h"
#include "ui/calendar.h"
#include "ui/colors.h"
#include "ui/picture_box.h"
#include "ui/trackbar.h"
#include "ui/widgets.h"

// assets/picture.jpg decoded at build time (main_picture.cpp in the build directory).
extern const BakedPicture kMainPicture;

namespace {

// The picture area, in layout pixels.
constexpr int kPictureWidth = 209;
constexpr int kPictureHeight = 145;

// The main window first, then the three calculation windows, open or hidden.
void SetWindowColours(const WindowSet& w, QWidget* main, uint32_t colour) {
  SetWindowColour(main, colour);
  for (QWidget* form : std::array<QWidget*, 3>{w.Form3, w.Form4, w.Form5})
    if (form != nullptr) SetWindowColour(form, colour);
}

// The size a picture is decoded to: the area in device pixels of the screen it is shown on.
QSize PictureMinimum(qreal ratio) {
  if (!(ratio >= 1.0) || ratio > 16.0) ratio = 1.0;
  return {static_cast<int>(std::ceil(kPictureWidth * ratio)),
          static_cast<int>(std::ceil(kPictureHeight * ratio))};
}

// The pictures decoders read the file through its local name.
std::string LocalName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// The largest picture Qt's readers may build whole (four bytes a pixel): the same cap as the
// JPEG library's, room for 100 megapixels.
constexpr qint64 kMaxQtPictureBytes = qint64{512} << 20;

// The size a bitmap's header claims; Qt's reader gives none above 16384 x 16384.
QSize BitmapHeaderSize(int fd) {
  unsigned char h[26];
  if (::pread(fd, h, sizeof h, 0) != static_cast<ssize_t>(sizeof h) || h[0] != 'B' || h[1] != 'M')
    return {};
  const auto u16 = [&h](int at) { return static_cast<qint64>(h[at] | h[at + 1] << 8); };
  const auto i32 = [&h](int at) {
    return static_cast<qint64>(
        static_cast<int32_t>(static_cast<uint32_t>(h[at]) | uint32_t{h[at + 1]} << 8 |
                             uint32_t{h[at + 2]} << 16 | uint32_t{h[at + 3]} << 24));
  };
  const qint64 header = i32(14);
  const qint64 width = header == 12 ? u16(18) : i32(18);
  const qint64 height = header == 12 ? u16(20) : std::abs(i32(22));
  if (width <= 0 || height <= 0 || width > INT_MAX || height > INT_MAX) return {};
  return {static_cast<int>(width), static_cast<int>(height)};
}

// A picture read by one of Qt's own readers, reduced to the area and made opaque the same way
// as the PNG decoder does it: transparent parts show the window colour. The file is opened the
// way the decoders open it (a FIFO or a device is refused at once), and Qt reads that file.
QImage ReadWithQt(const QString& path, const QByteArray& format, QSize minimum, uint32_t background,
                  const char* invalid) {
  const picture_detail::SourceFile source(LocalName(path), path.toStdString());
  QFile file;
  if (!file.open(source.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    picture_detail::ThrowCannotOpen(path.toStdString(), file.errorString().toStdString());
  QImageReader reader(&file, format);
  // The extension chose the reader: a file that is something else is not quietly accepted.
  if (!format.isEmpty()) reader.setAutoDetectImageFormat(false);
  const QSize size = format == "bmp" ? BitmapHeaderSize(::fileno(source.get())) : reader.size();
  if (size.isValid() && qint64{size.width()} * size.height() * 4 > kMaxQtPictureBytes)
    throw PictureError("The picture is too large to be shown (" + std::to_string(size.width()) +
                       " x " + std::to_string(size.height()) + " pixels)");
  // Qt's own limit (256 MB) would call a valid 9000 x 9000 bitmap invalid.
  reader.setAllocationLimit(static_cast<int>(kMaxQtPictureBytes >> 20) + 1);
  QImage image = reader.read();
  if (image.isNull()) {
    if (invalid != nullptr) throw PictureError(invalid);
    throw PictureError(reader.errorString().toStdString());
  }
  const QSize target(std::min(image.width(), minimum.width()),
                     std::min(image.height(), minimum.height()));
  if (image.size() != target) {
    // Smooth scaling of a palette picture would first copy it whole at four bytes a pixel.
    if (image.depth() < 32)
      image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32
                                                            : QImage::Format_RGB32);
    image = image.scaled(target, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
  }
  if (image.hasAlphaChannel()) {
    QImage opaque(image.size(), QImage::Format_RGB32);
    opaque.fill(QColor::fromRgb(static_cast<QRgb>(background)));
    QPainter painter(&opaque);
    painter.drawImage(0, 0, image);
    painter.end();
    image = opaque;
  }
  return image.convertToFormat(QImage::Format_RGB32);
}

// The desktop's busy cursor while a picture loads, back on every way out.
class BusyCursor {
 public:
  BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~BusyCursor() { QApplication::restoreOverrideCursor(); }
  BusyCursor(const BusyCursor&) = delete;
  BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Colours

void TForm1::N10Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  // The other windows' fields take it when they are next shown.
  for (QWidget* field :
       {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3)})
    SetFieldColour(field, *chosen);
}

void TForm1::N11Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  // The About window takes it when next shown; the settings window keeps its own colour.
  SetWindowColours(context_.windows, this, *chosen);
}

void TForm1::N12Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  MonthCalendar1->SetColour(TMonthCalendar::kMonthBackground, *chosen);
}

// ---------------------------------------------------------------------------------------------
// Default settings (F4). Nothing beyond these six steps: no tool tip or status-bar switch, no
// settings file, no operand field emptied (a clamped slider writes its position there), no
// picture.

void TForm1::N19Click() {
  const WindowSet& w = context_.windows;
  SetWindowColours(w, this, kButtonShadow);

  MonthCalendar1->SetColour(TMonthCalendar::kMonthBackground, kTeal);

  std::vector<QWidget*> fields{Edit1, Edit2, Edit3};
  if (w.Form3 != nullptr) fields.insert(fields.end(), {w.Form3->Edit1, w.Form3->Edit2});
  if (w.Form4 != nullptr)
    fields.insert(fields.end(), {w.Form4->Edit1, w.Form4->Edit2, w.Form4->Edit3});
  if (w.Form5 != nullptr) fields.push_back(w.Form5->Edit1);
  for (QWidget* field : fields)
    if (field != nullptr) SetFieldColour(field, kWhite);

  Slider1().SetMaximum(200);
  Slider1().SetMinimum(0);
  Slider2().SetMaximum(200);
  Slider2().SetMinimum(0);
  AddTick(TrackBar1, 0);
  AddTick(TrackBar2, 0);

  // The range labels size themselves to their text: after a narrow range ("5") the "200"
  // would otherwise be cut off.
  Label12->SetLine(QStringLiteral("0"));
  Label13->SetLine(QStringLiteral("200"));

  if (w.Form6 != nullptr && w.Form6->CheckBox1 != nullptr) w.Form6->CheckBox1->setChecked(true);
}

// ---------------------------------------------------------------------------------------------
// The picture

QImage TForm1::LoadPicture(const QString& path, QSize minimum, uint32_t background) {
  minimum = minimum.expandedTo(QSize(1, 1));
  // The extension is what follows the last "." of the file's own name, not of a folder.
  const QString name = QFileInfo(path).fileName();
  const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
  const QString extension = dot < 0 ? QString() : name.mid(dot + 1);
  const auto is = [&extension](const char* known) {
    return extension.compare(QLatin1String(known), Qt::CaseInsensitive) == 0;
  };

  if (is("jpg") || is("jpeg"))
    return ToImage(DecodeJpegFile(LocalName(path), minimum.width(), minimum.height()));
  if (is("png"))
    return ToImage(
        DecodePngFile(LocalName(path), minimum.width(), minimum.height(), background & 0xFFFFFFu));
  if (is("bmp")) return ReadWithQt(path, "bmp", minimum, background, "Bitmap image is not valid");
  if (is("ico")) return ReadWithQt(path, "ico", minimum, background, "Icon image is not valid");
  if (is("wmf") || is("emf")) {
    const picture_detail::SourceFile opens(LocalName(path), path.toStdString());
    throw PictureError("Windows metafiles cannot be shown on this desktop");
  }
  if (extension.isEmpty()) return ReadWithQt(path, QByteArray(), minimum, background, nullptr);
  throw MessageError("Unknown picture file extension (." + extension.toStdString() + ")");
}

QImage TForm1::BuiltInPicture() {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QSize minimum = PictureMinimum(screen != nullptr ? screen->devicePixelRatio() : 1.0);
  // The usual screen's size was decoded when the program was built: start-up skips the decoder.
  // The image reads the program's own constant pixels, without a copy.
  if (minimum == QSize(kMainPicture.width, kMainPicture.height))
    return QImage(reinterpret_cast<const uchar*>(kMainPicture.pixels), kMainPicture.width,
                  kMainPicture.height, kMainPicture.width * 4, QImage::Format_RGB32);
  return ::BuiltInPicture(QStringLiteral(":/assets/picture.jpg"), minimum.width(),
                          minimum.height());
}

void TForm1::N3Click() {
  const std::optional<std::string> chosen = context_.desktop.PickPictureFile();
  if (!chosen) return;
  const uint32_t background = ToQColor(WindowColour(this)).rgb() & 0xFFFFFFu;
  // Decoded in full first: a failure leaves the old picture where it is.
  const BusyCursor busy;
  QImage picture = LoadPicture(QString::fromStdString(*chosen),
                               PictureMinimum(Image1->devicePixelRatioF()), background);
  Image1->SetPicture(std::move(picture));
}

void TForm1::Image1Click() {
  N3Click();
}
