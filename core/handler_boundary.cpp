#include "core/handler_boundary.h"

#include <string>

#include "core/arithmetic.h"
#include "core/desktop.h"
#include "core/faults.h"

void ReportFailure(Desktop& desktop, const std::exception& failure) noexcept {
  if (dynamic_cast<const SilentAbort*>(&failure) != nullptr) return;
  try {
    desktop.ShowError(ErrorBoxText(failure.what()));
  } catch (...) {
    // The box itself failed (out of memory): nothing sensible is left to show.
  }
}

void RunHandler(Desktop& desktop, const std::function<void()>& handler) noexcept {
  try {
    handler();
  } catch (const std::exception& failure) {
    // The next command starts with clean arithmetic, whatever this one left behind.
    ResetArithmetic();
    ReportFailure(desktop, failure);
  } catch (...) {
    ResetArithmetic();
    ReportFailure(desktop, MessageError("Unknown error"));
  }
}
