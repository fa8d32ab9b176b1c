#include "app/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

namespace {

bool Given(const char* value) {
  return value != nullptr && *value != '\0';
}

}  // namespace

std::string DesktopName(const char* wayland_display, const char* x_display) {
  std::string name;
  if (Given(wayland_display)) {
    name = wayland_display;
  } else if (Given(x_display)) {
    // "host:display.screen"; "unix:" is the local display written out.
    name = x_display;
    const auto colon = name.rfind(':');
    if (colon != std::string::npos) {
      const auto dot = name.find('.', colon);
      if (dot != std::string::npos) name.erase(dot);
      if (name.compare(0, colon, "unix") == 0) name.erase(0, colon);
    }
  }
  // A Wayland display may be given as a path.
  for (char& c : name)
    if (c == '/') c = '_';
  return name;
}

std::string SessionLockPath() {
  const std::string desktop = DesktopName(std::getenv("WAYLAND_DISPLAY"), std::getenv("DISPLAY"));
  const std::string suffix = (desktop.empty() ? "" : " " + desktop) + ".lock";
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (Given(runtime)) return std::string(runtime) + "/Tallymate 3.1" + suffix;
  // The temporary folder is shared by every user: the user's number keeps the files apart.
  return (std::filesystem::temp_directory_path() /
          ("Tallymate 3.1-" + std::to_string(getuid()) + suffix))
      .string();
}

int TakeLock(const std::string& path, bool* unavailable) {
  if (unavailable != nullptr) *unavailable = false;
  // Close-on-exec: a program the copy starts (an editor, a browser) must not keep the lock after
  // the copy has ended. In a shared temporary folder anybody may have made the file first: a
  // link planted there is not followed, and a file of another user is not this user's lock
  // (its holder could keep every copy from starting).
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  struct stat st {};
  if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != geteuid()) {
    if (fd >= 0) close(fd);
    if (unavailable != nullptr) *unavailable = true;
    return -1;
  }
  int result = 0;
  do {
    result = flock(fd, LOCK_EX | LOCK_NB);
  } while (result != 0 && errno == EINTR);
  if (result != 0) {
    // EWOULDBLOCK: another copy holds it. Anything else: the file system has no locks.
    if (unavailable != nullptr) *unavailable = errno != EWOULDBLOCK;
    close(fd);
    return -1;
  }
  return fd;
}

bool HoldSessionLock() {
  static int held = -1;
  if (held >= 0) return true;
  bool unavailable = false;
  held = TakeLock(SessionLockPath(), &unavailable);
  return held >= 0 || unavailable;
}
