// The main window: the calculator, the sliders, the calendar, the picture and the menu.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "core/calculator_model.h"
#include "core/slider_model.h"
#include "ui/calendar.h"
#include "ui/context.h"
#include "ui/picture_box.h"
#include "ui/trackbar.h"
#include "ui/widgets.h"
#include "ui/window.h"

class QAction;
class QImage;
class QSize;
class QFrame;
class QLabel;
class TLine;
class QMenu;
class QPushButton;
class QStatusBar;

// Takes the decimal separator from the regional settings (Qt's system locale); "." when they
// give none or more than one character. Called at start and on every locale change.
void ApplyRegionalDecimalSeparator();

class TForm1 : public TWindow<QMainWindow> {
  Q_OBJECT
 public:
  explicit TForm1(AppContext& context);
  ~TForm1() override;

  // The creation handler: runs the single-instance guard, which the program start supplies (it
  // needs the program's hidden application window). False when another copy runs: then the
  // program ends without showing, reading or writing anything.
  bool FormCreate(const std::function<bool()>& anotherCopyRuns);

  // Controls, reached directly by the other windows as the program's window set allows.
  QLabel *Label1{}, *Label2{}, *Label3{}, *Label9{}, *Label10{}, *Label11{}, *Label14{};
  // The range labels, written at start-up, by F4 and by the settings window.
  TLine *Label12{}, *Label13{};
  TEdit *Edit1{}, *Edit2{}, *Edit3{};
  QPushButton *Button1{}, *Button2{}, *Button3{}, *Button4{}, *Button5{}, *Button6{}, *Button7{},
      *Button8{}, *Button9{}, *Button10{}, *Button11{}, *Button12{}, *Button13{};
  TTrackBar *TrackBar1{}, *TrackBar2{};
  QFrame *Bevel1{}, *Bevel2{};
  TPicture* Image1{};
  TMonthCalendar* MonthCalendar1{};
  QStatusBar* StatusBar1{};
  QTimer* Timer1{};  // the tip timer: 1500 ms, single shot; its timeout runs Timer1Timer
  QMenu *N1{}, *N4{}, *N5{}, *N9{};
  QAction *N2{}, *N3{}, *N6{}, *N7{}, *N8{}, *N10{}, *N11{}, *N12{}, *N13{}, *N14{}, *N16{}, *N17{},
      *N18{}, *N19{}, *dsfg1{};

  // The models behind TrackBar1 and TrackBar2. Whoever changes a range here makes the slider
  // show it through AddTick (which every range change of the program ends with) or
  // TTrackBar::Sync; a position change shows at once.
  SliderModel& Slider1() { return slider1_; }
  SliderModel& Slider2() { return slider2_; }

  // Tool-tip switches of single controls (the tool tip text stays; the flag decides).
  static void SetToolTipOn(QWidget* control, bool on);
  static bool ToolTipOn(const QWidget* control);
  // The status bar's simple mode: on shows the tip text, off shows the empty 50-pixel panel.
  void SetSimpleMode(bool on);
  bool SimpleMode() const;
  QString TipText() const;

  // Adds a tick mark on a slider (and lets it show a range changed through its model).
  void AddTick(TTrackBar* bar, int32_t position);

  // The settings file: beside the executable, unless a test chose another one.
  // The settings file of this run (AppContext::settings_path, or beside the executable).
  std::string SettingsPath() const;

  // Colours, picture and default settings (adding_appearance.cpp).
  void N10Click();     // field colour
  void N11Click();     // window colour
  void N12Click();     // calendar colour
  void N3Click();      // picture command
  void Image1Click();  // the same picture command
  void N19Click();     // default settings
  // Decodes a picture file by its extension; throws with the program's message on failure.
  static QImage LoadPicture(const QString& path, QSize minimum, uint32_t background);
  // The built-in picture of Image1 (":/assets/picture.jpg"), decoded by the same JPEG decoder.
  static QImage BuiltInPicture();

  // Menu commands and control events; each runs through the program's error path when wired.
  void N2Click();      // closes the window, which ends the program
  void N6Click();      // powers and roots
  void N7Click();      // About, modal
  void N8Click();      // quadratic equation
  void N13Click();     // settings window
  void N14Click();     // help document
  void N16Click();     // the maker's website
  void N17Click();     // arithmetic mean
  void dsfg1Click();   // licence document
  void Label3Click();  // the maker's website, from the label
  void N4Click();      // menu tips
  void N5Click();
  void N9Click();
  void Timer1Timer();  // wipes the tip

 signals:
  // The window closed for good (the settings were written); the program ends.
  void Closed();

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void CreateControls(QWidget* client);
  void CreateMenu();
  void CreateStatusBar();
  void Wire();
  void FormShow();
  void FormClose();
  void Calculate(CalculatorModel::Focus (CalculatorModel::*operation)());
  void FocusField(TEdit* field);
  void ShowTip(const QString& text);
  void TrackBar1Change();
  void TrackBar2Change();
  void CentreOnScreen();
  void SnapToWorkArea();

  CalculatorModel model_;
  SliderModel slider1_;
  SliderModel slider2_;
  bool shown_once_ = false;
  bool snapping_ = false;
  bool simple_mode_ = true;
  QString tip_text_;
  QLabel* simple_text_ = nullptr;  // the status bar's simple mode text
  QLabel* panel_ = nullptr;        // its single 50-pixel panel
  QObject* pressed_label_ = nullptr;
  uint32_t picker_colour_ = 0;  // last confirmed colour of the shared colour picker
};
