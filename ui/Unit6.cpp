#include "ui/Unit6.h"

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>

#include "core/desktop.h"
#include "core/faults.h"
#include "core/number_text.h"
#include "settings/settings_store.h"
#include "ui/accessible.h"
#include "ui/adding.h"
#include "ui/colors.h"
#include "ui/settings_keys.h"
#include "ui/trackbar.h"
#include "ui/widgets.h"

TForm6::TForm6(AppContext& context)
    : TForm(context, QStringLiteral("TForm6"), QStringLiteral("Настройки"), 357, 176) {
  move(374, 292);

  Bevel1 = MakeBevel(this, 0, 8, 353, 97);
  Label1 = MakeFixedLabel(
      this, QStringLiteral("Введите максимальное и минимальное значение полосы прокрутки"), 0, 8,
      349, 13, SansFont());
  Label2 = MakeLabel(this, QStringLiteral("Min"), 8, 24, SansFont(11, true));
  Edit1 = Place(new TEdit(this), 40, 24, 97, 21);
  Label3 = MakeLabel(this, QStringLiteral("Max"), 152, 24, SansFont(11, true));
  Edit2 = Place(new TEdit(this), 192, 24, 129, 21);

  Button1 = Place(new QPushButton(QStringLiteral("OK"), this), 136, 56, 75, 25);
  // Not the default button: Enter in a field must not apply the range. Enter on the button
  // itself, once it has the focus, presses it.
  Button1->setAutoDefault(false);
  Button1->setDefault(false);
  ClickOnEnter(Button1);

  Bevel2 = MakeBevel(this, 0, 112, 353, 33);
  CheckBox1 = Place(new TCheckBox(QStringLiteral("Выводить подсказки"), this), 16, 120, 161, 17);

  Edit1->SetKeyFilter(Filter(IntegerKeyFilter));
  Edit2->SetKeyFilter(Filter(IntegerKeyFilter));

  setTabOrder(Edit1, Edit2);
  setTabOrder(Edit2, Button1);
  setTabOrder(Button1, CheckBox1);

  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });

  // Screen readers: the fields by their captions, described by the instruction above them.
  for (auto [label, field] : {std::pair{Label2, Edit1}, {Label3, Edit2}}) {
    NameByLabel(label, field);
    field->setAccessibleDescription(Label1->text());
  }
}

void TForm6::FormShow() {
  TForm1* form1 = context_.windows.Form1;
  const uint32_t field = FieldColour(form1->Edit1);
  SetFieldColour(Edit1, field);
  SetFieldColour(Edit2, field);
  // The slider's actual range, which may differ from what the main window's labels show.
  Edit1->Write(Text(NumberToText(form1->Slider1().Minimum())));
  Edit2->Write(Text(NumberToText(form1->Slider1().Maximum())));
  // The first slider's tool tip stands for the tips switch; the stored flag is not read here.
  CheckBox1->setChecked(TForm1::ToolTipOn(form1->TrackBar1));
}

void TForm6::Button1Click() {
  TForm1* form1 = context_.windows.Form1;
  const bool ticked = CheckBox1->isChecked();
  const int32_t min = TextToInteger(Edit1->text().toStdString());
  const int32_t max = TextToInteger(Edit2->text().toStdString());
  if (max < min) {
    context_.desktop.ShowInformation("Первое число не может быть больше второго");
    Edit1->Write(QStringLiteral("0"));
    Abort();
  }

  // Maximum first, so that a range above the current one is not refused by the old maximum.
  form1->Slider1().SetMaximum(max);
  form1->Slider1().SetMinimum(min);
  form1->AddTick(form1->TrackBar1, min);
  form1->AddTick(form1->TrackBar2, max);

  // The entered values, even where the slider could not take them.
  form1->Label12->SetLine(Text(IntegerToText(min)));
  form1->Label13->SetLine(Text(IntegerToText(max)));
  form1->Edit1->clear();
  form1->Edit2->clear();

  hide();

  // A failed write ends the command here: the range above stays, the tips stay as they were.
  SettingsStore store(form1->SettingsPath());
  store.WriteBool(kTipsKey.section, kTipsKey.key, ticked);

  ApplyTips(CheckBox1->isChecked());
}

void TForm6::ApplyTips(bool on) {
  // A shorter list than start-up switches: Button13 and Button10 keep their start-up state.
  TForm1* form1 = context_.windows.Form1;
  TForm1::SetToolTipOn(form1->TrackBar1, on);
  TForm1::SetToolTipOn(form1->TrackBar2, on);
  TForm1::SetToolTipOn(form1->Button8, on);
  TForm1::SetToolTipOn(form1->Button11, on);
  TForm1::SetToolTipOn(form1->Button9, on);
  TForm1::SetToolTipOn(form1->Button3, on);
  form1->SetSimpleMode(on);
  TForm1::SetToolTipOn(form1->Image1, on);
}
