#include "app/application_windows.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QWindow>
#include <utility>

#include "app/keyboard_focus.h"
#include "app/regional_settings.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

HiddenApplicationWindow::HiddenApplicationWindow() {
  setObjectName(QStringLiteral("TApplication"));
  setWindowTitle(QStringLiteral("Tallymate 3.1"));
}

void HiddenApplicationWindow::setVisible(bool visible) {
  if (!visible) QWidget::setVisible(false);
}

ApplicationWindows::ApplicationWindows(Desktop& desktop, CopyGuard another_copy_runs,
                                       SettingsLocation settings)
    : context_{desktop, {}, std::move(settings)},
      another_copy_runs_(std::move(another_copy_runs)),
      hidden_(std::make_unique<HiddenApplicationWindow>()) {}

ApplicationWindows::~ApplicationWindows() {
  WindowSet& w = context_.windows;
  // The secondary windows read the main window while they live; it goes after them. A window
  // being destroyed finds the ones already gone as null.
  delete std::exchange(w.Form6, nullptr);
  delete std::exchange(w.Form5, nullptr);
  delete std::exchange(w.Form4, nullptr);
  delete std::exchange(w.Form2, nullptr);
  delete std::exchange(w.Form3, nullptr);
  w.main = nullptr;
  delete std::exchange(w.Form1, nullptr);
}

bool ApplicationWindows::CreateMainWindow() {
  TForm1* form1 = new TForm1(context_);
  context_.windows.Form1 = form1;
  context_.windows.main = form1;
  FollowRegionalSettings(*form1);
  if (!form1->FormCreate([this] { return another_copy_runs_(*hidden_); })) return false;
  // The main window's close handler announces when it has closed for good.
  QObject::connect(form1, &TForm1::Closed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
  QObject::connect(form1, &TForm1::Closed, form1, [this] { main_closed_ = true; });
  return true;
}

bool ApplicationWindows::EndSession() {
  if (main_closed_) return false;
  main_closed_ = true;
  Main().WriteSettingsAtSessionEnd();
  // Ends the loops of a message box, the About window or a picture reading as well; the reading
  // stops when its loop ends. A loop started later returns at once.
  QCoreApplication::exit(0);
  return true;
}

void ApplicationWindows::SaveForSession() {
  if (!main_closed_) Main().WriteSettingsAtSessionEnd();
}

void ApplicationWindows::ShowMainAndCreateOthers() {
  WindowSet& w = context_.windows;
  w.Form1->show();
  // Its shortcuts act from the first key, also where no window manager gives it the keyboard;
  // so do those of every window it opens, and its own again when they close.
  TakeKeyboardWithoutWindowManager(w.Form1);
  FollowWindowsWithKeyboard(w.Form1);
  // The user sees the main window before the hidden ones are built: its first frame is painted
  // while the desktop's answers to the showing are handled. Input waits meanwhile (Qt keeps it
  // queued), so a key pressed at once finds every window. A window the desktop never exposes
  // (another workspace) waits no longer than the deadline.
  const QDeadlineTimer deadline(kFirstFrameWait);
  QTimer wake;
  wake.start(kFirstFrameWait);
  while (!w.Form1->windowHandle()->isExposed() && !deadline.hasExpired())
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::WaitForMoreEvents);
  w.Form3 = new TForm3(context_);
  w.Form2 = new TForm2(context_);
  w.Form4 = new TForm4(context_);
  w.Form5 = new TForm5(context_);
  w.Form6 = new TForm6(context_);
}
