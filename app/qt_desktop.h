// The desktop services of the running program, realised with Qt.
#pragma once

#include <QString>

#include "core/desktop.h"

class QtDesktop : public Desktop {
 public:
  void Beep() override;
  void ShowInformation(const std::string& text) override;
  void ShowError(const std::string& text) override;
  std::optional<uint32_t> PickColour(uint32_t initial) override;
  std::optional<std::string> PickPictureFile() override;
  bool ShellOpen(const std::string& target) override;

 private:
  // The open-file dialog remembers its last file and filter for the run.
  QString last_picture_;
  QString last_filter_;
};
