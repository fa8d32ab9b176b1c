// A write that survives a power cut, not only a killed program: the new content reaches the
// disk before it replaces the old file, and the replacement itself is made durable. A killed
// writer cannot show this (the page cache outlives the process), so the test watches the calls.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/settings/temp_dir.h"

namespace {

bool g_watching = false;
bool g_fail_folder_sync = false;
std::vector<std::string> g_calls;

std::string PathOf(int fd) {
  char target[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t n = ::readlink(link.c_str(), target, sizeof target - 1);
  return n < 0 ? std::string("?") : std::string(target, static_cast<size_t>(n));
}

template <typename F>
F Next(const char* name) {
  return reinterpret_cast<F>(::dlsym(RTLD_NEXT, name));
}

}  // namespace

// This program's own fsync and rename stand in front of the C library's and record each call.
extern "C" int fsync(int fd) {
  if (g_watching) g_calls.push_back("fsync " + PathOf(fd));
  if (g_fail_folder_sync && std::filesystem::is_directory(PathOf(fd))) {
    errno = EIO;
    return -1;
  }
  static const auto real = Next<int (*)(int)>("fsync");
  return real(fd);
}

extern "C" int rename(const char* from, const char* to) noexcept {
  if (g_watching) g_calls.push_back(std::string("rename ") + from + " " + to);
  static const auto real = Next<int (*)(const char*, const char*)>("rename");
  return real(from, to);
}

namespace {

TEST(SettingsDurability, ContentSyncedBeforeTheRenameAndTheDirectoryAfterIt) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  for (const bool existing : {false, true}) {
    if (existing) WriteBytes(path, "[Color]\r\nEdit=1\r\n");
    g_calls.clear();
    g_watching = true;
    SettingsStore(path).WriteInteger("Color", "Edit", 2);
    g_watching = false;

    std::string temp;
    size_t synced = g_calls.size(), renamed = g_calls.size(), dir_synced = g_calls.size();
    for (size_t i = 0; i < g_calls.size(); ++i) {
      const std::string& call = g_calls[i];
      if (call.rfind("rename ", 0) == 0 && call.size() > path.size() &&
          call.compare(call.size() - path.size() - 1, std::string::npos, " " + path) == 0) {
        temp = call.substr(7, call.size() - 7 - path.size() - 1);
        renamed = i;
      }
    }
    ASSERT_LT(renamed, g_calls.size()) << "the new content never replaced the file";
    for (size_t i = 0; i < g_calls.size(); ++i) {
      if (g_calls[i] == "fsync " + temp && i < renamed) synced = i;
      if (g_calls[i] == "fsync " + dir.path() && i > renamed) dir_synced = i;
    }
    EXPECT_LT(synced, renamed) << "the temporary file " << temp
                               << " is not synced before the rename";
    EXPECT_LT(dir_synced, g_calls.size()) << "the directory is not synced after the rename";
    EXPECT_EQ(ReadBytes(path), std::string("[Color]\r\nEdit=2\r\n"));
  }
}

// Once the new file has replaced the old one every reader sees the new settings: a folder that
// cannot be synced after it is no failed write, and the left-overs still go.
TEST(SettingsDurability, AFolderThatCannotBeSyncedAfterTheRenameFailsNothing) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  const std::string leftover = dir.File("Tallymate.ini.tmpAb3xYz");
  WriteBytes(leftover, "half");
  const timespec day_ago[2] = {{::time(nullptr) - 24 * 60 * 60, 0},
                               {::time(nullptr) - 24 * 60 * 60, 0}};
  ASSERT_EQ(::utimensat(AT_FDCWD, leftover.c_str(), day_ago, 0), 0);
  g_fail_folder_sync = true;
  EXPECT_NO_THROW(SettingsStore(path).WriteInteger("Color", "Edit", 2));
  g_fail_folder_sync = false;
  EXPECT_EQ(ReadBytes(path), std::string("[Color]\r\nEdit=2\r\n"));
  EXPECT_FALSE(std::filesystem::exists(leftover));
}

}  // namespace
