#include "app/session_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

std::string SessionLockPath() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime != nullptr && *runtime != '\0') return std::string(runtime) + "/Tallymate 3.1.lock";
  return (std::filesystem::temp_directory_path() /
          ("Tallymate 3.1-" + std::to_string(getuid()) + ".lock"))
      .string();
}

int TakeLock(const std::string& path, bool* unavailable) {
  if (unavailable != nullptr) *unavailable = false;
  const int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
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
  // Without a lock to take the copy runs, as it would without the guard.
  return held >= 0 || unavailable;
}
