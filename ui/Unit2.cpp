#include "ui/Unit2.h"

#include <xcb/xcb.h>

#include <QAbstractEventDispatcher>
#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QHideEvent>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStringList>
#include <QTextDocument>
#include <QTextOption>
#include <QWindow>
#include <algorithm>
#include <string>

#include "core/desktop.h"
#include "pictures/picture.h"
#include "ui/accessible.h"
#include "ui/adding.h"
#include "ui/colors.h"
#include "ui/maker.h"
#include "ui/picture_box.h"
#include "ui/widgets.h"

namespace {

const QStringList kMemoLines = {
    QStringLiteral(" Эта копия  программы "),
    QStringLiteral("является "),
    QStringLiteral("очередной новой версией!"),
    QStringLiteral("В новой версии улучшен "),
    QStringLiteral("интерфейс"),
    QStringLiteral("и добавлены некоторые "),
    QStringLiteral("новые возможности."),
    QStringLiteral(" Программа является  "),
    QStringLiteral("бесплатной."),
    QStringLiteral("Вопросы и предложения"),
    QStringLiteral("можно оставить на нашем "),
    QStringLiteral("сайте."),
    QStringLiteral(" Приветствуется "),
    QStringLiteral("любое распространение "),
    QStringLiteral("программы."),
    QString(),
    QString(),
    QString(),
    QString(),
    QString(),
    QString(),
    QString(),
};

// A label sized later, by FormLayout: measuring its text loads its font, which costs more than
// the rest of the window and is needed only once the window is shown.
QLabel* UnsizedLabel(QWidget* parent, const QString& text, int left, int top, const QFont& font) {
  auto* label = new QLabel(text, parent);
  label->setFont(font);
  label->move(left, top);
  return label;
}

QLabel* MakeLinkLabel(QWidget* parent, const QString& text, int left, int top, const QFont& font,
                      uint32_t colour) {
  QLabel* label = UnsizedLabel(parent, text, left, top, font);
  SetTextColour(label, colour);
  label->setCursor(Qt::PointingHandCursor);
  label->installEventFilter(parent);
  return label;
}

}  // namespace

TForm2::TForm2(AppContext& context)
    : TForm(context, QStringLiteral("TForm2"), QStringLiteral("О программе Tallymate 3.1"), 409,
            240) {
  // Modal for the whole application: the other windows and the menu shortcuts wait.
  setWindowModality(Qt::ApplicationModal);

  Image1 = Place(new TPicture(this), 184, 0, 225, 129);

  Label1 = UnsizedLabel(this, QStringLiteral("Tallymate 3.1"), 224, 136, ComicFont(16, true));
  SetTextColour(Label1, 0x000000);

  Label4 = MakeLinkLabel(this, QStringLiteral("E-mail:  ") + QString::fromUtf8(kEmail), 192, 168,
                         ComicFont(16, false, true), kBlue);

  Label2 = UnsizedLabel(this, QString::fromUtf8(kNotice), 16, 200, ComicFont(16, true));

  Label3 = MakeLinkLabel(this, QStringLiteral("WWW:      ") + QString::fromUtf8(kWebsite), 88, 224,
                         ComicFont(11, true), kNavy);

  // Screen readers and the keyboard: the two links take the focus after the text and open with
  // Enter or Space; Escape closes the window, as it closes a dialog (there is no button).
  NameControls({
      {Image1, QStringLiteral("Картинка")},
      {Label4, Label4->text()},
      {Label3, Label3->text()},
  });
  for (QLabel* link : {Label4, Label3}) link->setFocusPolicy(Qt::StrongFocus);
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void TForm2::FormLayout() {
  // The text field is made only now: a text document is the costliest control of the hidden
  // windows. It takes the place it would have had if made first: under the other controls and
  // first for a screen reader.
  Memo1 = Place(new QPlainTextEdit(this), 0, 0, 185, 201);
  Memo1->lower();
  Memo1->setReadOnly(true);
  Memo1->setFont(SansFont(11, true));
  SetFieldColour(Memo1, kYellow);
  Memo1->viewport()->setCursor(Qt::ArrowCursor);
  // Right-to-left reading order: lines run from the right edge, the scroll bar sits left.
  Memo1->setLayoutDirection(Qt::RightToLeft);
  QTextOption option = Memo1->document()->defaultTextOption();
  option.setTextDirection(Qt::RightToLeft);
  option.setAlignment(Qt::AlignRight);
  Memo1->document()->setDefaultTextOption(option);
  Memo1->setPlainText(kMemoLines.join(QLatin1Char('\n')));
  NameControls({{Memo1, QStringLiteral("О программе")}});
  Memo1->setTabChangesFocus(true);
  // Tab still walks the text, the e-mail link and the website link in turn; the text, first
  // on the screen, is the one with the focus when the window first opens.
  Memo1->setFocus();

  Image1->SetPicture(BuiltInPicture(QStringLiteral(":/assets/about_picture.jpg"), Image1->width(),
                                    Image1->height()));
  for (QLabel* label : {Label1, Label2, Label3, Label4}) label->adjustSize();
  Label2->resize(385, Label2->height());
}

namespace {

// On X11 the windows that this window blocks never take the focus or input in Qt's eyes: Qt
// hands the focus on to this window at once, which does not bring a minimised window back. A
// click or a key in such a window is the sign that the user turned to the program. (Not the
// focus itself: the window manager hands it to the main window as soon as this one is
// minimised.)
class TurnsToBlockedWindows : public QAbstractNativeEventFilter {
  // XI_KeyPress and XI_ButtonPress of the X input extension.
  static constexpr uint16_t kInputKeyPress = 2;
  static constexpr uint16_t kInputButtonPress = 4;

 public:
  explicit TurnsToBlockedWindows(std::function<void()> turned) : turned_(std::move(turned)) {}
  bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
    if (type != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
      case XCB_BUTTON_PRESS:
      case XCB_KEY_PRESS:
        turned_();
        break;
      case XCB_GE_GENERIC: {
        // Qt reads the mouse and the keyboard through the X input extension.
        const uint16_t kind = reinterpret_cast<const xcb_ge_generic_event_t*>(event)->event_type;
        if (kind == kInputButtonPress || kind == kInputKeyPress) turned_();
        break;
      }
      default:
        break;
    }
    return false;
  }

 private:
  std::function<void()> turned_;
};

}  // namespace

void TForm2::ShowModalForm() {
  if (isVisible()) {
    ShowForm();
    return;
  }
  QEventLoop loop;
  modal_loop_ = &loop;
  // While this window waits minimised, the user can only reach the program's other windows,
  // which take no input: activating one of them brings this window back instead.
  const QMetaObject::Connection restore =
      connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow* focused) {
        if (focused != nullptr && focused != windowHandle() && isVisible() && isMinimized())
          ShowForm();
      });
  TurnsToBlockedWindows x_input([this] {
    if (isVisible() && (isMinimized() || !windowHandle()->isExposed()))
      QMetaObject::invokeMethod(this, &TForm2::BringBack, Qt::QueuedConnection);
  });
  QCoreApplication::instance()->installNativeEventFilter(&x_input);
  ShowForm();
  // FormShow may already have ended the showing; then there is nothing to wait for.
  if (isVisible()) loop.exec(QEventLoop::DialogExec);
  QCoreApplication::instance()->removeNativeEventFilter(&x_input);
  disconnect(restore);
  modal_loop_ = nullptr;
}

void TForm2::BringBack() {
  if (!isVisible() || (!isMinimized() && windowHandle()->isExposed())) return;
  // A window manager may hide this modal window with the windows it belongs to without calling
  // it minimised; asking for the minimised state and back maps it again either way.
  if (!isMinimized()) setWindowState(windowState() | Qt::WindowMinimized);
  setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

void TForm2::FormShow() {
  // The main window's background as it is now, also after a change in this run.
  if (TForm1* form1 = context_.windows.Form1) SetWindowColour(this, WindowColour(form1));
}

void TForm2::Label3Click() {
  // The result is ignored: a failing browser shows nothing.
  context_.desktop.ShellOpen(std::string(kWebsite) + "/");
}

void TForm2::Label4Click() {
  // The desktop's mail program, without an address.
  context_.desktop.ShellOpen("mailto:");
}

void TForm2::hideEvent(QHideEvent* e) {
  TForm::hideEvent(e);
  // A hide by the window system (another virtual desktop) is no closing.
  if (modal_loop_ != nullptr && !e->spontaneous()) modal_loop_->quit();
}

bool TForm2::eventFilter(QObject* watched, QEvent* e) {
  if (watched == Label3 || watched == Label4) {
    if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut) {
      // The link that has the focus is underlined, as a link is on the desktop.
      auto* link = static_cast<QLabel*>(watched);
      QFont font = link->font();
      font.setUnderline(e->type() == QEvent::FocusIn);
      link->setFont(font);
    } else if (e->type() == QEvent::KeyPress) {
      const int key = static_cast<QKeyEvent*>(e)->key();
      if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        Run([this, watched] { watched == Label3 ? Label3Click() : Label4Click(); });
        return true;
      }
    }
    if (e->type() == QEvent::MouseButtonPress) {
      if (static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) pressed_label_ = watched;
    } else if (e->type() == QEvent::MouseButtonRelease) {
      auto* me = static_cast<QMouseEvent*>(e);
      auto* label = static_cast<QLabel*>(watched);
      // A click is a press and a release of the left button over the same label.
      const bool click = pressed_label_ == watched && me->button() == Qt::LeftButton &&
                         label->rect().contains(me->position().toPoint());
      pressed_label_ = nullptr;
      if (click) Run([this, watched] { watched == Label3 ? Label3Click() : Label4Click(); });
    }
  }
  return TForm::eventFilter(watched, e);
}
