// The main window: the calculator, the sliders, the calendar, the picture and the menu.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>
#include <functional>
#include <string>

#include "core/calculator_model.h"
#include "core/slider_model.h"
#include "ui/base/command_window.h"
#include "ui/base/context.h"
#include "ui/windows/ui_adding.h"

class QLabel;

class TForm1 : public CommandWindow<QMainWindow>, public Ui::TForm1, public MainWindowLink {
  Q_OBJECT
 public:
  explicit TForm1(AppContext& context);
  ~TForm1() override;

  // The creation handler: runs the single-instance guard, which the program start supplies (it
  // needs the program's hidden application window). False when another copy runs: then the
  // program ends without showing, reading or writing anything.
  bool FormCreate(const std::function<bool()>& another_copy_runs);

  QTimer* Timer1{};  // the tip timer: 1500 ms, single shot; its timeout runs Timer1Timer

  // The models behind TrackBar1 and TrackBar2; the sliders follow every change.
  SliderModel& Slider1() { return slider1_; }
  SliderModel& Slider2() { return slider2_; }

  // Tool-tip switches of single controls (the tool tip text stays; the flag decides).
  static void SetToolTipOn(QWidget* control, bool on);
  static bool ToolTipOn(const QWidget* control);
  // The status bar's simple mode: on shows the tip text, off shows the empty 50-pixel panel.
  void SetSimpleMode(bool on);
  bool SimpleMode() const;
  QString TipText() const;

  // What the other windows read and change (MainWindowLink).
  uint32_t WindowColour() const override;
  uint32_t FieldColour() const override;
  int32_t SliderMinimum() const override { return slider1_.Minimum(); }
  int32_t SliderMaximum() const override { return slider1_.Maximum(); }
  bool TipsOn() const override { return ToolTipOn(TrackBar1); }
  void ApplySliderRange(int32_t minimum, int32_t maximum) override;
  void ApplyTips(bool on) override;
  // Where this run keeps its settings (AppContext::settings).
  const SettingsLocation& Settings() const override;
  // The desktop's session ends (a logout, a shutdown, SIGTERM) and nobody is there to answer a
  // box: the settings are written as at a close, and a failed write is not shown. Before the
  // first showing has read the settings nothing is written: the form's values would replace
  // the user's.
  void WriteSettingsAtSessionEnd();

  // Colours, picture and default settings (adding_appearance.cpp).
  void N10Click();     // field colour
  void N11Click();     // window colour
  void N12Click();     // calendar colour
  void N3Click();      // picture command
  void Image1Click();  // the same picture command
  void N19Click();     // default settings

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

 private:
  void CreateStatusBarParts();
  void Wire();
  void FormShow();
  void FormClose();
  void Calculate(CalculatorModel::Focus (CalculatorModel::*operation)());
  void FocusField(InputField* field);
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
  uint32_t picker_colour_ = 0;     // last confirmed colour of the shared colour picker
};
