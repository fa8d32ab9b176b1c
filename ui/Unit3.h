// The powers-and-roots window: a number to a whole power from 1 to 100, or its square root.
#pragma once

#include "ui/form.h"

class QLabel;
class QPushButton;
class TEdit;
class TSpinEdit;

class TForm3 : public TForm {
  Q_OBJECT
 public:
  explicit TForm3(AppContext& context);

  // Controls, reached directly by the main window's colour commands.
  QLabel *Label1{}, *Label2{}, *Label5{}, *Label7{};
  TEdit *Edit1{}, *Edit2{};
  TSpinEdit* SpinEdit1{};
  QPushButton *Button1{}, *Button2{};

  void Button1Click();  // power
  void Button1Enter();
  void Button2Click();  // square root
  void Button2Enter();
  void Edit1DblClick();

 protected:
  void FormShow() override;
  void FormClose() override;
};
