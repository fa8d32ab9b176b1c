// Every handler (button, menu action, shortcut, timer, focus) runs through RunHandler, so that no
// exception ever unwinds through Qt's frames: failures end here and go to the one reporter.
#pragma once

#include <exception>
#include <functional>

class Desktop;

void RunHandler(Desktop& desktop, const std::function<void()>& handler) noexcept;

// The single top-level error handler: nothing for SilentAbort, otherwise the error box.
void ReportFailure(Desktop& desktop, const std::exception& failure) noexcept;
