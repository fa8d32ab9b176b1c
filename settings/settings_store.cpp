#include "settings/settings_store.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <random>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/installed_files.h"
#include "core/number_text.h"
#include "settings/ini_text.h"

namespace {

constexpr std::string_view kFileName = "Tallymate.ini";

// A temporary file is named after the settings file, "<settings file name>.tmp" and six letters
// or digits. A write holds a lock on the settings folder from making its temporary file to
// cleaning up after the rename, so a temporary file seen under the lock belongs to no write in
// progress: it is a left-over of a writer that crashed or was killed. The previous version named
// its writer after the mark (".tmp.<host>.<pid>.<start>.<six letters>"); those are left-overs too.
constexpr std::string_view kTempMark = ".tmp";
constexpr size_t kTempLetters = 6;
constexpr std::string_view kLetters =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
// Where the folder cannot be locked (a file system without locks), a temporary file may be
// another writer's in progress: it is a left-over only when it is this old, which no write
// takes, even on a slow network folder.
constexpr time_t kUnlockedLeftoverAge = 60 * 60;
// Another copy's write holds the folder for moments; one that holds it longer has stopped.
constexpr int kLockWaitMs = 5000;

class FileHandle {
 public:
  explicit FileHandle(int fd = -1) : fd_(fd) {}
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  int get() const { return fd_; }
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  // Closes now and tells whether the close succeeded (it can report a failed write-back).
  bool Close() {
    int fd = std::exchange(fd_, -1);
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_;
};

// Reads a whole regular file; nothing (with errno set) when it cannot.
std::optional<std::string> ReadAll(int fd) {
  std::string text;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && st.st_size > 0) text.reserve(static_cast<size_t>(st.st_size));
  char buffer[65536];
  for (;;) {
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      return std::nullopt;
    }
    if (n == 0) return text;
    text.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteAll(int fd, std::string_view data) {
  while (!data.empty()) {
    ssize_t n = ::write(fd, data.data(), data.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Opens for reading without blocking on a FIFO and without following into anything but a
// regular file's content.
int OpenForReading(const std::string& path) {
  return ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
}

std::optional<std::string> ReadRegularFile(const std::string& path) {
  FileHandle fd(OpenForReading(path));
  if (fd.get() < 0) return std::nullopt;
  struct stat st {};
  if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  return ReadAll(fd.get());
}

// Names end up between brackets or before '=' in a line of their own; anything that would
// change how the line reads back is a programming error.
void CheckName(std::string_view name) {
  auto blank = [](char c) { return c == ' ' || c == '\t'; };
  if (name.empty() || blank(name.front()) || blank(name.back()) || name.front() == ';' ||
      name.find_first_of("\r\n=[]") != std::string_view::npos) {
    throw std::invalid_argument("bad settings name: " + std::string(name));
  }
}

std::string DirectoryOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Whether nothing is at `path`, not even a dangling link.
bool Missing(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// Makes `folder` and its missing parents, for the user alone.
bool MakeFolders(const std::string& folder) {
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    if (end == std::string::npos) break;
  }
  struct stat st {};
  return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string BaseNameOf(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Writes go to the file a symbolic link points to, so the link stays a link.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      std::string target = real;
      std::free(real);
      return target;
    }
  }
  return path;
}

bool IsRandomPart(std::string_view text) {
  return text.size() == kTempLetters && text.find_first_not_of(kLetters) == std::string_view::npos;
}

// Whether a folder entry is a temporary file of writes to `base`: the mark and the random part,
// or the previous version's mark, four fields and the random part.
bool IsTempName(std::string_view name, std::string_view base) {
  if (name.substr(0, base.size()) != base) return false;
  name.remove_prefix(base.size());
  if (name.substr(0, kTempMark.size()) != kTempMark) return false;
  name.remove_prefix(kTempMark.size());
  if (IsRandomPart(name)) return true;
  if (std::count(name.begin(), name.end(), '.') != 4 || name.front() != '.') return false;
  return IsRandomPart(name.substr(name.rfind('.') + 1));
}

std::string TempName(const std::string& target) {
  static std::mt19937 random{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, kLetters.size() - 1);
  std::string name = target + std::string(kTempMark);
  for (size_t i = 0; i < kTempLetters; ++i) name += kLetters[pick(random)];
  return name;
}

// The settings folder, opened for the write: locked where the file system allows, so that
// writers of the same file (two copies closing together) take turns.
class WriteFolder {
 public:
  enum Lock { kHeld, kBusy, kNone };

  explicit WriteFolder(const std::string& dir)
      : fd_(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
    if (fd_.get() < 0) return;
    for (int waited = 0;; waited += 10) {
      if (::flock(fd_.get(), LOCK_EX | LOCK_NB) == 0) {
        lock_ = kHeld;
        return;
      }
      if (errno == EINTR) continue;
      if (errno != EWOULDBLOCK) return;  // no locks here: the age rule instead
      if (waited >= kLockWaitMs) {
        lock_ = kBusy;
        return;
      }
      ::usleep(10 * 1000);
    }
  }

  Lock lock() const { return lock_; }

  // Makes the rename durable, as far as the folder allows. The new settings are in place and
  // every reader sees them whatever this gives.
  void Sync() const {
    if (fd_.get() >= 0) ::fsync(fd_.get());
  }

  // Removes the temporary files of writes that will never complete: under the lock every one,
  // otherwise only old ones.
  void RemoveLeftovers(const std::string& dir, const std::string& base) const {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(d)) {
      if (!IsTempName(entry->d_name, base)) continue;
      struct stat st {};
      if (lock_ == kHeld || (::fstatat(::dirfd(d), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                             now - st.st_mtime > kUnlockedLeftoverAge)) {
        ::unlinkat(::dirfd(d), entry->d_name, 0);
      }
    }
    ::closedir(d);
  }

 private:
  FileHandle fd_;
  Lock lock_ = kNone;
};

// Replaces `target` with `text` so that the file is at every moment either complete old or
// complete new content: temporary file, flush, rename. `old` is the replaced file's status,
// or null for a new file. False when the new file is not in place; the old file is then
// untouched.
bool ReplaceFile(const std::string& target, std::string_view text, const struct stat* old) {
  const std::string dir = DirectoryOf(target);
  const WriteFolder folder(dir);
  // Another writer holds the folder and does not let go: writing beside it could lose its file.
  if (folder.lock() == WriteFolder::kBusy) return false;
  std::string temp;
  FileHandle fd;
  for (int attempt = 0; attempt < 100 && fd.get() < 0; ++attempt) {
    temp = TempName(target);
    // A new file gets the usual 0666 less the umask; a replaced one its old bits below.
    fd.Reset(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
    if (fd.get() < 0 && errno != EEXIST) return false;
  }
  if (fd.get() < 0) return false;

  bool ok = WriteAll(fd.get(), text);
  if (ok && old != nullptr) {
    // Keeping the owner only works for a privileged writer; the bits always.
    [[maybe_unused]] int ignored = ::fchown(fd.get(), old->st_uid, old->st_gid);
    ok = ::fchmod(fd.get(), old->st_mode & 07777) == 0;
  }
  ok = ok && ::fsync(fd.get()) == 0;
  ok = fd.Close() && ok;
  ok = ok && ::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) {
    ::unlink(temp.c_str());
    return false;
  }
  folder.Sync();
  folder.RemoveLeftovers(dir, BaseNameOf(target));
  return true;
}

// A value's text as a whole number: "0x"/"0X" and at least one more character is hexadecimal,
// anything else goes by TextToInteger; nothing when missing, empty or refused.
std::optional<int32_t> ParseInteger(const std::optional<std::string>& value) {
  if (!value || value->empty()) return std::nullopt;
  std::string text = *value;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    // Hexadecimal from the third character: the same digits and limits as "$".
    text = "$" + text.substr(2);
  }
  try {
    return TextToInteger(text);
  } catch (...) {
    return std::nullopt;
  }
}

}  // namespace

SettingsWriteError::SettingsWriteError(const std::string& path)
    : MessageError("Unable to write to " + path) {}

SettingsStore::SettingsStore(SettingsLocation where) : where_(std::move(where)) {}

std::string SettingsStore::DefaultPath() {
  // Without the executable's own folder there is no settings file: the working folder may hold
  // anybody's "Tallymate.ini".
  const std::string folder = ExecutableFolder();
  return folder.empty() ? std::string() : folder + '/' + std::string(kFileName);
}

SettingsLocation SettingsStore::Choose() {
  const char* home = std::getenv("HOME");
  std::string account_home;
  if (home == nullptr || home[0] != '/') {
    // Started without a HOME (a service, su without -): the account's own folder.
    if (const passwd* account = ::getpwuid(::getuid()); account && account->pw_dir) {
      account_home = account->pw_dir;
      home = account_home.c_str();
    }
  }
  return Choose(DefaultPath(), std::getenv("XDG_CONFIG_HOME"), home);
}

SettingsLocation SettingsStore::Choose(const std::string& beside_executable,
                                       const char* config_home, const char* home) {
  // The replacement writes a temporary file beside the settings file: a writable file in a
  // folder the user cannot write could never be replaced.
  if (!beside_executable.empty() &&
      ::access(DirectoryOf(beside_executable).c_str(), W_OK | X_OK) == 0) {
    return {beside_executable};
  }
  std::string config;
  if (config_home != nullptr && config_home[0] == '/') {
    config = config_home;
  } else if (home != nullptr && home[0] == '/') {
    config = std::string(home) + "/.config";
  } else {
    return {beside_executable};  // nowhere of the user's own: as the executable's folder allows
  }
  return {config + "/tallymate/" + std::string(kFileName), beside_executable, true};
}

int32_t SettingsStore::ReadInteger(std::string_view section, std::string_view key,
                                   int32_t def) const noexcept {
  SettingsInteger entry{section, key, def};
  ReadIntegers({&entry, 1});
  return entry.value;
}

void SettingsStore::ReadIntegers(std::span<SettingsInteger> entries) const noexcept {
  try {
    if (where_.file.empty()) return;
    std::optional<std::string> text = ReadRegularFile(where_.file);
    if (!text && !where_.seed.empty() && Missing(where_.file)) text = ReadRegularFile(where_.seed);
    if (!text) return;
    std::vector<ini::Entry> keys;
    keys.reserve(entries.size());
    for (const SettingsInteger& e : entries) keys.push_back({e.section, e.key, {}});
    const std::vector<std::optional<std::string>> values = ini::FindValues(*text, keys);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (std::optional<int32_t> number = ParseInteger(values[i])) entries[i].value = *number;
    }
  } catch (...) {
    // Out of memory for a huge file: reading never fails, every key keeps its default.
  }
}

void SettingsStore::WriteInteger(std::string_view section, std::string_view key, int32_t value) {
  const SettingsInteger entry{section, key, value};
  WriteIntegers({&entry, 1});
}

void SettingsStore::WriteIntegers(std::span<const SettingsInteger> entries) {
  std::vector<std::string> texts;
  texts.reserve(entries.size());
  for (const SettingsInteger& e : entries) texts.push_back(IntegerToText(e.value));
  std::vector<ini::Entry> values;
  values.reserve(entries.size());
  for (size_t i = 0; i < entries.size(); ++i)
    values.push_back({entries[i].section, entries[i].key, texts[i]});
  WriteValues(values);
}

void SettingsStore::WriteValues(std::span<const ini::Entry> entries) {
  const std::string& path = where_.file;
  if (path.empty()) throw SettingsWriteError(std::string(kFileName));
  for (const ini::Entry& e : entries) {
    CheckName(e.section);
    CheckName(e.key);
  }
  const std::string target = WriteTarget(path);

  std::string old_text;
  struct stat old {};
  bool exists = false;
  {
    FileHandle fd(OpenForReading(target));
    if (fd.get() < 0) {
      if (errno != ENOENT) throw SettingsWriteError(path);
      if (where_.make_folder && !MakeFolders(DirectoryOf(target))) throw SettingsWriteError(path);
      // The user's first file starts as the settings they have been reading.
      if (!where_.seed.empty()) old_text = ReadRegularFile(where_.seed).value_or(std::string());
    } else {
      exists = true;
      // Only a regular file the user may write is replaced: a read-only file stays read-only
      // even for a user whom permissions do not stop, and a file that cannot be read would
      // lose its other lines.
      if (::fstat(fd.get(), &old) != 0 || !S_ISREG(old.st_mode) || (old.st_mode & S_IWUSR) == 0 ||
          ::access(target.c_str(), W_OK) != 0) {
        throw SettingsWriteError(path);
      }
      std::optional<std::string> text = ReadAll(fd.get());
      if (!text) throw SettingsWriteError(path);
      old_text = std::move(*text);
    }
  }

  std::string new_text = ini::SetValues(old_text, entries);
  if (!ReplaceFile(target, new_text, exists ? &old : nullptr)) throw SettingsWriteError(path);
}
