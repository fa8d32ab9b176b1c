#include "app/qt_desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QMessageBox>
#include <QPalette>
#include <QPointer>
#include <QScreen>
#include <QScrollBar>
#include <QSpacerItem>
#include <QTextDocument>
#include <QTextEdit>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "app/keyboard_focus.h"
#include "ui/base/colors.h"
#include "ui/base/placement.h"

namespace {

const QString kTitle = QStringLiteral("Tallymate 3.1");

// A box or dialog of the desktop's hands the keyboard back, when it closes, to the window that
// had it before: a window manager would, and without one nothing else does.
class KeyboardBack {
 public:
  KeyboardBack() : window_(QApplication::activeWindow()) {}
  ~KeyboardBack() { TakeKeyboardWithoutWindowManager(window_); }
  KeyboardBack(const KeyboardBack&) = delete;
  KeyboardBack& operator=(const KeyboardBack&) = delete;

 private:
  QPointer<QWidget> window_;
};

// A text wider than the box's widest line would be cut by the message label, which wraps only
// at blanks: it goes into a text view that wraps anywhere, a long number included, and scrolls
// should the whole not fit on the screen.
void FitLongText(QMessageBox& box, const QString& text) {
  auto* label = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  QScreen* screen = box.screen() != nullptr ? box.screen() : QGuiApplication::primaryScreen();
  if (label == nullptr || grid == nullptr || screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  // Within what the box allows itself on this screen, with room for the icon and margins.
  const int widest = std::min(600, area.width() * 2 / 3);
  const QFontMetrics metrics(label->font());
  int natural = 0;
  for (const QString& line : text.split(QLatin1Char('\n')))
    natural = std::max(natural, metrics.horizontalAdvance(line));
  if (natural <= widest) return;

  auto* view = new QTextEdit(&box);
  view->setObjectName(QStringLiteral("tallymate_msgbox_text"));
  view->setFont(label->font());
  view->document()->setDefaultFont(label->font());
  view->setFrameShape(QFrame::NoFrame);
  view->setReadOnly(true);
  view->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // The OK button keeps the focus: Enter and Escape close the box.
  view->setFocusPolicy(Qt::NoFocus);
  QPalette palette = view->palette();
  palette.setColor(QPalette::Base, palette.color(QPalette::Window));
  view->setPalette(palette);
  view->document()->setDocumentMargin(0);
  view->setLineWrapMode(QTextEdit::WidgetWidth);
  view->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  view->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  view->setPlainText(text);

  // The height of the wrapped text, laid out as the view lays it out.
  QTextDocument layout;
  layout.setDefaultFont(label->font());
  layout.setDocumentMargin(0);
  QTextOption wrapping = layout.defaultTextOption();
  wrapping.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setDefaultTextOption(wrapping);
  layout.setPlainText(text);
  layout.setTextWidth(widest);
  const int needed = static_cast<int>(std::ceil(layout.size().height()));
  const int tallest = area.height() * 2 / 3;
  if (needed <= tallest) {
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    view->setFixedSize(widest, needed);
  } else {
    view->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view->setFixedSize(widest + view->verticalScrollBar()->sizeHint().width(), tallest);
  }
  // The label keeps the text for the box's own copy command and for screen readers. The layout
  // hands back the label's old item, which is ours to delete.
  delete grid->replaceWidget(label, view);
  label->hide();
}

// The window manager cuts a caption wider than the room its title bar leaves beside the frame's
// buttons: the box is made at least as wide as its caption in a bold title font, with room for
// a window icon and three buttons of openbox's default theme, as a layout row nothing else uses.
void FitCaption(QMessageBox& box) {
  auto* grid = qobject_cast<QGridLayout*>(box.layout());
  if (grid == nullptr) return;
  QFont title_font = box.font();
  title_font.setBold(true);
  constexpr int kFrameButtons = 4 * 22;
  const int caption = QFontMetrics(title_font).horizontalAdvance(box.windowTitle());
  grid->addItem(new QSpacerItem(caption + kFrameButtons, 0, QSizePolicy::Fixed, QSizePolicy::Fixed),
                grid->rowCount(), 0, 1, grid->columnCount());
}

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  const KeyboardBack keyboard_back;
  const QString message = QString::fromStdString(text);
  // No parent window: the box sits at the centre of the screen, like the desktop's own.
  QMessageBox box(icon, kTitle, message, QMessageBox::Ok);
  // The message may carry the user's input, which is shown as typed, never as markup.
  box.setTextFormat(Qt::PlainText);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  // A plain OK button, as the desktop's own message boxes have, whatever the style adds.
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
  FitLongText(box, message);
  FitCaption(box);
  CentreOnScreenWhenShown(&box);
  box.exec();
}

}  // namespace

void QtDesktop::Beep() {
  QApplication::beep();
}

void QtDesktop::ShowInformation(const std::string& text) {
  ShowBox(QMessageBox::NoIcon, text);
}

void QtDesktop::ShowError(const std::string& text) {
  ShowBox(QMessageBox::Critical, text);
}

std::optional<uint32_t> QtDesktop::PickColour(uint32_t initial) {
  const KeyboardBack keyboard_back;
  // QColorDialog keeps its custom colours for the run by itself.
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), QApplication::activeWindow());
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

std::optional<std::string> QtDesktop::PickPictureFile() {
  const KeyboardBack keyboard_back;
  const QStringList choices = {QStringLiteral("Изображения (*.jpg)"),
                               QStringLiteral("Картинки (*.bmp)"),
                               QStringLiteral("PNG файл (*.png)")};
  QFileDialog dialog(QApplication::activeWindow());
  // A typed name of a missing file is accepted: opening it then reports why it failed.
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  // The choices are listed by their names alone, without the patterns.
  dialog.setOption(QFileDialog::HideNameFilterDetails);
  dialog.setNameFilters(choices);
  if (!last_filter_.isEmpty()) dialog.selectNameFilter(last_filter_);
  if (!last_picture_.isEmpty()) dialog.selectFile(last_picture_);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  last_picture_ = dialog.selectedFiles().front();
  // With the patterns hidden the dialog names the choice by its name alone.
  const QString chosen = dialog.selectedNameFilter();
  for (const QString& choice : choices)
    if (choice == chosen || choice.startsWith(chosen + QStringLiteral(" ("))) last_filter_ = choice;
  return last_picture_.toStdString();
}

bool QtDesktop::ShellOpen(const std::string& target) {
  const QString t = QString::fromStdString(target);
  QUrl url;
  if (t.startsWith(QStringLiteral("http://")) || t.startsWith(QStringLiteral("https://")) ||
      t.startsWith(QStringLiteral("mailto:"))) {
    url = QUrl(t);
  } else {
    // A bare document name is looked up in the current working directory.
    const QFileInfo file(QDir::current(), t);
    if (!file.exists()) return false;
    url = QUrl::fromLocalFile(file.absoluteFilePath());
  }
  return QDesktopServices::openUrl(url);
}
