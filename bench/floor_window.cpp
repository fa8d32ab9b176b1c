// The floor of bench/startup.sh: the least a Qt Widgets program does to show one window of the
// main window's kind: the same widget kinds (menu bar, line edits, buttons, Cyrillic labels, two
// sliders, a month calendar, a picture, a status bar) in the same fonts and sizes, and nothing
// else: no settings, no other windows, no styling beyond the fonts.
#include <QApplication>
#include <QCalendarWidget>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>

#include "bench/startup_probe.h"

namespace {

QFont Sans(int pixels, bool bold = false) {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setPixelSize(pixels);
  font.setStretch(98);
  font.setBold(bold);
  return font;
}

template <class W>
W* At(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

void Label(QWidget* parent, const char* text, int left, int top, const QFont& font) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setFont(font);
  label->move(left, top);
  label->adjustSize();
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication app(argc, argv);
  QMainWindow window;
  window.setWindowTitle(QStringLiteral("Floor window"));
  window.setFont(Sans(11));

  QMenuBar* bar = window.menuBar();
  QMenu* program = bar->addMenu(QStringLiteral("Программа"));
  program->addAction(QStringLiteral("Закрыть"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  QMenu* functions = bar->addMenu(QStringLiteral("Функции"));
  functions->addAction(QStringLiteral("Степени и корни"), QKeySequence(Qt::CTRL | Qt::Key_D));
  bar->addMenu(QStringLiteral("Помощь"))->addAction(QStringLiteral("Справка"));

  auto* client = new QWidget(&window);
  client->setFixedSize(601, 327);
  window.setCentralWidget(client);
  const QFont normal = Sans(11), bold = Sans(11, true), large = Sans(19);

  Label(client, "Диапазон значений полосы прокрутки", 104, 8, normal);
  Label(client, "0", 16, 8, normal);
  Label(client, "200", 344, 8, normal);
  At(new QSlider(Qt::Horizontal, client), 8, 32, 369, 17);
  At(new QSlider(Qt::Horizontal, client), 8, 48, 369, 17);
  Label(client, "Первое число", 32, 104, normal);
  Label(client, "Второе число", 144, 104, normal);
  Label(client, "Ответ", 304, 104, normal);
  for (int left : {16, 128, 256}) At(new QLineEdit(client), left, 120, 105, 21)->setFont(bold);
  Label(client, "=", 240, 120, Sans(19, true));
  Label(client, "Арифметические действия", 24, 168, normal);
  const struct {
    const char* caption;
    int left, top, width, height;
    const QFont& font;
  } buttons[] = {{">>>", 32, 144, 33, 17, normal},
                 {"<<<>>>", 96, 144, 49, 17, normal},
                 {"/", 24, 184, 49, 25, large},
                 {"+", 208, 184, 49, 25, large},
                 {"Пи", 264, 184, 49, 25, bold},
                 {"%", 328, 184, 41, 25, bold},
                 {"Очистить поля ввода", 16, 224, 137, 25, normal},
                 {"Квадрат", 272, 224, 57, 25, normal}};
  for (const auto& b : buttons)
    At(new QPushButton(QString::fromUtf8(b.caption), client), b.left, b.top, b.width, b.height)
        ->setFont(b.font);
  QFont comic(QStringLiteral("Fantasque Sans Mono"));
  comic.setPixelSize(11);
  comic.setStretch(90);
  comic.setBold(true);
  Label(client, "WWW:  www.example.org", 8, 272, comic);

  QPixmap picture(209, 145);
  picture.fill(QColor(0x80, 0x80, 0x00));
  At(new QLabel(client), 392, 0, 209, 145)->setPixmap(picture);

  // A plain calendar asks the icon theme for its arrows, which costs more than the rest of it;
  // the program avoids that, and so does the floor.
  const QStringList themes = QIcon::themeSearchPaths();
  QIcon::setThemeSearchPaths({QStringLiteral(":/no-icon-theme")});
  auto* calendar = At(new QCalendarWidget(client), 392, 144, 209, 183);
  QIcon::setThemeSearchPaths(themes);
  calendar->setLocale(QLocale(QLocale::Russian, QLocale::Russia));
  calendar->setFont(Sans(13, true));

  window.statusBar()->addWidget(new QLabel(QStringLiteral("Добро пожаловать"), &window), 1);

  StartUpProbe probe(window);
  window.show();
  probe.EndWhenSettled();
  return QApplication::exec();
}
