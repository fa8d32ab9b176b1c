// The one boundary every handler (button, menu action, shortcut, timer, focus, key filter) runs
// through, so that no exception ever unwinds through the window toolkit's frames: failures end
// here and go to the one reporter.
#pragma once

#include <exception>
#include <functional>

class Desktop;

// Runs the handler; a failure resets the arithmetic flags and is reported.
void RunHandler(Desktop& desktop, const std::function<void()>& handler) noexcept;

// The single top-level error handler: nothing for SilentAbort, otherwise the error box.
void ReportFailure(Desktop& desktop, const std::exception& failure) noexcept;
