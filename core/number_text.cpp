#include "core/number_text.h"

#include <string_view>

#include "core/decimal_float.h"

namespace {

char g_decimal_separator = ',';

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Both readers begin alike: blanks (spaces only), then at most one sign with no blank after it.
// Moves `i` past them and tells whether the sign was "-".
bool SkipBlanksAndSign(const std::string& text, size_t& i) {
  while (i < text.size() && text[i] == ' ') ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) return text[i++] == '-';
  return false;
}

[[noreturn]] void InvalidNumber(const std::string& text) {
  throw ConversionError("'" + text + "' is not a valid floating point value");
}

[[noreturn]] void InvalidInteger(const std::string& text) {
  throw ConversionError("'" + text + "' is not a valid integer value");
}

// Exponent digits are read only while the exponent stays below this; a further digit is
// left over and makes the text invalid.
constexpr int kExponentReadLimit = 500;

constexpr uint64_t kTen14 = 100'000'000'000'000;
constexpr uint64_t kTen15 = 1'000'000'000'000'000;

// A value rounded to 15 significant digits: magnitude 0.D * 10^N, D without trailing zeros.
struct Rounded15 {
  std::string digits;
  int n;
  bool operator==(const Rounded15&) const = default;
};

Rounded15 RoundTo15(long double magnitude) {
  const decimal_float::Digits18 d18 = decimal_float::ToDigits18(magnitude);
  int n = d18.exponent + 18;
  // The cut looks at the 16th digit alone, so 0,1000000000000025 goes up at the 15th.
  uint64_t d15 = d18.digits / 1000;
  if ((d18.digits / 100) % 10 >= 5) {
    ++d15;
    if (d15 == kTen15) {
      d15 = kTen14;
      ++n;
    }
  }
  while (d15 % 10 == 0) d15 /= 10;
  return {std::to_string(d15), n};
}

// The smallest normal value's rendering. A denormal value that rounds to the same 15 digits
// renders like it, so that the text reads back and renders the same again.
const Rounded15& SmallestNormalRounded() {
  static const Rounded15 rounded = RoundTo15(LDBL_MIN);
  return rounded;
}

}  // namespace

void SetDecimalSeparator(char separator) {
  g_decimal_separator = separator;
}
char DecimalSeparator() {
  return g_decimal_separator;
}

long double TextToNumber(const std::string& text) {
  const char separator = DecimalSeparator();
  const size_t size = text.size();
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  const size_t integer_begin = i;
  while (i < size && IsDigit(text[i])) ++i;
  const size_t integer_end = i;
  size_t fraction_begin = i;
  size_t fraction_end = i;
  bool has_separator = false;
  if (i < size && text[i] == separator) {
    has_separator = true;
    fraction_begin = ++i;
    while (i < size && IsDigit(text[i])) ++i;
    fraction_end = i;
  }
  if (integer_end == integer_begin && !has_separator) InvalidNumber(text);

  int exponent = 0;
  if (i < size && (text[i] == 'E' || text[i] == 'e')) {
    ++i;
    bool exponent_negative = false;
    if (i < size && (text[i] == '+' || text[i] == '-')) {
      exponent_negative = text[i] == '-';
      ++i;
    }
    while (i < size && IsDigit(text[i]) && exponent < kExponentReadLimit) {
      exponent = exponent * 10 + (text[i] - '0');
      ++i;
    }
    if (exponent_negative) exponent = -exponent;
  }
  while (i < size && text[i] == ' ') ++i;
  if (i != size) InvalidNumber(text);

  const std::string_view view(text);
  const long double magnitude = decimal_float::FromDecimal(
      view.substr(integer_begin, integer_end - integer_begin),
      view.substr(fraction_begin, fraction_end - fraction_begin), exponent);
  decimal_float::Extended parts = decimal_float::Decompose(magnitude);
  if (parts.biased_exponent == 0x7FFF) InvalidNumber(text);  // overflow
  // The sign is set on the bits: "-," is negative zero, and no arithmetic flag is touched.
  parts.negative = negative;
  return decimal_float::Compose(parts);
}

std::string NumberToText(long double value) {
  decimal_float::Extended parts = decimal_float::Decompose(value);
  const bool integer_bit = (parts.significand >> 63) != 0;
  if (parts.biased_exponent == 0x7FFF) {
    if (integer_bit && (parts.significand << 1) == 0) return parts.negative ? "-INF" : "INF";
    return "NAN";
  }
  // An exponent without the integer bit is no number to the floating-point unit either.
  if (parts.biased_exponent != 0 && !integer_bit) return "NAN";
  if (parts.significand == 0) return "0";

  // A whole number below 10^15 is just its digits: nothing to round (and no table of powers of
  // ten to build, which the first conversion of a run would otherwise pay for).
  const int exponent = static_cast<int>(parts.biased_exponent) - 16383;
  if (parts.biased_exponent != 0 && exponent >= 0 && exponent < 50 &&
      (parts.significand << (exponent + 1)) == 0) {
    const uint64_t whole = parts.significand >> (63 - exponent);
    if (whole < 1000000000000000u) return (parts.negative ? "-" : "") + std::to_string(whole);
  }

  const bool negative = parts.negative;
  parts.negative = false;
  const Rounded15 rounded = RoundTo15(decimal_float::Compose(parts));
  const bool below_normal = parts.biased_exponent == 0 && !integer_bit;
  if (below_normal && !(rounded == SmallestNormalRounded())) return "0";

  const std::string& d = rounded.digits;
  const int n = rounded.n;
  const int length = static_cast<int>(d.size());
  std::string text;
  if (negative) text += '-';
  if (n > 15 || n < -3) {
    text += d[0];
    if (length > 1) {
      text += DecimalSeparator();
      text.append(d, 1);
    }
    text += 'E';
    text += std::to_string(n - 1);
  } else if (n >= 1) {
    if (length <= n) {
      text += d;
      text.append(static_cast<size_t>(n - length), '0');
    } else {
      text.append(d, 0, static_cast<size_t>(n));
      text += DecimalSeparator();
      text.append(d, static_cast<size_t>(n));
    }
  } else {
    text += '0';
    text += DecimalSeparator();
    text.append(static_cast<size_t>(-n), '0');
    text += d;
  }
  return text;
}

int32_t TextToInteger(const std::string& text) {
  const size_t size = text.size();
  size_t i = 0;
  const bool negative = SkipBlanksAndSign(text, i);
  const bool zero_x_prefix =
      i + 1 < size && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X');
  if (zero_x_prefix || (i < size && (text[i] == '$' || text[i] == 'x' || text[i] == 'X'))) {
    i += zero_x_prefix ? 2 : 1;
    const size_t begin = i;
    uint32_t value = 0;
    int significant = 0;
    for (; i < size; ++i) {
      const char c = text[i];
      uint32_t digit;
      if (IsDigit(c)) {
        digit = static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        digit = static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        digit = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        break;
      }
      if (significant > 0 || digit != 0) ++significant;
      if (significant > 8) InvalidInteger(text);
      value = value * 16 + digit;
    }
    if (i == begin || i != size) InvalidInteger(text);
    // The 32 bits are a signed value ($FFFFFFFF is -1); a sign in front negates it.
    return static_cast<int32_t>(negative ? 0u - value : value);
  }

  constexpr uint64_t kMagnitudeLimit = uint64_t{1} << 31;  // 2147483648
  const size_t begin = i;
  uint64_t magnitude = 0;
  for (; i < size && IsDigit(text[i]); ++i) {
    magnitude = magnitude * 10 + static_cast<uint64_t>(text[i] - '0');
    if (magnitude > kMagnitudeLimit) InvalidInteger(text);
  }
  if (i == begin || i != size) InvalidInteger(text);
  if (negative) return static_cast<int32_t>(-static_cast<int64_t>(magnitude));
  if (magnitude == kMagnitudeLimit) InvalidInteger(text);
  return static_cast<int32_t>(magnitude);
}

std::string IntegerToText(int32_t value) {
  return std::to_string(value);
}
