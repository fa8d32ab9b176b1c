#include "settings/stored_settings.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_store.h"
#include "tests/settings/temp_dir.h"
#include "tests/support/cases.h"

namespace {

bool Same(const StoredSettings& a, const StoredSettings& b) {
  return a.window_colour == b.window_colour && a.field_colour == b.field_colour &&
         a.slider_minimum == b.slider_minimum && a.slider_maximum == b.slider_maximum &&
         a.calendar_colour == b.calendar_colour && a.tips == b.tips;
}

struct ReadCase {
  const char* name;
  std::string text;  // empty: no file
  StoredSettings expected;
};

StoredSettings Record(int32_t window, int32_t field, int32_t minimum, int32_t maximum,
                      int32_t calendar, bool tips) {
  StoredSettings s;
  s.window_colour = window;
  s.field_colour = field;
  s.slider_minimum = minimum;
  s.slider_maximum = maximum;
  s.calendar_colour = calendar;
  s.tips = tips;
  return s;
}

// A missing key reads as 100, the tips as off.
TEST(ReadRecord, GivesEachKeyOrItsDefault) {
  const ReadCase kCases[] = {
      {"NoFile", "", Record(100, 100, 100, 100, 100, false)},
      {"EveryKey",
       "[Color]\r\nFormColor=-16777200\r\nEdit=16777215\r\n[Trackbar]\r\nmax=500\r\n"
       "min=-3\r\n[Calendar]\r\ncolor=8421376\r\n[var]\r\nc=1\r\n",
       Record(-16777200, 16777215, -3, 500, 8421376, true)},
      {"NamesInAnyCase", "[COLOR]\r\nformcolor=7\r\n[VAR]\r\nC=2\r\n",
       Record(7, 100, 100, 100, 100, true)},
      {"MinimumAndMaximumNotSwapped", "[Trackbar]\r\nmin=1\r\nmax=2\r\n",
       Record(100, 100, 1, 2, 100, false)},
      {"TipsOffAndNoNumbers", "[var]\r\nc=0\r\n[Color]\r\nEdit=blue\r\n",
       Record(100, 100, 100, 100, 100, false)}};
  ForEachCase(kCases, [](const ReadCase& c) {
    TempDir dir;
    const std::string path = dir.File("Tallymate.ini");
    if (!c.text.empty()) WriteBytes(path, c.text);
    const StoredSettings read = ReadStoredSettings(path);
    const StoredSettings& e = c.expected;
    EXPECT_TRUE(Same(read, e)) << read.window_colour << " " << read.field_colour << " "
                               << read.slider_minimum << " " << read.slider_maximum << " "
                               << read.calendar_colour << " " << read.tips;
  });
}

// The tips switch is on for any whole number but 0; what is no whole number leaves it off.
TEST(ReadRecord, TipsAreOnForAnyNonZeroWholeNumber) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  const std::pair<const char*, bool> cases[] = {{"1", true},    {"2", true},   {"-1", true},
                                                {"0x10", true}, {"0", false},  {"0x0", false},
                                                {"", false},    {"abc", false}};
  ForEachCase(cases, [&path](const auto& c) {
    const auto& [value, on] = c;
    WriteBytes(path, std::string("[var]\r\nc=") + value + "\r\n");
    EXPECT_EQ(ReadStoredSettings(path).tips, on) << "value '" << value << "'";
  });
}

TEST(WriteRecord, SettingsWindowThenCloseGiveTheTenLineFile) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  // The settings window's OK writes the tips switch alone.
  WriteStoredSettings(path, Record(1, 2, 3, 4, 5, true), StoredSettings::kTips);
  EXPECT_EQ(ReadBytes(path), "[var]\r\nc=1\r\n");
  // The close writes the other five, colours before the range, maximum before minimum.
  const StoredSettings closing =
      Record(static_cast<int32_t>(0xFF000010u), 0xFFFFFF, 0, 200, 0x808000, false);
  WriteStoredSettings(path, closing, StoredSettings::kAppearance | StoredSettings::kSliderRange);
  EXPECT_EQ(ReadBytes(path),
            "[var]\r\nc=1\r\n[Color]\r\nFormColor=-16777200\r\nEdit=16777215\r\n[Trackbar]\r\n"
            "max=200\r\nmin=0\r\n[Calendar]\r\ncolor=8421376\r\n");
  // What was written reads back, the tips from the settings window's write.
  StoredSettings expected = closing;
  expected.tips = true;
  EXPECT_TRUE(Same(ReadStoredSettings(path), expected));
}

// Files this process writes may grow to `bytes` at most, with SIGXFSZ ignored, so a write past
// it fails (EFBIG) as on a full disk, also for root; the old limit comes back with the object.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) : old_handler_(std::signal(SIGXFSZ, SIG_IGN)) {
    ::getrlimit(RLIMIT_FSIZE, &old_);
    rlimit limit = old_;
    limit.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &old_);
    std::signal(SIGXFSZ, old_handler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit old_{};
  void (*old_handler_)(int);
};

TEST(WriteRecord, AFailedWriteWritesNoneOfTheParts) {
  TempDir dir;
  const std::string path = dir.File("Tallymate.ini");
  const std::string before = "[Color]\r\nEdit=1\r\n";
  WriteBytes(path, before);
  const StoredSettings record = Record(255, 65280, 0, 500, 8421376, true);
  const unsigned all =
      StoredSettings::kAppearance | StoredSettings::kSliderRange | StoredSettings::kTips;
  {
    // Room for a few lines of the new file, not for all its parts.
    const FileSizeLimit limit(before.size() + 8);
    EXPECT_THROW(WriteStoredSettings(path, record, all), SettingsWriteError);
  }
  EXPECT_EQ(ReadBytes(path), before);
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.push_back(entry.path().filename().string());
  }
  EXPECT_EQ(names, std::vector<std::string>{"Tallymate.ini"}) << "a half-written file was left";
  // With the room back, the same write goes through whole.
  WriteStoredSettings(path, record, all);
  EXPECT_TRUE(Same(ReadStoredSettings(path), record));
}

}  // namespace
