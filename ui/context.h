// The window set: one program-wide reference per window, and the desktop services.
#pragma once

#include <string>

class Desktop;
class TForm1;
class TForm2;
class TForm3;
class TForm4;
class TForm5;
class TForm6;

struct WindowSet {
  TForm1* Form1 = nullptr;
  TForm2* Form2 = nullptr;
  TForm3* Form3 = nullptr;
  TForm4* Form4 = nullptr;
  TForm5* Form5 = nullptr;
  TForm6* Form6 = nullptr;
};

struct AppContext {
  Desktop& desktop;
  WindowSet windows;
  // The settings file; empty: "Tallymate.ini" beside the executable.
  std::string settings_path;
};
