// One way to write a table of cases: each case one line of a list, all checked by one function;
// a failure names the case it happened in.
//
//   ForEachCase<ReadCase>({{"5", 5}, {"-5", -5}}, [](const ReadCase& c) { ... });
//   ForEachCase(kTable, [](const Case& c) { ... });
#pragma once

#include <gtest/gtest.h>

#include <concepts>
#include <cstdio>
#include <exception>
#include <initializer_list>
#include <string>
#include <string_view>

namespace cases {

// `text` in double quotes, with control characters escaped, so that blanks, tabs and line ends
// can be told apart in a failure's trace.
inline std::string Quoted(std::string_view text) {
  std::string out = "\"";
  for (const char ch : text) {
    const auto byte = static_cast<unsigned char>(ch);
    if (ch == '"' || ch == '\\') {
      out += '\\';
      out += ch;
    } else if (byte < 0x20 || byte == 0x7F) {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
      out += escaped;
    } else {
      out += ch;
    }
  }
  return out + "\"";
}

// How a failure names its case: the case's `name`, else its `text` quoted, else the case itself
// when it is text, else its line in the table.
template <typename Case>
std::string Describe(const Case& c, size_t line) {
  if constexpr (requires { std::string_view(c.name); }) {
    return std::string(c.name);
  } else if constexpr (requires { std::string_view(c.text); }) {
    return Quoted(c.text);
  } else if constexpr (std::convertible_to<const Case&, std::string_view>) {
    return Quoted(c);
  } else {
    return "case " + std::to_string(line);
  }
}

}  // namespace cases

template <typename Table, typename Check>
void ForEachCase(const Table& table, Check check) {
  size_t line = 0;
  for (const auto& c : table) {
    SCOPED_TRACE(cases::Describe(c, ++line));
    // An exception ends its own case only, and is reported with the case's name: escaping the
    // test body, it would end the remaining cases too and name none.
    try {
      check(c);
    } catch (const std::exception& e) {
      ADD_FAILURE() << "exception thrown: " << e.what();
    }
  }
}

template <typename Case, typename Check>
void ForEachCase(std::initializer_list<Case> table, Check check) {
  ForEachCase<std::initializer_list<Case>, Check>(table, check);
}
