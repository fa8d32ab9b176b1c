#include "ui/windows/Unit2.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QGuiApplication>
#include <QHideEvent>
#include <QPlainTextEdit>
#include <QRect>
#include <QShortcut>
#include <QStringList>
#include <QTextDocument>
#include <QTextOption>
#include <QWindow>
#include <string>

#include "core/desktop.h"
#include "ui/base/colors.h"
#include "ui/base/fonts.h"
#include "ui/base/form_setup.h"
#include "ui/base/maker.h"
#include "ui/picture_loading/picture_loader.h"
#include "ui/x11_watch/blocked_windows_watch.h"

namespace {

// The text field is the one control the window makes itself, and only when first laid out (a
// text document is the costliest control of the hidden windows): its place and its text.
constexpr QRect kMemoGeometry(0, 0, 185, 201);
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

}  // namespace

TForm2::TForm2(AppContext& context) : SecondaryWindow(context) {
  MakeForm<Ui::TForm2>(*this);
  // Modal for the whole application: the other windows and the menu shortcuts wait.
  setWindowModality(Qt::ApplicationModal);
  SetTextColour(Label1, 0x000000);
  SetTextColour(Label4, kBlue, kReadableBoldOrLink);
  SetTextColour(Label3, kNavy, kReadableBoldOrLink);

  // The two links open with a click, Enter or Space; Escape closes the window, as it closes a
  // dialog (there is no button).
  Connect(Label3, &LinkLabel::Activated, [this] { Label3Click(); });
  Connect(Label4, &LinkLabel::Activated, [this] { Label4Click(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  connect(escape, &QShortcut::activated, this, &QWidget::close);
}

void TForm2::PrepareForShowing() {
  // The text field is made only now: a text document is the costliest control of the hidden
  // windows. It takes the place it would have had if made first: under the other controls and
  // first for a screen reader.
  Memo1 = new QPlainTextEdit(this);
  Memo1->setGeometry(kMemoGeometry);
  Memo1->lower();
  Memo1->setReadOnly(true);
  Memo1->setFont(SansFont(11, true));
  SetFieldColour(Memo1, kYellow);
  Memo1->viewport()->setCursor(Qt::ArrowCursor);
  // The lines stand at the right edge with the scroll bar at the left, and read left to right:
  // laid out right to left, a line's final "!" or "." would show at its start.
  Memo1->setLayoutDirection(Qt::RightToLeft);
  QTextOption option = Memo1->document()->defaultTextOption();
  option.setTextDirection(Qt::LeftToRight);
  option.setAlignment(Qt::AlignRight | Qt::AlignAbsolute);
  Memo1->document()->setDefaultTextOption(option);
  Memo1->setPlainText(kMemoLines.join(QLatin1Char('\n')));
  Memo1->setAccessibleName(QStringLiteral("О программе"));
  Memo1->setTabChangesFocus(true);
  // Tab still walks the text, the e-mail link and the website link in turn; the text, first
  // on the screen, is the one with the focus when the window first opens.
  Memo1->setFocus();

  Image1->SetPicture(BuiltInPicture(QStringLiteral(":/assets/about_picture.jpg"), Image1->size()));
  // Measuring the labels loads their fonts: only a shown window needs it.
  SizeLabelsToText(this);
}

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
  {
    const BlockedWindowsWatch watch([this] {
      if (isVisible() && (isMinimized() || !windowHandle()->isExposed()))
        QMetaObject::invokeMethod(this, &TForm2::BringBack, Qt::QueuedConnection);
    });
    ShowForm();
    // FormShow may already have ended the showing; then there is nothing to wait for.
    if (isVisible()) loop.exec(QEventLoop::DialogExec);
  }
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
  if (const MainWindowLink* main = context_.windows.main)
    SetWindowColour(this, main->WindowColour());
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
  SecondaryWindow::hideEvent(e);
  // A hide by the window system (another virtual desktop) is no closing.
  if (modal_loop_ != nullptr && !e->spontaneous()) modal_loop_->quit();
}
