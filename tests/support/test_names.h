// Names and printouts for the cases of table-driven tests, so that a failing case can be read
// in ctest's list and in GoogleTest's "where GetParam() = ..." line.
#pragma once

#include <charconv>
#include <cstdint>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>

namespace test_names {

// Stands for a byte that is no part of a UTF-8 character: kStrayByte + the byte.
constexpr char32_t kStrayByte = 0xDC00;

// Reads the character at `at` and moves past it.
inline char32_t NextCharacter(std::string_view text, size_t& at) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const auto stray = [&] { return byte(at) < 0x80 ? byte(at++) : kStrayByte + byte(at++); };
  const unsigned char lead = byte(at);
  const int length = lead < 0x80             ? 1
                     : (lead & 0xE0) == 0xC0 ? 2
                     : (lead & 0xF0) == 0xE0 ? 3
                     : (lead & 0xF8) == 0xF0 ? 4
                                             : 1;
  if (length == 1 || at + length > text.size()) return stray();
  char32_t c = lead & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if ((byte(at + i) & 0xC0) != 0x80) return stray();
    c = c << 6 | (byte(at + i) & 0x3F);
  }
  at += length;
  return c;
}

// The UTF-8 bytes of one character.
inline std::string Utf8(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | c >> 6);
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | c >> 12);
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | c >> 18);
    out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

inline bool IsCyrillic(char32_t c) {
  return (c >= 0x410 && c <= 0x44F) || c == 0x401 || c == 0x451;
}

// The Latin letters of a Russian letter; the hard and soft signs have none.
inline std::string Transliterated(char32_t c) {
  static const char* const kLower[] = {
      "a", "b", "v", "g", "d", "e",  "zh", "z",  "i",  "y",    "k", "l", "m", "n", "o",  "p",
      "r", "s", "t", "u", "f", "kh", "ts", "ch", "sh", "shch", "",  "y", "",  "e", "yu", "ya"};
  const bool upper = (c >= 0x410 && c <= 0x42F) || c == 0x401;
  std::string letters = c == 0x401 || c == 0x451 ? "yo"
                        : upper                  ? kLower[c - 0x410]
                                                 : kLower[c - 0x430];
  if (upper && !letters.empty()) letters[0] = static_cast<char>(letters[0] - 'a' + 'A');
  return letters;
}

inline bool IsStrayByte(char32_t c) {
  return c >= kStrayByte + 0x80 && c <= kStrayByte + 0xFF;
}

// A word for a character that cannot stand in a test name as itself.
inline std::string CharacterWord(char32_t c) {
  static const std::pair<char32_t, const char*> kWords[] = {
      {0, "nul"},         {'\b', "backspace"}, {'\t', "tab"},       {'\n', "newline"},
      {'\r', "return"},   {27, "escape"},      {127, "delete"},     {' ', "space"},
      {'!', "excl"},      {'"', "dquote"},     {'#', "hash"},       {'$', "dollar"},
      {'%', "percent"},   {'&', "amp"},        {'\'', "quote"},     {'(', "lparen"},
      {')', "rparen"},    {'*', "star"},       {'+', "plus"},       {',', "comma"},
      {'-', "minus"},     {'.', "dot"},        {'/', "slash"},      {':', "colon"},
      {';', "semicolon"}, {'<', "lt"},         {'=', "equals"},     {'>', "gt"},
      {'?', "question"},  {'@', "at"},         {'[', "lbracket"},   {'\\', "backslash"},
      {']', "rbracket"},  {'^', "caret"},      {'_', "underscore"}, {'`', "backtick"},
      {'{', "lbrace"},    {'|', "bar"},        {'}', "rbrace"},     {'~', "tilde"},
      {0xA0, "nbsp"}};
  for (const auto& [character, word] : kWords)
    if (character == c) return word;
  char word[16];
  if (c < 0x20)
    std::snprintf(word, sizeof word, "ctrl_%c", static_cast<char>('A' + c - 1));
  else if (IsStrayByte(c))
    std::snprintf(word, sizeof word, "byte%02X", static_cast<unsigned>(c - kStrayByte));
  else
    std::snprintf(word, sizeof word, "U%04X", static_cast<unsigned>(c));
  return word;
}

// Overrides of CharacterWord for one table; an empty word drops the character.
using Words = std::initializer_list<std::pair<char32_t, const char*>>;

// `text` spelled in the characters of a GoogleTest name ([A-Za-z0-9_], never empty): letters
// and digits stand for themselves, Russian letters are transliterated, a single blank between
// two words becomes "_", and every other character becomes a word of its own ("1,5" gives
// "1_comma_5", "" gives "empty"). For a part of a longer name.
inline std::string Spelled(std::string_view text, Words words = {}) {
  std::string name, run;
  const auto add = [&](const std::string& token) {
    if (token.empty()) return;
    if (!name.empty()) name += '_';
    name += token;
  };
  const auto is_word_character = [](char32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
           IsCyrillic(c);
  };
  char32_t previous = 0;
  for (size_t at = 0; at < text.size();) {
    const char32_t c = NextCharacter(text, at);
    if (is_word_character(c)) {
      run += IsCyrillic(c) ? Transliterated(c) : std::string(1, static_cast<char>(c));
      previous = c;
      continue;
    }
    add(run);
    run.clear();
    size_t next_at = at;
    const bool between_words = c == ' ' && is_word_character(previous) && at < text.size() &&
                               is_word_character(NextCharacter(text, next_at));
    previous = c;
    if (between_words) continue;
    std::string word = CharacterWord(c);
    for (const auto& [character, override_word] : words)
      if (character == c) word = override_word;
    add(word);
  }
  add(run);
  return name.empty() ? "empty" : name;
}

// A whole test name that reads as `text`, as Spelled gives it. A name of digits alone would look
// like GoogleTest's own case numbers, so it is called "digits_...".
inline std::string FromText(std::string_view text, Words words = {}) {
  const std::string name = Spelled(text, words);
  if (name.find_first_not_of("0123456789") == std::string::npos) return "digits_" + name;
  return name;
}

// `text` in double quotes, as typed, with control characters and characters that are neither
// ASCII nor Russian escaped, so that blanks and look-alikes can be told apart.
inline std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (size_t at = 0; at < text.size();) {
    const size_t start = at;
    const char32_t c = NextCharacter(text, at);
    char escaped[16];
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c < 0x20 || c == 0x7F || IsStrayByte(c)) {
      std::snprintf(escaped, sizeof escaped, "\\x%02X", static_cast<unsigned>(c & 0xFF));
      out += escaped;
    } else if (c < 0x80 || IsCyrillic(c)) {
      out.append(text.substr(start, at - start));
    } else {
      std::snprintf(escaped, sizeof escaped, "\\u{%04X}", static_cast<unsigned>(c));
      out += escaped;
    }
  }
  return out + "\"";
}

// The shortest decimal text that reads back as `value`, in C notation ("2.5", "1e+4000").
inline std::string Shortest(long double value) {
  char text[64];
  const auto result = std::to_chars(text, text + sizeof text, value);
  return std::string(text, result.ptr);
}

}  // namespace test_names
