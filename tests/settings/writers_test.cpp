// Several processes writing one settings file at once, as two copies of the program started
// from one folder do when they close together: no write removes the temporary file of another
// writer that still runs, the left-overs of writers that are gone still go, and the file is at
// every moment one whole write.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "settings/settings_store.h"
#include "settings/stored_settings.h"
#include "tests/settings/temp_dir.h"
#include "tests/support/cases.h"

namespace {

// Set in a held writer (below): its write reports here that the temporary file is complete,
// then waits for the end of `g_held_go` before the rename.
int g_held_ready = -1;
int g_held_go = -1;

}  // namespace

// This program's rename stands in front of the C library's.
extern "C" int rename(const char* from, const char* to) noexcept {
  static const auto real =
      reinterpret_cast<int (*)(const char*, const char*)>(::dlsym(RTLD_NEXT, "rename"));
  if (g_held_ready >= 0) {
    char byte = 'r';
    (void)!::write(g_held_ready, &byte, 1);
    (void)!::read(g_held_go, &byte, 1);
  }
  return real(from, to);
}

namespace {

// The names in `dir` other than the settings file.
std::vector<std::string> Others(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    const std::string name = entry.path().filename().string();
    if (name != "Tallymate.ini") names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Another process in the middle of writing "Color" / "Edit": its temporary file complete, its
// rename not yet made, until it is finished or killed.
class HeldWriter {
 public:
  HeldWriter(const std::string& path, int32_t value) {
    int ready[2], go[2];
    if (::pipe(ready) != 0 || ::pipe(go) != 0) throw std::runtime_error("pipe");
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::close(ready[0]);
      ::close(go[1]);
      g_held_ready = ready[1];
      g_held_go = go[0];
      int code = 0;
      try {
        SettingsStore(path).WriteInteger("Color", "Edit", value);
      } catch (...) {
        code = 1;
      }
      ::_exit(code);
    }
    ::close(ready[1]);
    ::close(go[0]);
    go_ = go[1];
    char byte = 0;
    held_ = ::read(ready[0], &byte, 1) == 1;  // nothing: the write failed before its rename
    ::close(ready[0]);
  }
  HeldWriter(const HeldWriter&) = delete;
  HeldWriter& operator=(const HeldWriter&) = delete;
  ~HeldWriter() {
    if (pid_ > 0) Kill();
    if (go_ >= 0) ::close(go_);
  }

  bool held() const { return held_; }

  // Lets the write go on to its end; true when it succeeded.
  bool Finish() {
    // A byte rather than the pipe's end: a process forked meanwhile holds a copy of this end.
    const char byte = 'g';
    (void)!::write(go_, &byte, 1);
    ::close(go_);
    go_ = -1;
    return Wait() == 0;
  }

  void Kill() {
    ::kill(pid_, SIGKILL);
    Wait();
  }

 private:
  int Wait() {
    int status = 0;
    const pid_t waited = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }

  pid_t pid_ = -1;
  int go_ = -1;
  bool held_ = false;
};

// Writers of one file take turns: a write that finds another in progress (here held just before
// its rename) waits for it, removes nothing of it, and comes after it, whoever either writer is.
TEST(SettingsWriters, AWriteWaitsForAWriterThatRuns) {
  for (const bool another_user : {false, true}) {
    SCOPED_TRACE(another_user ? "the waiting write is another user's" : "one user's writes");
    TempDir dir;
    const std::string path = dir.File("Tallymate.ini");
    WriteBytes(path, "[Color]\r\nEdit=1\r\n");
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    HeldWriter other(path, 2);
    ASSERT_TRUE(other.held());
    // Let go of the other writer a while after this write has begun.
    bool finished = false;
    std::thread later([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      finished = other.Finish();
    });
    const auto write = [&] {
      EXPECT_NO_THROW(SettingsStore(path).WriteInteger("Color", "Edit", 3));
    };
    if (another_user) {
      AsUnprivilegedUser(dir.path(), write);
    } else {
      write();
    }
    later.join();
    EXPECT_TRUE(finished) << "the other writer's write failed";
    EXPECT_EQ(ReadBytes(path), "[Color]\r\nEdit=3\r\n");
    EXPECT_EQ(Others(dir.path()), std::vector<std::string>{});
  }
}

// ---- left-overs: which temporary files a write removes -----------------------------------

// The file system gives no locks (flock fails) while set.
bool g_no_locks = false;

}  // namespace

// Named as the C library's function, which shares its name with the lock structure.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wshadow"
extern "C" int flock(int fd, int operation) noexcept {
  if (g_no_locks) {
    errno = ENOLCK;
    return -1;
  }
  static const auto real = reinterpret_cast<int (*)(int, int)>(::dlsym(RTLD_NEXT, "flock"));
  return real(fd, operation);
}
#pragma GCC diagnostic pop

namespace {

struct LeftoverCase {
  const char* name;
  bool folder_locks;
  bool day_old;
  bool removed;
};

// A writer killed just before its rename leaves its temporary file: the next write removes it
// where it holds the folder's lock; without locks, only once no write could take that long.
TEST(Leftover, IsRemovedUnderTheLockOrOnceOld) {
  const LeftoverCase kCases[] = {{"Locked", true, false, true},
                                 {"NoLocksRecent", false, false, false},
                                 {"NoLocksOld", false, true, true}};
  ForEachCase(kCases, [](const LeftoverCase& c) {
    TempDir dir;
    const std::string path = dir.File("Tallymate.ini");
    WriteBytes(path, "[Color]\r\nEdit=1\r\n");
    std::vector<std::string> leftover;
    {
      HeldWriter writer(path, 2);
      ASSERT_TRUE(writer.held());
      writer.Kill();
      leftover = Others(dir.path());
      ASSERT_EQ(leftover.size(), 1u);
    }
    if (c.day_old) {
      const timespec day_ago[2] = {{::time(nullptr) - 24 * 60 * 60, 0},
                                   {::time(nullptr) - 24 * 60 * 60, 0}};
      ASSERT_EQ(::utimensat(AT_FDCWD, dir.File(leftover[0]).c_str(), day_ago, 0), 0);
    }
    g_no_locks = !c.folder_locks;
    EXPECT_NO_THROW(SettingsStore(path).WriteInteger("Color", "Edit", 3));
    g_no_locks = false;
    EXPECT_EQ(ReadBytes(path), "[Color]\r\nEdit=3\r\n");
    EXPECT_EQ(Others(dir.path()), c.removed ? std::vector<std::string>{} : leftover);
  });
}

// ---- the race of two copies closing together ---------------------------------------------

std::string RecordText(int32_t value, bool tips) {
  const std::string v = std::to_string(value);
  std::string text = "[Color]\r\nFormColor=" + v + "\r\nEdit=" + v + "\r\n[Trackbar]\r\nmax=" + v +
                     "\r\nmin=" + v + "\r\n[Calendar]\r\ncolor=" + v +
                     "\r\n[var]\r\nc=" + (tips ? "1" : "0") + "\r\n[Other]\r\n";
  // Lines of no interest to the program, so that each write takes a moment.
  for (int i = 0; i < 200; ++i) text += "line" + std::to_string(i) + "=kept as it is\r\n";
  return text;
}

StoredSettings Record(int32_t value, bool tips) {
  StoredSettings s;
  s.window_colour = s.field_colour = s.slider_minimum = s.slider_maximum = s.calendar_colour =
      value;
  s.tips = tips;
  return s;
}

int Rounds() {
  const char* rounds = std::getenv("TALLYMATE_WRITER_ROUNDS");  // scripts/settings_race.sh
  return rounds != nullptr ? std::atoi(rounds) : 200;
}

TEST(SettingsWriters, TwoProcessesWritingTogetherNeverFailAndLeaveOneWholeFile) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  WriteBytes(path, RecordText(0, false));
  const StoredSettings records[] = {Record(1111, true), Record(-2222, false)};
  const std::string first = RecordText(1111, true), second = RecordText(-2222, false);
  const std::set<std::string> whole = {RecordText(0, false), first, second};
  const unsigned all =
      StoredSettings::kAppearance | StoredSettings::kSliderRange | StoredSettings::kTips;
  const int rounds = Rounds();

  int start[2];
  ASSERT_EQ(::pipe(start), 0);
  std::fflush(nullptr);
  std::vector<pid_t> writers;
  for (const StoredSettings& record : records) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      ::close(start[1]);
      char byte = 0;
      (void)!::read(start[0], &byte, 1);  // both begin together
      int failed = 0;
      for (int i = 0; i < rounds; ++i) {
        try {
          WriteStoredSettings(path, record, all);
        } catch (...) {
          ++failed;
        }
      }
      ::_exit(std::min(failed, 100));
    }
    writers.push_back(pid);
  }
  ::close(start[0]);
  ::close(start[1]);

  // Meanwhile every reading finds one whole file.
  int reads = 0, bad_reads = 0;
  std::vector<int> failures(writers.size(), -1);
  for (size_t running = writers.size(); running > 0;) {
    const std::optional<std::string> text = ReadBytes(path);
    ++reads;
    if (!text || whole.count(*text) == 0) ++bad_reads;
    for (size_t i = 0; i < writers.size(); ++i) {
      int status = 0;
      if (failures[i] == -1 && ::waitpid(writers[i], &status, WNOHANG) == writers[i]) {
        failures[i] = WIFEXITED(status) ? WEXITSTATUS(status) : 1000;
        --running;
      }
    }
  }
  EXPECT_EQ(bad_reads, 0) << "of " << reads << " readings, torn, mixed or missing";
  EXPECT_EQ(failures, (std::vector<int>{0, 0}))
      << "writes that failed in each writer of " << rounds << " (1000: it died)";
  const std::optional<std::string> last = ReadBytes(path);
  EXPECT_TRUE(last == first || last == second) << "the file is not one writer's whole record";
  EXPECT_EQ(Others(dir.path()), std::vector<std::string>{});
  RecordProperty("rounds_per_writer", rounds);
  RecordProperty("readings", reads);
}

}  // namespace
