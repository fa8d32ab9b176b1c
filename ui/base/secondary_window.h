// Base of the secondary windows: created once, hidden and shown many times. The show handler
// runs only when a hidden window becomes visible; closing only hides.
#pragma once

#include <QWidget>

#include "ui/base/command_window.h"
#include "ui/base/form_setup.h"

class SecondaryWindow : public CommandWindow<QWidget> {
  Q_OBJECT
 public:
  // A fixed dialog frame with only a close box; its form gives the caption and client size.
  explicit SecondaryWindow(AppContext& context);

  // Shows a hidden window (its FormShow runs) or brings a visible one to the front.
  void ShowForm();

 protected:
  // Makes the window's controls from its form; the form's size is the window's fixed size.
  template <class Form>
  void MakeForm(Form& form) {
    SetUpForm(form, this);
    setFixedSize(size());
  }

  virtual void FormShow() {}
  virtual void FormClose() {}
  // Work that only a shown window needs (sizes measured in its fonts, pictures): done once, when
  // the window is first polished (before it is first shown, or when someone asks for it).
  virtual void PrepareForShowing() {}

  bool event(QEvent* e) override;
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;

 private:
  bool prepared_ = false;
};
