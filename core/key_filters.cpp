#include "core/key_filters.h"

#include "core/desktop.h"
#include "core/number_text.h"

namespace {

constexpr char32_t kBackspace = 8;
constexpr char32_t kEnter = 13;

bool PassesBoth(char32_t key) {
  return key == kBackspace || key == kEnter || key == U'-' || (key >= U'0' && key <= U'9');
}

std::optional<char32_t> Refuse(Desktop& desktop, const char* message) {
  desktop.Beep();
  desktop.ShowInformation(message);
  return std::nullopt;
}

}  // namespace

std::optional<char32_t> DecimalKeyFilter(char32_t key, Desktop& desktop) {
  if (PassesBoth(key)) return key;
  // Either key types the separator in force: a comma under Russian settings, and a point where
  // the point separates, so that the text typed can always be read back.
  if (key == U',' || key == U'.') return static_cast<char32_t>(DecimalSeparator());
  return Refuse(desktop, "Вводите только числа!");
}

std::optional<char32_t> IntegerKeyFilter(char32_t key, Desktop& desktop) {
  if (PassesBoth(key)) return key;
  return Refuse(desktop, "Вводите только целые числа!");
}
