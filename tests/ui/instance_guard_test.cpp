// The guard's reading of window titles, its behaviour without an X display, and the window set's
// use of it. The search itself runs against real X servers in tests/e2e/single_instance_test.sh.
#include "app/instance_guard.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QWidget>
#include <algorithm>

#include "app/application_windows.h"
#include "tests/support/cases.h"
#include "tests/support/recording_desktop.h"
#include "ui/windows/adding.h"

namespace {

const QString kTitle = QStringLiteral("Tallymate 3.1");

struct TitleCase {
  const char* name;
  QByteArray bytes;
  bool utf8;
  bool matches;
};

TEST(TitleTest, ComparesExactly) {
  const TitleCase kCases[] = {{"exact_utf8", "Tallymate 3.1", true, true},
                              {"exact_latin1", "Tallymate 3.1", false, true},
                              {"other_case", "tallymate 3.1", true, false},
                              {"trailing_blank", "Tallymate 3.1 ", true, false},
                              {"leading_blank", " Tallymate 3.1", true, false},
                              {"shorter", "Tallymate 3.", true, false},
                              {"trailing_nul", QByteArray("Tallymate 3.1\0", 14), true, false},
                              {"empty", "", true, false}};
  ForEachCase(kCases, [](const TitleCase& c) {
    EXPECT_EQ(WindowTitleFromProperty(c.bytes, c.utf8) == kTitle, c.matches);
  });
}

TEST(WindowTitle, KeepsAtMost127Characters) {
  const QByteArray ascii(300, 'a');
  EXPECT_EQ(WindowTitleFromProperty(ascii, true), QString(127, QLatin1Char('a')));
  // Two-byte characters count once each.
  QByteArray cyrillic;
  for (int i = 0; i < 200; ++i) cyrillic += "Ж";
  const QString title = WindowTitleFromProperty(cyrillic, true);
  EXPECT_EQ(title.size(), 127);
  EXPECT_EQ(title, QString(127, QChar(0x0416)));
}

TEST(WindowTitle, DecodesByEncoding) {
  // "Калькулятор" in UTF-8 read as UTF-8, and the Latin-1 byte 0xE9 read as Latin-1.
  EXPECT_EQ(WindowTitleFromProperty(QByteArray("Калькулятор"), true),
            QString::fromUtf8("Калькулятор"));
  EXPECT_EQ(WindowTitleFromProperty(QByteArray("caf\xE9"), false), QString::fromUtf8("café"));
}

TEST(InstanceGuard, NullConnectionFindsNothing) {
  EXPECT_FALSE(AnotherWindowTitled(nullptr, kTitle));
}

// Without an X display (here the headless platform) the title guard finds nothing: the session's
// lock, taken at the program's start, decides there.
TEST(InstanceGuard, WithoutX11FindsNothingAndKeepsTheWindowHidden) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "instance_guard_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  HiddenApplicationWindow hidden;
  EXPECT_EQ(hidden.windowTitle(), kTitle);
  EXPECT_FALSE(AnotherCopyRuns(hidden, kTitle));
  EXPECT_TRUE(hidden.testAttribute(Qt::WA_WState_Created));
  // The application window never shows, whoever asks.
  hidden.show();
  EXPECT_FALSE(hidden.isVisible());
  EXPECT_EQ(hidden.parentWidget(), nullptr);
}

// The window set asks the guard it was given, with the hidden application window, titled and
// unowned, while nothing is shown yet; the program goes on only when no other copy runs.
TEST(WindowSet, ObeysItsGuard) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  int argc = 1;
  char name[] = "instance_guard_test";
  char* argv[] = {name, nullptr};
  QApplication app(argc, argv);
  struct Case {
    const char* name;
    bool another_copy;
  };
  const Case kCases[] = {{"no other copy", false}, {"another copy", true}};
  ForEachCase(kCases, [](const Case& c) {
    const bool another_copy = c.another_copy;
    RecordingDesktop desktop;
    QString title = QStringLiteral("<not asked>");
    bool owned = true;
    bool something_shown = true;
    ApplicationWindows windows(desktop, [&](QWidget& application_window) {
      title = application_window.windowTitle();
      owned = application_window.parentWidget() != nullptr;
      const auto tops = QApplication::topLevelWidgets();
      something_shown =
          std::any_of(tops.begin(), tops.end(), [](QWidget* w) { return w->isVisible(); });
      return another_copy;
    });
    EXPECT_EQ(windows.CreateMainWindow(), !another_copy);
    EXPECT_EQ(title, kTitle);
    EXPECT_FALSE(owned);
    EXPECT_FALSE(something_shown);
    EXPECT_FALSE(windows.Main().isVisible());
    EXPECT_TRUE(desktop.events.empty());
  });
}

}  // namespace
