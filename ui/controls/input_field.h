// The input field of every window.
#pragma once

#include <QLineEdit>
#include <functional>
#include <optional>

#include "ui/controls/click_tracker.h"

// A text field. A key filter, when set, sees each typed character before the field does:
// it returns the character to insert, or nothing to drop it. The control characters that the
// copy, paste, cut and undo shortcuts deliver reach the filter as characters too, and so does
// each character of text an input method commits.
// Receiving the focus by keyboard or by a command selects the whole text; by a mouse click not,
// nor when it only comes back after a message box, a menu or another window had it meanwhile.
class InputField : public QLineEdit {
  Q_OBJECT
 public:
  using KeyFilter = std::function<std::optional<char32_t>(char32_t)>;

  explicit InputField(QWidget* parent = nullptr);
  void SetKeyFilter(KeyFilter filter) { filter_ = std::move(filter); }
  // Text a command writes (empty to clear the field): the field shows its beginning, as a
  // desktop field given new text does, even when the text is wider than the field. What the
  // program writes leaves no step for the user to undo.
  void Write(const QString& text);

 signals:
  // A double click with the left button.
  void DoubleClicked();
  // A press and a release of the left button over the field.
  void Clicked();
  void MouseMoved();

 protected:
  bool event(QEvent* e) override;
  void keyPressEvent(QKeyEvent* e) override;
  void inputMethodEvent(QInputMethodEvent* e) override;
  void focusInEvent(QFocusEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;
  void focusOutEvent(QFocusEvent* e) override;
  void mousePressEvent(QMouseEvent* e) override;
  void mouseReleaseEvent(QMouseEvent* e) override;
  void mouseDoubleClickEvent(QMouseEvent* e) override;
  void mouseMoveEvent(QMouseEvent* e) override;

 private:
  KeyFilter filter_;
  ClickTracker click_;
  // The focus went to another window or a popup while this one stayed open: it is still this
  // field's focus from the user's point of view.
  bool returning_ = false;
};
