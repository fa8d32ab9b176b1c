#include "ui/controls/input_field.h"

#include <QAccessible>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFocusEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "ui/base/focus_order.h"

InputField::InputField(QWidget* parent) : QLineEdit(parent) {
  setMouseTracking(true);
}

void InputField::Write(const QString& text) {
  setText(text);
  setCursorPosition(0);
}

namespace {

// The character a key press delivers, as the filter sees it: printable text, or the control
// character of Ctrl+letter, Backspace, Enter and Escape. Keys that deliver no character
// (arrows, Delete, Home ...) give nothing and are not filtered.
std::optional<char32_t> TypedCharacter(const QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  const int key = e->key();
  if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) {
    if (key >= Qt::Key_A && key <= Qt::Key_Z) return static_cast<char32_t>(key - Qt::Key_A + 1);
    return std::nullopt;
  }
  switch (key) {
    case Qt::Key_Backspace:
      return U'\b';
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return U'\r';
    case Qt::Key_Escape:
      return U'\x1b';
    default:
      break;
  }
  const QString text = e->text();
  if (text.isEmpty()) return std::nullopt;
  const QList<uint> ucs4 = text.toUcs4();
  if (ucs4.isEmpty() || ucs4.front() < 0x20 || ucs4.front() == 0x7F) return std::nullopt;
  return static_cast<char32_t>(ucs4.front());
}

// Focus changes that leave the window's own focus where it was.
bool IsPassing(Qt::FocusReason reason) {
  return reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason ||
         reason == Qt::MenuBarFocusReason;
}

}  // namespace

bool InputField::event(QEvent* e) {
  // A window shown again is entered afresh.
  if (e->type() == QEvent::Hide) returning_ = false;
  if (e->type() == QEvent::ShortcutOverride) {
    auto* ke = static_cast<QKeyEvent*>(e);
    // Ctrl+letter belongs to the field only where it filters it (then it is refused like a
    // letter); otherwise the program's menu shortcuts (Ctrl+F, Ctrl+K, ...) must fire.
    if ((ke->modifiers() & Qt::ControlModifier) && ke->key() >= Qt::Key_A &&
        ke->key() <= Qt::Key_Z) {
      const bool standard = ke->matches(QKeySequence::Copy) || ke->matches(QKeySequence::Cut) ||
                            ke->matches(QKeySequence::Paste) || ke->matches(QKeySequence::Undo) ||
                            ke->matches(QKeySequence::Redo) || ke->matches(QKeySequence::SelectAll);
      if (standard) {
        if (!filter_) return QLineEdit::event(e);
        e->accept();
        return true;
      }
      e->ignore();
      return false;
    }
  }
  return QLineEdit::event(e);
}

void InputField::keyPressEvent(QKeyEvent* e) {
  // The keyboard's way to Cut, Copy and Paste: the Menu key, or Shift+F10, opens the field's
  // context menu at the caret.
  const Qt::KeyboardModifiers mods = e->modifiers() & ~Qt::KeypadModifier;
  if ((e->key() == Qt::Key_Menu && mods == Qt::NoModifier) ||
      (e->key() == Qt::Key_F10 && mods == Qt::ShiftModifier)) {
    e->accept();
    QContextMenuEvent menu(QContextMenuEvent::Keyboard, cursorRect().center(),
                           mapToGlobal(cursorRect().center()));
    QCoreApplication::sendEvent(this, &menu);
    return;
  }
  if (filter_) {
    if (std::optional<char32_t> ch = TypedCharacter(e)) {
      std::optional<char32_t> result = filter_(*ch);
      if (!result) {
        e->accept();
        return;
      }
      if (*result != *ch) {
        const char32_t out = *result;
        insert(QString::fromUcs4(&out, 1));
        e->accept();
        return;
      }
    }
  }
  QLineEdit::keyPressEvent(e);
}

void InputField::contextMenuEvent(QContextMenuEvent* e) {
  QMenu* menu = createStandardContextMenu();
  // Opened by the keyboard, the menu starts on its first command, as the desktops' menus do, so
  // that a screen reader has something to say and the arrows start from the top.
  if (e->reason() == QContextMenuEvent::Keyboard) {
    for (QAction* action : menu->actions()) {
      if (action->isEnabled() && !action->isSeparator()) {
        menu->setActiveAction(action);
        break;
      }
    }
  }
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(e->globalPos());
}

void InputField::inputMethodEvent(QInputMethodEvent* e) {
  if (!filter_ || e->commitString().isEmpty()) {
    QLineEdit::inputMethodEvent(e);
    return;
  }
  // Composed text (dead keys, compose sequences, an input method's engine) is typed text too.
  QString passed;
  for (const uint code : e->commitString().toUcs4()) {
    if (const std::optional<char32_t> out = filter_(static_cast<char32_t>(code)))
      passed += QString::fromUcs4(&*out, 1);
  }
  QInputMethodEvent filtered(e->preeditString(), e->attributes());
  // Nothing passed: the field is left as it was, surrounding text included.
  if (passed.isEmpty())
    filtered.setCommitString(QString());
  else
    filtered.setCommitString(passed, e->replacementStart(), e->replacementLength());
  QLineEdit::inputMethodEvent(&filtered);
  e->accept();
}

void InputField::focusInEvent(QFocusEvent* e) {
  FieldTakesFocus(this);
  QLineEdit::focusInEvent(e);
  // After a refused key's message box the user types on at the caret, not over the whole text.
  const bool came_back = returning_ && IsPassing(e->reason());
  returning_ = false;
  if (e->reason() != Qt::MouseFocusReason && !came_back) selectAll();
}

void InputField::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  returning_ = IsPassing(e->reason()) && window()->isVisible();
}

void InputField::mousePressEvent(QMouseEvent* e) {
  click_.Pressed(*e);
  QLineEdit::mousePressEvent(e);
}

void InputField::mouseReleaseEvent(QMouseEvent* e) {
  QLineEdit::mouseReleaseEvent(e);
  if (click_.Released(*this, *e)) emit Clicked();
}

void InputField::mouseDoubleClickEvent(QMouseEvent* e) {
  QLineEdit::mouseDoubleClickEvent(e);
  // Two quick middle-button pastes are no double click.
  if (e->button() == Qt::LeftButton) emit DoubleClicked();
}

void InputField::mouseMoveEvent(QMouseEvent* e) {
  QLineEdit::mouseMoveEvent(e);
  emit MouseMoved();
}
