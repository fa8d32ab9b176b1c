// The guard's reading of window titles, and its behaviour without an X display. The search
// itself runs against real X servers in single_instance_test.sh.
#include "app/instance_guard.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QWidget>

#include "app/application_windows.h"
#include "app/session_lock.h"
#include "tests/support/test_names.h"

namespace {

const QString kTitle = QStringLiteral("Tallymate 3.1");

struct TitleCase {
  const char* name;
  QByteArray bytes;
  bool utf8;
  bool matches;
};

void PrintTo(const TitleCase& c, std::ostream* os) {
  *os << c.name << ": " << test_names::Quoted(c.bytes.toStdString()) << " as "
      << (c.utf8 ? "UTF-8" : "Latin-1") << (c.matches ? " is" : " is not") << " the title";
}

class TitleTest : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleTest, ComparesExactly) {
  const TitleCase& c = GetParam();
  EXPECT_EQ(WindowTitleFromProperty(c.bytes, c.utf8) == kTitle, c.matches) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Titles, TitleTest,
    ::testing::Values(TitleCase{"exact_utf8", "Tallymate 3.1", true, true},
                      TitleCase{"exact_latin1", "Tallymate 3.1", false, true},
                      TitleCase{"other_case", "tallymate 3.1", true, false},
                      TitleCase{"trailing_blank", "Tallymate 3.1 ", true, false},
                      TitleCase{"leading_blank", " Tallymate 3.1", true, false},
                      TitleCase{"shorter", "Tallymate 3.", true, false},
                      TitleCase{"trailing_nul", QByteArray("Tallymate 3.1\0", 14), true, false},
                      TitleCase{"empty", "", true, false}),
    [](const ::testing::TestParamInfo<TitleCase>& param) { return std::string(param.param.name); });

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

TEST(InstanceGuard, OffscreenFindsNothingAndKeepsTheWindowHidden) {
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

// The session's lock: one holder at a time, whether the other is this process or another, and
// free again once the holder ends. A folder that cannot hold the file is no other copy.
TEST(SessionLock, OneHolderAtATime) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath(QStringLiteral("Tallymate 3.1.lock")).toStdString();
  bool unavailable = true;
  const int first = TakeLock(path, &unavailable);
  ASSERT_GE(first, 0);
  EXPECT_FALSE(unavailable);
  EXPECT_EQ(TakeLock(path, &unavailable), -1);
  EXPECT_FALSE(unavailable);

  // Another process finds it held, and takes it once this one lets go.
  const auto child_takes = [&path] {
    const pid_t child = fork();
    if (child == 0) _exit(TakeLock(path) >= 0 ? 0 : 1);
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
  };
  EXPECT_FALSE(child_takes());
  close(first);
  EXPECT_TRUE(child_takes());

  EXPECT_EQ(TakeLock(dir.filePath(QStringLiteral("missing/lock")).toStdString(), &unavailable), -1);
  EXPECT_TRUE(unavailable);
}

}  // namespace
