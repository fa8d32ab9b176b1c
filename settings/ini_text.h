// The text of a settings file: lines of "[Section]" headers and "key=value" pairs.
//
// Pure functions on the whole file text, so that every rule can be checked without a disk.
// Lines end at LF; a CR right before the LF belongs to the line end. Section and key names
// match regardless of ASCII letter case; blanks (spaces and tabs) around names and values
// carry no meaning. A key line belongs to the section opened last above it; key lines above
// the first header belong to no section. A line whose first non-blank character is ';' is a
// comment, and any other line without '=' is kept as it is and otherwise ignored. A UTF-8
// byte order mark at the very start is skipped.
//
// When a section name occurs more than once, or a key more than once within its sections,
// the first occurrence in file order is the one that is read and the one that is written,
// so a value read back after a write is always the value written.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace ini {

// A key of a section, and for writing the value it gets.
struct Entry {
  std::string_view section;
  std::string_view key;
  std::string_view value;  // unused by FindValues
};

// The values of several keys in one pass over the text, in the order asked: for each, the value
// of its key line, blanks around it removed; nothing when there is no such key line.
std::vector<std::optional<std::string>> FindValues(std::string_view text,
                                                   std::span<const Entry> keys);

// `text` with each entry's key in its section set to its value, as if written one after another,
// built in one pass over the text:
// - an existing key line keeps its key spelling, its blanks and its line end; only the value
//   between the blanks is replaced;
// - a new key line goes right after the last key line of the section (so blank lines and
//   comments that close the section stay after it), or right after the header when the
//   section has no keys;
// - a missing section goes at the end of the text, header line then key line.
// New lines end with CR LF. When a new line has to follow a last line that has no line end,
// that line gets a CR LF; apart from that, every byte outside the written lines is kept. A key
// named twice (names compared as everywhere) is written twice, in the order given.
std::string SetValues(std::string_view text, std::span<const Entry> entries);

// ASCII case-insensitive equality of two names.
bool NamesEqual(std::string_view a, std::string_view b);

}  // namespace ini
