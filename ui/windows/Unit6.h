// The settings window: the first slider's range and the tips switch.
#pragma once

#include "ui/base/secondary_window.h"
#include "ui/windows/ui_Unit6.h"

class TForm6 : public SecondaryWindow, public Ui::TForm6 {
  Q_OBJECT
 public:
  explicit TForm6(AppContext& context);

  // OK: applies the range to the first slider, stores and applies the tips switch.
  void Button1Click();

 protected:
  void FormShow() override;
};
