// The first ten bytes are an extended value. A finite value renders to a text that reads back
// and renders the same again; its 18 intermediate digits agree with glibc's printf; and any
// bit pattern at all, also those the floating-point unit calls invalid, renders without harm.
#include <cfenv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/decimal_float.h"
#include "core/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 10) return 0;
  decimal_float::Extended parts;
  std::memcpy(&parts.significand, data, 8);
  const uint16_t sign_exponent = static_cast<uint16_t>(data[8] | (data[9] << 8));
  parts.negative = (sign_exponent & 0x8000) != 0;
  parts.biased_exponent = sign_exponent & 0x7FFF;
  SetDecimalSeparator(size > 10 && (data[10] & 1) != 0 ? '.' : ',');

  NumberToText(decimal_float::Compose(parts));  // raw bits: must not crash

  if (parts.biased_exponent == 0x7FFF) return 0;
  // The encodings arithmetic produces: the integer bit set exactly for normal values.
  if (parts.biased_exponent == 0) {
    parts.significand &= ~(uint64_t{1} << 63);
  } else {
    parts.significand |= uint64_t{1} << 63;
  }
  const long double value = decimal_float::Compose(parts);
  const std::string text = NumberToText(value);
  if (NumberToText(TextToNumber(text)) != text) std::abort();

  if (parts.significand != 0) {
    parts.negative = false;
    const long double magnitude = decimal_float::Compose(parts);
    const decimal_float::Digits18 ours = decimal_float::ToDigits18(magnitude);
    char printed[64];
    std::snprintf(printed, sizeof printed, "%.17Le", magnitude);
    uint64_t digits = 0;
    const char* p = printed;
    for (; *p != 'e'; ++p) {
      if (*p >= '0' && *p <= '9') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
    }
    if (ours.digits != digits || ours.exponent != std::atoi(p + 1) - 17) std::abort();
  }
  std::feclearexcept(FE_ALL_EXCEPT);
  return 0;
}
