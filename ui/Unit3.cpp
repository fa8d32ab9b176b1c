#include "ui/Unit3.h"

#include <QLabel>
#include <QPushButton>
#include <QToolButton>

#include "core/calc_windows.h"
#include "core/number_text.h"
#include "ui/accessible.h"
#include "ui/adding.h"
#include "ui/colors.h"
#include "ui/spin_edit.h"
#include "ui/widgets.h"

TForm3::TForm3(AppContext& context)
    : TForm(context, QStringLiteral("TForm3"), QStringLiteral("Степени и корни"), 318, 154) {
  move(334, 330);
  const QFont bold = SansFont(11, true);

  Label2 = MakeFixedLabel(this, QStringLiteral("Действия со степенью и вывод числа из кв.корня"), 8,
                          0, 303, 13, bold);
  Label5 = MakeFixedLabel(this, QStringLiteral("Введите число или подкоренное выражение"), 48, 16,
                          225, 13, SansFont());
  Edit1 = Place(new TEdit(this), 96, 32, 137, 21);
  Edit1->setFont(bold);
  Label1 = MakeFixedLabel(this, QStringLiteral("Выберите степень"), 0, 56, 94, 13, SansFont());
  SpinEdit1 = Place(new TSpinEdit(1, 100, Filter(SpinKeyFilter), this), 16, 72, 41, 22);
  SpinEdit1->setFont(bold);
  SpinEdit1->SetText(QStringLiteral("2"));
  Button1 = Place(new QPushButton(QStringLiteral("Возвести в степень"), this), 72, 72, 113, 25);
  Button2 = Place(new QPushButton(QStringLiteral("Вывести из корня"), this), 200, 72, 105, 25);
  Label7 = MakeFixedLabel(this, QStringLiteral("Ответ:"), 16, 120, 50, 16, SansFont(13, true));
  Edit2 = Place(new TEdit(this), 72, 120, 185, 21);
  Edit2->setFont(bold);
  Edit2->setReadOnly(true);

  setTabOrder(Edit1, SpinEdit1);
  setTabOrder(SpinEdit1, Button1);
  setTabOrder(Button1, Edit2);
  setTabOrder(Edit2, Button2);

  Edit1->SetKeyFilter(Filter(DecimalKeyFilter));
  Connect(Edit1, &TEdit::DoubleClicked, [this] { Edit1DblClick(); });
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
  Connect(Button2, &QPushButton::clicked, [this] { Button2Click(); });
  for (QPushButton* button : {Button1, Button2}) ClickOnEnter(button);
  OnFocusEnter(Button1, Handler([this] { Button1Enter(); }));
  OnFocusEnter(Button2, Handler([this] { Button2Enter(); }));

  // Screen readers: each control by the words a sighted user reads for it.
  NameByLabel(Label5, Edit1);
  NameByLabel(Label7, Edit2);
  Label1->setBuddy(SpinEdit1->Editor());
  NameControls({
      {SpinEdit1, QStringLiteral("Степень")},
      {SpinEdit1->Editor(), QStringLiteral("Степень"), QStringLiteral("От 1 до 100")},
      {SpinEdit1->UpButton(), QStringLiteral("Степень больше")},
      {SpinEdit1->DownButton(), QStringLiteral("Степень меньше")},
  });
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
  const TForm1* main = context_.windows.Form1;
  const uint32_t field = FieldColour(main->Edit1);
  SetFieldColour(Edit1, field);
  SetFieldColour(Edit2, field);
  SetWindowColour(this, WindowColour(main));
  // While the window was hidden no focus change reaches the spin field, so leaving it for
  // Edit1 here must clamp it as a Tab would.
  const bool leaving_spin = focusWidget() == SpinEdit1->Editor();
  Edit1->setFocus();
  if (leaving_spin) SpinEdit1->Exit();
}

void TForm3::FormClose() {
  Edit1->clear();
  Edit2->clear();
}
