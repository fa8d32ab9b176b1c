// The settings file "Tallymate.ini": whole numbers in sections, read and written by name.
//
// Every read opens the file anew and sees what is on disk at that moment; reading never fails.
// Several keys are best read together (ReadIntegers) and written together (WriteIntegers): the
// file is then read and gone through once, however many keys, in time linear in its size.
// Every write is carried out at once (write-through): the whole new text goes to a temporary
// file beside the settings file, is flushed to disk and renamed over the old file. A reader, a
// crash or a power cut therefore finds either the old or the new file, never a truncated one.
// Several processes may write the file at once (two copies of the program started from one
// folder): each writes a temporary file of its own, the last rename wins whole, and a write
// removes only temporary files whose writer no longer runs.
// Write-through also keeps a handler that fails half-way sound: the keys written before the
// failing write are in the file, the failing one and those after it are not, and every state
// the file passes through is a complete, well-formed file. Nothing is buffered: a store needs no
// closing.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "core/faults.h"
#include "settings/ini_text.h"

// A write that could not be carried out: "Unable to write to <full path>".
class SettingsWriteError : public MessageError {
 public:
  explicit SettingsWriteError(const std::string& path);
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
  explicit SettingsStore(std::string path);

  // The executable's directory (of its real path) followed by "Tallymate.ini", formed anew on
  // each call; the working directory plays no part. Empty when the system cannot tell the
  // executable's path (one longer than it can give).
  static std::string DefaultPath();

  const std::string& Path() const { return path_; }

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

  std::string path_;
};
