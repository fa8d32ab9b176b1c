// The main window: the calculator, the sliders, the calendar, the picture and the menu.
#pragma once

#include <QMainWindow>
#include <QTimer>
#include <cstdint>

#include "core/calculator_model.h"
#include "core/slider_model.h"
#include "ui/context.h"

class QAction;
class QImage;
class QSize;
class QCalendarWidget;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QStatusBar;
class TEdit;
class TPicture;
class TTrackBar;

class TForm1 : public QMainWindow {
  Q_OBJECT
 public:
  explicit TForm1(AppContext& context);
  ~TForm1() override;

  // Runs the single-instance guard; false when another copy runs and this one must end.
  bool FormCreate();

  // Controls, reached directly by the other windows as the program's window set allows.
  QLabel *Label1{}, *Label2{}, *Label3{}, *Label9{}, *Label10{}, *Label11{}, *Label12{},
      *Label13{}, *Label14{};
  TEdit *Edit1{}, *Edit2{}, *Edit3{};
  QPushButton *Button1{}, *Button2{}, *Button3{}, *Button4{}, *Button5{}, *Button6{}, *Button7{},
      *Button8{}, *Button9{}, *Button10{}, *Button11{}, *Button12{}, *Button13{};
  TTrackBar *TrackBar1{}, *TrackBar2{};
  QFrame *Bevel1{}, *Bevel2{};
  TPicture* Image1{};
  QCalendarWidget* MonthCalendar1{};
  QStatusBar* StatusBar1{};
  QTimer* Timer1{};
  QMenu *N1{}, *N4{}, *N5{}, *N9{};
  QAction *N2{}, *N3{}, *N6{}, *N7{}, *N8{}, *N10{}, *N11{}, *N12{}, *N13{}, *N14{}, *N16{},
      *N17{}, *N18{}, *N19{}, *dsfg1{};

  SliderModel& Slider1() { return slider1_; }
  SliderModel& Slider2() { return slider2_; }

  // Tool-tip switches of single controls (the tool tip text stays; the flag decides).
  static void SetToolTipOn(QWidget* control, bool on);
  static bool ToolTipOn(const QWidget* control);
  // The status bar's simple mode: on shows the tip text, off shows the empty 50-pixel panel.
  void SetSimpleMode(bool on);
  bool SimpleMode() const;
  QString TipText() const;

  // Adds a tick mark on a slider.
  void AddTick(TTrackBar* bar, int32_t position);

  // Colours, picture and default settings (adding_appearance.cpp).
  void N10Click();     // field colour
  void N11Click();     // window colour
  void N12Click();     // calendar colour
  void N3Click();      // picture command
  void Image1Click();  // the same picture command
  void N19Click();     // default settings
  // Decodes a picture file by its extension; throws with the program's message on failure.
  static QImage LoadPicture(const QString& path, QSize minimum, uint32_t background);

 protected:
  void showEvent(QShowEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void moveEvent(QMoveEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  void changeEvent(QEvent* e) override;

 private:
  void FormShow();
  void FormClose();
  void Run(const std::function<void()>& handler);
  void Calculate(CalculatorModel::Focus (CalculatorModel::*operation)());
  void ShowTip(const QString& text);
  void Timer1Timer();

  AppContext& context_;
  CalculatorModel model_;
  SliderModel slider1_;
  SliderModel slider2_;
  bool shown_once_ = false;
  uint32_t picker_colour_ = 0;  // last confirmed colour of the shared colour picker
};
