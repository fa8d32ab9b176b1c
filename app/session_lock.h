// The single-instance guard's lock: a file of the user's session, one per desktop, locked by the
// copy that runs there. The system lets it go when the copy ends, however it ends, and a program
// the copy starts does not inherit it.
#pragma once

#include <string>

// The desktop a copy runs on, as part of a file name: the Wayland display when the session has
// one (a copy through XWayland and a native copy share it), otherwise the X display without its
// screen number (every screen of a display is one desktop). Empty without either.
std::string DesktopName(const char* wayland_display, const char* x_display);

// The lock file of this process's desktop: in $XDG_RUNTIME_DIR, or, when that is unset or empty,
// in the temporary folder and named for the user.
std::string SessionLockPath();

// Takes the lock on `path` without waiting, for as long as the returned descriptor stays open: -1
// when another holder has it. A file that cannot be opened or locked, a symbolic link and a file
// of another user are no sign of another copy: they also give -1, with `unavailable` set (the
// title check then decides).
int TakeLock(const std::string& path, bool* unavailable = nullptr);

// Takes the session's lock for the rest of the process. False only when another running copy
// holds it: a lock that cannot be made lets the copy run, as it would without the guard.
bool HoldSessionLock();
