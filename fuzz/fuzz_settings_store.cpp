// Any file content, one read and one write of a key: the key reads back as written, and the
// write changed nothing but that key's line (plus, when needed, the line end of a last line,
// and the header of a new section). Then, in memory, a batch of keys read and written in one
// pass gives what they give one by one.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

#include "core/number_text.h"
#include "settings/ini_text.h"
#include "settings/settings_store.h"
#include "tests/settings/ini_one_by_one.h"

namespace {

struct Name {
  const char* section;
  const char* key;
};

// The program's own names, other spellings of them and a stranger.
constexpr Name kNames[] = {
    {"Color", "FormColor"}, {"COLOR", "formcolor"}, {"Color", "Edit"}, {"Trackbar", "max"},
    {"Trackbar", "min"},    {"Calendar", "color"},  {"var", "c"},      {"a", "b"}};

std::string g_dir;

const std::string& Dir() {
  if (g_dir.empty()) {
    // Memory-backed when there is one: every write flushes to disk.
    std::string base = std::filesystem::is_directory("/dev/shm")
                           ? std::string("/dev/shm")
                           : std::filesystem::temp_directory_path().string();
    std::string pattern = base + "/fuzz-settings-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    g_dir = pattern;
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(g_dir, ec);
    });
  }
  return g_dir;
}

std::vector<std::string_view> Lines(std::string_view text) {
  std::vector<std::string_view> lines;
  while (!text.empty()) {
    size_t lf = text.find('\n');
    size_t n = lf == std::string_view::npos ? text.size() : lf + 1;
    lines.push_back(text.substr(0, n));
    text.remove_prefix(n);
  }
  return lines;
}

std::string Upper(std::string_view s) {
  std::string out(s);
  for (char& c : out) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  return Upper(a) == Upper(b);
}

std::string_view Trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

std::string_view WithoutLineEnd(std::string_view line) {
  if (!line.empty() && line.back() == '\n') {
    line.remove_suffix(1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  return line;
}

// A line that names `key` (in any letter case) with `value`.
bool IsKeyLine(std::string_view line, std::string_view key, std::string_view value) {
  line = WithoutLineEnd(line);
  size_t eq = line.find('=');
  return eq != std::string_view::npos && SameName(Trim(line.substr(0, eq)), key) &&
         Trim(line.substr(eq + 1)) == value;
}

void Check(bool ok, const char* what) {
  if (!ok) {
    std::fprintf(stderr, "settings fuzz: %s\n", what);
    std::abort();
  }
}

// Four keys named by the first four bytes, some possibly the same key in another spelling.
void CheckBatch(const uint8_t* data, std::string_view text) {
  static const char* const kValues[] = {"1", "-22", "", "4444"};
  std::vector<ini::Entry> entries;
  for (size_t i = 0; i < 4; ++i) {
    const Name& n = kNames[data[i] % std::size(kNames)];
    entries.push_back({n.section, n.key, kValues[i]});
  }
  std::string one_by_one(text);
  for (const ini::Entry& e : entries)
    one_by_one = ini_one_by_one::SetValue(one_by_one, e.section, e.key, e.value);
  Check(ini::SetValues(text, entries) == one_by_one, "a batch write differs from one by one");
  const auto values = ini::FindValues(text, entries);
  for (size_t i = 0; i < entries.size(); ++i)
    Check(values[i] == ini_one_by_one::FindValue(text, entries[i].section, entries[i].key),
          "a batch read differs from one by one");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  CheckBatch(data, std::string_view(reinterpret_cast<const char*>(data + 5), size - 5));
  const Name& name = kNames[data[0] % std::size(kNames)];
  const int32_t value = static_cast<int32_t>(
      static_cast<uint32_t>(data[1]) | static_cast<uint32_t>(data[2]) << 8 |
      static_cast<uint32_t>(data[3]) << 16 | static_cast<uint32_t>(data[4]) << 24);
  const std::string before(reinterpret_cast<const char*>(data + 5), size - 5);

  const std::string path = Dir() + "/Tallymate.ini";
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << before;
    Check(static_cast<bool>(out.flush()), "cannot write the input file");
  }

  SettingsStore store(path);
  (void)store.ReadInteger(name.section, name.key, 100);
  store.WriteInteger(name.section, name.key, value);  // a writable regular file: must succeed

  std::ifstream in(path, std::ios::binary);
  const std::string after((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  Check(store.ReadInteger(name.section, name.key, value ^ 1) == value, "value does not read back");
  Check(store.ReadInteger(Upper(name.section), Upper(name.key), value ^ 1) == value,
        "value does not read back under another letter case");

  // Set aside the lines both texts share at the start and at the end; what remains is the
  // change, and it must be exactly one of the allowed kinds.
  const std::vector<std::string_view> b = Lines(before);
  const std::vector<std::string_view> a = Lines(after);
  size_t prefix = 0;
  while (prefix < b.size() && prefix < a.size() && b[prefix] == a[prefix]) ++prefix;
  size_t suffix = 0;
  while (suffix < b.size() - prefix && suffix < a.size() - prefix &&
         b[b.size() - 1 - suffix] == a[a.size() - 1 - suffix]) {
    ++suffix;
  }
  std::vector<std::string_view> old_lines(b.begin() + static_cast<ptrdiff_t>(prefix),
                                          b.end() - static_cast<ptrdiff_t>(suffix));
  std::vector<std::string_view> new_lines(a.begin() + static_cast<ptrdiff_t>(prefix),
                                          a.end() - static_cast<ptrdiff_t>(suffix));
  const std::string text = IntegerToText(value);
  const std::string key_line = std::string(name.key) + "=" + text + "\r\n";
  const std::string header = "[" + std::string(name.section) + "]\r\n";

  if (old_lines.empty() && new_lines.empty()) return 0;  // the key already held the value
  if (old_lines.size() == 1 && new_lines.size() == 1) {
    // Replaced in place: same key spelling and blanks up to '=', the new value.
    std::string_view o = old_lines[0];
    std::string_view n = new_lines[0];
    size_t eq = o.find('=');
    Check(eq != std::string_view::npos && n.substr(0, eq + 1) == o.substr(0, eq + 1),
          "replaced line changed before its value");
    Check(IsKeyLine(o, name.key, Trim(WithoutLineEnd(o).substr(eq + 1))) &&
              IsKeyLine(n, name.key, text),
          "replaced line is not the key's line");
    return 0;
  }
  // Added lines; a last line without a line end may have received CR LF first.
  size_t i = 0;
  if (old_lines.size() == 1) {
    Check(old_lines[0].back() != '\n' && !new_lines.empty() &&
              new_lines[0] == std::string(old_lines[0]) + "\r\n",
          "a line other than the key's changed");
    i = 1;
  } else {
    Check(old_lines.empty(), "more than one old line changed");
  }
  std::vector<std::string_view> added(new_lines.begin() + static_cast<ptrdiff_t>(i),
                                      new_lines.end());
  Check((added.size() == 1 && added[0] == key_line) ||
            (added.size() == 2 && added[0] == header && added[1] == key_line),
        "added lines are not the key (and its section)");
  return 0;
}
