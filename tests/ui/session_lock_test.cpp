// The session's lock: where it lives, which copies share it, who holds it. The copies are played
// by child processes with their own environment.
#include "app/session_lock.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <string>

#include "tests/support/cases.h"

namespace {

using Environment = std::map<std::string, std::optional<std::string>>;  // nullopt: unset

// Sets the variables for the lifetime of the object, then puts the old values back.
class ScopedEnvironment {
 public:
  explicit ScopedEnvironment(const Environment& values) {
    for (const auto& [name, value] : values) {
      const char* old = std::getenv(name.c_str());
      old_[name] = old != nullptr ? std::optional<std::string>(old) : std::nullopt;
      Set(name, value);
    }
  }
  ~ScopedEnvironment() {
    for (const auto& [name, value] : old_) Set(name, value);
  }
  ScopedEnvironment(const ScopedEnvironment&) = delete;
  ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

 private:
  static void Set(const std::string& name, const std::optional<std::string>& value) {
    if (value)
      setenv(name.c_str(), value->c_str(), 1);
    else
      unsetenv(name.c_str());
  }
  Environment old_;
};

std::string LockPathWith(const Environment& values) {
  ScopedEnvironment environment(values);
  return SessionLockPath();
}

// Runs `copy` in a child process, as another copy of the program; its answer is the exit code.
bool InAnotherProcess(const std::function<bool()>& copy) {
  const pid_t child = fork();
  if (child == 0) _exit(copy() ? 0 : 1);
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// ---- where the lock file lives ----

enum class Runtime { kGiven, kEmpty, kUnset };  // XDG_RUNTIME_DIR

struct FolderCase {
  const char* name;
  Runtime runtime;
  bool in_runtime;  // false: in the temporary folder
};

TEST(LockFolder, IsTheRuntimeFolderOrElseTheTemporaryOne) {
  const FolderCase kCases[] = {{"runtime_folder", Runtime::kGiven, true},
                               {"empty_runtime_folder", Runtime::kEmpty, false},
                               {"no_runtime_folder", Runtime::kUnset, false}};
  ForEachCase(kCases, [](const FolderCase& c) {
    QTemporaryDir runtime, temporary;
    ASSERT_TRUE(runtime.isValid() && temporary.isValid());
    std::optional<std::string> runtime_value;
    if (c.runtime == Runtime::kGiven) runtime_value = runtime.path().toStdString();
    if (c.runtime == Runtime::kEmpty) runtime_value = "";
    const std::filesystem::path path = LockPathWith({{"TMPDIR", temporary.path().toStdString()},
                                                     {"XDG_RUNTIME_DIR", runtime_value},
                                                     {"DISPLAY", ":7"}});
    const QString expected = c.in_runtime ? runtime.path() : temporary.path();
    EXPECT_EQ(path.parent_path(), std::filesystem::path(expected.toStdString()));
  });
}

// ---- which copies share one lock: those on one desktop ----

struct DesktopCase {
  const char* name;
  Environment first, second;
  bool same;
};

TEST(SharedLock, OnlyOnOneDesktop) {
  const DesktopCase kCases[] = {
      {"one_display", {{"DISPLAY", ":0"}}, {{"DISPLAY", ":0"}}, true},
      {"two_screens_of_one_display", {{"DISPLAY", ":0.0"}}, {{"DISPLAY", ":0.1"}}, true},
      {"screen_named_or_not", {{"DISPLAY", ":3"}}, {{"DISPLAY", ":3.0"}}, true},
      {"local_display_written_out", {{"DISPLAY", "unix:2"}}, {{"DISPLAY", ":2"}}, true},
      {"two_displays", {{"DISPLAY", ":0"}}, {{"DISPLAY", ":1"}}, false},
      {"display_10_is_not_1", {{"DISPLAY", ":1"}}, {{"DISPLAY", ":10"}}, false},
      {"another_host", {{"DISPLAY", "far:0"}}, {{"DISPLAY", ":0"}}, false},
      {"dotted_host_screen_named_or_not",
       {{"DISPLAY", "pc.example:1.0"}},
       {{"DISPLAY", "pc.example:1"}},
       true},
      {"hosts_alike_up_to_a_dot",
       {{"DISPLAY", "pc.example:1"}},
       {{"DISPLAY", "pc.other:1"}},
       false},
      {"two_addresses", {{"DISPLAY", "192.168.1.5:0"}}, {{"DISPLAY", "192.168.2.5:0"}}, false},
      {"xwayland_and_native_copy",
       {{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}},
       {{"WAYLAND_DISPLAY", "wayland-0"}},
       true},
      {"two_wayland_sessions",
       {{"WAYLAND_DISPLAY", "wayland-0"}},
       {{"WAYLAND_DISPLAY", "wayland-1"}},
       false},
      {"empty_wayland_display_is_none",
       {{"WAYLAND_DISPLAY", ""}, {"DISPLAY", ":4"}},
       {{"DISPLAY", ":4"}},
       true}};
  ForEachCase(kCases, [](const DesktopCase& c) {
    Environment first = c.first, second = c.second;
    for (Environment* e : {&first, &second}) {
      e->try_emplace("WAYLAND_DISPLAY", std::nullopt);
      e->try_emplace("DISPLAY", std::nullopt);
      (*e)["XDG_RUNTIME_DIR"] = "/run/user/test";
    }
    EXPECT_EQ(LockPathWith(first) == LockPathWith(second), c.same)
        << LockPathWith(first) << " and " << LockPathWith(second);
  });
}

TEST(SharedLock, AWaylandDisplayGivenAsAPathStaysInTheFolder) {
  const std::filesystem::path path =
      LockPathWith({{"XDG_RUNTIME_DIR", "/run/user/test"},
                    {"WAYLAND_DISPLAY", "/run/user/test/sub/wayland-9"},
                    {"DISPLAY", std::nullopt}});
  EXPECT_EQ(path.parent_path(), std::filesystem::path("/run/user/test")) << path;
}

// ---- who holds it ----

TEST(SessionLock, OneHolderAtATime) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath(QStringLiteral("Tallymate 3.1.lock")).toStdString();
  bool unavailable = true;
  const int first = TakeLock(path, &unavailable);
  ASSERT_GE(first, 0);
  EXPECT_FALSE(unavailable);
  EXPECT_EQ(TakeLock(path, &unavailable), -1);
  EXPECT_FALSE(unavailable);

  // Another process finds it held, and takes it once this one lets go.
  const auto child_takes = [&path] {
    return InAnotherProcess([&] { return TakeLock(path) >= 0; });
  };
  EXPECT_FALSE(child_takes());
  close(first);
  EXPECT_TRUE(child_takes());

  EXPECT_EQ(TakeLock(dir.filePath(QStringLiteral("missing/lock")).toStdString(), &unavailable), -1);
  EXPECT_TRUE(unavailable);
}

// A program the copy starts (an editor, a browser) may outlive it: it must not keep the lock, or
// no copy could start again until that program ends.
TEST(SessionLock, IsNotInheritedByAProgramTheCopyStarts) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string path = dir.filePath(QStringLiteral("lock")).toStdString();
  const int fd = TakeLock(path);
  ASSERT_GE(fd, 0);
  // The started program reports its number once it runs, its start (and exec) being over.
  FILE* program = popen("echo $$; exec sleep 120", "r");
  ASSERT_NE(program, nullptr);
  long pid = 0;
  const bool runs = fscanf(program, "%ld", &pid) == 1 && pid > 0;
  close(fd);  // the copy ends; the program it started runs on
  const int again = TakeLock(path);
  EXPECT_TRUE(runs);
  EXPECT_GE(again, 0) << "the started program still holds the lock";
  if (again >= 0) close(again);
  if (runs) kill(static_cast<pid_t>(pid), SIGKILL);
  pclose(program);
}

struct HolderCase {
  const char* name;
  bool folder_exists;
  bool held_elsewhere;
  bool copy_runs;
  // What lies at the lock's name before the copy starts.
  enum Planted { kNothing, kLinkElsewhere, kFileOfAnotherUser } planted = kNothing;
};

// Starts a copy with `c`'s lock folder, holder and planted file, and sees whether it runs.
void ExpectStart(const HolderCase& c) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string runtime = dir.path().toStdString() + (c.folder_exists ? "" : "/no such folder");
  ScopedEnvironment environment(
      {{"XDG_RUNTIME_DIR", runtime}, {"DISPLAY", ":5"}, {"WAYLAND_DISPLAY", std::nullopt}});
  const std::string lock = SessionLockPath();
  const std::string elsewhere = dir.path().toStdString() + "/elsewhere";
  int other = c.held_elsewhere ? TakeLock(lock) : -1;
  if (c.planted == HolderCase::kLinkElsewhere) {
    std::filesystem::create_symlink(elsewhere, lock);
  } else if (c.planted == HolderCase::kFileOfAnotherUser) {
    // Made first by another user, for everyone, and held by that user's process.
    other = open(lock.c_str(), O_RDWR | O_CREAT, 0666);
    ASSERT_GE(other, 0);
    ASSERT_EQ(fchown(other, 65534, 65534), 0);
    ASSERT_EQ(fchmod(other, 0666), 0);
    ASSERT_EQ(flock(other, LOCK_EX | LOCK_NB), 0);
  }
  if (c.held_elsewhere) {
    ASSERT_GE(other, 0);
  }
  EXPECT_EQ(InAnotherProcess(HoldSessionLock), c.copy_runs);
  EXPECT_FALSE(std::filesystem::exists(elsewhere)) << "the planted link was followed";
  if (other >= 0) close(other);
}

// Only a lock held by another running copy stops a start; one that cannot be made lets it run.
TEST(CopyStart, RunsUnlessAnotherCopyHoldsTheLock) {
  const HolderCase kCases[] = {
      {"free_lock", true, false, true},
      {"held_by_another_copy", true, true, false},
      {"lock_cannot_be_made", false, false, true},
      {"link_planted_at_its_name", true, false, true, HolderCase::kLinkElsewhere}};
  ForEachCase(kCases, ExpectStart);
}

// A test of its own: only root can give the file to another user, and a skip must be listed.
TEST(CopyStart, RunsBesideAHeldFileOfAnotherUser) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to give a file to another user";
  ExpectStart({"held_file_of_another_user", true, false, true, HolderCase::kFileOfAnotherUser});
}

// The running copy keeps its lock as long as it runs: every later start ends meanwhile. The
// copies are children: a process that has taken the lock keeps it, and its children would too.
TEST(CopyStart, TheRunningCopyKeepsItsLock) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ScopedEnvironment environment({{"XDG_RUNTIME_DIR", dir.path().toStdString()},
                                 {"DISPLAY", ":6"},
                                 {"WAYLAND_DISPLAY", std::nullopt}});
  int started[2], finish[2];
  ASSERT_EQ(pipe(started), 0);
  ASSERT_EQ(pipe(finish), 0);
  const pid_t running = fork();
  if (running == 0) {
    close(started[0]);
    close(finish[1]);
    const char answer = HoldSessionLock() ? 'y' : 'n';
    if (write(started[1], &answer, 1) != 1) _exit(2);
    char byte = 0;
    _exit(read(finish[0], &byte, 1) >= 0 ? 0 : 1);  // runs until the test closes the pipe
  }
  close(started[1]);
  close(finish[0]);
  char answer = 0;
  ASSERT_EQ(read(started[0], &answer, 1), 1);
  EXPECT_EQ(answer, 'y');
  EXPECT_FALSE(InAnotherProcess(HoldSessionLock));
  EXPECT_FALSE(InAnotherProcess(HoldSessionLock));
  close(finish[1]);
  waitpid(running, nullptr, 0);
  close(started[0]);
  EXPECT_TRUE(InAnotherProcess(HoldSessionLock));
}

}  // namespace
