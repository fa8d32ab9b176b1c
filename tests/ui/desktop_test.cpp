// What the user meets around the windows: the real message boxes (plain text, long texts,
// placing), Qt's own dialogs and menus in Russian, the calendar's Russian names, and windows
// brought back from the minimised state. Headless (offscreen).
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <memory>
#include <string>
#include <vector>

#include "app/qt_desktop.h"
#include "app/translations.h"
#include "tests/support/cases.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/recording_desktop.h"
#include "ui/controls/month_calendar.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/adding.h"

namespace {

// These tests open the real boxes and dialogs on purpose, and each closes its own.
const AllowDialogs kRealDialogsHere;

std::string S(const QString& s) {
  return s.toStdString();
}

// What a shown box offered, read while it is open.
struct SeenBox {
  bool seen = false;
  Qt::TextFormat format = Qt::AutoText;
  QString text;                     // the text the box holds
  QString shown_text;               // the text its visible text control shows
  bool same_room_as_plain = false;  // the text takes the room of its characters in a plain label
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  int buttons = 0;
  QRect frame;
  QRect area;
  bool whole_text_visible = false;
  int text_width = 0;     // of the wrapped text's view, when the text needed one
  int caption_width = 0;  // of the box's title in the box's font made bold, as title bars draw it
};

// Shows a box through the real desktop; a timer reads it and closes it. The watchdog closes a
// box the reader missed, so that a failing test does not hang.
SeenBox Show(bool error, const std::string& text) {
  QtDesktop desktop;
  SeenBox seen;
  QTimer reader;
  reader.setInterval(20);
  QObject::connect(&reader, &QTimer::timeout, [&] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || !QTest::qWaitForWindowExposed(box, 1000)) return;
    reader.stop();
    seen.seen = true;
    seen.format = box->textFormat();
    seen.text = box->text();
    seen.icon = box->icon();
    seen.buttons = static_cast<int>(box->buttons().size());
    seen.frame = box->frameGeometry();
    seen.area = box->screen()->availableGeometry();
    QFont title_font = box->font();
    title_font.setBold(true);
    seen.caption_width = QFontMetrics(title_font).horizontalAdvance(box->windowTitle());
    if (auto* view = box->findChild<QTextEdit*>(); view != nullptr && view->isVisible()) {
      seen.shown_text = view->toPlainText();
      seen.text_width = view->viewport()->width();
      const int lines_height = static_cast<int>(view->document()->size().height());
      seen.whole_text_visible =
          view->document()->idealWidth() <= view->viewport()->width() &&
          (lines_height <= view->viewport()->height() || view->verticalScrollBar()->isVisible());
    } else if (auto* label = box->findChild<QLabel*>(QStringLiteral("qt_msgbox_label"))) {
      seen.shown_text = label->text();
      // The room the text takes in the box, against that of the same characters in a plain
      // label: markup rendered as HTML takes other room.
      QLabel plain;
      plain.setTextFormat(Qt::PlainText);
      plain.setFont(label->font());
      plain.setWordWrap(label->wordWrap());
      plain.setTextInteractionFlags(label->textInteractionFlags());
      plain.setContentsMargins(label->contentsMargins());
      plain.setMargin(label->margin());
      plain.setIndent(label->indent());
      plain.setStyle(label->style());
      plain.setText(box->text());
      seen.same_room_as_plain =
          label->sizeHint() == plain.sizeHint() &&
          label->heightForWidth(label->width()) == plain.heightForWidth(label->width());
      seen.whole_text_visible = label->height() >= label->heightForWidth(label->width()) &&
                                label->width() >= label->minimumSizeHint().width();
    }
    box->done(0);
  });
  reader.start();
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->done(0);
  });
  watchdog.start(5000);
  if (error)
    desktop.ShowError(text);
  else
    desktop.ShowInformation(text);
  return seen;
}

// ---- message boxes ------------------------------------------------------------------------

// Pasted markup of several kinds reaches the box as typed: rendered as HTML it would need far
// less (or far more) room than the characters themselves.
TEST(MessageBoxes, MarkupInTheTextIsShownAsTyped) {
  const char* const kInputs[] = {
      "<b>5</b>",  "<h1>9</h1>",      "<img src=x>",      "<a href=\"x\">1</a>",
      "&lt;5&gt;", "<i>1,5</i><br>2", "<table><tr><td>7", "<font size=7>3</font>"};
  struct Kind {
    const char* name;
    bool error;
  };
  const Kind kKinds[] = {{"the error box", true}, {"the message", false}};
  ForEachCase(kInputs, [&kKinds](const char* input) {
    ForEachCase(kKinds, [input](const Kind& kind) {
      const std::string text = "'" + std::string(input) + "' is not a valid floating point value.";
      const SeenBox box = Show(kind.error, text);
      ASSERT_TRUE(box.seen);
      EXPECT_EQ(box.format, Qt::PlainText);
      EXPECT_EQ(S(box.shown_text), text);
      EXPECT_TRUE(box.same_room_as_plain);
      EXPECT_TRUE(box.whole_text_visible);
    });
  });
}

TEST(MessageBoxes, ErrorBoxHasTheErrorIconTheMessageNoneBothOneButton) {
  const SeenBox error = Show(true, "Floating point overflow.");
  ASSERT_TRUE(error.seen);
  EXPECT_EQ(error.icon, QMessageBox::Critical);
  EXPECT_EQ(error.buttons, 1);
  const SeenBox message = Show(false, "Вводите только числа!");
  ASSERT_TRUE(message.seen);
  EXPECT_EQ(message.icon, QMessageBox::NoIcon);
  EXPECT_EQ(message.buttons, 1);
  // However short the message, the title bar has room for the whole caption beside the window
  // icon and three buttons of at least 16 pixels each.
  const SeenBox short_message = Show(false, "0");
  ASSERT_TRUE(short_message.seen);
  EXPECT_GE(short_message.frame.width(), short_message.caption_width + 4 * 16);
}

// A long invalid number: the box stays on the screen and shows every character, wrapped.
TEST(MessageBoxes, LongTextIsWrappedWholeInsideTheScreen) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case kCases[] = {
      {"2000 digits", "'" + std::string(2000, '7') + "x' is not a valid floating point value."},
      {"words",
       [] {
         std::string s;
         for (int i = 0; i < 300; ++i) s += "число ";
         return s;
       }()},
      {"20000 digits", "'" + std::string(20000, '1') + "-' is not a valid integer value."},
  };
  ForEachCase(kCases, [](const Case& c) {
    const SeenBox box = Show(true, c.text);
    ASSERT_TRUE(box.seen);
    EXPECT_EQ(S(box.shown_text), c.text);
    EXPECT_TRUE(box.area.contains(box.frame)) << box.frame.width() << "x" << box.frame.height();
    EXPECT_TRUE(box.whole_text_visible);
    // A box takes at most two thirds of the screen's width (600 pixels on a large one): on the
    // test's 800-pixel-wide screen the text wraps narrower than on a large one.
    EXPECT_GT(box.text_width, 0);
    EXPECT_LE(box.text_width, std::min(600, box.area.width() * 2 / 3))
        << "screen " << box.area.width() << "x" << box.area.height();
  });
}

TEST(MessageBoxes, BoxesSitAtTheCentreOfTheScreen) {
  struct Case {
    const char* name;
    std::string text;
  };
  const Case kCases[] = {{"short", "Floating point division by zero."},
                         {"3000 digits", std::string(3000, '9')}};
  ForEachCase(kCases, [](const Case& c) {
    const SeenBox box = Show(true, c.text);
    ASSERT_TRUE(box.seen);
    const QPoint offset = box.frame.center() - box.area.center();
    EXPECT_LE(std::abs(offset.x()), 1);
    EXPECT_LE(std::abs(offset.y()), 1);
  });
}

// ---- Russian ------------------------------------------------------------------------------

// Each test installs the translations itself: a failure there fails the test (in a suite's
// set-up it would only skip the suite's tests).
class Russian : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(InstallRussianQtTranslations()); }
};

std::vector<std::string> ButtonTexts(const QWidget& w) {
  std::vector<std::string> texts;
  for (const QAbstractButton* b : w.findChildren<QAbstractButton*>())
    if (qobject_cast<const QPushButton*>(b) != nullptr) texts.push_back(S(b->text()));
  return texts;
}

bool Has(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

TEST_F(Russian, ColourDialog) {
  QColorDialog dialog;
  EXPECT_EQ(S(dialog.windowTitle()), "Выбор цвета");
  const auto buttons = ButtonTexts(dialog);
  EXPECT_TRUE(Has(buttons, "Отмена"));
  EXPECT_TRUE(Has(buttons, "&Добавить к пользовательским цветам"));
  std::vector<std::string> labels;
  for (const QLabel* l : dialog.findChildren<QLabel*>()) labels.push_back(S(l->text()));
  EXPECT_TRUE(Has(labels, "&Основные цвета"));
}

TEST_F(Russian, FileDialog) {
  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  auto label = [&](const char* name) {
    const auto* l = dialog.findChild<QLabel*>(QString::fromLatin1(name));
    return l != nullptr ? S(l->text()) : std::string("(none)");
  };
  EXPECT_EQ(label("lookInLabel"), "Перейти к:");
  EXPECT_EQ(label("fileNameLabel"), "&Имя файла:");
  const auto buttons = ButtonTexts(dialog);
  EXPECT_TRUE(Has(buttons, "&Открыть"));
  EXPECT_TRUE(Has(buttons, "Отмена"));
}

// The file dialog's type column names a folder in Russian too.
TEST_F(Russian, FileDialogTypeOfAFolder) {
  const QFileIconProvider icons;
  EXPECT_EQ(S(icons.type(QFileInfo(QDir::tempPath()))), "Папка");
}

TEST_F(Russian, TextFieldContextMenu) {
  QLineEdit field(QStringLiteral("1,5"));
  std::unique_ptr<QMenu> menu(field.createStandardContextMenu());
  std::vector<std::string> items;
  for (const QAction* a : menu->actions())
    if (!a->isSeparator()) items.push_back(S(a->text().section(QLatin1Char('\t'), 0, 0)));
  EXPECT_EQ(items,
            (std::vector<std::string>{"&Отменить действие", "&Повторить действие", "&Вырезать",
                                      "&Копировать", "В&ставить", "Удалить", "Выделить всё"}));
}

TEST_F(Russian, MessageBoxButton) {
  QMessageBox box(QMessageBox::NoIcon, QStringLiteral("Tallymate 3.1"), QStringLiteral("1"),
                  QMessageBox::Ok | QMessageBox::Cancel);
  EXPECT_EQ(S(box.button(QMessageBox::Cancel)->text()), "Отмена");
}

// The test runs with LANG=C: the calendar is Russian all the same, and keeps its week.
TEST(Calendar, MonthAndDayNamesAreRussianWhateverTheDesktopLanguage) {
  ASSERT_EQ(QLocale().language(), QLocale::C);
  MonthCalendar calendar;
  calendar.setCurrentPage(2026, 12);
  const auto* month = calendar.findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
  ASSERT_NE(month, nullptr);
  EXPECT_EQ(S(month->text()), "декабрь");
  EXPECT_EQ(S(calendar.locale().dayName(Qt::Monday, QLocale::ShortFormat)), "пн");
  EXPECT_EQ(calendar.firstDayOfWeek(), Qt::Monday);
  EXPECT_EQ(calendar.verticalHeaderFormat(), QCalendarWidget::ISOWeekNumbers);
}

// ---- minimised windows ----------------------------------------------------------------------

class Minimised : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(dir_.isValid());
    context_.settings = (dir_.path() + QStringLiteral("/Tallymate.ini")).toStdString();
    main_ = std::make_unique<TForm1>(context_);
    context_.windows.Form1 = main_.get();
    context_.windows.main = main_.get();
  }
  void TearDown() override { main_->hide(); }

  static void Minimise(QWidget* w) {
    w->setWindowState(w->windowState() | Qt::WindowMinimized);
    ASSERT_TRUE(QTest::qWaitFor([w] { return w->isMinimized(); }, 2000));
  }

  RecordingDesktop desktop_;
  QTemporaryDir dir_;
  AppContext context_{desktop_, {}, {}};
  std::unique_ptr<TForm1> main_;
};

TEST_F(Minimised, OpeningAMinimisedWindowRestoresAndActivatesIt) {
  TForm3 form(context_);
  form.ShowForm();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&form));
  Minimise(&form);
  main_->show();
  main_->activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  form.ShowForm();
  EXPECT_FALSE(form.isMinimized());
  EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
  EXPECT_TRUE(form.isVisible());
}

// The modal About window minimised: activating the main window brings it back.
TEST_F(Minimised, ActivatingAnotherWindowBringsTheMinimisedAboutWindowBack) {
  main_->show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(main_.get()));
  TForm2 about(context_);
  bool restored = false;
  bool minimised = false;
  QTimer::singleShot(0, [&] {
    if (!QTest::qWaitForWindowActive(&about)) return about.hide();
    Minimise(&about);
    minimised = about.isMinimized();
    main_->activateWindow();
    restored =
        QTest::qWaitFor([&] { return !about.isMinimized() && about.isActiveWindow(); }, 2000);
    about.hide();
  });
  QTimer watchdog;  // a hung modal loop ends the wait, and the test then fails
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, &about, &QWidget::hide);
  watchdog.start(8000);
  about.ShowModalForm();
  EXPECT_TRUE(minimised);
  EXPECT_TRUE(restored);
}

}  // namespace
