// The arithmetic-mean window: numbers collected one at a time into a list, and their mean.
#pragma once

#include "ui/form.h"

class QFrame;
class QLabel;
class QListWidget;
class QPushButton;
class TEdit;
class TLine;

class TForm5 : public TForm {
  Q_OBJECT
 public:
  explicit TForm5(AppContext& context);

  // Controls, reached directly by the main window's colour commands.
  QListWidget* ListBox1{};
  QFrame* Bevel1{};
  QLabel *Label2{}, *Label3{}, *Label4{};
  TLine* Label1{};  // the result line
  TEdit* Edit1{};
  QPushButton *Button1{}, *Button2{}, *Button3{}, *Button4{};

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
