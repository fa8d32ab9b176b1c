// A label that opens a link: a click with the left button, or Enter (also the keypad's) or Space
// while it has the focus, activates it; a held key once. It shows the hand cursor, and is
// underlined while it has the focus, as a link is on the desktop; a screen reader knows it as a
// link.
// A label that takes the focus builds a text document for the text it is given. A link the
// keyboard reaches is marked in its form by the property "takesFocus", which Qt Designer keeps
// after the text (it would write the focus policy before it): a hidden window's link builds its
// document only when the window is first shown (bench/startup.sh shows the difference).
#pragma once

#include <QLabel>

#include "ui/controls/click_tracker.h"

class QAccessibleInterface;

// A screen reader hears a link label as a link, named by its text, that opens with its press.
QAccessibleInterface* LinkAccessibleFactory(const QString& class_name, QObject* object);

class LinkLabel : public QLabel {
  Q_OBJECT
  // Whether Tab and a click give the label the focus (Qt::StrongFocus), or never (Qt::NoFocus).
  Q_PROPERTY(bool takesFocus READ TakesFocus WRITE SetTakesFocus)
 public:
  explicit LinkLabel(QWidget* parent = nullptr);

  bool TakesFocus() const { return focusPolicy() != Qt::NoFocus; }
  void SetTakesFocus(bool on) { setFocusPolicy(on ? Qt::StrongFocus : Qt::NoFocus); }

 signals:
  void Activated();

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;

 private:
  void Underline(bool on);

  ClickTracker click_;
};
