// The settings text rules for one key at a time, written plainly and apart from the program's
// one-pass batch code: the batch must read and write exactly as these do key after key.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ini_one_by_one {

struct Line {
  size_t begin = 0, end = 0;  // end: after the line end
  enum { kOther, kSection, kKey } kind = kOther;
  std::string name;
  size_t value_begin = 0, value_end = 0;  // key lines: the value, blanks removed
};

inline bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

// [from, to) without the blanks at either end.
inline void Trim(std::string_view text, size_t& from, size_t& to) {
  while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
  while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
}

inline std::vector<Line> Lines(std::string_view text) {
  std::vector<Line> lines;
  for (size_t at = 0; at < text.size();) {
    Line line;
    line.begin = at;
    const size_t lf = text.find('\n', at);
    size_t content_end = lf == std::string_view::npos ? text.size() : lf;
    line.end = lf == std::string_view::npos ? text.size() : lf + 1;
    if (lf != std::string_view::npos && lf > at && text[lf - 1] == '\r') --content_end;
    size_t from = at;
    if (at == 0 && text.starts_with("\xEF\xBB\xBF") && content_end >= 3) from = 3;
    size_t to = content_end;
    Trim(text, from, to);
    at = line.end;
    if (from < to && text[from] == '[') {
      const size_t close = text.substr(from, to - from).find(']');
      if (close != std::string_view::npos) {
        size_t name_from = from + 1, name_to = from + close;
        Trim(text, name_from, name_to);
        line.kind = Line::kSection;
        line.name = std::string(text.substr(name_from, name_to - name_from));
      }
    } else if (from < to && text[from] != ';') {
      const size_t eq = text.substr(from, to - from).find('=');
      size_t name_to = eq == std::string_view::npos ? from : from + eq;
      size_t name_from = from;
      Trim(text, name_from, name_to);
      if (eq != std::string_view::npos && name_from < name_to) {
        line.kind = Line::kKey;
        line.name = std::string(text.substr(name_from, name_to - name_from));
        line.value_begin = from + eq + 1;
        line.value_end = to;
        Trim(text, line.value_begin, line.value_end);
      }
    }
    lines.push_back(line);
  }
  return lines;
}

// The value of the first `key` line in any `section` block, blanks removed.
inline std::optional<std::string> FindValue(std::string_view text, std::string_view section,
                                            std::string_view key) {
  bool inside = false;
  for (const Line& line : Lines(text)) {
    if (line.kind == Line::kSection) inside = SameName(line.name, section);
    if (line.kind == Line::kKey && inside && SameName(line.name, key))
      return std::string(text.substr(line.value_begin, line.value_end - line.value_begin));
  }
  return std::nullopt;
}

// `text` with the value of the first `key` line replaced; a new key line after the last key
// line of the section's first block (or its header), or a new section at the end.
inline std::string SetValue(std::string_view text, std::string_view section, std::string_view key,
                            std::string_view value) {
  const std::vector<Line> lines = Lines(text);
  bool inside = false;
  int block = 0;  // 1 while in the section's first block, 2 after it
  const Line* after = nullptr;
  for (const Line& line : lines) {
    if (line.kind == Line::kSection) {
      inside = SameName(line.name, section);
      if (block == 1) block = 2;
      if (inside && block == 0) block = 1;
      if (inside && block == 1) after = &line;
    } else if (line.kind == Line::kKey && inside) {
      if (SameName(line.name, key))
        return std::string(text.substr(0, line.value_begin)) + std::string(value) +
               std::string(text.substr(line.value_end));
      if (block == 1) after = &line;
    }
  }
  const size_t at = after != nullptr ? after->end : text.size();
  std::string out(text.substr(0, at));
  if (!out.empty() && out.back() != '\n') out += "\r\n";
  if (after == nullptr) out += "[" + std::string(section) + "]\r\n";
  out += std::string(key) + "=" + std::string(value) + "\r\n";
  out += text.substr(at);
  return out;
}

}  // namespace ini_one_by_one
