#include "ui/windows/Unit3.h"

#include <QLabel>
#include <QPushButton>

#include "core/calc_windows.h"
#include "core/key_filters.h"
#include "ui/base/button_rules.h"
#include "ui/base/colors.h"

TForm3::TForm3(AppContext& context) : SecondaryWindow(context) {
  MakeForm<Ui::TForm3>(*this);
  AnnounceResults({Edit2});

  Edit1->SetKeyFilter(Filter(DecimalKeyFilter));
  SpinEdit1->SetKeyFilter(Filter(SpinKeyFilter));
  Connect(Edit1, &InputField::DoubleClicked, [this] { Edit1DblClick(); });
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  for (QPushButton* button : {Button1, Button2}) PressOnEnter(button);
  OnFocusEnter(Button1, Handler([this] { Button1Enter(); }));
  OnFocusEnter(Button2, Handler([this] { Button2Enter(); }));

  // The spin field's text part is what takes the focus and what its caption labels.
  SpinEdit1->NameParts();
  Label1->setBuddy(SpinEdit1->Editor());
}

void TForm3::Button1Click() {
  Edit2->Write(
      QString::fromStdString(PowerAnswer(Edit1->text().toStdString(), SpinEdit1->Value())));
  Edit1->setFocus();
}

void TForm3::Button1Enter() {
  Button1Click();
}

void TForm3::Button2Click() {
  Edit2->Write(QString::fromStdString(SquareRootAnswer(Edit1->text().toStdString())));
  Edit1->setFocus();
}

void TForm3::Button2Enter() {
  Button2Click();
}

void TForm3::Edit1DblClick() {
  Edit1->clear();
}

void TForm3::FormShow() {
  const MainWindowLink& main = *context_.windows.main;
  SetFieldColour(Edit1, main.FieldColour());
  SetFieldColour(Edit2, main.FieldColour());
  SetWindowColour(this, main.WindowColour());
  // While the window was hidden no focus change reaches the spin field, so leaving it for
  // Edit1 here must clamp it as a Tab would.
  const bool leaving_spin = focusWidget() == SpinEdit1->Editor();
  Edit1->setFocus();
  if (leaving_spin) SpinEdit1->Exit();
}

void TForm3::FormClose() {
  Edit1->Write(QString());
  Edit2->Write(QString());
}
