// Reading and writing settings files of 1, 10 and 50 MB, for each kind of line a user's file
// may be made of: key lines, lines without '=', and binary garbage. Each size gets the
// start-up's read (six keys in one pass) and the close's write (five keys, one replacement);
// the time per megabyte should stay about the same from size to size.
//
//   bench_settings [directory]    (default: a new directory under /tmp)
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "settings/settings_store.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string Build(const std::string& kind, size_t size) {
  std::string text;
  text.reserve(size + 64);
  if (kind == "garbage") {
    uint64_t state = 88172645463325252ull;
    while (text.size() < size) {
      state ^= state << 13;
      state ^= state >> 7;
      state ^= state << 17;
      text.push_back(static_cast<char>(state));
    }
    return text;
  }
  const std::string line =
      kind == "keys" ? "someKey=some value 12345\r\n" : "a line without an equals sign\r\n";
  while (text.size() < size) text += line;
  return text;
}

double Seconds(Clock::time_point from) {
  return std::chrono::duration<double>(Clock::now() - from).count();
}

}  // namespace

int main(int argc, char** argv) {
  std::string dir;
  if (argc > 1) {
    dir = argv[1];
  } else {
    std::string pattern = "/tmp/bench-settings-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) return 1;
    dir = pattern;
  }
  const std::string path = dir + "/Tallymate.ini";
  std::printf("%-9s %6s %12s %12s %12s %12s\n", "lines", "MB", "read s", "read s/MB", "write s",
              "write s/MB");
  for (const char* kind : {"keys", "no-equals", "garbage"}) {
    for (size_t mb : {1, 10, 50}) {
      {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << Build(kind, mb << 20);
      }
      SettingsStore store(path);
      auto start = Clock::now();
      SettingsInteger read[] = {{"Color", "Formcolor", 100}, {"Color", "Edit", 100},
                                {"Trackbar", "min", 100},    {"Trackbar", "max", 100},
                                {"Calendar", "color", 100},  {"var", "c", 0}};
      store.ReadIntegers(read);
      const double read_s = Seconds(start);
      start = Clock::now();
      const SettingsInteger write[] = {{"Color", "FormColor", 1},
                                       {"Color", "Edit", 2},
                                       {"Trackbar", "max", 3},
                                       {"Trackbar", "min", 4},
                                       {"Calendar", "color", 5}};
      store.WriteIntegers(write);
      const double write_s = Seconds(start);
      const double m = static_cast<double>(mb);
      std::printf("%-9s %6zu %12.3f %12.4f %12.3f %12.4f\n", kind, mb, read_s, read_s / m, write_s,
                  write_s / m);
    }
  }
  if (argc <= 1) std::filesystem::remove_all(dir);
  return 0;
}
