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
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "settings/stored_settings.h"
#include "tests/settings/temp_dir.h"

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

TEST(SettingsWriters, AWriteLeavesTheTemporaryFileOfAWriterThatRuns) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  WriteBytes(path, "[Color]\r\nEdit=1\r\n");
  HeldWriter other(path, 2);
  ASSERT_TRUE(other.held());
  const std::vector<std::string> its_file = Others(dir.path());
  ASSERT_EQ(its_file.size(), 1u);

  EXPECT_NO_THROW(SettingsStore(path).WriteInteger("Color", "Edit", 3));
  EXPECT_EQ(Others(dir.path()), its_file) << "the other writer's temporary file was touched";
  EXPECT_TRUE(other.Finish()) << "the other writer's write failed";
  // Its write began from the file before this one's and ended last: that file, whole.
  EXPECT_EQ(ReadBytes(path), "[Color]\r\nEdit=2\r\n");
  EXPECT_EQ(Others(dir.path()), std::vector<std::string>{});
}

// ---- left-overs: which temporary files a write removes -----------------------------------

// A temporary file's name: the settings file's name and ".tmp", then, each after a dot, the
// writer's boot and process namespace (eight hexadecimal digits), its process number, its start
// and a random part.
struct TempName {
  std::string host, pid, start, random;

  static TempName Parse(const std::string& name) {
    const std::string head = "Tallymate.ini.tmp.";
    TempName t;
    if (name.rfind(head, 0) != 0) return t;
    std::string* fields[] = {&t.host, &t.pid, &t.start, &t.random};
    size_t at = head.size();
    for (std::string* field : fields) {
      const size_t dot = std::min(name.find('.', at), name.size());
      *field = name.substr(at, dot - at);
      at = dot + 1;
    }
    return t;
  }
  std::string Name() const {
    return "Tallymate.ini.tmp." + host + "." + pid + "." + start + "." + random;
  }
};

double BootSeconds() {
  timespec now{};
  ::clock_gettime(CLOCK_BOOTTIME, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// A process started a few clock ticks (the unit of process start times) after `since`, a
// BootSeconds() reading: one that could have been given the number of a process that ended.
class LaterProcess {
 public:
  explicit LaterProcess(double since) {
    const double ticks = 3.0 / static_cast<double>(::sysconf(_SC_CLK_TCK));
    while (BootSeconds() < since + ticks) ::usleep(1000);
    int hold[2];
    if (::pipe(hold) != 0) throw std::runtime_error("pipe");
    std::fflush(nullptr);
    pid_ = ::fork();
    if (pid_ < 0) throw std::runtime_error("fork");
    if (pid_ == 0) {
      ::close(hold[1]);
      char byte = 0;
      while (::read(hold[0], &byte, 1) > 0) {
      }
      ::_exit(0);
    }
    ::close(hold[0]);
    hold_ = hold[1];
  }
  LaterProcess(const LaterProcess&) = delete;
  LaterProcess& operator=(const LaterProcess&) = delete;
  ~LaterProcess() {
    ::close(hold_);
    ::waitpid(pid_, nullptr, 0);
  }
  pid_t pid() const { return pid_; }

 private:
  pid_t pid_ = -1;
  int hold_ = -1;
};

struct LeftoverCase {
  const char* name;
  bool writer_runs;  // held through the write; otherwise killed before it
  enum Change { kAsWritten, kNumberOfALaterProcess, kOtherHost } change;
  bool day_old;
  bool removed;
  // The write that finds the file is another user's than the writer's (who cannot be signalled).
  bool by_another_user = false;
};

void PrintTo(const LeftoverCase& c, std::ostream* os) {
  *os << c.name;
}

class Leftover : public ::testing::TestWithParam<LeftoverCase> {};

TEST_P(Leftover, IsRemovedOnlyWhenItsWriterIsGone) {
  const LeftoverCase& c = GetParam();
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  WriteBytes(path, "[Color]\r\nEdit=1\r\n");
  HeldWriter writer(path, 2);
  const double writer_started_by = BootSeconds();
  ASSERT_TRUE(writer.held());
  ASSERT_EQ(Others(dir.path()).size(), 1u);
  const std::string written = Others(dir.path())[0];
  TempName name = TempName::Parse(written);
  ASSERT_EQ(name.Name(), written) << "not a name these cases know how to change";
  if (!c.writer_runs) writer.Kill();

  std::optional<LaterProcess> later;
  if (c.change == LeftoverCase::kNumberOfALaterProcess) {
    later.emplace(writer_started_by);
    name.pid = std::to_string(later->pid());
  } else if (c.change == LeftoverCase::kOtherHost) {
    char other[9];
    std::snprintf(other, sizeof other, "%08" PRIx32,
                  ~static_cast<uint32_t>(std::strtoul(name.host.c_str(), nullptr, 16)));
    name.host = other;
  }
  const std::string leftover = dir.File(name.Name());
  std::filesystem::rename(dir.File(written), leftover);
  if (c.day_old) {
    const timespec day_ago[2] = {{::time(nullptr) - 24 * 60 * 60, 0},
                                 {::time(nullptr) - 24 * 60 * 60, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, leftover.c_str(), day_ago, 0), 0);
  }

  const auto write = [&] {
    EXPECT_NO_THROW(SettingsStore(path).WriteInteger("Color", "Edit", 3));
    EXPECT_EQ(ReadBytes(path), "[Color]\r\nEdit=3\r\n");
    EXPECT_EQ(Others(dir.path()),
              c.removed ? std::vector<std::string>{} : std::vector<std::string>{name.Name()});
  };
  if (c.by_another_user) {
    ASSERT_EQ(::chmod(path.c_str(), 0666), 0);
    AsUnprivilegedUser(dir.path(), write);
  } else {
    write();
  }
  if (c.writer_runs) {
    // The writer renames the name it made; these cases only age its file.
    EXPECT_TRUE(writer.Finish()) << "the held write failed";
    EXPECT_EQ(ReadBytes(path), "[Color]\r\nEdit=2\r\n");
  }
}

INSTANTIATE_TEST_SUITE_P(
    Writers, Leftover,
    ::testing::Values(
        // A writer that was killed or crashed will never rename its file.
        LeftoverCase{"WriterGone", false, LeftoverCase::kAsWritten, false, true},
        // A running process with the gone writer's number is not the writer: it started later.
        LeftoverCase{"ItsNumberNowAnotherProcesss", false, LeftoverCase::kNumberOfALaterProcess,
                     false, true},
        // A writer that runs may still rename its file, however long it took.
        LeftoverCase{"WriterRunsLong", true, LeftoverCase::kAsWritten, true, false},
        LeftoverCase{"WriterOfAnotherUserRuns", true, LeftoverCase::kAsWritten, true, false, true},
        // Of another machine sharing the folder, another boot or process namespace: its number
        // says nothing here. Only age tells it is a left-over.
        LeftoverCase{"OtherHostRecent", false, LeftoverCase::kOtherHost, false, false},
        LeftoverCase{"OtherHostOld", false, LeftoverCase::kOtherHost, true, true}),
    [](const auto& test_case) { return std::string(test_case.param.name); });

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
