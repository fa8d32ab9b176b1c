#include "ui/picture_loading/picture_loader.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
#include <QImageReader>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressDialog>
#include <QShortcutEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/faults.h"
#include "pictures/picture.h"

// assets/picture.jpg decoded at build time at the main window's picture area (main_picture.cpp
// in the build directory).
extern const BakedPicture kMainPicture;

namespace {

// The pictures decoders read the file through its local name.
std::string LocalName(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

// The largest picture Qt's readers may build whole (four bytes a pixel): the same cap as the
// JPEG library's, room for 100 megapixels.
constexpr qint64 kMaxQtPictureBytes = qint64{512} << 20;

// The file Qt's readers read: tells `progress` how far the reading has come, and reads nothing
// more once it says stop. The reader then fails, and the caller honours the stop.
class FollowedFile : public QFile {
 public:
  FollowedFile(FILE* file, size_t size, DecodeProgress* progress)
      : file_(file),
        total_(std::max<int64_t>(1, static_cast<int64_t>(size))),
        progress_(progress) {}

  bool Stopped() const { return stopped_; }
  // The whole read: told last, and a stop then is honoured too.
  void Finish() const {
    if (progress_ != nullptr && !progress_->Advance(total_, total_)) throw DecodeCancelled();
  }

 protected:
  qint64 readData(char* data, qint64 most) override {
    if (stopped_) return -1;
    const qint64 got = QFile::readData(data, most);
    // Where the file stands; a reader that looks at the start again has not gone back.
    done_ = std::clamp<int64_t>(std::ftell(file_), done_, total_);
    stopped_ = progress_ != nullptr && !progress_->Advance(done_, total_);
    return got;
  }

 private:
  FILE* file_;
  int64_t total_;
  DecodeProgress* progress_;
  int64_t done_ = 0;
  bool stopped_ = false;
};

// A picture without extension in a format the program's decoders do not know, read by Qt's
// readers, reduced to the area and made opaque the same way as the PNG decoder does it:
// transparent parts show the window colour. The file is opened the way the decoders open it (a
// FIFO or a device is refused at once), and Qt reads that file, followed by `progress`.
QImage ReadWithQt(const QString& path, QSize minimum, uint32_t background,
                  DecodeProgress* progress) {
  const PictureFile source(LocalName(path), path.toStdString());
  FollowedFile file(source.get(), source.Size(), progress);
  if (!file.open(source.get(), QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
    throw CannotOpen(path.toStdString(), file.errorString().toStdString());
  QImageReader reader(&file);
  const QSize size = reader.size();
  if (size.isValid() && qint64{size.width()} * size.height() * 4 > kMaxQtPictureBytes)
    throw TooLarge(size.width(), size.height());
  // Qt's own limit (256 MB) would call a valid 9000 x 9000 picture invalid.
  reader.setAllocationLimit(static_cast<int>(kMaxQtPictureBytes >> 20) + 1);
  QImage image = reader.read();
  if (file.Stopped()) throw DecodeCancelled();
  if (image.isNull()) throw PictureError(reader.errorString().toStdString());
  file.Finish();
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

QImage ToImage(const Picture& picture) {
  QImage image(picture.width, picture.height, QImage::Format_RGB32);
  if (image.isNull() || picture.pixels.size() < static_cast<size_t>(picture.width) *
                                                    static_cast<size_t>(picture.height))
    throw PictureError("Недостаточно памяти, чтобы показать картинку");
  const size_t row_bytes = static_cast<size_t>(picture.width) * sizeof(uint32_t);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(image.scanLine(y),
                picture.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(picture.width),
                row_bytes);
  return image;
}

QSize DevicePixels(QSize area, double ratio) {
  if (!(ratio >= 1.0) || ratio > 16.0) ratio = 1.0;
  return {static_cast<int>(std::ceil(area.width() * ratio)),
          static_cast<int>(std::ceil(area.height() * ratio))};
}

QImage BuiltInPicture(const QString& resource, QSize size) {
  // The usual screen's size was decoded when the program was built: start-up skips the decoder.
  // The image reads the program's own constant pixels, without a copy.
  if (resource == QLatin1String(":/assets/picture.jpg") &&
      size == QSize(kMainPicture.width, kMainPicture.height))
    return QImage(reinterpret_cast<const uchar*>(kMainPicture.pixels), kMainPicture.width,
                  kMainPicture.height, kMainPicture.width * 4, QImage::Format_RGB32);

  QFile file(resource);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray data = file.readAll();
  try {
    return ToImage(DecodeJpegMemory(reinterpret_cast<const unsigned char*>(data.constData()),
                                    static_cast<size_t>(data.size()),
                                    {.min_width = size.width(), .min_height = size.height()}));
  } catch (const MessageError&) {
    return {};
  }
}

QImage ReadPicture(const QString& path, QSize minimum, uint32_t background,
                   DecodeProgress* progress) {
  minimum = minimum.expandedTo(QSize(1, 1));
  const DecodeRequest request{minimum.width(), minimum.height(), background & 0xFFFFFFu, progress};
  if (std::optional<Picture> picture = DecodePictureFile(LocalName(path), request))
    return ToImage(*picture);
  return ReadWithQt(path, minimum, background, progress);
}

namespace {

// What the reading thread tells and the window's thread reads: how far, and whether to stop.
class SharedProgress : public DecodeProgress {
 public:
  bool Advance(int64_t done, int64_t total) override {
    done_.store(done, std::memory_order_relaxed);
    total_.store(total, std::memory_order_relaxed);
    return !stop_.load(std::memory_order_relaxed);
  }
  void Stop() { stop_.store(true, std::memory_order_relaxed); }
  // Per mille of the whole.
  int PerMille() const {
    const int64_t total = total_.load(std::memory_order_relaxed);
    const int64_t done = done_.load(std::memory_order_relaxed);
    return total > 0 ? static_cast<int>(std::clamp<int64_t>(1000 * done / total, 0, 1000)) : 0;
  }

 private:
  std::atomic<int64_t> done_{0};
  std::atomic<int64_t> total_{1};
  std::atomic<bool> stop_{false};
};

constexpr int kDialogDelayMs = 500;
constexpr int kDialogUpdateMs = 50;

// While a picture is read the windows that stood when it began take no input: keys, clicks,
// input-method text and drops meant for them are dropped, never kept for later, where they
// would run commands nobody wants any more. A window shown during the reading (the progress
// dialog, a box, a menu) takes input as usual: one that could not be answered would stand for
// ever. Escape stops the reading from the first moment, also before the dialog shows, as
// «Отмена» does; a close of the window asked meanwhile (by the window manager, Alt+F4, the
// session's end) stops it and is made once it has ended. For half a second after the end an
// Escape is still taken as meant for the reading and dropped.
class ReadingInput : public QObject {
 public:
  ReadingInput(QWidget* window, QWidget* dialog, SharedProgress& progress)
      : window_(window), dialog_(dialog), progress_(&progress) {
    for (QWidget* w : QApplication::topLevelWidgets())
      if (w->isVisible()) standing_.emplace_back(w);
    qApp->installEventFilter(this);
  }
  // Also when the application, lingering, ends with it: no application is left to ask then.
  ~ReadingInput() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeEventFilter(this);
  }
  ReadingInput(const ReadingInput&) = delete;
  ReadingInput& operator=(const ReadingInput&) = delete;

  bool CloseAsked() const { return close_asked_; }

  // The reading has ended: for a while only an Escape meant for it is dropped, then this goes.
  void Linger() {
    progress_ = nullptr;
    dialog_ = nullptr;
    setParent(qApp);
    QTimer::singleShot(kEscapeAfterEndMs, this, &QObject::deleteLater);
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (progress_ == nullptr) return IsEscape(e) && Standing(WindowOf(watched));
    if (e->type() == QEvent::Close && watched == window_) {
      e->ignore();
      close_asked_ = true;
      progress_->Stop();
      return true;
    }
    if (!IsInput(e->type())) return false;
    QWidget* target = WindowOf(watched);
    const bool taken = target != nullptr && target->isVisible() && !Standing(target);
    // Escape stops wherever it lands, but in a window shown meanwhile other than the dialog (a
    // box's Escape answers the box). The dialog itself, when it is not the active window (no
    // window manager made it so), only hides on it.
    if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape &&
        (!taken || target == dialog_))
      progress_->Stop();
    return !taken;
  }

 private:
  static constexpr int kEscapeAfterEndMs = 500;

  static bool IsInput(QEvent::Type type) {
    switch (type) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
      // Composed characters (dead keys, an input method) come as text, not as keys.
      case QEvent::InputMethod:
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
      case QEvent::Wheel:
      case QEvent::ContextMenu:
      case QEvent::DragEnter:
      case QEvent::DragMove:
      case QEvent::Drop:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
      case QEvent::TabletPress:
      case QEvent::TabletRelease:
      case QEvent::TabletMove:
        return true;
      default:
        return false;
    }
  }

  static bool IsEscape(const QEvent* e) {
    switch (e->type()) {
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
        return static_cast<const QKeyEvent*>(e)->key() == Qt::Key_Escape;
      case QEvent::Shortcut:
        return static_cast<const QShortcutEvent*>(e)->key() == QKeySequence(Qt::Key_Escape);
      default:
        return false;
    }
  }

  // The window an event's receiver belongs to: a control's, a window's own, or that of the
  // widget a shortcut or an action hangs on. None for what belongs to no widget.
  static QWidget* WindowOf(QObject* watched) {
    if (auto* handle = qobject_cast<QWindow*>(watched)) {
      for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowHandle() == handle) return w;
      return nullptr;
    }
    for (QObject* o = watched; o != nullptr; o = o->parent())
      if (auto* widget = qobject_cast<QWidget*>(o)) return widget->window();
    return nullptr;
  }

  bool Standing(const QWidget* window) const {
    return window != nullptr &&
           std::any_of(standing_.begin(), standing_.end(),
                       [window](const QPointer<QWidget>& w) { return w == window; });
  }

  QWidget* window_;
  QWidget* dialog_;
  SharedProgress* progress_;
  // The windows visible when the reading began.
  std::vector<QPointer<QWidget>> standing_;
  bool close_asked_ = false;
};

}  // namespace

QImage LoadPicture(const QString& path, QSize minimum, uint32_t background, QWidget* window) {
  return ReadOffTheWindowsThread(window, [&](DecodeProgress& progress) {
    return ReadPicture(path, minimum, background, &progress);
  });
}

QImage ReadOffTheWindowsThread(QWidget* window,
                               const std::function<QImage(DecodeProgress&)>& read) {
  const BusyCursor busy;
  SharedProgress progress;
  QImage image;
  std::exception_ptr failure;
  QEventLoop loop;
  std::unique_ptr<QThread> reader(QThread::create([&] {
    try {
      image = read(progress);
    } catch (...) {
      failure = std::current_exception();
    }
  }));
  QObject::connect(reader.get(), &QThread::finished, &loop, &QEventLoop::quit);

  QProgressDialog dialog(QStringLiteral("Загрузка картинки…"), QStringLiteral("Отмена"), 0, 1000,
                         window);
  dialog.setWindowTitle(QStringLiteral("Tallymate 3.1"));
  // Not modal: the desktop would then hold back a close of the window, which must stop the
  // reading. The input the other windows would get is dropped meanwhile instead.
  dialog.setWindowModality(Qt::NonModal);
  dialog.setAutoClose(false);
  dialog.setAutoReset(false);
  // The dialog shows when this function says, not by its own estimate.
  dialog.setMinimumDuration(std::numeric_limits<int>::max());
  // A screen reader says a dialog's title and its focused button; the text is said with the
  // dialog as its description.
  dialog.setAccessibleDescription(dialog.labelText());
  QObject::connect(&dialog, &QProgressDialog::canceled, [&progress] { progress.Stop(); });
  QObject::connect(&dialog, &QDialog::rejected, [&progress] { progress.Stop(); });
  QTimer update;
  QObject::connect(&update, &QTimer::timeout, &dialog,
                   [&] { dialog.setValue(progress.PerMille()); });
  QTimer show;
  show.setSingleShot(true);
  QObject::connect(&show, &QTimer::timeout, &dialog, [&] {
    dialog.setValue(progress.PerMille());
    dialog.show();
    update.start(kDialogUpdateMs);
  });

  bool close_asked = false;
  {
    // Outlives this function by half a second (Linger); until then it is this function's.
    std::unique_ptr<ReadingInput> owned = std::make_unique<ReadingInput>(window, &dialog, progress);
    ReadingInput* input = owned.get();
    reader->start();
    show.start(kDialogDelayMs);
    if (!reader->isFinished()) loop.exec();
    // A loop that ends before the reading does was ended by the program's end (the desktop's
    // session is over): the reading stops as with "Отмена".
    if (!reader->isFinished()) progress.Stop();
    reader->wait();
    show.stop();
    update.stop();
    dialog.hide();
    // Keys and clicks the desktop had queued for the program until now came during the reading:
    // they are dropped with the rest.
    QGuiApplication::sync();
    close_asked = input->CloseAsked();
    owned.release()->Linger();
  }
  if (close_asked) QMetaObject::invokeMethod(window, &QWidget::close, Qt::QueuedConnection);
  if (failure) std::rethrow_exception(failure);
  return image;
}
