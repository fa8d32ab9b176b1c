#include "ui/base/focus_order.h"

#include <QAccessible>
#include <QApplication>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>

namespace {

QAccessible::UpdateHandler next_handler = nullptr;
bool installed = false;
QPointer<QWidget> entering;  // the field whose focus Qt has not reported yet
bool held = false;           // its caret or selection moved meanwhile

void Order(QAccessibleEvent* e);

void Forward(QAccessibleEvent* e) {
  if (next_handler != nullptr) {
    next_handler(e);
    return;
  }
  // Qt's own delivery to the platform runs only while no handler is installed.
  QAccessible::installUpdateHandler(nullptr);
  QAccessible::updateAccessibility(e);
  QAccessible::installUpdateHandler(&Order);
}

// The caret and selection as they stand now, after the focus.
void ReportHeld(QWidget* field) {
  if (!held) return;
  held = false;
  QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(field);
  QAccessibleTextInterface* text = iface != nullptr ? iface->textInterface() : nullptr;
  if (text == nullptr) return;
  int start = 0;
  int end = 0;
  if (text->selectionCount() > 0) text->selection(0, &start, &end);
  QAccessibleTextSelectionEvent selection(field, start, end);
  Forward(&selection);
  QAccessibleTextCursorEvent caret(field, text->cursorPosition());
  Forward(&caret);
}

// While a menu is open the keys go to it, whatever control Qt still counts as focused: moving
// from one menu of the menu bar to the next briefly activates the window below, and its
// control's focus must not talk over the menu.
bool FocusBelowAnOpenMenu(const QAccessibleEvent* e) {
  const QWidget* popup = QApplication::activePopupWidget();
  if (e->type() != QAccessible::Focus || popup == nullptr) return false;
  const auto* widget = qobject_cast<const QWidget*>(e->object());
  return widget != nullptr && widget->window() != popup &&
         qobject_cast<const QMenuBar*>(widget) == nullptr;
}

// A window reports its activation after its control took the focus back (from a closed box or
// menu); a reader then says only the window. The control reports its focus once more after it.
void ReportFocusAfterActivation(const QAccessibleEvent* e) {
  if (e->type() != QAccessible::StateChanged) return;
  const auto* change = static_cast<const QAccessibleStateChangeEvent*>(e);
  const auto* window = qobject_cast<const QWidget*>(e->object());
  QWidget* focus = QApplication::focusWidget();
  if (!change->changedStates().active || window == nullptr || !window->isActiveWindow() ||
      focus == nullptr || focus->window() != window || QApplication::activePopupWidget() != nullptr)
    return;
  QAccessibleEvent again(focus, QAccessible::Focus);
  Forward(&again);
}

void Order(QAccessibleEvent* e) {
  if (FocusBelowAnOpenMenu(e)) return;
  if (e->type() == QAccessible::StateChanged) {
    Forward(e);
    ReportFocusAfterActivation(e);
    return;
  }
  QWidget* field = entering;
  if (field != nullptr && e->object() == field) {
    if (e->type() == QAccessible::TextSelectionChanged ||
        e->type() == QAccessible::TextCaretMoved) {
      held = true;
      return;
    }
    if (e->type() == QAccessible::Focus) {
      entering = nullptr;
      Forward(e);
      ReportHeld(field);
      return;
    }
  }
  Forward(e);
}

}  // namespace

void InstallFocusFirstOrder() {
  if (installed) return;
  installed = true;
  next_handler = QAccessible::installUpdateHandler(&Order);
}

void RemoveFocusFirstOrder() {
  if (!installed) return;
  installed = false;
  QAccessible::installUpdateHandler(next_handler);
  next_handler = nullptr;
  entering = nullptr;
}

void FieldTakesFocus(QWidget* field) {
  if (!installed) return;
  entering = field;
  held = false;
  // Qt reports no focus when it comes back from a closed menu or box: the field reports it
  // itself, so the reader says the field rather than only the window. A field of a window that
  // is not active has no focus to report, but its held caret still reaches the reader.
  QMetaObject::invokeMethod(
      field,
      [field] {
        if (entering != field) return;
        entering = nullptr;
        if (field->hasFocus()) {
          QAccessibleEvent focus(field, QAccessible::Focus);
          Forward(&focus);
        }
        ReportHeld(field);
      },
      Qt::QueuedConnection);
}
