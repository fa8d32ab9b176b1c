// The settings file "Tallymate.ini": whole numbers in sections, read and written by name.
//
// Every read opens the file anew and sees what is on disk at that moment; reading never fails.
// Several keys are best read together (ReadIntegers) and written together (WriteIntegers): the
// file is then read and gone through once, however many keys, in time linear in its size.
// Every write is carried out at once (write-through): the whole new text goes to a temporary
// file beside the settings file, is flushed to disk and renamed over the old file. A reader, a
// crash or a power cut therefore finds either the old or the new file, never a truncated one.
// Several processes may write the file at once (two copies of the program started from one
// folder): they take turns through a lock on the folder, the last rename wins whole, and a write
// removes the temporary files that crashed writers left behind.
// Write-through also keeps a handler that fails half-way sound: the keys written before the
// failing write are in the file, the failing one and those after it are not, and every state
// the file passes through is a complete, well-formed file. Nothing is buffered: a store needs no
// closing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <utility>

#include "core/faults.h"
#include "settings/ini_text.h"

// A write that could not be carried out: "Unable to write to <full path>".
class SettingsWriteError : public MessageError {
 public:
  explicit SettingsWriteError(const std::string& path);
};

// Where the settings of a run are kept.
struct SettingsLocation {
  SettingsLocation() = default;
  // A file alone: read and written, its folder as it is.
  SettingsLocation(std::string file_path, std::string seed_path = {}, bool make = false)
      : file(std::move(file_path)), seed(std::move(seed_path)), make_folder(make) {}

  // The file read and written.
  std::string file;
  // Read in the file's place while the file does not exist, and the text a first write starts
  // from; never written: the starting settings an administrator left beside a program that its
  // users cannot write.
  std::string seed;
  // A write first makes the file's missing folders, for the user alone (mode 0700).
  bool make_folder = false;
};

// A whole-number key: for reading, the default going in and the value read coming out; for
// writing, the value to write.
struct SettingsInteger {
  std::string_view section;
  std::string_view key;
  int32_t value = 0;
};

class SettingsStore {
 public:
  // Touches no file; a missing file is no error. An empty path is no file at all: every key
  // reads as its default and every write fails with "Unable to write to Tallymate.ini".
  explicit SettingsStore(SettingsLocation where);

  // The executable's directory (of its real path) followed by "Tallymate.ini", formed anew on
  // each call; the working directory plays no part. Empty when the system cannot tell the
  // executable's path (one longer than it can give).
  static std::string DefaultPath();

  // Where this run keeps its settings: "Tallymate.ini" beside the executable where the user may
  // write in the executable's folder (a copy unpacked or installed for one user). Otherwise the
  // user's own file, $XDG_CONFIG_HOME/tallymate/Tallymate.ini (~/.config/... where that is unset
  // or not absolute), seeded by the file beside the executable. Chosen once at start-up.
  static SettingsLocation Choose();
  // The same rule for an executable's settings path `beside_executable` (DefaultPath) and the
  // environment's values (null when unset).
  static SettingsLocation Choose(const std::string& beside_executable, const char* config_home,
                                 const char* home);

  const std::string& Path() const { return where_.file; }

  // The value of `key` in `section`; `def` when the file, section or key is missing, the
  // value is empty or is no whole number. "0x"/"0X" followed by at least one character reads
  // the rest as hexadecimal; anything else goes by TextToInteger.
  int32_t ReadInteger(std::string_view section, std::string_view key, int32_t def) const noexcept;

  // ReadInteger for each entry, from one reading of the file.
  void ReadIntegers(std::span<SettingsInteger> entries) const noexcept;

  // Throw SettingsWriteError when the file cannot be written; the file is then unchanged.
  void WriteInteger(std::string_view section, std::string_view key, int32_t value);
  // WriteInteger for each entry in turn, as one replacement of the file: it holds all of them
  // or, when the write fails, none.
  void WriteIntegers(std::span<const SettingsInteger> entries);

 private:
  void WriteValues(std::span<const ini::Entry> entries);

  SettingsLocation where_;
};
