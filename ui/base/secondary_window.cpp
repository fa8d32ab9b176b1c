#include "ui/base/secondary_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QShowEvent>

#include "ui/base/colors.h"

SecondaryWindow::SecondaryWindow(AppContext& context)
    : CommandWindow(context, nullptr,
                    Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint) {
  SetWindowColour(this, kButtonShadow);
}

void SecondaryWindow::ShowForm() {
  if (!isVisible()) show();
  // The window manager may offer a minimise box although the window asks for none; a minimised
  // window stays minimised through show() and raise(), so it is restored first.
  if (windowState() & Qt::WindowMinimized) setWindowState(windowState() & ~Qt::WindowMinimized);
  raise();
  activateWindow();
}

bool SecondaryWindow::event(QEvent* e) {
  // Qt polishes every new widget soon after its creation; a hidden window and its controls are
  // polished when it is first shown instead. The window's own request comes before its
  // controls' requests: it was posted when the window was made, before they were.
  if (e->type() == QEvent::PolishRequest && !isVisible()) {
    for (QWidget* control : findChildren<QWidget*>())
      QCoreApplication::removePostedEvents(control, QEvent::PolishRequest);
    return true;
  }
  if (e->type() == QEvent::Polish && !prepared_) {
    prepared_ = true;
    PrepareForShowing();
  }
  return CommandWindow::event(e);
}

void SecondaryWindow::showEvent(QShowEvent* e) {
  QWidget::showEvent(e);
  // A spontaneous show is the window manager restoring the window, not an opening.
  if (!e->spontaneous()) Run([this] { FormShow(); });
}

void SecondaryWindow::closeEvent(QCloseEvent* e) {
  Run([this] { FormClose(); });
  e->accept();
}
