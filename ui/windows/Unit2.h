// The About window: a few words, the picture, the maker's website and e-mail.
#pragma once

#include "ui/base/secondary_window.h"
#include "ui/windows/ui_Unit2.h"

class QEventLoop;
class QPlainTextEdit;

class TForm2 : public SecondaryWindow, public Ui::TForm2 {
  Q_OBJECT
 public:
  explicit TForm2(AppContext& context);

  // Shows the window application-modal and returns when it is hidden again; meanwhile the
  // other windows and the main window's shortcuts take no input.
  void ShowModalForm();

  // Made when the window is first laid out (polished): null before.
  QPlainTextEdit* Memo1{};

  // Brings the window back when it waits minimised or hidden by the window manager.
  void BringBack();

  void Label3Click();  // the maker's website
  void Label4Click();  // the desktop's mail program

 protected:
  void FormShow() override;
  void PrepareForShowing() override;
  void hideEvent(QHideEvent* e) override;

 private:
  QEventLoop* modal_loop_ = nullptr;
};
