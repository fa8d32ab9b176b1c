#include "ui/base/announcer.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <utility>

namespace {

QString ShownText(const QWidget* control) {
  if (const auto* field = qobject_cast<const QLineEdit*>(control)) return field->text();
  if (const auto* label = qobject_cast<const QLabel*>(control)) return label->text();
  return {};
}

}  // namespace

QAccessibleInterface* NotificationAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("Announcer")) return nullptr;
  return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
}

Announcer::Announcer(QWidget* window) : QWidget(window) {
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
