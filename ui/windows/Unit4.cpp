#include "ui/windows/Unit4.h"

#include <QPushButton>

#include "core/calc_windows.h"
#include "core/key_filters.h"
#include "ui/base/button_rules.h"
#include "ui/base/colors.h"

TForm4::TForm4(AppContext& context) : SecondaryWindow(context) {
  MakeForm<Ui::TForm4>(*this);
  AnnounceResults({Label1, Label2, Label3});

  for (InputField* edit : {Edit1, Edit2, Edit3}) edit->SetKeyFilter(Filter(DecimalKeyFilter));
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  for (QPushButton* button : {Button1, Button2}) PressOnEnter(button);
  OnFocusEnter(Button1, Handler([this] { Button1Enter(); }));
}

void TForm4::Button1Click() {
  FittingLabel* const lines[] = {Label1, Label2, Label3};
  SolveQuadratic(Edit1->text().toStdString(), Edit2->text().toStdString(),
                 Edit3->text().toStdString(),
                 [&lines](QuadraticLine line, const std::string& text) {
                   lines[static_cast<int>(line) - 1]->SetLine(QString::fromStdString(text));
                 });
}

void TForm4::Button1Enter() {
  Button1Click();
}

void TForm4::Button2Click() {
  Edit1->clear();
  Edit2->clear();
  Edit3->clear();
  Label2->SetLine(QString());
  Label1->SetLine(QString());
  Label3->SetLine(QString());
}

void TForm4::FormShow() {
  const MainWindowLink& main = *context_.windows.main;
  for (InputField* edit : {Edit1, Edit2, Edit3}) SetFieldColour(edit, main.FieldColour());
  SetWindowColour(this, main.WindowColour());
  Edit1->setFocus();
}

void TForm4::FormClose() {
  Edit1->Write(QString());
  Edit2->Write(QString());
  Edit3->Write(QString());
  Label1->SetLine(QString());
  Label2->SetLine(QString());
  Label3->SetLine(QString());
}
