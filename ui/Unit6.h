// The settings window: the first slider's range and the tips switch.
#pragma once

#include "ui/form.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class TEdit;

class TForm6 : public TForm {
  Q_OBJECT
 public:
  explicit TForm6(AppContext& context);

  // Controls, reached directly by the main window (F4 ticks the check box).
  QLabel *Label1{}, *Label2{}, *Label3{};
  QFrame *Bevel1{}, *Bevel2{};
  TEdit *Edit1{}, *Edit2{};
  QPushButton* Button1{};
  QCheckBox* CheckBox1{};

  // OK: applies the range to the first slider, stores and applies the tips switch.
  void Button1Click();

 protected:
  void FormShow() override;

 private:
  void ApplyTips(bool on);
};
