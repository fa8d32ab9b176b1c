#include "app/program.h"

#include <QApplication>
#include <QIcon>
#include <QtGlobal>

#include "app/application_windows.h"
#include "app/end_requests.h"
#include "app/instance_guard.h"
#include "app/qt_desktop.h"
#include "app/regional_settings.h"
#include "app/session_bus.h"
#include "app/session_lock.h"
#include "app/translations.h"
#include "ui/controls/screen_reader_support.h"
#include "ui/windows/adding.h"

namespace {

// The program prints nothing; Qt's own diagnostics appear only when asked for.
void DropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

// Whether the program chose the platform itself.
bool ChoosePlatform() {
  // The single-instance guard reads the X11 desktop: on a Wayland session run through XWayland
  // unless the user chose a platform.
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return false;
  const bool wayland =
      qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
  if (!wayland || !qEnvironmentVariableIsSet("DISPLAY")) return false;
  qputenv("QT_QPA_PLATFORM", "xcb");
  return true;
}

}  // namespace

int RunProgram(int argc, char* argv[], const StartUpWatch& watch) {
  // Another copy runs on this desktop and holds the session's lock: this one ends at once and
  // silently, before anything could show, read, write or wait. The X11 title guard below finds
  // the windows of other programs and of copies that name the display differently.
  if (!HoldSessionLock()) return 0;
  if (!qEnvironmentVariableIsSet("TALLYMATE_DEBUG")) qInstallMessageHandler(DropMessage);
  const bool chose_platform = ChoosePlatform();
  // First of all, so that a logout while Qt starts ends the program rather than killing it.
  EndRequests end_requests;

  QApplication app(argc, argv);
  // The choice was the program's own: the editor or browser it starts picks its own platform.
  if (chose_platform) qunsetenv("QT_QPA_PLATFORM");
  ConnectSessionBusWithoutStartingOne();
  InstallRussianQtTranslations();
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QStringLiteral("Tallymate 3.1"));
  QGuiApplication::setDesktopFileName(QStringLiteral("example.tallymate.tallymate"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icon48.png")));
  ApplyRegionalDecimalSeparator();
  InstallScreenReaderSupport();

  QtDesktop desktop;
  {
    ApplicationWindows windows(desktop, [](QWidget& application_window) {
      return AnotherCopyRuns(application_window, application_window.windowTitle());
    });
    if (!windows.CreateMainWindow()) return 0;
    // The main window's close handler decides whether the program ends (a failed settings write
    // keeps it running), so closing the last visible window must not end it by itself.
    QApplication::setQuitOnLastWindowClosed(false);
    if (watch.before_show) watch.before_show(windows.Main());
    // The showing reads the settings: from now on an end of the session writes them.
    end_requests.Hold();
    windows.ShowMainAndCreateOthers();
    end_requests.Listen([&windows] { windows.SaveForSession(); },
                        [&windows] { return windows.EndSession(); });
    if (watch.before_loop) watch.before_loop();
    QApplication::exec();
  }
  // The program always ends with code 0.
  return 0;
}
