#include "ui/windows/Unit6.h"

#include <QPushButton>

#include "core/desktop.h"
#include "core/faults.h"
#include "core/key_filters.h"
#include "core/number_text.h"
#include "settings/stored_settings.h"
#include "ui/base/button_rules.h"
#include "ui/base/colors.h"
#include "ui/base/core_text.h"

TForm6::TForm6(AppContext& context) : SecondaryWindow(context) {
  MakeForm<Ui::TForm6>(*this);
  // Not the default button (the form says so): Enter in a field must not apply the range.
  PressOnEnter(Button1);
  // No control shows a result here; what OK does to a field is said (Say).
  AnnounceResults({});

  Edit1->SetKeyFilter(Filter(IntegerKeyFilter));
  Edit2->SetKeyFilter(Filter(IntegerKeyFilter));
  Connect(Button1, &QPushButton::clicked, [this] { Button1Click(); });
}

void TForm6::FormShow() {
  const MainWindowLink& main = *context_.windows.main;
  SetFieldColour(Edit1, main.FieldColour());
  SetFieldColour(Edit2, main.FieldColour());
  // The slider's actual range, which may differ from what the main window's labels show.
  Edit1->Write(Text(NumberToText(main.SliderMinimum())));
  Edit2->Write(Text(NumberToText(main.SliderMaximum())));
  // The tips in force; the stored flag is not read here.
  CheckBox1->setChecked(main.TipsOn());
}

void TForm6::Button1Click() {
  MainWindowLink& main = *context_.windows.main;
  const bool ticked = CheckBox1->isChecked();
  const int32_t min = TextToInteger(Edit1->text().toStdString());
  const int32_t max = TextToInteger(Edit2->text().toStdString());
  if (max < min) {
    context_.desktop.ShowInformation("Первое число не может быть больше второго");
    Edit1->Write(QStringLiteral("0"));
    Say(QStringLiteral("Min теперь 0"));
    Abort();
  }
  main.ApplySliderRange(min, max);
  hide();

  // A failed write ends the command here: the range above stays, the tips stay as they were.
  StoredSettings stored;
  stored.tips = ticked;
  WriteStoredSettings(main.Settings(), stored, StoredSettings::kTips);

  main.ApplyTips(CheckBox1->isChecked());
}
