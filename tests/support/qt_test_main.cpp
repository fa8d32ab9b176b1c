// The main of every widget test: one application object, headless unless a platform is chosen,
// and a watchdog against dialogs that nobody would close.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>

#include "core/number_text.h"
#include "tests/support/modal_watchdog.h"
#include "ui/controls/screen_reader_support.h"

namespace {

int g_allowed = 0;

class DialogWatchdog : public QObject {
 public:
  bool eventFilter(QObject* watched, QEvent* e) override {
    if (e->type() == QEvent::Show && !DialogsAllowed()) {
      if (auto* dialog = qobject_cast<QDialog*>(watched); dialog != nullptr && dialog->isWindow()) {
        ADD_FAILURE() << "a real dialog opened: " << dialog->metaObject()->className() << " \""
                      << dialog->windowTitle().toStdString() << "\"";
        // Closed once its own loop runs, so that the test goes on and ends.
        QTimer::singleShot(0, dialog, &QDialog::reject);
      }
    }
    return false;
  }
};

}  // namespace

AllowDialogs::AllowDialogs() {
  ++g_allowed;
}
AllowDialogs::~AllowDialogs() {
  --g_allowed;
}
bool DialogsAllowed() {
  return g_allowed > 0;
}

int main(int argc, char** argv) {
  // Test discovery reads the list of tests without the tests' environment: headless there too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // What a screen reader finds in the controls, as the program installs it; the focus order is
  // the screen-reader tests' own to install.
  InstallAccessibleControls();
  // Windows come and go in every test; only a test ends the run.
  QApplication::setQuitOnLastWindowClosed(false);
  DialogWatchdog watchdog;
  app.installEventFilter(&watchdog);
  // The program's own texts use the Russian comma.
  SetDecimalSeparator(',');
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
