// The single-instance guard of a session without an X11 desktop (native Wayland): a lock on a
// file of the user's session. The system lets it go when the copy ends, however it ends.
#pragma once

#include <string>

// The session's lock file: in $XDG_RUNTIME_DIR, or in the temporary folder, named for the user,
// when the session has no runtime folder.
std::string SessionLockPath();

// Takes the lock on `path` for as long as the returned descriptor stays open: -1 when another
// holder has it. A file that cannot be opened is no sign of another copy: that also gives -1
// with `unavailable` set.
int TakeLock(const std::string& path, bool* unavailable = nullptr);

// Takes the session's lock for the rest of the process; false when another copy holds it.
bool HoldSessionLock();
