// The main window's appearance: the colour commands, the default settings (F4), the picture
// command and the month calendar, with a recorder in place of the dialogs.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QCursor>
#include <QDir>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QImage>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QToolTip>
#include <atomic>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "pictures/picture.h"
#include "pictures/progress.h"
#include "tests/support/cases.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/base/announcer.h"
#include "ui/base/colors.h"
#include "ui/controls/model_slider.h"
#include "ui/controls/month_calendar.h"
#include "ui/controls/picture_box.h"
#include "ui/picture_loading/picture_loader.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

using Event = RecordingDesktop::Event;

constexpr uint32_t kRed = 0x0000FF;  // 0x00BBGGRR
constexpr uint32_t kGreen = 0x00FF00;
constexpr uint32_t kOlive = 0x008080;

// All windows of the program, made and shown the way the program start does it, with the
// settings file in a private folder.
class Windows : public TestProgram {
 public:
  Windows() { desktop.Clear(); }

  const WindowSet& w() const { return windows(); }
  QString File(const QString& name) const { return dir + QLatin1Char('/') + name; }
  bool SettingsFileExists() const { return QFile::exists(path); }

  const QString dir = folder.path();
};

// What the error box showed since the last Clear().
std::vector<std::string> Errors(const RecordingDesktop& d) {
  return d.Texts(Event::Error);
}

// ---------------------------------------------------------------------------------------------
// Colour commands

struct ColourCommand {
  const char* name;
  QAction* TForm1::*action;
};

const ColourCommand kColourCommands[] = {{"fields (N10)", &TForm1::N10},
                                         {"windows (N11)", &TForm1::N11},
                                         {"calendar (N12)", &TForm1::N12}};

// The three reference colours of the main window.
struct References {
  uint32_t window, edit1, edit2, edit3, calendar;
  bool operator==(const References&) const = default;
};

References Read(const TForm1& f) {
  return {WindowColour(&f), FieldColour(f.Edit1), FieldColour(f.Edit2), FieldColour(f.Edit3),
          f.MonthCalendar1->Colour(MonthCalendar::kMonthBackground)};
}

TEST(ColourCommands, CancelOnFirstUseChangesNothingAndPicksFromBlack) {
  ForEachCase(kColourCommands, [](const ColourCommand& c) {
    Windows app;
    const References before = Read(app.main());
    (app.main().*c.action)->trigger();
    EXPECT_EQ(app.desktop.events, (std::vector<Event>{{Event::PickColour, "0"}}));
    EXPECT_EQ(Read(app.main()), before);
  });
}

TEST(ColourCommands, PickerOpensWithTheColourLastConfirmedInAnyOfTheThree) {
  ForEachCase(kColourCommands, [](const ColourCommand& first) {
    ForEachCase(kColourCommands, [&first](const ColourCommand& then) {
      Windows app;
      app.desktop.colour_answers = {kOlive, std::nullopt, std::nullopt};
      (app.main().*first.action)->trigger();
      // A cancel in between does not move the preselection.
      (app.main().*first.action)->trigger();
      (app.main().*then.action)->trigger();
      EXPECT_EQ(app.desktop.Texts(Event::PickColour),
                (std::vector<std::string>{"0", std::to_string(kOlive), std::to_string(kOlive)}));
      EXPECT_TRUE(Errors(app.desktop).empty());
    });
  });
}

TEST(ColourCommands, EachRecoloursOnlyItsOwnPart) {
  Windows app;
  TForm1& f = app.main();
  const References start = Read(f);
  app.desktop.colour_answers = {kRed, kGreen, kOlive};

  f.N10->trigger();
  References expected = start;
  expected.edit1 = expected.edit2 = expected.edit3 = kRed;
  EXPECT_EQ(Read(f), expected);
  EXPECT_EQ(f.Edit2->palette().color(QPalette::Base), QColor(255, 0, 0));

  f.N11->trigger();
  expected.window = kGreen;
  EXPECT_EQ(Read(f), expected);
  EXPECT_EQ(f.palette().color(QPalette::Window), QColor(0, 255, 0));

  f.N12->trigger();
  expected.calendar = kOlive;
  EXPECT_EQ(Read(f), expected);
  for (int i : {0, 1, 2, 3, 5})
    EXPECT_EQ(f.MonthCalendar1->Colour(i), MonthCalendar(nullptr).Colour(i)) << i;
}

TEST(ColourCommands, WindowColourReachesOpenAndHiddenCalculationWindowsAtOnce) {
  Windows app;
  const WindowSet& w = app.w();
  w.Form3->ShowForm();
  const uint32_t form6 = WindowColour(w.Form6);
  const uint32_t form2 = WindowColour(w.Form2);
  app.desktop.colour_answers = {kOlive};
  app.main().N11->trigger();

  EXPECT_EQ(WindowColour(w.Form3), kOlive);
  EXPECT_EQ(w.Form3->palette().color(QPalette::Window), ToQColor(kOlive));
  EXPECT_EQ(WindowColour(w.Form4), kOlive);
  EXPECT_EQ(WindowColour(w.Form5), kOlive);
  EXPECT_EQ(WindowColour(w.Form2), form2);
  EXPECT_EQ(WindowColour(w.Form6), form6);

  // The About window takes it when it is next shown; the settings window never does.
  w.Form2->show();
  EXPECT_EQ(WindowColour(w.Form2), kOlive);
  w.Form2->hide();
  w.Form6->ShowForm();
  EXPECT_EQ(WindowColour(w.Form6), kButtonShadow);
}

TEST(ColourCommands, FieldColourWaitsForAnOpenWindowToBeShownAgain) {
  Windows app;
  const WindowSet& w = app.w();
  w.Form4->ShowForm();
  const uint32_t old = FieldColour(w.Form4->Edit1);
  app.desktop.colour_answers = {kRed};
  app.main().N10->trigger();
  EXPECT_EQ(FieldColour(w.Form4->Edit1), old);
  EXPECT_EQ(FieldColour(w.Form4->Edit3), old);

  w.Form4->close();
  w.Form4->ShowForm();
  EXPECT_EQ(FieldColour(w.Form4->Edit1), kRed);
  EXPECT_EQ(FieldColour(w.Form4->Edit2), kRed);
  EXPECT_EQ(FieldColour(w.Form4->Edit3), kRed);
}

// ---------------------------------------------------------------------------------------------
// Default settings (F4)

TEST(DefaultSettings, RestoresEveryListedColourAndTheCheckBox) {
  Windows app;
  TForm1& f = app.main();
  const WindowSet& w = app.w();
  app.desktop.colour_answers = {kRed, kGreen, kOlive};
  f.N10->trigger();
  f.N11->trigger();
  f.N12->trigger();
  for (QWidget* form : std::vector<QWidget*>{w.Form3, w.Form4, w.Form5})
    if (auto* t = qobject_cast<SecondaryWindow*>(form)) t->ShowForm();
  w.Form6->CheckBox1->setChecked(false);
  ASSERT_EQ(FieldColour(w.Form3->Edit1), kRed);

  f.N19->trigger();

  for (QWidget* form : std::vector<QWidget*>{&f, w.Form3, w.Form4, w.Form5}) {
    EXPECT_EQ(WindowColour(form), kButtonShadow) << form->objectName().toStdString();
    // The button-shadow colour is the desktop palette's dark shade.
    EXPECT_EQ(form->palette().color(QPalette::Window),
              QApplication::palette().color(QPalette::Dark));
  }
  EXPECT_EQ(f.MonthCalendar1->Colour(MonthCalendar::kMonthBackground), kTeal);
  const std::vector<QWidget*> fields{f.Edit1,        f.Edit2,        f.Edit3,
                                     w.Form3->Edit1, w.Form3->Edit2, w.Form4->Edit1,
                                     w.Form4->Edit2, w.Form4->Edit3, w.Form5->Edit1};
  for (size_t i = 0; i < fields.size(); ++i) {
    EXPECT_EQ(FieldColour(fields[i]), kWhite) << i;
    EXPECT_EQ(fields[i]->palette().color(QPalette::Base), QColor(255, 255, 255)) << i;
  }
  EXPECT_TRUE(w.Form6->CheckBox1->isChecked());
  EXPECT_EQ(f.Label12->text(), "0");
  EXPECT_EQ(f.Label13->text(), "200");
  EXPECT_TRUE(Errors(app.desktop).empty());
}

TEST(DefaultSettings, TouchesNothingElse) {
  Windows app;
  TForm1& f = app.main();
  const WindowSet& w = app.w();
  // The About and settings windows follow only when shown; the settings window's fields too.
  app.desktop.colour_answers = {kRed};
  f.N10->trigger();
  w.Form6->ShowForm();
  w.Form6->close();
  const uint32_t form6_field = FieldColour(w.Form6->Edit1);
  const uint32_t form6_window = WindowColour(w.Form6);
  const uint32_t form2_window = WindowColour(w.Form2);
  TForm1::SetToolTipOn(f.TrackBar1, false);
  TForm1::SetToolTipOn(f.TrackBar2, false);
  f.SetSimpleMode(false);
  f.Edit1->setText(QStringLiteral("12,5"));
  f.Edit2->setText(QStringLiteral("7"));
  f.Edit3->setText(QStringLiteral("19,5"));
  const qint64 picture = f.Image1->Picture().cacheKey();
  ASSERT_FALSE(app.SettingsFileExists());
  app.desktop.Clear();

  f.N19->trigger();

  EXPECT_EQ(f.Edit1->text(), "12,5");
  EXPECT_EQ(f.Edit2->text(), "7");
  EXPECT_EQ(f.Edit3->text(), "19,5");
  EXPECT_FALSE(TForm1::ToolTipOn(f.TrackBar1));
  EXPECT_FALSE(TForm1::ToolTipOn(f.TrackBar2));
  EXPECT_FALSE(f.SimpleMode());
  EXPECT_EQ(f.Image1->Picture().cacheKey(), picture);
  EXPECT_EQ(FieldColour(w.Form6->Edit1), form6_field);
  EXPECT_EQ(WindowColour(w.Form6), form6_window);
  EXPECT_EQ(WindowColour(w.Form2), form2_window);
  EXPECT_FALSE(app.SettingsFileExists());
  EXPECT_TRUE(app.desktop.events.empty());
}

TEST(DefaultSettings, RangeLabelsFitTheirNewText) {
  Windows app;
  TForm1& f = app.main();
  TForm6& settings = *app.w().Form6;
  // A one-value range leaves both labels as narrow as a single digit.
  settings.ShowForm();
  settings.Edit1->setText(QStringLiteral("5"));
  settings.Edit2->setText(QStringLiteral("5"));
  settings.Button1Click();
  ASSERT_EQ(f.Label13->text(), "5");

  f.N19->trigger();

  for (QLabel* label : {f.Label12, f.Label13}) {
    EXPECT_GE(label->width(), label->sizeHint().width()) << label->text().toStdString();
    EXPECT_GE(label->height(), label->sizeHint().height()) << label->text().toStdString();
  }
  EXPECT_EQ(f.Label13->text(), "200");
}

struct SliderCase {
  const char* name;
  int32_t min, max, position;              // the first slider before F4
  int32_t new_min, new_max, new_position;  // after
  const char* edit1;                       // Edit1 afterwards ("typed" when left alone)
};

TEST(DefaultSettings, SlidersFollowTheSliderRules) {
  const SliderCase kCases[] = {
      {"ClampedDownWritesTheField", 0, 500, 450, 0, 200, 200, "200"},
      {"MaximumBelowMinimumIsIgnored", 300, 500, 300, 0, 500, 300, "typed"},
      {"StartDefaultKeepsPosition", 100, 100, 100, 0, 200, 100, "typed"},
      {"NegativeClampedUpToZero", -50, -10, -10, 0, 200, 0, "0"},
      {"AlreadyDefault", 0, 200, 37, 0, 200, 37, "typed"}};
  ForEachCase(kCases, [](const SliderCase& c) {
    Windows app;
    TForm1& f = app.main();
    for (SliderModel* s : {&f.Slider1(), &f.Slider2()}) {
      // Wide enough first, so that both bounds and the position can be placed.
      s->SetMinimum(-100000);
      s->SetMaximum(100000);
      s->SetMinimum(c.min);
      s->SetMaximum(c.max);
      s->UserMovement(c.position);
    }
    f.Edit1->setText(QStringLiteral("typed"));
    f.Edit2->setText(QStringLiteral("typed"));

    f.N19->trigger();

    for (SliderModel* s : {&f.Slider1(), &f.Slider2()}) {
      EXPECT_EQ(s->Minimum(), c.new_min);
      EXPECT_EQ(s->Maximum(), c.new_max);
      EXPECT_EQ(s->Position(), c.new_position);
    }
    // The on-screen sliders show the new range.
    EXPECT_EQ(f.TrackBar1->maximum(), c.new_max);
    EXPECT_EQ(f.TrackBar1->minimum(), c.new_min);
    EXPECT_EQ(f.TrackBar2->value(), c.new_position);
    EXPECT_EQ(f.Edit1->text().toStdString(), c.edit1);
    EXPECT_EQ(f.Edit2->text().toStdString(), c.edit1);
    EXPECT_EQ(f.Label12->text(), "0");
    EXPECT_EQ(f.Label13->text(), "200");
  });
}

// ---------------------------------------------------------------------------------------------
// The picture command

// A picture of two halves, left and right, so that stretching can be seen.
QImage Halves(int width, int height, QColor left, QColor right) {
  QImage image(width, height, QImage::Format_RGB32);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) image.setPixelColor(x, y, x < width / 2 ? left : right);
  return image;
}

void Save(const QImage& image, const QString& path, const char* format) {
  ASSERT_TRUE(image.save(path, format, 95)) << path.toStdString();
}

bool Near(QColor a, QColor b, int tolerance = 24) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

// Which decoder reads which file, and what each refusal says, are the pictures tests' tables
// (tests/pictures/picture_format_test.cpp): here one picture and one failure go the whole way
// through the window.
TEST(PictureCommand, ReplacesThePictureAndStretchesIt) {
  Windows app;
  TForm1& f = app.main();
  const QString path = app.File(QStringLiteral("photo.jpg"));
  Save(Halves(64, 16, Qt::red, Qt::blue), path, "JPEG");
  app.desktop.file_answers = {path.toStdString()};

  f.N3->trigger();

  EXPECT_EQ(app.desktop.events, (std::vector<Event>{{Event::PickPictureFile, ""}}));
  ASSERT_FALSE(f.Image1->Picture().isNull());
  // Drawn over the whole area without keeping the proportions: each half fills half of it.
  const QImage shown = f.Image1->grab().toImage();
  ASSERT_EQ(shown.size(), QSize(209, 145) * f.Image1->devicePixelRatioF());
  EXPECT_TRUE(Near(shown.pixelColor(10, 10), Qt::red));
  EXPECT_TRUE(Near(shown.pixelColor(10, shown.height() - 10), Qt::red));
  EXPECT_TRUE(Near(shown.pixelColor(shown.width() - 10, shown.height() / 2), Qt::blue));
}

TEST(PictureCommand, PictureClickRunsTheSameCommand) {
  Windows app;
  TForm1& f = app.main();
  const QString path = app.File(QStringLiteral("click.bmp"));
  Save(Halves(8, 8, Qt::green, Qt::green), path, "BMP");
  app.desktop.file_answers = {path.toStdString()};
  QTest::mouseClick(f.Image1, Qt::LeftButton, {}, QPoint(100, 70));
  EXPECT_EQ(app.desktop.Texts(Event::PickPictureFile).size(), 1u);
  EXPECT_TRUE(Near(f.Image1->Picture().pixelColor(0, 0), Qt::green));
}

// A FIFO that nobody writes to, without extension: opened the usual way anywhere on the way from
// the command to the decoders, it would wait for ever.
TEST(PictureCommand, AFailureShowsTheErrorAndKeepsTheOldPicture) {
  Windows app;
  TForm1& f = app.main();
  const QString path = app.File(QStringLiteral("fifo"));
  ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  // A picture of the user's first, so that keeping the old one is more than keeping nothing.
  const QString first = app.File(QStringLiteral("first.bmp"));
  Save(Halves(8, 8, Qt::green, Qt::green), first, "BMP");
  app.desktop.file_answers = {first.toStdString(), path.toStdString()};
  f.N3->trigger();
  const qint64 before = f.Image1->Picture().cacheKey();
  ASSERT_TRUE(Near(f.Image1->Picture().pixelColor(0, 0), Qt::green));

  f.N3->trigger();

  // The whole path as chosen, and the error box's point after the decoder's message.
  EXPECT_EQ(Errors(app.desktop),
            (std::vector<std::string>{"Cannot open file \"" + path.toStdString() +
                                      "\". Not a regular file."}));
  EXPECT_EQ(f.Image1->Picture().cacheKey(), before);
  EXPECT_TRUE(Near(f.Image1->grab().toImage().pixelColor(100, 70), Qt::green));
}

TEST(PictureCommand, CancelChangesNothing) {
  Windows app;
  TForm1& f = app.main();
  const qint64 before = f.Image1->Picture().cacheKey();
  f.N3->trigger();
  EXPECT_EQ(app.desktop.events, (std::vector<Event>{{Event::PickPictureFile, ""}}));
  EXPECT_EQ(f.Image1->Picture().cacheKey(), before);
}

TEST(PictureCommand, TransparencyShowsTheWindowColour) {
  Windows app;
  TForm1& f = app.main();
  app.desktop.colour_answers = {kOlive};
  f.N11->trigger();
  QImage clear(20, 20, QImage::Format_ARGB32);
  clear.fill(Qt::transparent);
  const char* const kFiles[] = {"clear.png", "clear.ico"};
  ForEachCase(kFiles, [&](const char* name) {
    const QString path = app.File(QString::fromLatin1(name));
    Save(clear, path, name[6] == 'p' ? "PNG" : "ICO");
    app.desktop.file_answers = {path.toStdString()};
    f.N3->trigger();
    EXPECT_TRUE(Errors(app.desktop).empty());
    EXPECT_EQ(f.Image1->Picture().pixelColor(5, 5), ToQColor(kOlive));
  });
}

TEST(LoadPicture, LargePicturesAreReducedToTheAreaWhileDecoding) {
  QTemporaryDir dir;
  const QImage big = Halves(1000, 800, Qt::red, Qt::blue);
  const char* const kFormats[] = {"JPEG", "PNG", "BMP"};
  ForEachCase(kFormats, [&](const char* format) {
    const QString path = dir.filePath(QStringLiteral("big.") + QString::fromLatin1(format));
    Save(big, path, format);
    const QImage loaded = ReadPicture(path, QSize(209, 145), 0);
    EXPECT_GE(loaded.width(), 209);
    EXPECT_GE(loaded.height(), 145);
    EXPECT_LT(loaded.width(), 500);
    EXPECT_LT(loaded.height(), 400);
  });
  // A picture smaller than the area keeps its own size.
  const QString small = dir.filePath(QStringLiteral("small.bmp"));
  Save(Halves(30, 20, Qt::red, Qt::blue), small, "BMP");
  EXPECT_EQ(ReadPicture(small, QSize(209, 145), 0).size(), QSize(30, 20));
}

// The 54-byte header of an uncompressed bottom-up 24-bit bitmap.
QByteArray BmpHeader(int width, int height) {
  const quint32 row = (static_cast<quint32>(width) * 3 + 3) & ~3u;
  const quint32 image = row * static_cast<quint32>(height);
  QByteArray h(54, '\0');
  const auto put = [&h](int at, quint32 value, int bytes) {
    for (int i = 0; i < bytes; ++i) h[at + i] = static_cast<char>(value >> (8 * i));
  };
  h[0] = 'B';
  h[1] = 'M';
  put(2, 54 + image, 4);
  put(10, 54, 4);
  put(14, 40, 4);
  put(18, static_cast<quint32>(width), 4);
  put(22, static_cast<quint32>(height), 4);
  put(26, 1, 2);
  put(28, 24, 2);
  put(34, image, 4);
  return h;
}

// A picture of `side` x `side` pixels written row by row, red left half, blue right half: a PPM
// or a bottom-up 24-bit bitmap.
void WriteHalves(const QString& path, int side, bool ppm) {
  std::ofstream out(QFile::encodeName(path).toStdString(), std::ios::binary);
  const QByteArray header = ppm ? QByteArray("P6\n") + QByteArray::number(side) + ' ' +
                                      QByteArray::number(side) + "\n255\n"
                                : BmpHeader(side, side);
  out.write(header.constData(), header.size());
  // Red is the first byte of a PPM pixel and the last of a bitmap's.
  std::string row(static_cast<size_t>(side) * 3, '\0');
  for (int x = 0; x < side; ++x)
    row[static_cast<size_t>(x) * 3 + ((x < side / 2) == ppm ? 0 : 2)] = '\xFF';
  for (int y = 0; y < side; ++y) out.write(row.data(), static_cast<std::streamsize>(row.size()));
  ASSERT_TRUE(out.flush());
}

// Valid pictures too big for a reader that builds them whole at four bytes a pixel under Qt's
// own limit of 256 MB are shown, not called invalid: a bitmap of 282 MB as 32-bit pixels, which
// the program's decoder shrinks while it reads, and a PPM of 324 MB without extension, which Qt's
// reader builds whole.
struct LargeCase {
  const char* name;
  const char* file;
  int side;
  bool ppm;     // else a bitmap
  QSize shown;  // at least the area: 209 x 145
};

TEST(LoadPicture, LargePicturesLoad) {
  // The bitmap by whole factors: 8400 / 40 = 210 columns, 8400 / 57 = 147 rows. The PPM by Qt's
  // reader, then scaling to the area itself.
  const LargeCase kCases[] = {{"Bitmap", "big.bmp", 8400, false, QSize(210, 147)},
                              {"PpmWithoutExtension", "big", 9000, true, QSize(209, 145)}};
  ForEachCase(kCases, [](const LargeCase& c) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QString::fromLatin1(c.file));
    WriteHalves(path, c.side, c.ppm);
    const QImage loaded = ReadPicture(path, QSize(209, 145), 0);
    ASSERT_EQ(loaded.size(), c.shown);
    EXPECT_TRUE(Near(loaded.pixelColor(5, 70), Qt::red));
    EXPECT_TRUE(Near(loaded.pixelColor(c.shown.width() - 6, 70), Qt::blue));
  });
}

// Keeps what it is told and answers false at the `stop_at`-th call (0: never).
class Recorder : public DecodeProgress {
 public:
  explicit Recorder(int stop_at = 0) : stop_at_(stop_at) {}
  bool Advance(int64_t done, int64_t total) override {
    grows = grows && done >= last_done && done <= total;
    last_done = done;
    return ++calls != stop_at_;
  }
  int calls = 0;
  int64_t last_done = 0;
  bool grows = true;

 private:
  int stop_at_;
};

// A file without extension that Qt's readers decode is followed and stopped like the program's
// own decoders: its progress grows while it is read, and a stop ends the reading there.
TEST(LoadPicture, QtsReadersTellTheirProgressAndStop) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("photo"));
  WriteHalves(path, 1000, true);
  Recorder whole;
  EXPECT_EQ(ReadPicture(path, QSize(209, 145), 0, &whole).size(), QSize(209, 145));
  EXPECT_TRUE(whole.grows);
  ASSERT_GE(whole.calls, 10);
  for (const int stop_at : {1, whole.calls / 2}) {
    Recorder stopping(stop_at);
    EXPECT_THROW(ReadPicture(path, QSize(209, 145), 0, &stopping), DecodeCancelled) << stop_at;
    EXPECT_EQ(stopping.calls, stop_at);
  }
}

// The busy cursor shows only while the picture loads: it is gone after a picture, an error
// and a cancel alike.
TEST(PictureCommand, BusyCursorIsGoneOnEveryWayOut) {
  Windows app;
  TForm1& f = app.main();
  const QString good = app.File(QStringLiteral("good.bmp"));
  Save(Halves(8, 8, Qt::green, Qt::green), good, "BMP");
  app.desktop.file_answers = {good.toStdString(),
                              app.File(QStringLiteral("missing.jpg")).toStdString(),
                              app.File(QStringLiteral("x.gif")).toStdString()};
  for (int i = 0; i < 4; ++i) {  // the fourth has no answer left: cancelled
    f.N3->trigger();
    EXPECT_EQ(QApplication::overrideCursor(), nullptr) << i;
  }
  EXPECT_EQ(Errors(app.desktop).size(), 2u);
}

// A screen reader hears that a new picture shows, which the eye sees in the picture area; an
// error speaks through its box, and a cancelled file dialog says nothing.
TEST(PictureCommand, AScreenReaderHearsThatTheNewPictureShows) {
  Windows app;
  TForm1& f = app.main();
  auto* announcer = f.findChild<Announcer*>();
  ASSERT_NE(announcer, nullptr);
  const QString good = app.File(QStringLiteral("good.bmp"));
  Save(Halves(8, 8, Qt::green, Qt::green), good, "BMP");
  app.desktop.file_answers = {good.toStdString(), app.File(QStringLiteral("x.gif")).toStdString()};
  const char* const said[] = {"Новая картинка показана", "", ""};  // picture, error, cancel
  for (const char* expected : said) {
    announcer->setAccessibleName(QString());
    f.N3->trigger();
    QCoreApplication::processEvents();
    EXPECT_EQ(announcer->accessibleName().toStdString(), expected);
  }
  EXPECT_EQ(Errors(app.desktop).size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Reading a picture off the window's thread

// The progress dialog of a picture being read, once it shows.
QProgressDialog* ShownProgress() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* dialog = qobject_cast<QProgressDialog*>(w); dialog != nullptr && dialog->isVisible())
      return dialog;
  return nullptr;
}

// What the user met while the picture command ran, looked at every 20 ms from inside it.
struct WhileReading {
  bool busy_cursor = false;
  QString title, label, button;
  QElapsedTimer since_escape;
  QTimer poll;

  // Presses Escape on the dialog as soon as it shows, when `stop` is set.
  explicit WhileReading(bool stop) {
    poll.setInterval(20);
    QObject::connect(&poll, &QTimer::timeout, [this, stop] {
      const QCursor* cursor = QApplication::overrideCursor();
      busy_cursor = busy_cursor || (cursor != nullptr && cursor->shape() == Qt::WaitCursor);
      QProgressDialog* dialog = ShownProgress();
      if (dialog == nullptr || !title.isEmpty()) return;
      title = dialog->windowTitle();
      if (auto* text = dialog->findChild<QLabel*>()) label = text->text();
      if (auto* cancel = dialog->findChild<QPushButton*>()) button = cancel->text();
      if (!stop) return;
      since_escape.start();
      QTest::keyClick(dialog, Qt::Key_Escape);
    });
    poll.start();
  }
};

// A reading that goes on, a step every millisecond, until it is told to stop; after 20 s it ends
// by itself, so that a stop that never arrives fails the test instead of hanging it.
QImage Endless(DecodeProgress& progress, std::atomic<int>& steps) {
  QElapsedTimer clock;
  clock.start();
  for (int64_t done = 0; clock.elapsed() < 20000; ++done) {
    picture_detail::Report(&progress, done % 1000, 1000);
    ++steps;
    QThread::msleep(1);
  }
  return QImage(1, 1, QImage::Format_RGB32);
}

TEST(PictureReading, ALongOneShowsItsProgressAndEscapeStopsItLeavingEverythingAsItWas) {
  Windows app;
  TForm1& f = app.main();
  const AllowDialogs dialogs;
  std::atomic<int> steps = 0;
  WhileReading reading(true);
  // The window's own timers go on meanwhile: the window answers while it waits.
  int ticks = 0;
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&ticks] { ++ticks; });
  tick.start(10);
  EXPECT_THROW(ReadOffTheWindowsThread(&f, [&](DecodeProgress& p) { return Endless(p, steps); }),
               DecodeCancelled);

  EXPECT_EQ(reading.title, QStringLiteral("Tallymate 3.1"));
  EXPECT_EQ(reading.label, QStringLiteral("Загрузка картинки…"));
  EXPECT_EQ(reading.button, QStringLiteral("Отмена"));
  EXPECT_TRUE(reading.busy_cursor);
  EXPECT_GT(steps.load(), 0);
  EXPECT_GT(ticks, 10);
  ASSERT_TRUE(reading.since_escape.isValid());
  // The reading is asked at every step; a generous bound for the stop to arrive.
  EXPECT_LT(reading.since_escape.elapsed(), 1000);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(ShownProgress(), nullptr);
}

TEST(PictureReading, AFailureComesBackToTheWindowsThread) {
  Windows app;
  EXPECT_THROW(ReadOffTheWindowsThread(&app.main(),
                                       [](DecodeProgress&) -> QImage {
                                         throw PictureError("Bitmap image is not valid");
                                       }),
               PictureError);
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST(PictureReading, AQuickOneShowsNoDialog) {
  Windows app;
  TForm1& f = app.main();
  const QString small = app.File(QStringLiteral("small.bmp"));
  Save(Halves(40, 30, Qt::red, Qt::blue), small, "BMP");
  app.desktop.file_answers = {small.toStdString()};

  WhileReading reading(false);
  f.N3->trigger();

  EXPECT_TRUE(reading.title.isEmpty());
  EXPECT_TRUE(Near(f.Image1->Picture().pixelColor(0, 0), Qt::red));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// The bar of the progress dialog shows the share of the work done: at half of it, half.
TEST(PictureReading, TheBarAtHalfTheWorkShowsHalf) {
  Windows app;
  const AllowDialogs dialogs;
  std::atomic<bool> seen = false;
  double shown = -1;
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QProgressDialog* dialog = ShownProgress();
    auto* bar = dialog != nullptr ? dialog->findChild<QProgressBar*>() : nullptr;
    if (bar == nullptr || seen) return;
    shown = double(bar->value() - bar->minimum()) / (bar->maximum() - bar->minimum());
    seen = true;
  });
  poll.start(20);
  ReadOffTheWindowsThread(&app.main(), [&seen](DecodeProgress& progress) {
    QElapsedTimer clock;
    clock.start();
    // Until the dialog is seen; after 20 s the reading ends by itself and the test fails.
    while (!seen && clock.elapsed() < 20000) {
      picture_detail::Report(&progress, 3, 6);
      QThread::msleep(1);
    }
    return QImage(1, 1, QImage::Format_RGB32);
  });
  EXPECT_NEAR(shown, 0.5, 0.01);
}

// What the user does while a picture is read, before its dialog shows and after: Escape stops
// the reading, a close of the window stops it and then closes the window as a close does (the
// settings written), and keys, composed text and drops meant for the window are dropped rather
// than typed afterwards; a window shown meanwhile takes its keys.
struct DuringReading {
  const char* name;
  int at_ms;  // the dialog shows at 500 ms; kEscapeAfterEnd: after the reading ended
  enum Action {
    kEscape,
    kClose,
    kType,
    kCommandKey,
    kComposed,
    kDrop,
    kClickCancel,
    kSpaceOnCancel,
    kEscapeAfterEnd,
    kBox
  } action;
  bool stops, closes;
};

TEST(PictureReading, WhatTheUserDoesMeanwhileIsHonouredAndLeavesNoInputForLater) {
  // The command key is the powers window's, just after the file dialog closed; the Escape after
  // the end is meant for the dialog that has just closed.
  const DuringReading kCases[] = {
      {"EscapeBeforeTheDialog", 100, DuringReading::kEscape, true, false},
      {"CloseBeforeTheDialog", 100, DuringReading::kClose, true, true},
      {"CloseWithTheDialog", 800, DuringReading::kClose, true, true},
      {"TypingBeforeTheDialog", 100, DuringReading::kType, false, false},
      {"TypingWithTheDialog", 800, DuringReading::kType, false, false},
      {"CommandKeyBeforeTheDialog", 150, DuringReading::kCommandKey, false, false},
      {"ComposedCharacterWithTheDialog", 800, DuringReading::kComposed, false, false},
      {"DropWithTheDialog", 800, DuringReading::kDrop, false, false},
      {"ClickOnCancel", 800, DuringReading::kClickCancel, true, false},
      {"SpaceOnCancel", 800, DuringReading::kSpaceOnCancel, true, false},
      {"EscapeJustAfterTheEnd", 200, DuringReading::kEscapeAfterEnd, false, false},
      {"BoxShownMeanwhile", 800, DuringReading::kBox, false, false}};
  ForEachCase(kCases, [](const DuringReading& c) {
    Windows app;
    TForm1& f = app.main();
    const AllowDialogs dialogs;
    f.Edit1->setText(QStringLiteral("12"));
    f.Edit1->setFocus();
    std::atomic<int> steps = 0;
    std::atomic<bool> bounded = false;
    bool box_answered = false;
    const QObject timers;  // the timers end with the case
    QTimer::singleShot(c.at_ms, &timers, [&] {
      if (c.action == DuringReading::kEscape) QTest::keyClick(f.Edit1, Qt::Key_Escape);
      if (c.action == DuringReading::kClose) f.close();
      if (c.action == DuringReading::kType) QTest::keyClicks(f.Edit1, QStringLiteral("x7"));
      if (c.action == DuringReading::kCommandKey)
        QTest::keyClick(f.Edit1, Qt::Key_D, Qt::ControlModifier);
      if (c.action == DuringReading::kComposed) {
        // A dead key and a letter, as the input method hands them on.
        QInputMethodEvent composed;
        composed.setCommitString(QStringLiteral("é"));
        QCoreApplication::sendEvent(f.Edit1, &composed);
      }
      if (c.action == DuringReading::kDrop) {
        QMimeData text;
        text.setText(QStringLiteral("7"));
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.Edit1, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &text, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(f.Edit1, &drop);
      }
      QPushButton* cancel = ShownProgress() ? ShownProgress()->findChild<QPushButton*>() : nullptr;
      if (c.action == DuringReading::kClickCancel && cancel)
        QTest::mouseClick(cancel, Qt::LeftButton);
      if (c.action == DuringReading::kSpaceOnCancel && cancel)
        QTest::keyClick(cancel, Qt::Key_Space);
      if (c.action == DuringReading::kBox) {
        // A box of the program's own: its Escape answers it (within 600 ms, or it was dropped).
        QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallymate 3.1"), QStringLiteral("?"),
                        QMessageBox::Ok, &f);
        QTimer::singleShot(50, &box, [&box] { QTest::keyClick(&box, Qt::Key_Escape); });
        QTimer::singleShot(600, &box, [&box] { box.done(-1); });
        box_answered = box.exec() == QMessageBox::Ok;
      }
    });
    // What is not stopped ends by itself a second after the action.
    QTimer::singleShot(c.at_ms + 1000, &timers, [&] { bounded = true; });
    QElapsedTimer clock;
    clock.start();
    bool stopped = false;
    try {
      ReadOffTheWindowsThread(&f, [&](DecodeProgress& p) {
        while (!bounded) {
          picture_detail::Report(&p, 1, 2);
          ++steps;
          QThread::msleep(1);
        }
        return QImage(1, 1, QImage::Format_RGB32);
      });
    } catch (const DecodeCancelled&) {
      stopped = true;
    }
    if (c.action == DuringReading::kEscapeAfterEnd) {
      QTest::qWait(c.at_ms);
      QTest::keyClick(f.Edit1, Qt::Key_Escape);
    }
    EXPECT_EQ(box_answered, c.action == DuringReading::kBox);
    EXPECT_EQ(stopped, c.stops);
    if (c.stops) {
      EXPECT_LT(clock.elapsed(), c.at_ms + 900);
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(!f.isVisible(), c.closes);
    EXPECT_EQ(app.SettingsFileExists(), c.closes);
    EXPECT_EQ(f.Edit1->text(), QStringLiteral("12"));
    // No beep and no box: nothing reached a field's key filter or a command.
    EXPECT_EQ(app.desktop.events.size(), 0u);
    EXPECT_FALSE(app.w().Form3->isVisible());
  });
}

TEST(LoadPicture, BuiltInPictureIsItsJpegDecodedAtThePictureArea) {
  // The picture area is 209 x 145 window pixels, in device pixels of the screen. The usual
  // screen's pixels come ready made with the program; they must be what decoding the built-in
  // JPEG gives now. (ctest runs this once more on a screen of pixel ratio 2, which decodes.)
  const qreal ratio = QGuiApplication::primaryScreen()->devicePixelRatio();
  const QSize area(static_cast<int>(std::ceil(209 * ratio)),
                   static_cast<int>(std::ceil(145 * ratio)));
  const TestProgram program;
  const QImage picture = program.main().Image1->Picture();
  ASSERT_EQ(picture.size(), area);
  EXPECT_EQ(picture.format(), QImage::Format_RGB32);
  QFile file(QStringLiteral(":/assets/picture.jpg"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray jpeg = file.readAll();
  const Picture decoded = DecodeJpegMemory(
      reinterpret_cast<const unsigned char*>(jpeg.constData()), static_cast<size_t>(jpeg.size()),
      {.min_width = area.width(), .min_height = area.height()});
  ASSERT_EQ(QSize(decoded.width, decoded.height), area);
  int different = 0;
  for (int y = 0; y < area.height(); ++y)
    for (int x = 0; x < area.width(); ++x)
      different += picture.pixel(x, y) !=
                   decoded.pixels[static_cast<size_t>(y) * static_cast<size_t>(area.width()) +
                                  static_cast<size_t>(x)];
  EXPECT_EQ(different, 0);
}

// ---------------------------------------------------------------------------------------------
// The month calendar

// The calendar as the user reads it on the day it starts: today selected, each row a week from
// Monday to Sunday with its ISO week number in front, Saturday and Sunday drawn as other days.
TEST(MonthCalendar, StartsOnTodayInIsoWeeksFromMonday) {
  Windows app;
  MonthCalendar* c = app.main().MonthCalendar1;
  EXPECT_EQ(c->selectedDate(), QDate::currentDate());
  EXPECT_EQ(c->monthShown(), QDate::currentDate().month());
  auto* table = c->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
  ASSERT_NE(table, nullptr);
  const QAbstractItemModel* model = table->model();
  // Row 0 names the days, column 0 numbers the weeks; rows 1 to 6 hold the dates.
  ASSERT_EQ(model->rowCount(), 7);
  ASSERT_EQ(model->columnCount(), 8);
  const auto cell = [&](int row, int column, int role = Qt::DisplayRole) {
    return model->data(model->index(row, column), role);
  };
  // The first row's first day is this month's unless its number cannot be (above 7).
  const QDate first_of_month(c->yearShown(), c->monthShown(), 1);
  const int number = cell(1, 1).toInt();
  QDate monday = number > 7 ? first_of_month.addMonths(-1) : first_of_month;
  monday = QDate(monday.year(), monday.month(), number);
  for (int row = 1; row <= 6; ++row, monday = monday.addDays(7)) {
    EXPECT_EQ(monday.dayOfWeek(), Qt::Monday)
        << "row " << row << " begins on " << monday.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(cell(row, 0).toInt(), monday.weekNumber()) << "row " << row;
    for (int day = 0; day < 7; ++day)
      EXPECT_EQ(cell(row, 1 + day).toInt(), monday.addDays(day).day()) << row << ", " << day;
  }
  // Row 3 lies inside the month whatever the month: Wednesday, Saturday and Sunday alike.
  const auto colour = [&](int column) {
    return qvariant_cast<QBrush>(cell(3, column, Qt::ForegroundRole)).color().name().toStdString();
  };
  EXPECT_EQ(colour(6), colour(3)) << "Saturday";
  EXPECT_EQ(colour(7), colour(3)) << "Sunday";
}

TEST(MonthCalendar, FirstShownDateLeavesRoomForTheMonthBefore) {
  struct Case {
    const char* name;
    int year, month;
    QDate first;
  };
  // A month whose 1st is a Monday shows a whole week before it.
  const Case kCases[] = {{"2024-01, the 1st a Monday", 2024, 1, QDate(2023, 12, 25)},
                         {"2024-09, the 1st a Sunday", 2024, 9, QDate(2024, 8, 26)},
                         {"2025-10, the 1st a Wednesday", 2025, 10, QDate(2025, 9, 29)}};
  MonthCalendar calendar;
  ForEachCase(kCases, [&calendar](const Case& c) {
    calendar.setCurrentPage(c.year, c.month);
    EXPECT_EQ(calendar.FirstShownDate(), c.first);
  });
}

// Counts pixels of exactly one colour inside a rectangle.
int Count(const QImage& image, const QRect& rect, const QColor& colour) {
  int n = 0;
  for (int y = rect.top(); y <= rect.bottom(); ++y)
    for (int x = rect.left(); x <= rect.right(); ++x)
      if (image.pixelColor(x, y) == colour) ++n;
  return n;
}

TEST(MonthCalendar, DrawsEachDayInItsColours) {
  MonthCalendar c;
  c.resize(209, 183);
  c.SetColour(MonthCalendar::kText, 0xFF0000);          // blue
  c.SetColour(MonthCalendar::kTrailingText, 0x0000FF);  // red
  // White, on which both text colours read (red on green would give way to black or white).
  c.SetColour(MonthCalendar::kMonthBackground, kWhite);
  c.setSelectedDate(QDate(2020, 1, 15));  // far from today, so no mark gets in the way
  c.show();
  auto* view = c.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
  ASSERT_NE(view, nullptr);
  const QImage image = view->viewport()->grab().toImage();
  const qreal ratio = image.devicePixelRatio();
  const auto cell = [&](QDate date) {
    // January 2020 begins on a Wednesday: 30 December is in the first row, third column.
    const qint64 index = QDate(2019, 12, 30).daysTo(date);
    const QRect r = view->visualRect(
        view->model()->index(1 + static_cast<int>(index / 7), 1 + static_cast<int>(index % 7)));
    return QRect((r.topLeft() * ratio), (r.size() * ratio)).adjusted(1, 1, -1, -1);
  };
  const QRect trailing = cell(QDate(2019, 12, 31));
  const QRect own = cell(QDate(2020, 1, 9));
  EXPECT_GT(Count(image, trailing, Qt::red), 0);
  EXPECT_EQ(Count(image, trailing, Qt::blue), 0);
  EXPECT_GT(Count(image, own, Qt::blue), 0);
  EXPECT_EQ(Count(image, own, Qt::red), 0);
  EXPECT_GT(Count(image, own, Qt::white), own.width() * own.height() / 2);
  // The selected day stands on the title background and writes in the title colour.
  const QRect selected = cell(QDate(2020, 1, 15));
  EXPECT_GT(Count(image, selected, ToQColor(kPurple)), selected.width() * selected.height() / 3);
  EXPECT_GT(Count(image, selected, Qt::white), 0);
  // The day names write in the title colour, which reads on white.
  const QRect names = view->visualRect(view->model()->index(0, 3));
  EXPECT_GT(Count(image, QRect(names.topLeft() * ratio, names.size() * ratio), ToQColor(kPurple)),
            0);
}

// The "today" line under the month shows and selects today on a click: a press and a release of
// the left button over the line. A press on a day dragged onto the line, or a press on the line
// released outside it, is no click.
TEST(MonthCalendar, TodayLineTakesOnlyAClickOnIt) {
  struct Case {
    const char* name;
    bool press_on_line;  // otherwise on a day of the month shown
    QPoint release;      // on the line
    Qt::MouseButton button;
    bool selects_today;
  };
  const QDate shown(2020, 1, 15);  // far from today
  const Case kCases[] = {{"click", true, {20, 5}, Qt::LeftButton, true},
                         {"from a day", false, {20, 5}, Qt::LeftButton, false},
                         {"dragged off", true, {20, -40}, Qt::LeftButton, false},
                         {"right button", true, {20, 5}, Qt::RightButton, false}};
  ForEachCase(kCases, [&shown](const Case& c) {
    MonthCalendar calendar;
    calendar.resize(209, 183);
    calendar.setSelectedDate(shown);
    calendar.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&calendar));
    auto* line = calendar.findChild<QWidget*>(QStringLiteral("tallymate_calendar_today"));
    auto* view = calendar.findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
    ASSERT_NE(line, nullptr);
    ASSERT_NE(view, nullptr);
    if (c.press_on_line) {
      QTest::mousePress(line, c.button, {}, QPoint(20, 5));
    } else {
      QTest::mousePress(view->viewport(), c.button, {},
                        view->visualRect(view->model()->index(3, 3)).center());
    }
    QTest::mouseRelease(line, c.button, {}, c.release);
    EXPECT_EQ(calendar.selectedDate() == QDate::currentDate(), c.selects_today);
    EXPECT_EQ(calendar.monthShown() == QDate::currentDate().month() &&
                  calendar.yearShown() == QDate::currentDate().year(),
              c.selects_today);
  });
}

TEST(MonthCalendar, NeverShowsAToolTip) {
  Windows app;
  TForm1& f = app.main();
  TForm1::SetToolTipOn(f.MonthCalendar1, true);
  f.MonthCalendar1->setToolTip(QStringLiteral("tip"));
  auto* view = f.MonthCalendar1->findChild<QTableView*>();
  ASSERT_NE(view, nullptr);
  const QPoint at(100, 100);
  QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
  QApplication::sendEvent(view->viewport(), &help);
  EXPECT_FALSE(QToolTip::isVisible());

  // The same request on a control with a tip shows one, so the check above can fail.
  f.Edit1->setToolTip(QStringLiteral("tip"));
  TForm1::SetToolTipOn(f.Edit1, true);
  QHelpEvent edit(QEvent::ToolTip, QPoint(5, 5), f.Edit1->mapToGlobal(QPoint(5, 5)));
  QApplication::sendEvent(f.Edit1, &edit);
  EXPECT_TRUE(QToolTip::isVisible());
  QToolTip::hideText();
}

}  // namespace
