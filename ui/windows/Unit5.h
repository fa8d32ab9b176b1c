// The arithmetic-mean window: numbers collected one at a time into a list, and their mean.
#pragma once

#include "ui/base/secondary_window.h"
#include "ui/windows/ui_Unit5.h"

// Label1: the result line.
class TForm5 : public SecondaryWindow, public Ui::TForm5 {
  Q_OBJECT
 public:
  explicit TForm5(AppContext& context);

  void Button1Click();  // mean
  void Button2Click();  // delete the current item
  void Button3Click();  // add
  void Button4Click();  // clear all
  void ListBox1Enter();
  void Edit1Click();

 protected:
  void FormShow() override;
  void FormClose() override;

 private:
  // Disables a button; a disabled button that held the focus leaves the window without any.
  void Disable(QPushButton* button);
};
