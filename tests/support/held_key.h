// A key held down, as the keyboard sends it: the press, the repeats while it is held (each a
// release and a press marked as repeated, as X11 delivers them) and the final release.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QTest>
#include <QWidget>

inline void HoldKey(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers, int repeats) {
  const QString text = key == Qt::Key_Space                            ? QStringLiteral(" ")
                       : key == Qt::Key_Return || key == Qt::Key_Enter ? QStringLiteral("\r")
                                                                       : QString();
  QTest::keyPress(widget, key, modifiers);
  for (int i = 0; i < repeats; ++i) {
    for (QEvent::Type type : {QEvent::KeyRelease, QEvent::KeyPress}) {
      QKeyEvent repeat(type, key, modifiers, text, true);
      QApplication::sendEvent(widget, &repeat);
    }
  }
  QTest::keyRelease(widget, key, modifiers);
}
