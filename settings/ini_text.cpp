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

// A key of a batch, with what the walk over the text found for it.
struct Key {
  std::string_view name;
  std::string_view value;
  std::optional<Span> found;  // the value of the first matching key line
};

struct Section {
  std::string_view name;     // spelled as first named
  std::vector<size_t> keys;  // indices into the batch's keys, in the order written
  bool in_section = false;
  bool first_block = false;
  bool first_block_done = false;
  std::optional<size_t> insert_at;  // where a new key goes: the end of the header or last key line
};

// The keys of a batch, by section.
struct Batch {
  std::vector<Section> sections;
  std::vector<Key> keys;
};

// An edit of the text: [begin, end) replaced by `text`. At one position a replaced value comes
// first (rank 0), then new keys of an existing section (1), then new sections (2), each kind in
// the order written.
struct Edit {
  size_t begin = 0;
  size_t end = 0;
  int rank = 0;
  size_t order = 0;
  std::string text;
};

bool NamesAKeyTwice(std::span<const Entry> entries) {
  for (size_t i = 0; i < entries.size(); ++i) {
    for (size_t j = i + 1; j < entries.size(); ++j) {
      if (NamesEqual(entries[i].section, entries[j].section) &&
          NamesEqual(entries[i].key, entries[j].key))
        return true;
    }
  }
  return false;
}

// The entries by section, in the order first named; each key is named once.
Batch BySection(std::span<const Entry> entries) {
  Batch batch;
  for (const Entry& e : entries) {
    auto section = std::find_if(batch.sections.begin(), batch.sections.end(),
                                [&](const Section& s) { return NamesEqual(s.name, e.section); });
    if (section == batch.sections.end()) {
      batch.sections.emplace_back().name = e.section;
      section = batch.sections.end() - 1;
    }
    section->keys.push_back(batch.keys.size());
    batch.keys.push_back({e.key, e.value, std::nullopt});
  }
  return batch;
}

// One walk over the text for every section of the batch at once: the key lines there are, and
// where new keys go.
void FindKeyLines(std::string_view text, Batch& batch) {
  for (size_t pos = 0; pos < text.size();) {
    Line line = ParseLine(text, pos);
    pos = line.end;
    if (line.kind == Kind::kSection) {
      for (Section& s : batch.sections) {
        if (s.first_block) s.first_block_done = true;
        s.in_section = NamesEqual(View(text, line.name), s.name);
        s.first_block = s.in_section && !s.first_block_done;
        if (s.first_block) s.insert_at = line.end;
      }
    } else if (line.kind == Kind::kKey) {
      for (Section& s : batch.sections) {
        if (!s.in_section) continue;
        if (s.first_block) s.insert_at = line.end;
        for (size_t i : s.keys) {
          Key& key = batch.keys[i];
          if (!key.found && NamesEqual(View(text, line.name), key.name)) key.found = line.value;
        }
      }
    }
  }
}

// The edits that write the batch, in text order.
std::vector<Edit> Edits(std::string_view text, const Batch& batch) {
  std::vector<Edit> edits;
  for (size_t index = 0; index < batch.sections.size(); ++index) {
    const Section& section = batch.sections[index];
    std::string added;
    for (size_t i : section.keys) {
      const Key& key = batch.keys[i];
      if (key.found) {
        edits.push_back({key.found->begin, key.found->end, 0, i, std::string(key.value)});
      } else {
        added.append(key.name).append("=").append(key.value).append(kLineEnd);
      }
    }
    if (added.empty()) continue;
    if (section.insert_at) {
      edits.push_back({*section.insert_at, *section.insert_at, 1, index, std::move(added)});
    } else {
      std::string header = "[" + std::string(section.name) + "]" + std::string(kLineEnd);
      edits.push_back({text.size(), text.size(), 2, index, header + added});
    }
  }
  std::sort(edits.begin(), edits.end(), [](const Edit& a, const Edit& b) {
    if (a.begin != b.begin) return a.begin < b.begin;
    if (a.rank != b.rank) return a.rank < b.rank;
    return a.order < b.order;
  });
  return edits;
}

// A new line that has to follow a last line without line end gives it one.
std::string Apply(std::string_view text, const std::vector<Edit>& edits) {
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
  if (NamesAKeyTwice(entries)) {
    std::string written(text);
    for (const Entry& e : entries) written = SetValues(written, {&e, 1});
    return written;
  }
  Batch batch = BySection(entries);
  FindKeyLines(text, batch);
  return Apply(text, Edits(text, batch));
}

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (Lower(a[i]) != Lower(b[i])) return false;
  }
  return true;
}

}  // namespace ini
