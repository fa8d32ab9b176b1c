#include "ui/base/screen_reader.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPointer>
#include <utility>

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

QAccessibleInterface* NotificationFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("Announcer")) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

QString ShownText(const QWidget* control) {
  if (const auto* field = qobject_cast<const QLineEdit*>(control)) return field->text();
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  return {};
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

Announcer::Announcer(QWidget* window) : QWidget(window) {
  static const bool factory_installed = (QAccessible::installFactory(&NotificationFactory), true);
  (void)factory_installed;
  setObjectName(QStringLiteral("announcer"));
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_TransparentForMouseEvents);
  setGeometry(0, 0, 0, 0);
  // Never shown: a notification that showed with its window would be said, empty, as the
  // window opens. A reader hears it when the show is reported.
  hide();
}

void Announcer::Announce(const QString& text) {
  setAccessibleName(text);
  // A notification is said when it shows.
  QAccessibleEvent shown(this, QAccessible::ObjectShow);
  QAccessible::updateAccessibility(&shown);
}

void Announcer::AnnounceLater(const QString& text) {
  QMetaObject::invokeMethod(
      this,
      [this, text] {
        if (window()->isActiveWindow()) {
          Announce(text);
          return;
        }
        if (waiting_.isEmpty()) window()->installEventFilter(this);
        waiting_ = text;
      },
      Qt::QueuedConnection);
}

bool Announcer::eventFilter(QObject* watched, QEvent* e) {
  if (watched == window() && e->type() == QEvent::WindowActivate && !waiting_.isEmpty()) {
    window()->removeEventFilter(this);
    // After the window's own activation and its control's focus have been reported.
    AnnounceLater(std::exchange(waiting_, QString()));
  }
  return QWidget::eventFilter(watched, e);
}

void ResultWatch::Watch(QWidget* window, std::vector<QWidget*> results) {
  announcer_ = new Announcer(window);
  results_ = std::move(results);
}

std::vector<QString> ResultWatch::Texts() const {
  std::vector<QString> texts;
  for (const QWidget* control : results_) texts.push_back(ShownText(control));
  return texts;
}

void ResultWatch::CommandStarts() {
  if (depth_++ == 0 && announcer_ != nullptr) before_ = Texts();
}

void ResultWatch::CommandEnded() {
  if (--depth_ != 0 || announcer_ == nullptr) return;
  const std::vector<QString> after = Texts();
  QStringList said;
  for (size_t i = 0; i < after.size(); ++i) {
    if (after[i] == before_[i] || after[i].isEmpty()) continue;
    // A field is said with its name ("Ответ 3,5"); a result line says what it is itself.
    const QString name = qobject_cast<const QLineEdit*>(results_[i]) != nullptr
                             ? results_[i]->accessibleName()
                             : QString();
    said << (name.isEmpty() ? after[i] : name + QLatin1Char(' ') + after[i]);
  }
  if (said.isEmpty()) return;
  // After the focus changes the command queued, so that the result is said last.
  announcer_->AnnounceLater(said.join(QStringLiteral(", ")));
}

void ResultWatch::Say(const QString& text) {
  if (announcer_ != nullptr) announcer_->AnnounceLater(text);
}
