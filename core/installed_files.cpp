#include "core/installed_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#ifndef TALLYMATE_DATA_FROM_PROGRAM
#define TALLYMATE_DATA_FROM_PROGRAM "../../share/tallymate"
#endif

std::string ExecutableFolder() {
  std::string exe;
  if (char* real = ::realpath("/proc/self/exe", nullptr)) {
    exe = real;
    std::free(real);
  } else {
    // A replaced executable reads "<path> (deleted)"; its directory is still right.
    char buffer[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", buffer, sizeof buffer);
    if (n > 0) exe.assign(buffer, static_cast<size_t>(n));
  }
  const size_t slash = exe.rfind('/');
  if (exe.empty() || exe.front() != '/' || slash == std::string::npos) return {};
  return exe.substr(0, slash);
}

std::string FindDocument(std::string_view name, std::initializer_list<std::string_view> folders) {
  for (std::string_view folder : folders) {
    std::string path =
        folder.empty() ? std::string(name) : std::string(folder) + '/' + std::string(name);
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return path;
  }
  return std::string(name);
}

std::string FindDocument(std::string_view name) {
  const std::string program = ExecutableFolder();
  if (program.empty()) return FindDocument(name, {""});
  return FindDocument(name, {"", program, program + "/" TALLYMATE_DATA_FROM_PROGRAM});
}
