// Tallymate 3.1: start-up, the event loop and the end of the program.
#include <QApplication>
#include <QIcon>
#include <QtGlobal>

#include "app/qt_desktop.h"
#include "app/regional_settings.h"
#include "app/translations.h"
#include "app/window_set.h"
#ifdef TALLYMATE_STARTUP_PROBE
#include "bench/startup_probe.h"
#include "ui/windows/adding.h"
#endif

namespace {

// The program prints nothing; Qt's own diagnostics appear only when asked for.
void DropMessage(QtMsgType, const QMessageLogContext&, const QString&) {}

void ChoosePlatform() {
  // The single-instance guard reads the X11 desktop: on a Wayland session run through XWayland
  // unless the user chose a platform.
  if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) return;
  const bool wayland =
      qEnvironmentVariableIsSet("WAYLAND_DISPLAY") || qgetenv("XDG_SESSION_TYPE") == "wayland";
  if (wayland && qEnvironmentVariableIsSet("DISPLAY")) qputenv("QT_QPA_PLATFORM", "xcb");
}

}  // namespace

int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("TALLYMATE_DEBUG")) qInstallMessageHandler(DropMessage);
  ChoosePlatform();

  QApplication app(argc, argv);
  InstallRussianQtTranslations();
  // Only the name: a display name would be appended to every window's caption.
  QApplication::setApplicationName(QStringLiteral("Tallymate 3.1"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/assets/icon48.png")));
  ApplyRegionalDecimalSeparator();

  QtDesktop desktop;
  {
    ApplicationWindows windows(desktop);
    if (!windows.CreateMainWindow()) return 0;
    // The main window's close handler decides whether the program ends (a failed settings write
    // keeps it running), so closing the last visible window must not end it by itself.
    QApplication::setQuitOnLastWindowClosed(false);
#ifdef TALLYMATE_STARTUP_PROBE
    // The start-up benchmark's own build: notes the first frame and ends once settled.
    StartUpProbe probe(windows.Main());
    windows.ShowMainAndCreateOthers();
    probe.EndWhenSettled();
#else
    windows.ShowMainAndCreateOthers();
#endif
    QApplication::exec();
  }
  // The program always ends with code 0.
  return 0;
}
