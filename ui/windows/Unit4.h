// The quadratic-equation window: solves a*x^2 + b*x + c = 0 over the real numbers.
#pragma once

#include "ui/base/secondary_window.h"
#include "ui/windows/ui_Unit4.h"

// Label1, Label2, Label3: the discriminant, the first and the second root.
class TForm4 : public SecondaryWindow, public Ui::TForm4 {
  Q_OBJECT
 public:
  explicit TForm4(AppContext& context);

  void Button1Click();  // solve
  void Button1Enter();
  void Button2Click();  // new equation

 protected:
  void FormShow() override;
  void FormClose() override;
};
