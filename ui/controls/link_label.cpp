#include "ui/controls/link_label.h"

#include <QAccessibleWidget>
#include <QKeyEvent>
#include <QMouseEvent>

namespace {

// A screen reader hears the label as a link, named by its text, that opens with its press.
class LinkAccessible : public QAccessibleWidget {
 public:
  explicit LinkAccessible(LinkLabel* label) : QAccessibleWidget(label, QAccessible::Link) {}

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Name && widget()->accessibleName().isEmpty())
      return static_cast<const LinkLabel*>(widget())->text();
    return QAccessibleWidget::text(t);
  }
  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    s.linked = true;
    return s;
  }
  QStringList actionNames() const override {
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
  }
  void doAction(const QString& action) override {
    if (action == pressAction())
      emit static_cast<LinkLabel*>(widget())->Activated();
    else
      QAccessibleWidget::doAction(action);
  }
};

}  // namespace

QAccessibleInterface* LinkAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("LinkLabel")) return nullptr;
  return new LinkAccessible(static_cast<LinkLabel*>(object));
}

LinkLabel::LinkLabel(QWidget* parent) : QLabel(parent) {
  setCursor(Qt::PointingHandCursor);
}

void LinkLabel::keyPressEvent(QKeyEvent* e) {
  const int key = e->key();
  if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
    e->accept();
    // A held key opens the link once, as it presses a button once.
    if (!e->isAutoRepeat()) emit Activated();
    return;
  }
  QLabel::keyPressEvent(e);
}

void LinkLabel::mousePressEvent(QMouseEvent* e) {
  click_.Pressed(*e);
  // The press is the label's own: it does not reach the window behind it.
  e->accept();
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* e) {
  e->accept();
  if (click_.Released(*this, *e)) emit Activated();
}

void LinkLabel::focusInEvent(QFocusEvent* e) {
  QLabel::focusInEvent(e);
  Underline(true);
}

void LinkLabel::focusOutEvent(QFocusEvent* e) {
  QLabel::focusOutEvent(e);
  Underline(false);
}

void LinkLabel::Underline(bool on) {
  QFont shown = font();
  shown.setUnderline(on);
  setFont(shown);
}
