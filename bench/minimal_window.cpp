// The yardsticks of bench/startup.sh: the least a Qt Widgets program does to show one window of
// the main window's size; with --label-calendar also one line of Cyrillic text and a month
// calendar, the two things that cost most in the main window (fonts, and the calendar with its
// style icons).
#include <QApplication>
#include <QCalendarWidget>
#include <QLabel>
#include <QWidget>
#include <cstring>

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QWidget window;
  window.setWindowTitle(QStringLiteral("Minimal window"));
  window.resize(601, 367);
  if (argc > 1 && std::strcmp(argv[1], "--label-calendar") == 0) {
    auto* label = new QLabel(QStringLiteral("Диапазон значений полосы прокрутки"), &window);
    label->move(100, 8);
    label->adjustSize();
    (new QCalendarWidget(&window))->setGeometry(392, 145, 209, 180);
  }
  window.show();
  return QApplication::exec();
}
