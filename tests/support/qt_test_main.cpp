// The main of every widget test: one application object, headless unless a platform is chosen.
#include <gtest/gtest.h>

#include <QApplication>

#include "core/number_text.h"

int main(int argc, char** argv) {
  // Test discovery reads the list of tests without the tests' environment: headless there too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  // Windows come and go in every test; only a test ends the run.
  QApplication::setQuitOnLastWindowClosed(false);
  // The program's own texts use the Russian comma.
  SetDecimalSeparator(',');
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
