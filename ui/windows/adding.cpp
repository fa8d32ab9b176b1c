#include "ui/windows/adding.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <cstdlib>
#include <utility>

#include "core/desktop.h"
#include "core/installed_files.h"
#include "core/key_filters.h"
#include "core/number_text.h"
#include "settings/settings_store.h"
#include "settings/stored_settings.h"
#include "ui/base/accessible.h"
#include "ui/base/button_rules.h"
#include "ui/base/colors.h"
#include "ui/base/core_text.h"
#include "ui/base/form_setup.h"
#include "ui/base/maker.h"
#include "ui/base/placement.h"
#include "ui/picture_loading/picture_loader.h"
#include "ui/windows/Unit2.h"
#include "ui/windows/Unit3.h"
#include "ui/windows/Unit4.h"
#include "ui/windows/Unit5.h"
#include "ui/windows/Unit6.h"

namespace {

constexpr int kPanelWidth = 50;
constexpr int kSnapDistance = 10;
constexpr int kTipInterval = 1500;

constexpr const char* kToolTipOff = "tallymateToolTipOff";
constexpr const char* kToolTipGate = "tallymateToolTipGate";

const QString kWelcomeTip = QStringLiteral("Добро пожаловать в программу \"Tallymate\"");
const QString kImageTip = QStringLiteral("Щёлкните, чтобы изменить картинку ");
const QString kEditTip =
    QStringLiteral("Двойной щелчок по данному полю позволяет ввести новые значения");
const QString kButton10Tip = QStringLiteral("Округляет полученный результат");
const QString kLabel3Tip = QStringLiteral("Посетите сайт автора программы");
const QString kStatusBarTip =
    QStringLiteral("Для получения справки о программе нужно нажимать \"F1\"");
const QString kN9Tip = QStringLiteral("Позволяет выбрать цвет!");
const QString kN4Tip = QStringLiteral("Здесь можно произвести дополнительные расчёты");
const QString kN5Tip = QStringLiteral("Справочная информация об этой программе");

// Swallows the tool-tip request of a control whose tool tip is switched off; the text stays.
class ToolTipGate : public QObject {
 public:
  explicit ToolTipGate(QObject* parent) : QObject(parent) {
    setObjectName(QString::fromLatin1(kToolTipGate));
  }
  bool eventFilter(QObject* watched, QEvent* e) override {
    return e->type() == QEvent::ToolTip && watched->property(kToolTipOff).toBool();
  }
};

}  // namespace

TForm1::TForm1(AppContext& context)
    : CommandWindow(context, nullptr,
                    Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      model_(context.desktop) {
  // Chosen once: the same file is read at the showing and written until the program ends.
  if (context_.settings.file.empty()) context_.settings = SettingsStore::Choose();
  SetWindowColour(this, kButtonShadow);
  SetUpForm<Ui::TForm1>(*this, this);
  AnnounceResults({Edit3});
  SizeLabelsToText(this);

  // Label10 keeps its own button-shadow background, which the window colour does not change.
  SetWindowColour(Label10, kButtonShadow);
  for (QLabel* caption : {Label10, Label9, Label11}) SetTextColour(caption, 0x000000);
  SetTextColour(Label3, kNavy, kReadableBoldOrLink);
  // The menu bar stays in the desktop's colours when the window's change. The status bar paints
  // no background: its tips stand on the window's colour and take the window's readable text.
  KeepDesktopColours(MainMenu1);
  CreateStatusBarParts();

  Image1->SetPicture(BuiltInPicture(
      QStringLiteral(":/assets/picture.jpg"),
      DevicePixels(Image1->size(), QGuiApplication::primaryScreen() != nullptr
                                       ? QGuiApplication::primaryScreen()->devicePixelRatio()
                                       : 1.0)));
  TrackBar1->Bind(slider1_);
  TrackBar2->Bind(slider2_);
  Wire();

  // Not resizable: the window is exactly its menu bar, client area and status bar.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();

  // Screen readers: the sliders by what they fill, with the range they offer now.
  NameSlider(TrackBar1, Label10->text());
  NameSlider(TrackBar2, Label9->text());
  NameCalendarParts(MonthCalendar1);
  // A menu opened from the menu bar, or by the arrows from the one beside it, says whose it is.
  for (QMenu* menu : MainMenu1->findChildren<QMenu*>())
    menu->setWindowTitle(QString(menu->title()).remove(QLatin1Char('&')));
  // The keyboard: F10 opens the menu bar, as on the desktops; Delete clears the answer field as
  // a double click does.
  auto* menu_key = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menu_key, &QShortcut::activated, this,
          [this] { Run([this] { MainMenu1->setActiveAction(N1->menuAction()); }); });
  for (auto key : {Qt::Key_Delete, Qt::Key_Backspace}) {
    auto* clear_answer =
        new QShortcut(QKeySequence(key), Edit3, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear_answer, &QShortcut::activated, this,
            [this] { Run([this] { Calculate(&CalculatorModel::Edit3DblClick); }); });
  }
}

TForm1::~TForm1() {
  TrackBar1->Unbind();
  TrackBar2->Unbind();
}

bool TForm1::FormCreate(const std::function<bool()>& another_copy_runs) {
  return !another_copy_runs();
}

void TForm1::CreateStatusBarParts() {
  simple_text_ = new QLabel(StatusBar1);
  simple_text_->setObjectName(QStringLiteral("SimpleText"));
  panel_ = new QLabel(StatusBar1);
  panel_->setObjectName(QStringLiteral("Panel0"));
  panel_->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  panel_->setFixedWidth(kPanelWidth);
  // The bar's texts are the bar itself to the mouse: moving over them shows its tip.
  for (QLabel* part : {simple_text_, panel_}) part->setAttribute(Qt::WA_TransparentForMouseEvents);
  StatusBar1->addWidget(simple_text_, 1);
  StatusBar1->addWidget(panel_, 0);
  SetSimpleMode(true);

  Timer1 = new QTimer(this);
  Timer1->setObjectName(QStringLiteral("Timer1"));
  Timer1->setInterval(kTipInterval);
  Timer1->setSingleShot(true);
}

void TForm1::Wire() {
  auto calculate = [this](CalculatorModel::Focus (CalculatorModel::*operation)()) {
    return [this, operation] { Calculate(operation); };
  };

  const std::pair<QPushButton*, CalculatorModel::Focus (CalculatorModel::*)()> buttons[] = {
      {Button1, &CalculatorModel::Button1Click},   {Button2, &CalculatorModel::Button2Click},
      {Button3, &CalculatorModel::Button3Click},   {Button4, &CalculatorModel::Button4Click},
      {Button5, &CalculatorModel::Button5Click},   {Button6, &CalculatorModel::Button6Click},
      {Button7, &CalculatorModel::Button7Click},   {Button8, &CalculatorModel::Button8Click},
      {Button9, &CalculatorModel::Button9Click},   {Button10, &CalculatorModel::Button10Click},
      {Button11, &CalculatorModel::Button11Click}, {Button12, &CalculatorModel::Button12Click},
      {Button13, &CalculatorModel::Button13Click},
  };
  for (const auto& [button, operation] : buttons) {
    Connect(button, &QPushButton::clicked, calculate(operation));
    PressOnEnter(button);
  }
  Connect(N18, &QAction::triggered, calculate(&CalculatorModel::N18Click));
  Connect(Edit1, &InputField::DoubleClicked, calculate(&CalculatorModel::Edit1DblClick));
  Connect(Edit2, &InputField::DoubleClicked, calculate(&CalculatorModel::Edit2DblClick));
  Connect(Edit3, &InputField::DoubleClicked, calculate(&CalculatorModel::Edit3DblClick));

  Edit1->SetKeyFilter(Filter(DecimalKeyFilter));
  Edit2->SetKeyFilter(Filter(DecimalKeyFilter));

  const std::pair<QAction*, void (TForm1::*)()> actions[] = {
      {N10, &TForm1::N10Click},     {N11, &TForm1::N11Click}, {N12, &TForm1::N12Click},
      {N3, &TForm1::N3Click},       {N19, &TForm1::N19Click}, {N13, &TForm1::N13Click},
      {N2, &TForm1::N2Click},       {N6, &TForm1::N6Click},   {N8, &TForm1::N8Click},
      {N17, &TForm1::N17Click},     {N7, &TForm1::N7Click},   {N16, &TForm1::N16Click},
      {dsfg1, &TForm1::dsfg1Click}, {N14, &TForm1::N14Click},
  };
  for (const auto& [action, handler] : actions)
    Connect(action, &QAction::triggered, [this, handler = handler] { (this->*handler)(); });

  Connect(N9, &QMenu::aboutToShow, [this] { N9Click(); });
  Connect(N4, &QMenu::aboutToShow, [this] { N4Click(); });
  Connect(N5, &QMenu::aboutToShow, [this] { N5Click(); });
  Connect(Timer1, &QTimer::timeout, [this] { Timer1Timer(); });

  Connect(Image1, &PictureBox::Clicked, [this] { Image1Click(); });
  Connect(Label3, &LinkLabel::Activated, [this] { Label3Click(); });
  Connect(Image1, &PictureBox::MouseMoved, [this] { ShowTip(kImageTip); });
  Connect(Edit1, &InputField::MouseMoved, [this] { ShowTip(kEditTip); });
  Connect(Edit2, &InputField::MouseMoved, [this] { ShowTip(kEditTip); });
  for (QWidget* tracked : {static_cast<QWidget*>(Button10), static_cast<QWidget*>(Label3),
                           static_cast<QWidget*>(StatusBar1)}) {
    tracked->setMouseTracking(true);
    tracked->installEventFilter(this);
  }

  slider1_.AddListener(SliderModel::Change::kPosition, [this] { TrackBar1Change(); });
  slider2_.AddListener(SliderModel::Change::kPosition, [this] { TrackBar2Change(); });
  TrackBar1->SetReporter([this](int32_t p) { Run([this, p] { slider1_.UserMovement(p); }); });
  TrackBar2->SetReporter([this](int32_t p) { Run([this, p] { slider2_.UserMovement(p); }); });
}

// ---- calculator -------------------------------------------------------------------------

void TForm1::Calculate(CalculatorModel::Focus (CalculatorModel::*operation)()) {
  model_.first = Edit1->text().toStdString();
  model_.second = Edit2->text().toStdString();
  model_.answer = Edit3->text().toStdString();
  const CalculatorModel::Focus focus = (model_.*operation)();
  // Only the fields the operation wrote change; the others keep cursor and selection.
  for (auto [field, text] : {std::pair{Edit1, &model_.first}, std::pair{Edit2, &model_.second},
                             std::pair{Edit3, &model_.answer}}) {
    const QString updated = Text(*text);
    if (field->text() != updated) field->Write(updated);
  }
  if (focus == CalculatorModel::Focus::kFirst) FocusField(Edit1);
  if (focus == CalculatorModel::Focus::kSecond) FocusField(Edit2);
}

void TForm1::FocusField(InputField* field) {
  field->setFocus(Qt::OtherFocusReason);
  // A field that already had the focus gets no focus event; the command still selects it all.
  field->selectAll();
}

// ---- sliders ----------------------------------------------------------------------------

void TForm1::TrackBar1Change() {
  Edit1->Write(Text(NumberToText(slider1_.Position())));
}

void TForm1::TrackBar2Change() {
  Edit2->Write(Text(NumberToText(slider2_.Position())));
}

// ---- tips -------------------------------------------------------------------------------

void TForm1::SetToolTipOn(QWidget* control, bool on) {
  if (control->findChild<QObject*>(QString::fromLatin1(kToolTipGate), Qt::FindDirectChildrenOnly) ==
      nullptr)
    control->installEventFilter(new ToolTipGate(control));
  control->setProperty(kToolTipOff, !on);
}

bool TForm1::ToolTipOn(const QWidget* control) {
  return !control->property(kToolTipOff).toBool();
}

void TForm1::SetSimpleMode(bool on) {
  simple_mode_ = on;
  simple_text_->setVisible(on);
  panel_->setVisible(!on);
}

bool TForm1::SimpleMode() const {
  return simple_mode_;
}

QString TForm1::TipText() const {
  return tip_text_;
}

void TForm1::ShowTip(const QString& text) {
  tip_text_ = text;
  simple_text_->setText(text);
  // An armed timer keeps its first interval: a series of tips ends 1500 ms after it began.
  if (!Timer1->isActive()) Timer1->start();
}

void TForm1::Timer1Timer() {
  tip_text_.clear();
  simple_text_->clear();
  Timer1->stop();
}

void TForm1::N9Click() {
  ShowTip(kN9Tip);
}
void TForm1::N4Click() {
  ShowTip(kN4Tip);
}
void TForm1::N5Click() {
  ShowTip(kN5Tip);
}

bool TForm1::eventFilter(QObject* watched, QEvent* e) {
  if (e->type() == QEvent::MouseMove) {
    if (watched == Button10) Run([this] { ShowTip(kButton10Tip); });
    if (watched == Label3) Run([this] { ShowTip(kLabel3Tip); });
    if (watched == StatusBar1) Run([this] { ShowTip(kStatusBarTip); });
  }
  return QMainWindow::eventFilter(watched, e);
}

// ---- other windows and outside documents --------------------------------------------------

void TForm1::N2Click() {
  close();
}

void TForm1::N6Click() {
  if (TForm3* form = context_.windows.Form3) form->ShowForm();
}

void TForm1::N8Click() {
  if (TForm4* form = context_.windows.Form4) form->ShowForm();
}

void TForm1::N17Click() {
  if (TForm5* form = context_.windows.Form5) form->ShowForm();
}

void TForm1::N13Click() {
  if (TForm6* form = context_.windows.Form6) form->ShowForm();
}

void TForm1::N7Click() {
  if (TForm2* form = context_.windows.Form2) form->ShowModalForm();
}

void TForm1::N14Click() {
  context_.desktop.ShellOpen(FindDocument("help.txt"));
}

void TForm1::dsfg1Click() {
  context_.desktop.ShellOpen(FindDocument("Licence.txt"));
}

void TForm1::N16Click() {
  context_.desktop.ShellOpen(kWebsite);
}

void TForm1::Label3Click() {
  context_.desktop.ShellOpen(std::string(kWebsite) + "/");
}

// ---- settings file, show and close -------------------------------------------------------

const SettingsLocation& TForm1::Settings() const {
  return context_.settings;
}

void TForm1::FormShow() {
  const StoredSettings stored = ReadStoredSettings(Settings());
  SetWindowColour(this, static_cast<uint32_t>(stored.window_colour));
  SetFieldColour(Edit1, static_cast<uint32_t>(stored.field_colour));
  // One range for both sliders.
  for (SliderModel* slider : {&slider1_, &slider2_}) {
    slider->SetMinimum(stored.slider_minimum);
    slider->SetMaximum(stored.slider_maximum);
  }
  MonthCalendar1->SetColour(MonthCalendar::kMonthBackground,
                            static_cast<uint32_t>(stored.calendar_colour));

  if (!stored.tips) {
    for (QWidget* control : {static_cast<QWidget*>(Button8), static_cast<QWidget*>(Button11),
                             static_cast<QWidget*>(Button9), static_cast<QWidget*>(Button3),
                             static_cast<QWidget*>(Button13), static_cast<QWidget*>(Button10),
                             static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(TrackBar2)})
      SetToolTipOn(control, false);
    SetSimpleMode(false);
    SetToolTipOn(Image1, false);
  }

  SetFieldColour(Edit2, ::FieldColour(Edit1));
  SetFieldColour(Edit3, ::FieldColour(Edit1));
  // The sliders' change handlers may have written positions into the fields just now.
  Edit1->Write(QString());
  Edit2->Write(QString());
  // The range in force, which may differ from the stored one.
  Label12->SetLine(Text(IntegerToText(slider1_.Minimum())));
  Label13->SetLine(Text(IntegerToText(slider1_.Maximum())));

  ShowTip(kWelcomeTip);
  Edit1->setFocus(Qt::OtherFocusReason);
  MonthCalendar1->setSelectedDate(QDate::currentDate());
}

void TForm1::FormClose() {
  // One replacement of the file with all five keys: a failed write leaves it as it was, and
  // the next attempt to close writes all five again.
  StoredSettings stored;
  stored.window_colour = static_cast<int32_t>(WindowColour());
  stored.field_colour = static_cast<int32_t>(FieldColour());
  stored.slider_minimum = slider1_.Minimum();
  stored.slider_maximum = slider1_.Maximum();
  stored.calendar_colour =
      static_cast<int32_t>(MonthCalendar1->Colour(MonthCalendar::kMonthBackground));
  WriteStoredSettings(Settings(), stored,
                      StoredSettings::kAppearance | StoredSettings::kSliderRange);
}

void TForm1::WriteSettingsAtSessionEnd() {
  if (!shown_once_) return;
  try {
    FormClose();
  } catch (...) {
    // Nobody would answer the box, and the program ends all the same: the file stays as it was.
  }
}

uint32_t TForm1::WindowColour() const {
  return ::WindowColour(this);
}

uint32_t TForm1::FieldColour() const {
  return ::FieldColour(Edit1);
}

void TForm1::ApplySliderRange(int32_t minimum, int32_t maximum) {
  // Maximum first, so that a range above the current one is not refused by the old maximum.
  slider1_.SetMaximum(maximum);
  slider1_.SetMinimum(minimum);
  TrackBar1->AddTick(minimum);
  TrackBar2->AddTick(maximum);
  // The entered values, even where the slider could not take them.
  Label12->SetLine(Text(IntegerToText(minimum)));
  Label13->SetLine(Text(IntegerToText(maximum)));
  Edit1->Write(QString());
  Edit2->Write(QString());
  // The range the slider took, which a screen reader hears once this window has the focus
  // again: the settings window that asked for it is closing.
  Say(QStringLiteral("Полоса прокрутки: от %1 до %2")
          .arg(Text(IntegerToText(slider1_.Minimum())), Text(IntegerToText(slider1_.Maximum()))));
}

void TForm1::ApplyTips(bool on) {
  // A shorter list than start-up switches: Button13 and Button10 keep their start-up state.
  for (QWidget* control : {static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(TrackBar2),
                           static_cast<QWidget*>(Button8), static_cast<QWidget*>(Button11),
                           static_cast<QWidget*>(Button9), static_cast<QWidget*>(Button3)})
    SetToolTipOn(control, on);
  SetSimpleMode(on);
  SetToolTipOn(Image1, on);
}

void TForm1::showEvent(QShowEvent* e) {
  QMainWindow::showEvent(e);
  // Only the first opening reads the settings; later shows are the desktop restoring it.
  if (shown_once_ || e->spontaneous()) return;
  shown_once_ = true;
  CentreOnScreen();
  Run([this] { FormShow(); });
}

void TForm1::closeEvent(QCloseEvent* e) {
  bool written = false;
  Run([&] {
    FormClose();
    written = true;
  });
  if (!written) {
    // The error box has said why; the program keeps running and the next close starts over.
    e->ignore();
    return;
  }
  e->accept();
  // The program ends with its main window: the window set ends the event loop on this.
  emit Closed();
}

// ---- position -----------------------------------------------------------------------------

void TForm1::CentreOnScreen() {
  // The frame with its title bar is centred, also once the window manager has drawn it; the
  // program's own placing never snaps.
  CentreOnScreenWhenShown(this, [this](QPoint at) {
    snapping_ = true;
    move(at);
    snapping_ = false;
  });
}

void TForm1::moveEvent(QMoveEvent* e) {
  QMainWindow::moveEvent(e);
  if (shown_once_ && !snapping_ && isVisible()) SnapToWorkArea();
}

void TForm1::SnapToWorkArea() {
  QScreen* s = screen();
  if (s == nullptr) return;
  const QRect area = s->availableGeometry();
  const QRect frame = frameGeometry();
  auto snap = [](int near_low, int near_high) {
    // The offset that puts the closer edge onto the work area's edge, or none.
    if (std::abs(near_low) < kSnapDistance) return near_low;
    if (std::abs(near_high) < kSnapDistance) return near_high;
    return 0;
  };
  const int dx = snap(area.left() - frame.left(), area.right() - frame.right());
  const int dy = snap(area.top() - frame.top(), area.bottom() - frame.bottom());
  if (dx == 0 && dy == 0) return;
  snapping_ = true;
  move(pos() + QPoint(dx, dy));
  snapping_ = false;
}
