// The powers-and-roots window: a number to a whole power from 1 to 100, or its square root.
#pragma once

#include "ui/base/secondary_window.h"
#include "ui/windows/ui_Unit3.h"

class TForm3 : public SecondaryWindow, public Ui::TForm3 {
  Q_OBJECT
 public:
  explicit TForm3(AppContext& context);

  void Button1Click();  // power
  void Button1Enter();
  void Button2Click();  // square root
  void Button2Enter();
  void Edit1DblClick();

 protected:
  void FormShow() override;
  void FormClose() override;
};
