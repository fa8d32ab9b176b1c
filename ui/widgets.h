// Controls and control helpers shared by the windows.
#pragma once

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <string>

class QAbstractButton;
class QFont;
class QFrame;

// The core's texts (UTF-8) as the controls show them.
inline QString Text(const std::string& utf8) {
  return QString::fromStdString(utf8);
}

// The program's font: Liberation Sans, standing in for the "MS Sans Serif" the windows were laid
// out for, by pixel height.
QFont SansFont(int pixelHeight = 11, bool bold = false);
// The comic font: Comic Neue, standing in for "Comic Sans MS".
QFont ComicFont(int pixelHeight, bool bold, bool italic = false);

// A text field. A key filter, when set, sees each typed character before the field does:
// it returns the character to insert, or nothing to drop it. The control characters that the
// copy, paste, cut and undo shortcuts deliver reach the filter as characters too, and so does
// each character of text an input method commits.
// Receiving the focus by keyboard or by a command selects the whole text; by a mouse click not,
// nor when it only comes back after a message box, a menu or another window had it meanwhile.
class TEdit : public QLineEdit {
  Q_OBJECT
 public:
  using KeyFilter = std::function<std::optional<char32_t>(char32_t)>;

  explicit TEdit(QWidget* parent = nullptr);
  void SetKeyFilter(KeyFilter filter) { filter_ = std::move(filter); }
  // Text a command writes: the field shows its beginning, as a desktop field given new text
  // does, even when the text is wider than the field.
  void Write(const QString& text);

 signals:
  void DoubleClicked();
  void Clicked();
  void MouseMoved();

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  KeyFilter filter_;
  bool pressed_ = false;
  // The focus went to another window or a popup while this one stayed open: it is still this
  // field's focus from the user's point of view.
  bool returning_ = false;
};

// Places a control at its layout position (left, top, width, height) inside its parent.
template <typename W>
W* Place(W* widget, int left, int top, int width, int height) {
  widget->setGeometry(left, top, width, height);
  return widget;
}

// A label at (left, top) that sizes itself to its text.
QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, const QFont& font);

// A self-sizing label whose text may be longer than the room to its right (results, the range
// values): when the text would pass `right`, its font is narrowed just enough to end there.
class TLine : public QLabel {
  Q_OBJECT
 public:
  TLine(QWidget* parent, const QString& text, int left, int top, const QFont& font, int right);
  void SetLine(const QString& text);

 private:
  QFont font_;
  int right_;
};

// A check box that answers a click anywhere on its control, caption and the room after it
// included, as the desktop's check boxes do.
class TCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;

 protected:
  bool hitButton(const QPoint& pos) const override;
};

// Runs `action` whenever `control` receives the input focus from another control of its window:
// by Tab, Shift+Tab or a mouse press. Not when the window is re-activated with the focus
// already there (after a message box, for one), so a failing command reports once.
// The action runs right after the focus change has completed. For a button, the click of the
// same mouse press is swallowed, so that pressing the mouse on it runs its command once.
void OnFocusEnter(QWidget* control, std::function<void()> action);

// Enter on a push button that has the focus presses it, as Space does: the desktop's rule for
// the buttons of a window, which Qt keeps to its own dialog class.
void ClickOnEnter(QAbstractButton* button);

// A label with the fixed position and size of the layout.
QLabel* MakeFixedLabel(QWidget* parent, const QString& text, int left, int top, int width,
                       int height, const QFont& font);
// A lowered frame drawn behind the controls; it takes no mouse input.
QFrame* MakeBevel(QWidget* parent, int left, int top, int width, int height);
