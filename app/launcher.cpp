// Tallymate 3.1: what the menu entries and the tallymate command start. Linked statically, it
// runs before any dynamic loader could: it holds back SIGTERM and SIGHUP at once and hands the
// held mask, and a signal pending under it, over to the program through execve. The program's
// EndRequests lets them come once it can end cleanly; until then a logout ends nothing halfway.
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>

#ifndef TALLYMATE_PROGRAM_FROM_LAUNCHER
#error "TALLYMATE_PROGRAM_FROM_LAUNCHER: the program's path relative to the launcher's folder"
#endif

int main(int, char* argv[]) {
  sigset_t end_signals;
  sigemptyset(&end_signals);
  sigaddset(&end_signals, SIGTERM);
  sigaddset(&end_signals, SIGHUP);
  sigprocmask(SIG_BLOCK, &end_signals, nullptr);

  // The launcher's real path, links resolved: a link to it on the PATH finds the same program.
  static const char kProgram[] = TALLYMATE_PROGRAM_FROM_LAUNCHER;
  char path[PATH_MAX + sizeof kProgram] = "";
  const ssize_t length = readlink("/proc/self/exe", path, PATH_MAX);
  int error = ENOENT;
  if (length > 0) {
    path[length] = '\0';
    char* folder_end = strrchr(path, '/');
    if (folder_end != nullptr) {
      memcpy(folder_end + 1, kProgram, sizeof kProgram);
      execv(path, argv);
    }
  }
  error = errno;
  sigprocmask(SIG_UNBLOCK, &end_signals, nullptr);
  fprintf(stderr, "tallymate: не удалось запустить %s: %s\n", path, strerror(error));
  return 127;
}
