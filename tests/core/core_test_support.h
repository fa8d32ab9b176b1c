// Helpers shared by the core's tests.
#pragma once

#include <string>
#include <vector>

#include "core/number_text.h"
#include "tests/support/recording_desktop.h"

// Sets the decimal separator for one test and restores the previous one.
class SeparatorScope {
 public:
  explicit SeparatorScope(char separator) : saved_(DecimalSeparator()) {
    SetDecimalSeparator(separator);
  }
  ~SeparatorScope() { SetDecimalSeparator(saved_); }
  SeparatorScope(const SeparatorScope&) = delete;
  SeparatorScope& operator=(const SeparatorScope&) = delete;

 private:
  char saved_;
};

// The desktop's requests as short texts: "beep", "info:<text>", "error:<text>", "other".
inline std::vector<std::string> Requests(const RecordingDesktop& desktop) {
  std::vector<std::string> out;
  for (const RecordingDesktop::Event& e : desktop.events) {
    switch (e.kind) {
      case RecordingDesktop::Event::Beep:
        out.push_back("beep");
        break;
      case RecordingDesktop::Event::Information:
        out.push_back("info:" + e.text);
        break;
      case RecordingDesktop::Event::Error:
        out.push_back("error:" + e.text);
        break;
      default:
        out.push_back("other");
        break;
    }
  }
  return out;
}
