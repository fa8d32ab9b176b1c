#include "ui/controls/field_accessible.h"

#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QLineEdit>

namespace {

class FieldAccessible : public QAccessibleWidget,
                        public QAccessibleTextInterface,
                        public QAccessibleEditableTextInterface {
 public:
  explicit FieldAccessible(QLineEdit* field) : QAccessibleWidget(field, QAccessible::EditableText) {
    addControllingSignal(QStringLiteral("textChanged(QString)"));
  }

  void* interface_cast(QAccessible::InterfaceType t) override {
    if (t == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (t == QAccessible::EditableTextInterface)
      return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(t);
  }

  QString text(QAccessible::Text t) const override {
    if (t == QAccessible::Value) return Field()->text();
    return QAccessibleWidget::text(t);
  }
  void setText(QAccessible::Text t, const QString& text) override {
    if (t != QAccessible::Value) {
      QAccessibleWidget::setText(t, text);
      return;
    }
    if (!Field()->isReadOnly()) Field()->setText(text);
  }

  QAccessible::State state() const override {
    QAccessible::State s = QAccessibleWidget::state();
    if (Field()->isReadOnly())
      s.readOnly = true;
    else
      s.editable = true;
    s.selectableText = true;
    return s;
  }

  // ---- text ----
  void selection(int index, int* start, int* end) const override {
    *start = *end = 0;
    if (index != 0 || !Field()->hasSelectedText()) return;
    *start = Field()->selectionStart();
    *end = *start + Field()->selectionLength();
  }
  int selectionCount() const override { return Field()->hasSelectedText() ? 1 : 0; }
  void addSelection(int start, int end) override { setSelection(0, start, end); }
  void removeSelection(int index) override {
    if (index == 0) Field()->deselect();
  }
  void setSelection(int index, int start, int end) override {
    if (index == 0) Field()->setSelection(start, end - start);
  }
  int cursorPosition() const override { return Field()->cursorPosition(); }
  void setCursorPosition(int position) override { Field()->setCursorPosition(position); }
  QString text(int start, int end) const override {
    return Field()->text().mid(start, end - start);
  }
  int characterCount() const override { return static_cast<int>(Field()->text().size()); }
  // The caret's rectangle tells where the shown text starts, scrolled or not.
  QRect characterRect(int offset) const override {
    const QLineEdit* field = Field();
    const QFontMetrics metrics(field->font());
    const QString text = field->text();
    const QRect caret = field->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const int origin =
        caret.center().x() - metrics.horizontalAdvance(text.left(field->cursorPosition()));
    const int left = origin + metrics.horizontalAdvance(text.left(offset));
    const int width = offset < text.size() ? metrics.horizontalAdvance(text.at(offset)) : 1;
    const QRect local(left, caret.top(), width, caret.height());
    return QRect(field->mapToGlobal(local.topLeft()), local.size());
  }
  int offsetAtPoint(const QPoint& point) const override {
    return Field()->cursorPositionAt(Field()->mapFromGlobal(point));
  }
  void scrollToSubstring(int start, int end) override {
    Field()->setCursorPosition(end);
    Field()->setCursorPosition(start);
  }
  // No attributes, over the whole text.
  QString attributes(int /*offset*/, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

  // ---- editing, as typing would ----
  void deleteText(int start, int end) override { replaceText(start, end, QString()); }
  void insertText(int offset, const QString& text) override { replaceText(offset, offset, text); }
  void replaceText(int start, int end, const QString& text) override {
    if (Field()->isReadOnly()) return;
    Field()->setText(Field()->text().replace(start, end - start, text));
  }

 private:
  QLineEdit* Field() const { return static_cast<QLineEdit*>(widget()); }
};

}  // namespace

QAccessibleInterface* FieldAccessibleFactory(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String("InputField") && class_name != QLatin1String("QLineEdit"))
    return nullptr;
  auto* field = static_cast<QLineEdit*>(object);
  if (field->echoMode() != QLineEdit::Normal) return nullptr;
  return new FieldAccessible(field);
}
