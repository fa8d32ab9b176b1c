#include "ui/adding.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QFile>
#include <QFrame>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QLayout>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QMoveEvent>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QShowEvent>
#include <QStatusBar>
#include <QThread>
#include <cstdlib>
#include <utility>

#include "core/desktop.h"
#include "core/number_text.h"
#include "settings/settings_store.h"
#include "ui/Unit2.h"
#include "ui/Unit3.h"
#include "ui/Unit4.h"
#include "ui/Unit5.h"
#include "ui/Unit6.h"
#include "ui/accessible.h"
#include "ui/calendar.h"
#include "ui/colors.h"
#include "ui/command.h"
#include "ui/maker.h"
#include "ui/picture_box.h"
#include "ui/placement.h"
#include "ui/settings_keys.h"
#include "ui/trackbar.h"
#include "ui/widgets.h"

namespace {

constexpr int kClientWidth = 601;
constexpr int kClientHeight = 347;  // below the menu bar, the status bar included
constexpr int kStatusBarHeight = 19;
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

QPushButton* MakeButton(QWidget* parent, const QString& caption, int left, int top, int width,
                        int height, const QFont& font, const QString& hint = {}) {
  auto* button = Place(new QPushButton(caption, parent), left, top, width, height);
  button->setFont(font);
  if (!hint.isEmpty()) button->setToolTip(hint);
  return button;
}

void SetIconIfPresent(QAction* action, const QString& resource) {
  if (QFile::exists(resource)) action->setIcon(QIcon(resource));
}

// Keeps a bar of the window on the desktop's own colour when the window background changes.
void KeepDesktopBackground(QWidget* widget) {
  QPalette palette = widget->palette();
  for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
    palette.setColor(group, QPalette::Window,
                     QApplication::palette().color(group, QPalette::Window));
  widget->setPalette(palette);
}

}  // namespace

void ApplyRegionalDecimalSeparator() {
  const QString point = QLocale::system().decimalPoint();
  char separator = '.';
  if (point.size() == 1 && point.front().unicode() > 0x20 && point.front().unicode() < 0x7F)
    separator = static_cast<char>(point.front().unicode());
  SetDecimalSeparator(separator);
}

TForm1::TForm1(AppContext& context)
    : TWindow(context, nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                  Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                  Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      model_(context.desktop) {
  setObjectName(QStringLiteral("TForm1"));
  setWindowTitle(QStringLiteral("Tallymate 3.1"));
  setFont(SansFont());
  SetWindowColour(this, kButtonShadow);

  auto* client = new QWidget(this);
  client->setObjectName(QStringLiteral("client"));
  client->setFixedSize(kClientWidth, kClientHeight - kStatusBarHeight);
  setCentralWidget(client);

  CreateControls(client);
  CreateMenu();
  CreateStatusBar();
  Wire();

  // Not resizable: the window is exactly its menu bar, client area and status bar.
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  layout()->activate();

  // Screen readers: each control by the words a sighted user reads for it; the hints that the
  // mouse brings up in the status bar are descriptions too.
  for (auto [label, field] : {std::pair{Label10, Edit1}, {Label9, Edit2}, {Label11, Edit3}})
    label->setBuddy(field);
  NameSlider(TrackBar1, Label10->text());
  NameSlider(TrackBar2, Label9->text());
  NameControls({
      {Edit1, Label10->text(), kEditTip},
      {Edit2, Label9->text(), kEditTip},
      {Edit3, Label11->text()},
      {Button1, Button1->text()},
      {Button2, Button2->text()},
      {Button3, Button3->text()},
      {Button4, Button4->text()},
      {Button5, Button5->text()},
      {Button6, Button6->text()},
      {Button7, Button7->text()},
      {Button8, Button8->text()},
      {Button9, Button9->text()},
      {Button10, Button10->text(), kButton10Tip},
      {Button11, Button11->text()},
      {Button12, Button12->text()},
      {Button13, Button13->text()},
      {TrackBar1, TrackBar1->accessibleName()},
      {TrackBar2, TrackBar2->accessibleName()},
      {Image1, QStringLiteral("Картинка")},
      {MonthCalendar1, QStringLiteral("Календарь")},
      {StatusBar1, QStringLiteral("Строка состояния"), kStatusBarTip},
      {menuBar(), QStringLiteral("Меню")},
  });
  NameCalendarParts(MonthCalendar1);
  // The keyboard: F10 opens the menu bar, as on the desktops; Delete clears the answer field as
  // a double click does.
  auto* menu_key = new QShortcut(QKeySequence(Qt::Key_F10), this);
  connect(menu_key, &QShortcut::activated, this,
          [this] { Run([this] { menuBar()->setActiveAction(N1->menuAction()); }); });
  for (auto key : {Qt::Key_Delete, Qt::Key_Backspace}) {
    auto* clear_answer =
        new QShortcut(QKeySequence(key), Edit3, nullptr, nullptr, Qt::WidgetShortcut);
    connect(clear_answer, &QShortcut::activated, this,
            [this] { Run([this] { Calculate(&CalculatorModel::Edit3DblClick); }); });
  }
}

TForm1::~TForm1() {
  slider1_.SetOnChange({});
  slider2_.SetOnChange({});
}

bool TForm1::FormCreate(const std::function<bool()>& anotherCopyRuns) {
  return !anotherCopyRuns();
}

void TForm1::CreateControls(QWidget* client) {
  const QFont normal = SansFont();
  const QFont bold = SansFont(11, true);
  const QFont large = SansFont(19);

  Bevel1 = MakeBevel(client, 8, 96, 377, 121);
  Bevel1->setObjectName(QStringLiteral("Bevel1"));
  Bevel2 = MakeBevel(client, 8, 160, 377, 97);
  Bevel2->setObjectName(QStringLiteral("Bevel2"));

  Label14 = MakeLabel(client, QStringLiteral("Диапазон значений полосы прокрутки"), 104, 8, normal);
  // Range values of up to 11 characters: the minimum has room up to the caption, the maximum up
  // to the picture.
  Label12 = new TLine(client, QStringLiteral("0"), 16, 8, normal, 100);
  Label13 = new TLine(client, QStringLiteral("200"), 344, 8, normal, 392);

  TrackBar1 = Place(new TTrackBar(slider1_, client), 8, 32, 369, 17);
  TrackBar1->setToolTip(
      QStringLiteral("Тяните за ползунок, чтобы увеличить число ввода в первую строку"));
  TrackBar2 = Place(new TTrackBar(slider2_, client), 8, 48, 369, 17);
  TrackBar2->setToolTip(
      QStringLiteral("Тяните за ползунок, чтобы увеличить число ввода во вторую строку"));

  Label10 = MakeLabel(client, QStringLiteral("Первое число"), 32, 104, normal);
  // Its own button-shadow background, which the window colour does not change.
  SetWindowColour(Label10, kButtonShadow);
  SetTextColour(Label10, 0x000000);
  Label9 = MakeLabel(client, QStringLiteral("Второе число"), 144, 104, normal);
  SetTextColour(Label9, 0x000000);
  Label11 = MakeLabel(client, QStringLiteral("Ответ"), 304, 104, normal);
  SetTextColour(Label11, 0x000000);

  Edit1 = Place(new TEdit(client), 16, 120, 105, 21);
  Edit1->setFont(bold);
  Edit2 = Place(new TEdit(client), 128, 120, 105, 21);
  Edit2->setFont(bold);
  Label2 = MakeLabel(client, QStringLiteral("="), 240, 120, SansFont(19, true));
  Edit3 = Place(new TEdit(client), 256, 120, 121, 21);
  Edit3->setFont(bold);
  Edit3->setReadOnly(true);

  Button8 = MakeButton(client, QStringLiteral(">>>"), 32, 144, 33, 17, normal,
                       QStringLiteral("Перенос содержимого из первой строки ввода во вторую "));
  Button11 = MakeButton(client, QStringLiteral("<<<>>>"), 96, 144, 49, 17, normal,
                        QStringLiteral("Поменять местами содержимое первой и второй строки ввода"));
  Button9 = MakeButton(client, QStringLiteral("<<<"), 168, 144, 33, 17, normal,
                       QStringLiteral("Перенести содержимое второй строки ввода в первую"));
  Button3 = MakeButton(client, QStringLiteral("<<<"), 304, 144, 33, 17, normal,
                       QStringLiteral("Перенести результат в первую строку ввода"));

  Label1 = MakeLabel(client, QStringLiteral("Арифметические действия"), 24, 168, normal);
  Button5 = MakeButton(client, QStringLiteral("/"), 24, 184, 49, 25, large);
  Button4 = MakeButton(client, QStringLiteral(" *"), 80, 184, 49, 25, large);
  Button2 = MakeButton(client, QStringLiteral("-"), 144, 184, 49, 25, large);
  Button1 = MakeButton(client, QStringLiteral("+"), 208, 184, 49, 25, large);
  Button7 = MakeButton(client, QStringLiteral("Пи"), 264, 184, 49, 25, bold);
  Button12 = MakeButton(client, QStringLiteral("%"), 328, 184, 41, 25, bold);
  Button6 = MakeButton(client, QStringLiteral("Очистить поля ввода"), 16, 224, 137, 25, normal);
  Button10 = MakeButton(client, QStringLiteral("Округлить "), 176, 224, 75, 25, normal);
  Button13 = MakeButton(client, QStringLiteral("Квадрат"), 272, 224, 57, 25, normal,
                        QStringLiteral("Возводит в квадрат ответ действия"));

  Label3 = MakeLabel(client, QStringLiteral("WWW:  ") + QString::fromUtf8(kWebsite), 8, 272,
                     ComicFont(11, true));
  SetTextColour(Label3, kNavy);
  Label3->setCursor(Qt::PointingHandCursor);

  Image1 = Place(new TPicture(client), 392, 0, 209, 145);
  Image1->setCursor(Qt::PointingHandCursor);
  Image1->setToolTip(QStringLiteral("Щёлкните по картинке, чтобы выбрать новую "));
  Image1->SetPicture(BuiltInPicture());

  MonthCalendar1 = Place(new TMonthCalendar(client), 392, 144, 209, 183);

  const std::pair<QWidget*, const char*> names[] = {
      {Label1, "Label1"},
      {Label2, "Label2"},
      {Label3, "Label3"},
      {Label9, "Label9"},
      {Label10, "Label10"},
      {Label11, "Label11"},
      {Label12, "Label12"},
      {Label13, "Label13"},
      {Label14, "Label14"},
      {Edit1, "Edit1"},
      {Edit2, "Edit2"},
      {Edit3, "Edit3"},
      {Button1, "Button1"},
      {Button2, "Button2"},
      {Button3, "Button3"},
      {Button4, "Button4"},
      {Button5, "Button5"},
      {Button6, "Button6"},
      {Button7, "Button7"},
      {Button8, "Button8"},
      {Button9, "Button9"},
      {Button10, "Button10"},
      {Button11, "Button11"},
      {Button12, "Button12"},
      {Button13, "Button13"},
      {TrackBar1, "TrackBar1"},
      {TrackBar2, "TrackBar2"},
      {Image1, "Image1"},
      {MonthCalendar1, "MonthCalendar1"},
  };
  for (const auto& [widget, name] : names) widget->setObjectName(QString::fromLatin1(name));

  // The tab order of the layout, beginning at "+".
  QWidget* const order[] = {Button1,   Edit1,    Edit2,          Edit3,   TrackBar2,
                            TrackBar1, Button2,  MonthCalendar1, Button4, Button5,
                            Button3,   Button6,  Button7,        Button8, Button9,
                            Button10,  Button11, Button12,       Button13};
  for (size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

void TForm1::CreateMenu() {
  QMenuBar* bar = menuBar();
  bar->setObjectName(QStringLiteral("MainMenu1"));
  KeepDesktopBackground(bar);

  auto item = [](QMenu* menu, const char* name, const QString& caption,
                 const QKeySequence& shortcut = {}) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(QString::fromLatin1(name));
    if (!shortcut.isEmpty()) {
      action->setShortcut(shortcut);
      // Also while a modeless window of the program is active; a modal window blocks it.
      action->setShortcutContext(Qt::ApplicationShortcut);
    }
    return action;
  };

  N1 = bar->addMenu(QStringLiteral("Программа"));
  N1->setObjectName(QStringLiteral("N1"));
  N9 = N1->addMenu(QStringLiteral("Выбрать цвет"));
  N9->setObjectName(QStringLiteral("N9"));
  N10 = item(N9, "N10", QStringLiteral("Строк ввода"));
  N11 = item(N9, "N11", QStringLiteral("Программы"));
  N12 = item(N9, "N12", QStringLiteral("Календаря"));
  N18 = item(N1, "N18", QStringLiteral("Очистить поля ввода"), QKeySequence(Qt::CTRL | Qt::Key_F));
  N3 = item(N1, "N3", QStringLiteral("Выбрать картинку"), QKeySequence(Qt::CTRL | Qt::Key_I));
  N19 = item(N1, "N19", QStringLiteral("Настройки по умолчанию"), QKeySequence(Qt::Key_F4));
  N13 = item(N1, "N13", QStringLiteral("Настройки"), QKeySequence(Qt::CTRL | Qt::Key_E));
  N2 = item(N1, "N2", QStringLiteral("Закрыть"), QKeySequence(Qt::CTRL | Qt::Key_Q));
  SetIconIfPresent(N2, QStringLiteral(":/assets/close.png"));

  N4 = bar->addMenu(QStringLiteral("Функции"));
  N4->setObjectName(QStringLiteral("N4"));
  N6 = item(N4, "N6", QStringLiteral("Степени и корни"), QKeySequence(Qt::CTRL | Qt::Key_D));
  N8 = item(N4, "N8", QStringLiteral("Квадратные уравнения"), QKeySequence(Qt::CTRL | Qt::Key_K));
  N17 =
      item(N4, "N17", QStringLiteral("Среднее арифметическое"), QKeySequence(Qt::CTRL | Qt::Key_R));

  N5 = bar->addMenu(QStringLiteral("Помощь"));
  N5->setObjectName(QStringLiteral("N5"));
  N7 = item(N5, "N7", QStringLiteral("О программе"));
  SetIconIfPresent(N7, QStringLiteral(":/assets/about.png"));
  N16 = item(N5, "N16", QStringLiteral("Посетить сайт автора"));
  dsfg1 = item(N5, "dsfg1", QStringLiteral("Лицензионное соглашение"));
  N14 = item(N5, "N14", QStringLiteral("Справка"), QKeySequence(Qt::Key_F1));
}

void TForm1::CreateStatusBar() {
  StatusBar1 = new QStatusBar(this);
  StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
  StatusBar1->setSizeGripEnabled(false);
  StatusBar1->setFixedHeight(kStatusBarHeight);
  KeepDesktopBackground(StatusBar1);
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
  setStatusBar(StatusBar1);
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
    // Enter on a focused button presses it, as Space does.
    button->installEventFilter(this);
  }
  Connect(N18, &QAction::triggered, calculate(&CalculatorModel::N18Click));
  Connect(Edit1, &TEdit::DoubleClicked, calculate(&CalculatorModel::Edit1DblClick));
  Connect(Edit2, &TEdit::DoubleClicked, calculate(&CalculatorModel::Edit2DblClick));
  Connect(Edit3, &TEdit::DoubleClicked, calculate(&CalculatorModel::Edit3DblClick));

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

  Connect(Image1, &TPicture::Clicked, [this] { Image1Click(); });
  Connect(Image1, &TPicture::MouseMoved, [this] { ShowTip(kImageTip); });
  Connect(Edit1, &TEdit::MouseMoved, [this] { ShowTip(kEditTip); });
  Connect(Edit2, &TEdit::MouseMoved, [this] { ShowTip(kEditTip); });
  for (QWidget* tracked : {static_cast<QWidget*>(Button10), static_cast<QWidget*>(Label3),
                           static_cast<QWidget*>(StatusBar1)}) {
    tracked->setMouseTracking(true);
    tracked->installEventFilter(this);
  }

  slider1_.SetOnChange([this] {
    TrackBar1->Sync();
    TrackBar1Change();
  });
  slider2_.SetOnChange([this] {
    TrackBar2->Sync();
    TrackBar2Change();
  });
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
  if (focus == CalculatorModel::Focus::First) FocusField(Edit1);
  if (focus == CalculatorModel::Focus::Second) FocusField(Edit2);
}

void TForm1::FocusField(TEdit* field) {
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

void TForm1::AddTick(TTrackBar* bar, int32_t position) {
  TrackBar1->Sync();
  TrackBar2->Sync();
  bar->AddTick(position);
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
  const QEvent::Type type = e->type();
  if ((type == QEvent::KeyPress) && qobject_cast<QPushButton*>(watched) != nullptr) {
    auto* key = static_cast<QKeyEvent*>(e);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && !key->isAutoRepeat()) {
      static_cast<QPushButton*>(watched)->click();
      return true;
    }
  }
  if (type == QEvent::MouseMove) {
    if (watched == Button10) Run([this] { ShowTip(kButton10Tip); });
    if (watched == Label3) Run([this] { ShowTip(kLabel3Tip); });
    if (watched == StatusBar1) Run([this] { ShowTip(kStatusBarTip); });
  }
  // Only button events are mouse events: the cast below is valid for nothing else.
  if (watched == Label3 &&
      (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease)) {
    auto* mouse = static_cast<QMouseEvent*>(e);
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton) {
      pressed_label_ = Label3;
      return true;
    }
    if (type == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
      const bool click =
          pressed_label_ == Label3 && Label3->rect().contains(mouse->position().toPoint());
      pressed_label_ = nullptr;
      if (click) Run([this] { Label3Click(); });
      return true;
    }
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
  context_.desktop.ShellOpen("help.txt");
}

void TForm1::dsfg1Click() {
  context_.desktop.ShellOpen("Licence.txt");
}

void TForm1::N16Click() {
  context_.desktop.ShellOpen(kWebsite);
}

void TForm1::Label3Click() {
  context_.desktop.ShellOpen(std::string(kWebsite) + "/");
}

// ---- settings file, show and close -------------------------------------------------------

std::string TForm1::SettingsPath() const {
  return context_.settings_path.empty() ? SettingsStore::DefaultPath() : context_.settings_path;
}

void TForm1::FormShow() {
  // One reading of the file for every key; "min" and "max" serve both sliders.
  SettingsStore store(SettingsPath());
  SettingsInteger read[] = {kWindowColourKey.Read(), kFieldColourKey.Read(),    kMinimumKey.Read(),
                            kMaximumKey.Read(),      kCalendarColourKey.Read(), kTipsKey.Read()};
  store.ReadIntegers(read);
  const auto& [form_colour, edit_colour, minimum, maximum, calendar_colour, tips_value] = read;
  SetWindowColour(this, static_cast<uint32_t>(form_colour.value));
  SetFieldColour(Edit1, static_cast<uint32_t>(edit_colour.value));
  slider1_.SetMinimum(minimum.value);
  slider1_.SetMaximum(maximum.value);
  slider2_.SetMinimum(minimum.value);
  slider2_.SetMaximum(maximum.value);
  TrackBar1->Sync();
  TrackBar2->Sync();
  MonthCalendar1->SetColour(TMonthCalendar::kMonthBackground,
                            static_cast<uint32_t>(calendar_colour.value));
  const bool tips = tips_value.value != 0;

  if (!tips) {
    for (QWidget* control : {static_cast<QWidget*>(Button8), static_cast<QWidget*>(Button11),
                             static_cast<QWidget*>(Button9), static_cast<QWidget*>(Button3),
                             static_cast<QWidget*>(Button13), static_cast<QWidget*>(Button10),
                             static_cast<QWidget*>(TrackBar1), static_cast<QWidget*>(TrackBar2)})
      SetToolTipOn(control, false);
    SetSimpleMode(false);
    SetToolTipOn(Image1, false);
  }

  SetFieldColour(Edit2, FieldColour(Edit1));
  SetFieldColour(Edit3, FieldColour(Edit1));
  // The sliders' change handlers may have written positions into the fields just now.
  Edit1->clear();
  Edit2->clear();
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
  SettingsStore store(SettingsPath());
  const SettingsInteger values[] = {
      kWindowColourKey.Write(static_cast<int32_t>(WindowColour(this))),
      kFieldColourKey.Write(static_cast<int32_t>(FieldColour(Edit1))),
      kMaximumKey.Write(slider1_.Maximum()), kMinimumKey.Write(slider1_.Minimum()),
      kCalendarColourKey.Write(
          static_cast<int32_t>(MonthCalendar1->Colour(TMonthCalendar::kMonthBackground)))};
  store.WriteIntegers(values);
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
  emit Closed();
  // The program ends with its main window. Without a running event loop (the window used on
  // its own) there is nothing to end, and a quit would only reach whatever runs next.
  if (QThread::currentThread()->loopLevel() > 0) QCoreApplication::quit();
}

void TForm1::changeEvent(QEvent* e) {
  if (e->type() == QEvent::LocaleChange) ApplyRegionalDecimalSeparator();
  QMainWindow::changeEvent(e);
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
