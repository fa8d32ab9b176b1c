// Text stays readable on every desktop palette: a dark palette writes light grey, which vanished
// on the program's white fields, yellow About text and grey window. Measured on what the windows
// draw: the contrast between a control's background and its most contrasting pixel.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QColor>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPalette>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStyleFactory>
#include <QTableView>
#include <QTest>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/cases.h"
#include "tests/support/recording_desktop.h"
#include "tests/support/test_program.h"
#include "ui/base/colors.h"
#include "ui/controls/link_label.h"
#include "ui/controls/month_calendar.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

// ---------------------------------------------------------------------------------------------
// The contrast rule, against values worked out by hand from the WCAG luminance formula.

struct RatioCase {
  const char* name;
  QColor a, b;
  double ratio;
};

TEST(Contrast, RatioFollowsTheRelativeLuminanceOfBothColours) {
  const RatioCase kCases[] = {
      {"black on white", Qt::black, Qt::white, 21.0},
      {"a colour on itself", QColor(0x12, 0x34, 0x56), QColor(0x12, 0x34, 0x56), 1.0},
      {"order does not matter", Qt::white, Qt::black, 21.0},
      {"black on teal", Qt::black, QColor(0x00, 0x80, 0x80), 4.40},
      {"dark palette's grey on white", QColor(0xED, 0xED, 0xED), Qt::white, 1.17},
      {"black on yellow", Qt::black, QColor(0xFF, 0xFF, 0x00), 19.56},
  };
  ForEachCase(kCases,
              [](const RatioCase& c) { EXPECT_NEAR(ContrastRatio(c.a, c.b), c.ratio, 0.01); });
}

struct ReadableCase {
  const char* name;
  QColor background, wanted;
  double least;
  QColor expected;
};

TEST(Contrast, ATextKeepsItsColourWhereItReadsAndOtherwiseTakesBlackOrWhite) {
  const QColor teal(0x00, 0x80, 0x80);
  const QColor grey(0xA0, 0xA0, 0xA0);
  const QColor blue(0x00, 0x00, 0xFF);
  const ReadableCase kCases[] = {
      {"grey text on a white field", Qt::white, QColor(0xED, 0xED, 0xED), kReadable, Qt::black},
      {"black caption on a dark window", QColor(0x23, 0x23, 0x23), Qt::black, kReadable, Qt::white},
      {"black on teal, ordinary text", teal, Qt::black, kReadable, Qt::white},
      {"black on teal, bold digits", teal, Qt::black, kReadableBoldOrLink, Qt::black},
      {"a blue link on the light button shadow", grey, blue, kReadableBoldOrLink, blue},
      {"a blue link on navy", QColor(0x00, 0x00, 0x80), blue, kReadableBoldOrLink, Qt::white},
      {"black on yellow", QColor(0xFF, 0xFF, 0x00), Qt::black, kReadable, Qt::black},
  };
  ForEachCase(kCases, [](const ReadableCase& c) {
    EXPECT_EQ(ReadableOn(c.background, c.wanted, c.least).name(), c.expected.name());
  });
}

// ---------------------------------------------------------------------------------------------
// What the windows draw.

// A dark desktop palette as desktops give it (qt6ct's "darker", Breeze Dark): light grey text.
QPalette DarkPalette() {
  QPalette p;
  const QColor text(0xED, 0xED, 0xED);
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    p.setColor(group, QPalette::Window, QColor(0x35, 0x35, 0x35));
    p.setColor(group, QPalette::WindowText, text);
    p.setColor(group, QPalette::Base, QColor(0x2A, 0x2A, 0x2A));
    p.setColor(group, QPalette::AlternateBase, QColor(0x42, 0x42, 0x42));
    p.setColor(group, QPalette::Text, text);
    p.setColor(group, QPalette::Button, QColor(0x35, 0x35, 0x35));
    p.setColor(group, QPalette::ButtonText, text);
    p.setColor(group, QPalette::Light, QColor(0x42, 0x42, 0x42));
    p.setColor(group, QPalette::Midlight, QColor(0x3A, 0x3A, 0x3A));
    p.setColor(group, QPalette::Mid, QColor(0x2C, 0x2C, 0x2C));
    p.setColor(group, QPalette::Dark, QColor(0x23, 0x23, 0x23));
    p.setColor(group, QPalette::Shadow, QColor(0x14, 0x14, 0x14));
    p.setColor(group, QPalette::Highlight, QColor(0x2A, 0x82, 0xDA));
    p.setColor(group, QPalette::HighlightedText, Qt::white);
    p.setColor(group, QPalette::Link, QColor(0x2A, 0x82, 0xDA));
    p.setColor(group, QPalette::ToolTipBase, QColor(0x35, 0x35, 0x35));
    p.setColor(group, QPalette::ToolTipText, text);
  }
  p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x7F, 0x7F, 0x7F));
  p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x7F, 0x7F, 0x7F));
  return p;
}

// The desktop palette for one test, the previous one back at its end.
class DesktopPalette {
 public:
  explicit DesktopPalette(const QPalette& palette) : saved_(QApplication::palette()) {
    QApplication::setPalette(palette);
  }
  ~DesktopPalette() { QApplication::setPalette(saved_); }
  DesktopPalette(const DesktopPalette&) = delete;
  DesktopPalette& operator=(const DesktopPalette&) = delete;

 private:
  QPalette saved_;
};

// qt6ct switching its colour scheme: a palette of every role the scheme file names, set as the
// application's and then on every widget.
void SwitchAsQt6ct(const QPalette& palette) {
  QPalette scheme;
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    for (int role = 0; role < QPalette::NColorRoles; ++role)
      scheme.setColor(group, static_cast<QPalette::ColorRole>(role),
                      palette.color(group, static_cast<QPalette::ColorRole>(role)));
  QApplication::setPalette(scheme);
  for (QWidget* widget : QApplication::allWidgets()) widget->setPalette(scheme);
  QApplication::processEvents();
}

QHash<QRgb, int> PixelCounts(const QImage& image, const QRect& area) {
  QHash<QRgb, int> counts;
  const QRect inside = area.intersected(image.rect());
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x) ++counts[image.pixel(x, y)];
  return counts;
}

// The commonest colour in `area` of the image: its background.
QColor Commonest(const QImage& image, const QRect& area) {
  const QHash<QRgb, int> counts = PixelCounts(image, area);
  QRgb background = 0;
  int most = -1;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    if (it.value() > most) most = it.value(), background = it.key();
  return QColor(background);
}

// The contrast of the most contrasting pixel in `area` of the image with the area's commonest
// colour, its background.
double DrawnContrast(const QImage& image, const QRect& area) {
  const QHash<QRgb, int> counts = PixelCounts(image, area);
  const QColor background = Commonest(image, area);
  double best = 1.0;
  for (auto it = counts.cbegin(); it != counts.cend(); ++it)
    best = std::max(best, ContrastRatio(background, QColor(it.key())));
  return best;
}

// Where a control draws its text, in its window's coordinates; nothing for a control that draws
// no text of its own (buttons stand on the desktop's button colour, not the program's).
std::optional<QRect> TextArea(QWidget* control) {
  if (!control->isVisible()) return std::nullopt;
  QRect area;
  if (auto* label = qobject_cast<QLabel*>(control)) {
    if (label->text().trimmed().isEmpty() || label->pixmap().isNull() == false) return std::nullopt;
    area = label->contentsRect();
  } else if (auto* field = qobject_cast<QLineEdit*>(control)) {
    area = field->rect().adjusted(3, 3, -3, -3);
  } else if (auto* memo = qobject_cast<QPlainTextEdit*>(control)) {
    area = memo->viewport()->geometry();
  } else if (auto* list = qobject_cast<QListWidget*>(control)) {
    area = list->viewport()->geometry();
  } else if (qobject_cast<QCheckBox*>(control) != nullptr) {
    area = control->rect();
  } else {
    return std::nullopt;
  }
  return QRect(control->mapTo(control->window(), area.topLeft()), area.size());
}

// Gives the window's empty fields and lists a text, so that there is text to read.
void FillEmptyTexts(QWidget* window) {
  for (auto* field : window->findChildren<QLineEdit*>())
    if (field->text().isEmpty()) field->setText(QStringLiteral("8,25"));
  for (auto* list : window->findChildren<QListWidget*>())
    if (list->count() == 0) list->addItem(QStringLiteral("8,25"));
}

// Every text the window draws on a background the program chose, with its contrast.
void ExpectEveryTextReadable(QWidget* window, const std::string& when) {
  QApplication::processEvents();
  const QImage shot = window->grab().toImage();
  int measured = 0;
  for (QWidget* control : window->findChildren<QWidget*>()) {
    const std::optional<QRect> area = TextArea(control);
    if (!area) continue;
    ++measured;
    const double least =
        qobject_cast<LinkLabel*>(control) != nullptr ? kReadableBoldOrLink : kReadable;
    EXPECT_GE(DrawnContrast(shot, *area), least)
        << when << ": " << window->objectName().toStdString() << "."
        << control->objectName().toStdString();
  }
  EXPECT_GT(measured, 0) << window->objectName().toStdString();
}

void ExpectCalendarReadable(MonthCalendar* calendar, const std::string& when) {
  auto* table = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
  ASSERT_NE(table, nullptr);
  const QImage shot = table->viewport()->grab().toImage();
  // Each cell on its own: the day names, the week numbers and every day (the corner is empty).
  const QAbstractItemModel* cells = table->model();
  for (int row = 0; row < cells->rowCount(); ++row) {
    for (int column = 0; column < cells->columnCount(); ++column) {
      if (row == 0 && column == 0) continue;
      const QRect cell = table->visualRect(cells->index(row, column)).adjusted(1, 1, -1, -1);
      EXPECT_GE(DrawnContrast(shot, cell), kReadableBoldOrLink)
          << when << ": calendar cell " << row << ", " << column;
    }
  }
  const QImage whole = calendar->grab().toImage();
  auto* title = calendar->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
  ASSERT_NE(title, nullptr);
  EXPECT_GE(DrawnContrast(whole, title->geometry()), kReadable) << when << ": calendar title";
}

// Shows every window of the program with texts in its fields, as a user meets them.
void ExpectProgramReadable(TestProgram& program, const std::string& when) {
  TForm1& main = program.main();
  main.Edit1->setText(QStringLiteral("125"));
  main.Edit2->setText(QStringLiteral("0,5"));
  for (auto* button : main.findChildren<QPushButton*>())
    if (button->text() == QStringLiteral("+")) button->click();
  ASSERT_EQ(main.Edit3->text(), QStringLiteral("125,5"));
  // A tip in the status bar, which shows the window's colour behind it; kept until measured.
  main.SetSimpleMode(true);
  emit main.N9->aboutToShow();
  main.Timer1->stop();
  ExpectEveryTextReadable(&main, when);
  ExpectCalendarReadable(main.MonthCalendar1, when);

  const WindowSet& w = program.windows();
  for (SecondaryWindow* form :
       std::initializer_list<SecondaryWindow*>{w.Form2, w.Form3, w.Form4, w.Form5, w.Form6}) {
    form->ShowForm();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form));
    FillEmptyTexts(form);
    ExpectEveryTextReadable(form, when);
    form->hide();
  }
}

// The colours the default settings (F4) give, as a close writes them: the button-shadow window,
// white fields, the teal calendar.
const std::string kDefaultColours =
    "[Color]\r\nFormColor=-16777200\r\nEdit=16777215\r\n[Calendar]\r\ncolor=8421376\r\n";

TEST(Readable, EveryTextOfEveryWindowOnADarkDesktop) {
  const DesktopPalette dark(DarkPalette());
  TestProgram program(kDefaultColours);
  ASSERT_EQ(FieldColour(program.main().Edit1), kWhite);
  ExpectProgramReadable(program, "started on a dark desktop");
}

TEST(Readable, EveryTextAfterTheDesktopTurnsDarkWhileTheProgramRuns) {
  TestProgram program(kDefaultColours);
  const DesktopPalette dark(DarkPalette());
  ExpectProgramReadable(program, "turned dark while running");
}

// Three switches to a dark palette and back, as qt6ct makes them, on a navy window: the texts
// read on dark, the calendar's title bar stays purple, and back on light the window is as it was.
TEST(Readable, ThroughThreeSwitchesOfTheDesktopPaletteAsQt6ctMakesThem) {
  TestProgram program("[Color]\r\nFormColor=8388608\r\n");
  TForm1& main = program.main();
  FillEmptyTexts(&main);
  main.Button1->setFocus();  // no blinking caret in the pictures compared
  const QPalette light = QApplication::palette();
  const QImage before = main.grab().toImage();
  auto* title =
      main.MonthCalendar1->findChild<QWidget*>(QStringLiteral("qt_calendar_navigationbar"));
  ASSERT_NE(title, nullptr);
  const QColor purple(0x80, 0x00, 0x80);
  for (int round = 1; round <= 3; ++round) {
    const std::string when = "switch " + std::to_string(round);
    SwitchAsQt6ct(DarkPalette());
    ExpectEveryTextReadable(&main, when + " to dark");
    EXPECT_EQ(Commonest(title->grab().toImage(), title->rect()).name().toStdString(),
              purple.name().toStdString())
        << when;
    SwitchAsQt6ct(light);
    EXPECT_TRUE(main.grab().toImage() == before) << when << " back to light";
  }
}

// Colours the user chooses, on the light desktop: a dark field, a dark window, a dark calendar;
// then the default settings (F4) on a dark desktop.
TEST(Readable, EveryTextOnTheColoursTheUserChoosesAndAfterTheDefaults) {
  TestProgram program;
  TForm1& main = program.main();
  const uint32_t kBlack = 0x000000;
  const uint32_t kNavyBlue = 0x800000;  // 0x00BBGGRR
  for (QAction* command : {main.N10, main.N11, main.N12}) {
    program.desktop.colour_answers.push_back(command == main.N11 ? kNavyBlue : kBlack);
    command->trigger();
  }
  ASSERT_EQ(FieldColour(main.Edit1), kBlack);
  ASSERT_EQ(WindowColour(&main), kNavyBlue);
  ExpectProgramReadable(program, "dark colours chosen");

  const DesktopPalette dark(DarkPalette());
  main.N19->trigger();
  ASSERT_EQ(FieldColour(main.Edit1), kWhite);
  ExpectProgramReadable(program, "defaults on a dark desktop");
}

}  // namespace
