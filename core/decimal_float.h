// Exact conversions between decimal digits and the 80-bit extended number, used by the number
// text functions. Internal to the core.
//
// Both directions are correctly rounded (to nearest, ties to even). A fast path works with a
// 128-bit approximation of the power of ten and integer arithmetic only; the rare cases it
// cannot decide (too close to a tie, or results in the denormal range) go to glibc's exact
// strtold and printf. Nothing here raises or leaves a floating-point status flag.
#pragma once

#include <cstdint>
#include <string_view>

namespace decimal_float {

// The fields of an 80-bit extended value.
struct Extended {
  bool negative = false;
  uint16_t biased_exponent = 0;  // 0 for zero and denormals, 0x7FFF for infinities and NaNs
  uint64_t significand = 0;      // with its explicit integer bit (bit 63)
};
Extended Decompose(long double value);
long double Compose(const Extended& parts);

// A positive finite value to 18 significant digits: value ~ digits * 10^exponent with
// digits in [10^17, 10^18), rounded to nearest with ties to even.
struct Digits18 {
  uint64_t digits = 0;
  int exponent = 0;
};
// `value` must be positive, finite, non-zero and a valid encoding (integer bit set unless the
// exponent field is 0).
Digits18 ToDigits18(long double value);

// The positive extended value nearest to the decimal number (integer_digits fraction_digits)
// * 10^(exponent - size of fraction_digits). Both views hold only '0'..'9' and may be empty or
// very long. Gives +infinity when the rounded magnitude is beyond the extended range.
long double FromDecimal(std::string_view integer_digits, std::string_view fraction_digits,
                        int64_t exponent);

}  // namespace decimal_float
