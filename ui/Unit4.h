// The quadratic-equation window: solves a*x^2 + b*x + c = 0 over the real numbers.
#pragma once

#include "ui/form.h"

class QFrame;
class QLabel;
class QPushButton;
class TEdit;
class TLine;

class TForm4 : public TForm {
  Q_OBJECT
 public:
  explicit TForm4(AppContext& context);

  // Controls, reached directly by the main window's colour commands.
  QFrame* Bevel1{};
  QLabel *Label4{}, *Label5{}, *Label6{}, *Label7{};
  TLine *Label1{}, *Label2{}, *Label3{};  // discriminant, first and second root
  TEdit *Edit1{}, *Edit2{}, *Edit3{};
  QPushButton *Button1{}, *Button2{};

  void Button1Click();  // solve
  void Button1Enter();
  void Button2Click();  // new equation

 protected:
  void FormShow() override;
  void FormClose() override;
};
