// Everything that blocks or reaches outside the program goes through this interface. The
// program implements it with Qt; tests put a recorder in its place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

class Desktop {
 public:
  virtual ~Desktop() = default;

  // The desktop's default beep.
  virtual void Beep() = 0;
  // Modal information message: caption "Tallymate 3.1", no icon, one OK button.
  virtual void ShowInformation(const std::string& text) = 0;
  // Modal error box: caption "Tallymate 3.1", error icon, one OK button. `text` is final.
  virtual void ShowError(const std::string& text) = 0;
  // The shared colour picker, preselecting `initial` (0x00BBGGRR). Empty when cancelled.
  virtual std::optional<uint32_t> PickColour(uint32_t initial) = 0;
  // The picture open-file dialog. Returns the chosen full path, empty when cancelled.
  virtual std::optional<std::string> PickPictureFile() = 0;
  // The desktop's "open" for a document name, a web address or "mailto:". Failures are
  // reported as false and never shown.
  virtual bool ShellOpen(const std::string& target) = 0;
};
