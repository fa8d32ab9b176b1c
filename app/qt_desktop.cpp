#include "app/qt_desktop.h"

#include <QApplication>
#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QIcon>
#include <QAbstractButton>
#include <QMessageBox>
#include <QUrl>

#include "ui/colors.h"

namespace {

const QString kTitle = QStringLiteral("Tallymate 3.1");

void ShowBox(QMessageBox::Icon icon, const std::string& text) {
  // Centred on the screen, like the program's own messages always were: no parent window.
  QMessageBox box(icon, kTitle, QString::fromStdString(text), QMessageBox::Ok);
  box.setWindowModality(Qt::ApplicationModal);
  box.setDefaultButton(QMessageBox::Ok);
  box.setEscapeButton(QMessageBox::Ok);
  // A plain OK button, as the desktop's own message boxes have, whatever the style adds.
  if (QAbstractButton* ok = box.button(QMessageBox::Ok)) ok->setIcon(QIcon());
  box.exec();
}

}  // namespace

void QtDesktop::Beep() { QApplication::beep(); }

void QtDesktop::ShowInformation(const std::string& text) { ShowBox(QMessageBox::NoIcon, text); }

void QtDesktop::ShowError(const std::string& text) { ShowBox(QMessageBox::Critical, text); }

std::optional<uint32_t> QtDesktop::PickColour(uint32_t initial) {
  // QColorDialog keeps its custom colours for the run by itself.
  const QColor chosen = QColorDialog::getColor(ToQColor(initial), QApplication::activeWindow());
  if (!chosen.isValid()) return std::nullopt;
  return FromQColor(chosen);
}

std::optional<std::string> QtDesktop::PickPictureFile() {
  const QStringList choices = {QStringLiteral("Изображения (*.jpg)"),
                               QStringLiteral("Картинки (*.bmp)"), QStringLiteral("PNG файл (*.png)")};
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
