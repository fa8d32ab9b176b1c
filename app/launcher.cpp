// Tallymate 3.1: what the menu entries and the tallymate command start. Linked statically, it
// runs before any dynamic loader could: it holds back SIGTERM and SIGHUP at once and hands the
// held mask, and a signal pending under it, over to the program through execve. The program's
// EndRequests lets them come once it can end cleanly; until then a logout ends nothing halfway.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/launcher_held_back.h"

#ifndef TALLYMATE_PROGRAM_FROM_LAUNCHER
#error "TALLYMATE_PROGRAM_FROM_LAUNCHER: the program's path relative to the launcher's folder"
#endif

constexpr int kEndSignals[] = {SIGTERM, SIGHUP};

int main(int, char* argv[]) {
  sigset_t end_signals;
  sigemptyset(&end_signals);
  sigaddset(&end_signals, SIGTERM);
  sigaddset(&end_signals, SIGHUP);
  sigset_t before;
  sigprocmask(SIG_BLOCK, &end_signals, &before);
  // The program lets come what the launcher held back, and keeps blocked what its starter blocked.
  unsigned long held = 0;
  for (int signal : kEndSignals)
    if (sigismember(&before, signal) == 0) held |= 1ul << signal;
  char held_text[24];
  snprintf(held_text, sizeof held_text, "%lu", held);
  setenv(kLauncherHeldBack, held_text, 1);

  // The launcher's real path, links resolved: a link to it on the PATH finds the same program.
  static const char kProgram[] = TALLYMATE_PROGRAM_FROM_LAUNCHER;
  char path[PATH_MAX + sizeof kProgram] = "";
  const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
  if (length > 0) {
    path[length] = '\0';
    char* folder_end = strrchr(path, '/');
    if (folder_end != nullptr) {
      memcpy(folder_end + 1, kProgram, sizeof kProgram);
      execv(path, argv);
    }
  }
  const int error = errno;
  unsetenv(kLauncherHeldBack);
  sigprocmask(SIG_SETMASK, &before, nullptr);
  fprintf(stderr, "tallymate: не удалось запустить %s: %s\n", path, strerror(error));
  return 127;
}
