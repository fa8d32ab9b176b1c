// The main window's appearance: the three colour commands, the default settings (F4) and the
// picture command.
#include <QCheckBox>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "core/desktop.h"
#include "pictures/picture.h"
#include "ui/base/colors.h"
#include "ui/picture_loading/picture_loader.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"
#include "ui/windows/adding.h"

namespace {

// The main window first, then the three calculation windows, open or hidden.
void SetWindowColours(const WindowSet& w, QWidget* main, uint32_t colour) {
  SetWindowColour(main, colour);
  for (QWidget* form : std::array<QWidget*, 3>{w.Form3, w.Form4, w.Form5})
    if (form != nullptr) SetWindowColour(form, colour);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Colours

void TForm1::N10Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  // The other windows' fields take it when they are next shown.
  for (QWidget* field :
       {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Edit3)})
    SetFieldColour(field, *chosen);
}

void TForm1::N11Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  // The About window takes it when next shown; the settings window keeps its own colour.
  SetWindowColours(context_.windows, this, *chosen);
}

void TForm1::N12Click() {
  const std::optional<uint32_t> chosen = context_.desktop.PickColour(picker_colour_);
  if (!chosen) return;
  picker_colour_ = *chosen;
  MonthCalendar1->SetColour(MonthCalendar::kMonthBackground, *chosen);
}

// ---------------------------------------------------------------------------------------------
// Default settings (F4). Nothing beyond these six steps: no tool tip or status-bar switch, no
// settings file, no operand field emptied (a clamped slider writes its position there), no
// picture.

void TForm1::N19Click() {
  const WindowSet& w = context_.windows;
  SetWindowColours(w, this, kButtonShadow);

  MonthCalendar1->SetColour(MonthCalendar::kMonthBackground, kTeal);

  std::vector<QWidget*> fields{Edit1, Edit2, Edit3};
  if (w.Form3 != nullptr) fields.insert(fields.end(), {w.Form3->Edit1, w.Form3->Edit2});
  if (w.Form4 != nullptr)
    fields.insert(fields.end(), {w.Form4->Edit1, w.Form4->Edit2, w.Form4->Edit3});
  if (w.Form5 != nullptr) fields.push_back(w.Form5->Edit1);
  for (QWidget* field : fields)
    if (field != nullptr) SetFieldColour(field, kWhite);

  for (SliderModel* slider : {&slider1_, &slider2_}) {
    slider->SetMaximum(200);
    slider->SetMinimum(0);
  }
  TrackBar1->AddTick(0);
  TrackBar2->AddTick(0);

  // The range labels size themselves to their text: after a narrow range ("5") the "200"
  // would otherwise be cut off.
  Label12->SetLine(QStringLiteral("0"));
  Label13->SetLine(QStringLiteral("200"));

  if (w.Form6 != nullptr && w.Form6->CheckBox1 != nullptr) w.Form6->CheckBox1->setChecked(true);
  // Nothing of it is where the focus is: a screen reader hears what changed.
  Say(QStringLiteral("Цвета по умолчанию, полосы прокрутки: от 0 до 200"));
}

// ---------------------------------------------------------------------------------------------
// The picture

void TForm1::N3Click() {
  const std::optional<std::string> chosen = context_.desktop.PickPictureFile();
  if (!chosen) return;
  const uint32_t background = ToQColor(WindowColour()).rgb() & 0xFFFFFFu;
  // Decoded in full first: a failure or a stop leaves the old picture where it is. A screen
  // reader hears how it ended, which the eye sees in the picture area.
  QImage picture;
  try {
    picture =
        LoadPicture(QString::fromStdString(*chosen),
                    DevicePixels(Image1->size(), Image1->devicePixelRatioF()), background, this);
  } catch (const DecodeCancelled&) {
    Say(QStringLiteral("Загрузка отменена, картинка прежняя"));
    throw;
  }
  Image1->SetPicture(std::move(picture));
  Say(QStringLiteral("Новая картинка показана"));
}

void TForm1::Image1Click() {
  N3Click();
}
