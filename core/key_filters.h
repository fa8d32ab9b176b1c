// The key filters of the numeric fields.
#pragma once

#include <optional>

class Desktop;

// Key filters: the character to insert, or nothing when refused (after a beep and the
// information message, both through `desktop`). `key` is a Unicode code point.
std::optional<char32_t> DecimalKeyFilter(char32_t key, Desktop& desktop);
std::optional<char32_t> IntegerKeyFilter(char32_t key, Desktop& desktop);
