#include "settings/ini_text.h"

#include <cstddef>

namespace ini {
namespace {

constexpr std::string_view kLineEnd = "\r\n";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

char Lower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Positions into the whole text.
struct Span {
  size_t begin = 0;
  size_t end = 0;
};

Span Trim(std::string_view text, Span s) {
  while (s.begin < s.end && IsBlank(text[s.begin])) ++s.begin;
  while (s.end > s.begin && IsBlank(text[s.end - 1])) --s.end;
  return s;
}

enum class Kind { kOther, kSection, kKey };

struct Line {
  size_t begin = 0;
  size_t content_end = 0;  // before the CR LF or LF
  size_t end = 0;          // after the line end; == content_end for a last line without one
  Kind kind = Kind::kOther;
  Span name;   // section or key name, blanks removed
  Span value;  // key lines: the value, blanks removed
};

Line ParseLine(std::string_view text, size_t begin) {
  Line line;
  line.begin = begin;
  size_t lf = text.find('\n', begin);
  if (lf == std::string_view::npos) {
    line.content_end = line.end = text.size();
  } else {
    line.end = lf + 1;
    line.content_end = lf > begin && text[lf - 1] == '\r' ? lf - 1 : lf;
  }
  // A byte order mark, as some editors write it, is not part of the first line's text.
  size_t content_begin = begin;
  if (begin == 0 && text.substr(0, kByteOrderMark.size()) == kByteOrderMark &&
      line.content_end >= kByteOrderMark.size()) {
    content_begin = kByteOrderMark.size();
  }
  Span content = Trim(text, {content_begin, line.content_end});
  if (content.begin == content.end || text[content.begin] == ';') return line;
  if (text[content.begin] == '[') {
    // "[name]" and anything after the bracket; a line without the closing bracket is no header.
    size_t close = text.find(']', content.begin);
    if (close != std::string_view::npos && close < content.end) {
      line.kind = Kind::kSection;
      line.name = Trim(text, {content.begin + 1, close});
    }
    return line;
  }
  size_t eq = text.find('=', content.begin);
  if (eq == std::string_view::npos || eq >= content.end) return line;
  Span name = Trim(text, {content.begin, eq});
  if (name.begin == name.end) return line;
  line.kind = Kind::kKey;
  line.name = name;
  line.value = Trim(text, {eq + 1, content.end});
  return line;
}

std::string_view View(std::string_view text, Span s) {
  return text.substr(s.begin, s.end - s.begin);
}

// Where a key is, or where it would go.
struct Location {
  std::optional<Line> key;        // the first matching key line
  std::optional<Line> insert_at;  // the line the new key follows: last key line or header
};

Location Locate(std::string_view text, std::string_view section, std::string_view key) {
  Location loc;
  bool in_section = false;
  bool first_block = false;  // the first block of the section, where a new key goes
  bool first_block_done = false;
  for (size_t pos = 0; pos < text.size();) {
    Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Kind::kSection) {
      if (first_block) first_block_done = true;
      in_section = NamesEqual(View(text, line.name), section);
      first_block = in_section && !first_block_done;
      if (first_block) loc.insert_at = line;
    } else if (line.kind == Kind::kKey && in_section) {
      if (NamesEqual(View(text, line.name), key)) {
        loc.key = line;
        return loc;
      }
      if (first_block) loc.insert_at = line;
    }
  }
  return loc;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                     std::string_view key) {
  Location loc = Locate(text, section, key);
  if (!loc.key) return std::nullopt;
  return std::string(View(text, loc.key->value));
}

std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                     std::string_view value) {
  Location loc = Locate(text, section, key);
  std::string out;
  out.reserve(text.size() + section.size() + key.size() + value.size() + 8);
  if (loc.key) {
    // An empty value sits right after the blanks that follow '='.
    size_t begin = loc.key->value.begin;
    size_t end = loc.key->value.end;
    out.append(text.substr(0, begin));
    out.append(value);
    out.append(text.substr(end));
    return out;
  }
  std::string key_line = std::string(key) + "=" + std::string(value) + std::string(kLineEnd);
  size_t at = loc.insert_at ? loc.insert_at->end : text.size();
  out.append(text.substr(0, at));
  if (!out.empty() && out.back() != '\n') out.append(kLineEnd);
  if (!loc.insert_at) out.append("[").append(section).append("]").append(kLineEnd);
  out.append(key_line);
  out.append(text.substr(at));
  return out;
}

}  // namespace ini
