#include "ui/widgets.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QFocusEvent>
#include <QFont>
#include <QFrame>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <algorithm>

namespace {

// The windows name the fonts they were laid out for; Qt's substitution table says which
// installed family stands in for each. The font is made with the stand-in's own name: a family
// the font database does not know costs a search of fallback families for every script.
QString StandIn(const QString& laidOutFor) {
  static const bool installed = [] {
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Comic Sans MS"), QStringLiteral("Comic Neue"));
    return true;
  }();
  (void)installed;
  return QFont::substitute(laidOutFor);
}

}  // namespace

QFont SansFont(int pixelHeight, bool bold) {
  QFont font(StandIn(QStringLiteral("MS Sans Serif")));
  font.setPixelSize(pixelHeight);
  // The family that stands in is a little wider than the one the windows were laid out for:
  // at 98 % its Cyrillic captions end just inside the widths of the layout.
  font.setStretch(98);
  font.setBold(bold);
  return font;
}

QFont ComicFont(int pixelHeight, bool bold, bool italic) {
  QFont font(StandIn(QStringLiteral("Comic Sans MS")));
  font.setPixelSize(pixelHeight);
  font.setBold(bold);
  font.setItalic(italic);
  return font;
}

TEdit::TEdit(QWidget* parent) : QLineEdit(parent) {
  setMouseTracking(true);
}

void TEdit::Write(const QString& text) {
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

bool TEdit::event(QEvent* e) {
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

void TEdit::keyPressEvent(QKeyEvent* e) {
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

void TEdit::inputMethodEvent(QInputMethodEvent* e) {
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

void TEdit::focusInEvent(QFocusEvent* e) {
  QLineEdit::focusInEvent(e);
  // After a refused key's message box the user types on at the caret, not over the whole text.
  const bool came_back = returning_ && IsPassing(e->reason());
  returning_ = false;
  if (e->reason() != Qt::MouseFocusReason && !came_back) selectAll();
}

void TEdit::focusOutEvent(QFocusEvent* e) {
  QLineEdit::focusOutEvent(e);
  returning_ = IsPassing(e->reason()) && window()->isVisible();
}

void TEdit::mousePressEvent(QMouseEvent* e) {
  pressed_ = true;
  QLineEdit::mousePressEvent(e);
}

void TEdit::mouseReleaseEvent(QMouseEvent* e) {
  QLineEdit::mouseReleaseEvent(e);
  if (pressed_) {
    pressed_ = false;
    emit Clicked();
  }
}

void TEdit::mouseDoubleClickEvent(QMouseEvent* e) {
  QLineEdit::mouseDoubleClickEvent(e);
  emit DoubleClicked();
}

void TEdit::mouseMoveEvent(QMouseEvent* e) {
  QLineEdit::mouseMoveEvent(e);
  emit MouseMoved();
}

QLabel* MakeLabel(QWidget* parent, const QString& text, int left, int top, const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  label->move(left, top);
  label->adjustSize();
  return label;
}

TLine::TLine(QWidget* parent, const QString& text, int left, int top, const QFont& font, int right)
    : QLabel(parent), font_(font), right_(right) {
  move(left, top);
  SetLine(text);
}

void TLine::SetLine(const QString& text) {
  setText(text);
  // A result that appears while the focus is elsewhere is still read out by a screen reader.
  QAccessibleEvent announce(this, QAccessible::NameChanged);
  QAccessible::updateAccessibility(&announce);
  QFont narrowed = font_;
  setFont(narrowed);
  adjustSize();
  const int room = right_ - x();
  if (width() <= room || room <= 0) return;
  // A first guess in proportion, then down in small steps: glyph widths round to pixels.
  const int base = font_.stretch() > 0 ? font_.stretch() : 100;
  int stretch = std::max(1, base * room / width());
  for (;; --stretch) {
    narrowed.setStretch(stretch);
    setFont(narrowed);
    adjustSize();
    if (width() <= room || stretch == 1) return;
  }
}

bool TCheckBox::hitButton(const QPoint& pos) const {
  return rect().contains(pos);
}

namespace {

class FocusEnterWatch : public QObject {
 public:
  FocusEnterWatch(QWidget* control, std::function<void()> action)
      : QObject(control), control_(control), action_(std::move(action)) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != control_) return false;
    switch (e->type()) {
      case QEvent::FocusIn: {
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(e)->reason();
        if (reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason ||
            reason == Qt::MouseFocusReason) {
          awaiting_press_ = reason == Qt::MouseFocusReason;
          // After the focus change has completed, not inside it: the command may move the
          // focus again or open a modal box.
          QMetaObject::invokeMethod(
              this, [this] { action_(); }, Qt::QueuedConnection);
        }
        break;
      }
      case QEvent::FocusOut:
        awaiting_press_ = swallow_click_ = false;
        break;
      case QEvent::MouseButtonPress:
        // The press that brought the focus (the focus comes before the press is delivered).
        swallow_click_ = awaiting_press_;
        awaiting_press_ = false;
        break;
      case QEvent::MouseButtonRelease:
        if (swallow_click_) {
          swallow_click_ = false;
          // That press has run the command already: end it without a click.
          if (auto* button = qobject_cast<QAbstractButton*>(control_)) button->setDown(false);
        }
        break;
      default:
        break;
    }
    return false;
  }

 private:
  QWidget* control_;
  std::function<void()> action_;
  bool awaiting_press_ = false;
  bool swallow_click_ = false;
};

}  // namespace

void OnFocusEnter(QWidget* control, std::function<void()> action) {
  control->installEventFilter(new FocusEnterWatch(control, std::move(action)));
}

namespace {

class EnterClicks : public QObject {
 public:
  explicit EnterClicks(QAbstractButton* button) : QObject(button), button_(button) {}

  bool eventFilter(QObject* watched, QEvent* e) override {
    if (watched != button_ || e->type() != QEvent::KeyPress) return false;
    const auto* key = static_cast<QKeyEvent*>(e);
    const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
    if (!enter || key->isAutoRepeat() || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
      return false;
    button_->click();
    return true;
  }

 private:
  QAbstractButton* button_;
};

}  // namespace

void ClickOnEnter(QAbstractButton* button) {
  button->installEventFilter(new EnterClicks(button));
}

QLabel* MakeFixedLabel(QWidget* parent, const QString& text, int left, int top, int width,
                       int height, const QFont& font) {
  auto* label = Place(new QLabel(text, parent), left, top, width, height);
  label->setFont(font);
  return label;
}

QFrame* MakeBevel(QWidget* parent, int left, int top, int width, int height) {
  auto* bevel = Place(new QFrame(parent), left, top, width, height);
  bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
  bevel->setAttribute(Qt::WA_TransparentForMouseEvents);
  bevel->lower();
  return bevel;
}
