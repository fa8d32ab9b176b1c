// The window set: one program-wide reference per window, and the desktop services.
#pragma once

#include <cstdint>
#include <string>

#include "settings/settings_store.h"

class Desktop;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

// What the other windows read and change of the main window, without depending on it.
class MainWindowLink {
 public:
  // The colours the other windows copy when they are shown (program colour values).
  virtual uint32_t WindowColour() const = 0;
  virtual uint32_t FieldColour() const = 0;
  // The first slider's range in force.
  virtual int32_t SliderMinimum() const = 0;
  virtual int32_t SliderMaximum() const = 0;
  // Whether tips are on now (the first slider's tool tip stands for the switch).
  virtual bool TipsOn() const = 0;
  // The settings window's OK: the first slider takes the range as far as it can, both sliders
  // mark its ends, the range labels show the values entered and the operand fields are emptied;
  // a screen reader hears the range the slider took.
  virtual void ApplySliderRange(int32_t minimum, int32_t maximum) = 0;
  // The settings window's tips switch.
  virtual void ApplyTips(bool on) = 0;
  // Where this run keeps its settings.
  virtual const SettingsLocation& Settings() const = 0;

 protected:
  ~MainWindowLink() = default;
};

struct WindowSet {
  TForm1* Form1 = nullptr;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm4* Form4 = nullptr;
  TForm5* Form5 = nullptr;
  TForm6* Form6 = nullptr;
  // The main window as the other windows see it; set with Form1.
  MainWindowLink* main = nullptr;
};

struct AppContext {
  Desktop& desktop;
  WindowSet windows;
  // Where the settings are kept; no file: chosen by the main window when it is made
  // (SettingsStore::Choose).
  SettingsLocation settings;
};
