// The program's windows: the hidden application window and the six windows, created once at
// start-up and destroyed together when the program ends.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>

#include "ui/base/context.h"

class Desktop;

// The copy's hidden application window: unowned, titled with the application title and never
// shown. It stands for the running copy on the desktop; the single-instance guard of another
// copy finds it by its title. The visible windows are not its children, so that none of them
// counts as owned.
class HiddenApplicationWindow : public QWidget {
 public:
  HiddenApplicationWindow();

 protected:
  // Never mapped, whoever asks.
  void setVisible(bool visible) override;
};

// Makes the program's windows and owns them. The windows know each other through the window set
// (WindowSet, ui/base/context.h), which this fills in.
class ApplicationWindows {
 public:
  // The single-instance guard: given the hidden application window (titled, not yet native),
  // whether another copy runs. The program's is AnotherCopyRuns (app/instance_guard.h); a test
  // brings its own.
  using CopyGuard = std::function<bool(QWidget& application_window)>;

  // `settings`: where the settings are kept; no file: the program's choice
  // (SettingsStore::Choose).
  ApplicationWindows(Desktop& desktop, CopyGuard another_copy_runs, SettingsLocation settings = {});
  // Destroys every window, the secondary ones first, whether showing or not.
  ~ApplicationWindows();
  ApplicationWindows(const ApplicationWindows&) = delete;
  ApplicationWindows& operator=(const ApplicationWindows&) = delete;

  // Creates the main window and runs the single-instance guard. False when another copy runs:
  // then nothing has been shown, read or written, and the program must end.
  bool CreateMainWindow();
  // Shows the main window (its show handler reads the settings), waits for its first frame, then
  // creates the other five windows hidden, in the program's order.
  void ShowMainAndCreateOthers();

  // The desktop ends the session (a signal or the session manager): the main window writes the
  // settings as its close does, and the program ends even when that fails, as nobody is there to
  // answer a box; every event loop ends, a modal window's too. False when the main window has
  // closed already and the program is ending by itself.
  bool EndSession();
  // The session manager asks for the program's data: the settings written as at a close,
  // quietly; the program goes on.
  void SaveForSession();

  TForm1& Main() const { return *context_.windows.Form1; }
  AppContext& Context() { return context_; }

 private:
  static constexpr int kFirstFrameWait = 500;  // ms

  AppContext context_;
  CopyGuard another_copy_runs_;
  std::unique_ptr<HiddenApplicationWindow> hidden_;
  bool main_closed_ = false;
};
