// The yardstick of bench/startup.sh: the least a Qt Widgets program does to show one window of
// the main window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Minimal window"));
  window.resize(601, 367);
  window.show();
  return QApplication::exec();
}
