#include "settings/ini_text.h"

#include <algorithm>
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

// The first `c` within `s`, as a position into the whole text.
size_t FindInSpan(std::string_view text, Span s, char c) {
  size_t at = text.substr(s.begin, s.end - s.begin).find(c);
  return at == std::string_view::npos ? at : s.begin + at;
}

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
    // Searches stay inside the line: a long file of lines without ']' or '=' is read in one pass.
    size_t close = FindInSpan(text, content, ']');
    if (close != std::string_view::npos) {
      line.kind = Kind::kSection;
      line.name = Trim(text, {content.begin + 1, close});
    }
    return line;
  }
  size_t eq = FindInSpan(text, content, '=');
  if (eq == std::string_view::npos) return line;
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

// The sections of a batch, each with what one pass over the text found for its keys.
struct Group {
  std::string_view section;     // spelled as first named
  std::vector<size_t> entries;  // indices into the merged entries, in the order written
  bool in_section = false;
  bool first_block = false;
  bool first_block_done = false;
  std::optional<size_t> insert_at;  // where a new key goes: the end of the header or last key line
};

struct Merged {
  std::string_view key;
  std::string_view value;
  size_t group = 0;
  std::optional<Span> found;  // the value of the first matching key line
};

}  // namespace

std::vector<std::optional<std::string>> FindValues(std::string_view text,
                                                   std::span<const Entry> keys) {
  std::vector<std::optional<std::string>> values(keys.size());
  std::vector<bool> in_section(keys.size(), false);
  size_t missing = keys.size();
  for (size_t pos = 0; pos < text.size() && missing > 0;) {
    Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Kind::kSection) {
      for (size_t i = 0; i < keys.size(); ++i)
        in_section[i] = NamesEqual(View(text, line.name), keys[i].section);
    } else if (line.kind == Kind::kKey) {
      for (size_t i = 0; i < keys.size(); ++i) {
        if (in_section[i] && !values[i] && NamesEqual(View(text, line.name), keys[i].key)) {
          values[i] = std::string(View(text, line.value));
          --missing;
        }
      }
    }
  }
  return values;
}

std::string SetValues(std::string_view text, std::span<const Entry> entries) {
  // A key named twice is written twice, one write after the other: an earlier empty value can
  // move where the later one goes (the blanks after it become the line's trailing blanks).
  for (size_t i = 0; i < entries.size(); ++i) {
    for (size_t j = i + 1; j < entries.size(); ++j) {
      if (!NamesEqual(entries[i].section, entries[j].section) ||
          !NamesEqual(entries[i].key, entries[j].key))
        continue;
      std::string written(text);
      for (const Entry& e : entries) written = SetValues(written, {&e, 1});
      return written;
    }
  }

  std::vector<Group> groups;
  std::vector<Merged> merged;
  for (const Entry& e : entries) {
    auto same = std::find_if(merged.begin(), merged.end(), [&](const Merged& m) {
      return NamesEqual(groups[m.group].section, e.section) && NamesEqual(m.key, e.key);
    });
    if (same != merged.end()) {
      same->value = e.value;
      continue;
    }
    auto group = std::find_if(groups.begin(), groups.end(),
                              [&](const Group& g) { return NamesEqual(g.section, e.section); });
    if (group == groups.end()) {
      groups.emplace_back();
      groups.back().section = e.section;
      group = groups.end() - 1;
    }
    const size_t g = static_cast<size_t>(group - groups.begin());
    groups[g].entries.push_back(merged.size());
    merged.push_back({e.key, e.value, g, std::nullopt});
  }

  // One walk for every section of the batch at once.
  for (size_t pos = 0; pos < text.size();) {
    Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Kind::kSection) {
      for (Group& g : groups) {
        if (g.first_block) g.first_block_done = true;
        g.in_section = NamesEqual(View(text, line.name), g.section);
        g.first_block = g.in_section && !g.first_block_done;
        if (g.first_block) g.insert_at = line.end;
      }
    } else if (line.kind == Kind::kKey) {
      for (Group& g : groups) {
        if (!g.in_section) continue;
        if (g.first_block) g.insert_at = line.end;
        for (size_t i : g.entries) {
          if (!merged[i].found && NamesEqual(View(text, line.name), merged[i].key))
            merged[i].found = line.value;
        }
      }
    }
  }

  // Edits in text order; at one position a replaced value comes first, then new keys of an
  // existing section, then new sections, each kind in the order written.
  struct Edit {
    size_t begin = 0;
    size_t end = 0;
    int rank = 0;
    size_t order = 0;
    std::string text;
  };
  std::vector<Edit> edits;
  for (size_t g = 0; g < groups.size(); ++g) {
    std::string added;
    for (size_t i : groups[g].entries) {
      const Merged& m = merged[i];
      if (m.found) {
        edits.push_back({m.found->begin, m.found->end, 0, i, std::string(m.value)});
      } else {
        added.append(m.key).append("=").append(m.value).append(kLineEnd);
      }
    }
    if (added.empty()) continue;
    if (groups[g].insert_at) {
      edits.push_back({*groups[g].insert_at, *groups[g].insert_at, 1, g, std::move(added)});
    } else {
      std::string section = "[" + std::string(groups[g].section) + "]" + std::string(kLineEnd);
      edits.push_back({text.size(), text.size(), 2, g, section + added});
    }
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    if (a.begin != b.begin) return a.begin < b.begin;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.order < b.order;
  });

  std::string out;
  size_t extra = 0;
  for (const Edit& e : edits) extra += e.text.size() + kLineEnd.size();
  out.reserve(text.size() + extra);
  size_t cursor = 0;
  for (const Edit& e : edits) {
    out.append(text.substr(cursor, e.begin - cursor));
    if (e.rank != 0 && !out.empty() && out.back() != '\n') out.append(kLineEnd);
    out.append(e.text);
    cursor = e.end;
  }
  out.append(text.substr(cursor));
  return out;
}

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace ini
