// The end of the desktop's session: real SIGTERM and SIGHUP sent to this process, and the Quit
// the session manager's "die" becomes, taken as a close with nobody there to answer a box.
#include "app/end_requests.h"

#include <gtest/gtest.h>
#include <pthread.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <csignal>
#include <functional>
#include <string>

#include "pictures/progress.h"
#include "tests/support/cases.h"
#include "tests/support/modal_watchdog.h"
#include "tests/support/test_program.h"
#include "ui/picture_loading/picture_loader.h"
#include "ui/windows/Unit2.h"

namespace {

// A settings file of the user's, written by an earlier run.
const std::string kStored =
    "[Color]\r\nFormColor=255\r\nEdit=65280\r\n[Trackbar]\r\nmax=40\r\nmin=2\r\n"
    "[Calendar]\r\ncolor=16711680\r\n";
// The same after this run moved the first slider's range to 5 ... 50.
const std::string kAfterRange =
    "[Color]\r\nFormColor=255\r\nEdit=65280\r\n[Trackbar]\r\nmax=50\r\nmin=5\r\n"
    "[Calendar]\r\ncolor=16711680\r\n";

// Runs the application's loop as the program does, with `during` queued to run in it. The
// code the loop ended with; 99 when nothing ended it within 20 s.
int RunLoop(const std::function<void()>& during) {
  QTimer::singleShot(0, during);
  QTimer give_up;
  give_up.setSingleShot(true);
  QObject::connect(&give_up, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  give_up.start(20000);
  return QApplication::exec();
}

// The program's own wiring of the requests to its windows.
void ListenAsTheProgram(EndRequests& requests, TestProgram& program) {
  requests.Hold();
  requests.Listen([&program] { program.window_set().SaveForSession(); },
                  [&program] { return program.window_set().EndSession(); });
}

// A file name where the settings file cannot be written: a folder stands there.
void BlockTheFile(TestProgram& program) {
  ASSERT_TRUE(QFile::remove(program.path));
  ASSERT_TRUE(QDir().mkdir(program.path));
}

void NoBox(const TestProgram& program) {
  EXPECT_EQ(program.desktop.Texts(RecordingDesktop::Event::Error), std::vector<std::string>{});
  EXPECT_EQ(program.desktop.events.size(), 0u);
}

void SendQuitAsTheSessionManagerDoes() {
  QEvent quit(QEvent::Quit);
  QCoreApplication::sendEvent(QCoreApplication::instance(), &quit);
}

// The dispositions a program started from a desktop finds, whatever the test runner had.
void DefaultSignals() {
  std::signal(SIGTERM, SIG_DFL);
  std::signal(SIGHUP, SIG_DFL);
}

struct Signal {
  const char* name;
  int number;
};

const Signal kSignals[] = {{"SIGTERM", SIGTERM}, {"SIGHUP", SIGHUP}};

struct Way {
  const char* name;
  std::function<void()> ask;
};

const Way kWays[] = {
    {"SIGTERM", [] { std::raise(SIGTERM); }},
    {"SIGHUP", [] { std::raise(SIGHUP); }},
    {"the session manager's end", SendQuitAsTheSessionManagerDoes},
};

// As the program starts from the launcher: the signal blocked, and named in the environment as
// bit n of a number for signal n.
void HoldBackAfterTheLauncher(int signal) {
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, signal);
  ::pthread_sigmask(SIG_BLOCK, &blocked, nullptr);
  std::string variable = "TALLYMATE_HELD_BACK=" + std::to_string(1ul << signal);
  char* environment[] = {variable.data(), nullptr};
  HoldBackEndSignals(environment);
}

}  // namespace

TEST(EndRequests, BeforeTheSettingsAreReadASignalEndsTheProcessAtOnceWithZero) {
  DefaultSignals();
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  ForEachCase(kSignals, [](const Signal& signal) {
    EXPECT_EXIT(
        {
          EndRequests requests;
          std::raise(signal.number);
          std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "");
    // Sent in the program's first milliseconds, before it could catch anything.
    EXPECT_EXIT(
        {
          HoldBackEndSignals();
          std::raise(signal.number);
          const EndRequests requests;
          std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "")
        << "held back from the start";
    // Blocked already by the launcher, which names it.
    EXPECT_EXIT(
        {
          HoldBackAfterTheLauncher(signal.number);
          std::raise(signal.number);
          const EndRequests requests;
          std::_Exit(3);
        },
        ::testing::ExitedWithCode(0), "")
        << "held back by the launcher";
  });
}

TEST(EndRequests, HeldSignalsWaitForTheLoopAndComeAsOneRequestPerReading) {
  DefaultSignals();
  ForEachCase(kSignals, [](const Signal& signal) {
    int ends = 0;
    EndRequests requests;
    requests.Hold();
    std::raise(signal.number);
    std::raise(signal.number);
    requests.Listen([] {},
                    [&ends] {
                      ++ends;
                      return true;
                    });
    EXPECT_TRUE(QTest::qWaitFor([&ends] { return ends > 0; }, 10000));
    // Both signals were read together; one more is one more request.
    std::raise(signal.number);
    EXPECT_TRUE(QTest::qWaitFor([&ends] { return ends > 1; }, 10000));
    EXPECT_EQ(ends, 2);
  });
}

TEST(EndRequests, AnIgnoredSignalStaysIgnoredAndTheOldHandlersComeBack) {
  // Asked, not raised: a caught signal before Hold() would end this process with 0.
  const auto handler = [](int signal) {
    struct sigaction now {};
    ::sigaction(signal, nullptr, &now);
    return now.sa_handler;
  };
  struct sigaction counting {};
  counting.sa_handler = [](int) {};
  sigemptyset(&counting.sa_mask);
  struct sigaction hup {
  }, term{};
  ASSERT_EQ(::sigaction(SIGTERM, &counting, &term), 0);
  ASSERT_EQ(::sigaction(SIGHUP, nullptr, &hup), 0);
  std::signal(SIGHUP, SIG_IGN);  // as nohup starts a program
  {
    const EndRequests requests;
    EXPECT_EQ(handler(SIGHUP), SIG_IGN);
    EXPECT_NE(handler(SIGTERM), counting.sa_handler);
  }
  EXPECT_EQ(handler(SIGHUP), SIG_IGN);
  EXPECT_EQ(handler(SIGTERM), counting.sa_handler);
  ::sigaction(SIGHUP, &hup, nullptr);
  ::sigaction(SIGTERM, &term, nullptr);
}

TEST(SessionEnd, WritesTheSettingsAsAtACloseAndEndsTheLoop) {
  DefaultSignals();
  ForEachCase(kWays, [](const Way& way) {
    TestProgram program(kStored);
    EndRequests requests;
    ListenAsTheProgram(requests, program);
    program.main().ApplySliderRange(5, 50);
    EXPECT_EQ(RunLoop(way.ask), 0);
    EXPECT_EQ(program.ReadFile(), kAfterRange);
    NoBox(program);
  });
}

TEST(SessionEnd, AFailedWriteShowsNoBoxAndTheProgramEndsAllTheSame) {
  DefaultSignals();
  ForEachCase(kWays, [](const Way& way) {
    TestProgram program(kStored);
    EndRequests requests;
    ListenAsTheProgram(requests, program);
    BlockTheFile(program);
    EXPECT_EQ(RunLoop(way.ask), 0);
    NoBox(program);
    EXPECT_TRUE(QFileInfo(program.path).isDir());
  });
}

TEST(SessionEnd, AfterTheProgramsOwnCloseTheQuitGoesOnAndNothingIsWrittenAgain) {
  DefaultSignals();
  TestProgram program(kStored);
  EndRequests requests;
  ListenAsTheProgram(requests, program);
  program.main().ApplySliderRange(5, 50);
  EXPECT_EQ(RunLoop([&program] {
              program.main().close();
              // A signal that comes while the program ends by itself writes nothing more.
              program.main().ApplySliderRange(7, 70);
              std::raise(SIGTERM);
            }),
            0);
  EXPECT_EQ(program.ReadFile(), kAfterRange);
  EXPECT_FALSE(program.main().isVisible());
}

TEST(SessionEnd, BeforeTheMainWindowIsShownNothingIsWritten) {
  QTemporaryDir folder;
  const QString path = folder.filePath(QStringLiteral("Tallymate.ini"));
  {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(kStored.data(), static_cast<qint64>(kStored.size()));
  }
  RecordingDesktop desktop;
  // The only copy, whatever else runs on the machine.
  ApplicationWindows windows(
      desktop, [](QWidget&) { return false; }, path.toStdString());
  ASSERT_TRUE(windows.CreateMainWindow());
  windows.Main().ApplySliderRange(5, 50);
  EXPECT_EQ(RunLoop([&windows] { windows.EndSession(); }), 0);
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll().toStdString(), kStored);
}

TEST(SessionEnd, EndsTheAboutWindowsOwnLoop) {
  DefaultSignals();
  TestProgram program(kStored);
  EndRequests requests;
  ListenAsTheProgram(requests, program);
  program.main().ApplySliderRange(5, 50);
  bool about_shown = false, about_returned = false;
  EXPECT_EQ(RunLoop([&] {
              // Runs inside the About window's loop.
              QTimer::singleShot(0, [&] {
                about_shown = program.windows().Form2->isVisible();
                std::raise(SIGTERM);
              });
              program.main().N7Click();
              about_returned = true;
            }),
            0);
  EXPECT_TRUE(about_shown);
  EXPECT_TRUE(about_returned);
  EXPECT_EQ(program.ReadFile(), kAfterRange);
}

TEST(SessionEnd, StopsAPictureReadingBeforeAndAfterItsDialogShows) {
  DefaultSignals();
  struct Moment {
    const char* name;
    bool with_dialog;
  };
  const Moment kMoments[] = {{"before the dialog", false}, {"the dialog showing", true}};
  ForEachCase(kMoments, [](const Moment& moment) {
    const bool with_dialog = moment.with_dialog;
    TestProgram program(kStored);
    EndRequests requests;
    ListenAsTheProgram(requests, program);
    program.main().ApplySliderRange(5, 50);
    const AllowDialogs dialogs;
    std::atomic<bool> asked = false, stopped = false;
    bool cancelled = false;
    QTimer at_dialog;
    QObject::connect(&at_dialog, &QTimer::timeout, [&] {
      for (QProgressDialog* dialog : program.main().findChildren<QProgressDialog*>())
        if (dialog->isVisible() && !asked.exchange(true)) std::raise(SIGTERM);
    });
    if (with_dialog) at_dialog.start(20);
    // Endless unless stopped; 20 s at most, so that a reading nobody stops ends the test.
    auto read = [&](DecodeProgress& progress) {
      QElapsedTimer since;
      since.start();
      for (int64_t done = 0; since.elapsed() < 20000; ++done) {
        if (!with_dialog && !asked.exchange(true)) std::raise(SIGTERM);
        if (!progress.Advance(done % 1000, 1000)) {
          stopped = true;
          throw DecodeCancelled();
        }
        QThread::msleep(1);
      }
      return QImage();
    };
    EXPECT_EQ(RunLoop([&] {
                try {
                  ReadOffTheWindowsThread(&program.main(), read);
                } catch (const DecodeCancelled&) {
                  cancelled = true;
                }
              }),
              0);
    EXPECT_TRUE(asked.load());
    EXPECT_TRUE(stopped.load());
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(program.ReadFile(), kAfterRange);
  });
}
