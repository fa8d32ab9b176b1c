#include "core/decimal_float.h"

#include <bit>
#include <cerrno>
#include <cfenv>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace decimal_float {
namespace {

__extension__ typedef unsigned __int128 u128;

constexpr int kExponentBias = 16383;
constexpr uint16_t kMaxBiasedExponent = 0x7FFF;
constexpr uint64_t kHalf = uint64_t{1} << 63;
constexpr uint64_t kTen17 = 100'000'000'000'000'000;
constexpr uint64_t kTen18 = 1'000'000'000'000'000'000;

// Saves the floating-point environment, runs without traps, and restores the environment
// (flags included) on every exit: library conversions may raise inexact, overflow or underflow.
class QuietFloatingPoint {
 public:
  QuietFloatingPoint() : saved_errno_(errno) { std::feholdexcept(&saved_); }
  ~QuietFloatingPoint() {
    std::fesetenv(&saved_);
    errno = saved_errno_;
  }
  QuietFloatingPoint(const QuietFloatingPoint&) = delete;
  QuietFloatingPoint& operator=(const QuietFloatingPoint&) = delete;

 private:
  fenv_t saved_;
  int saved_errno_;
};

// ---------------------------------------------------------------------------------------------
// Powers of ten as 128-bit significands.

// 10^n ~ mantissa * 2^exponent, mantissa in [2^127, 2^128), relative error below 2^-126.
struct Power {
  u128 mantissa;
  int exponent;
};

// Every power the conversions meet lies in [-kMaxPower, kMaxPower]: decimal exponents of
// extended values span about -4951 to 4932, plus 19 digits and a little slack.
constexpr int kStep = 28;  // 10^r for r < 28 is 5^r * 2^r with 5^r < 2^63, exact in 64 bits
constexpr int kCoarse = 180;
constexpr int kMaxPower = kStep * kCoarse;

// A 256-bit binary float used once, to build the table: the powers are reached by repeated
// multiplication or division by ten, whose truncation error (below 2^-243 after 5040 steps)
// vanishes when the result is rounded to 128 bits.
class Wide {
 public:
  Wide() { limb_[7] = 0x8000'0000u; }  // 1 = 2^255 * 2^-255

  void TimesTen() {
    uint64_t carry = 0;
    for (uint32_t& limb : limb_) {
      const uint64_t t = uint64_t{limb} * 10 + carry;
      limb = static_cast<uint32_t>(t);
      carry = t >> 32;
    }
    if (carry == 0) return;
    const int shift = static_cast<int>(std::bit_width(carry));
    for (int i = 0; i < 7; ++i) {
      limb_[i] = (limb_[i] >> shift) | (limb_[i + 1] << (32 - shift));
    }
    limb_[7] = (limb_[7] >> shift) | static_cast<uint32_t>(carry << (32 - shift));
    exponent_ += shift;
  }

  void DividedByTen() {
    uint64_t remainder = 0;
    for (int i = 7; i >= 0; --i) {
      const uint64_t current = (remainder << 32) | limb_[i];
      limb_[i] = static_cast<uint32_t>(current / 10);
      remainder = current % 10;
    }
    // The quotient lost 3 or 4 leading bits; continue the division into the bits shifted in.
    const uint32_t next = static_cast<uint32_t>((remainder << 32) / 10);
    const int shift = std::countl_zero(limb_[7]);
    for (int i = 7; i > 0; --i) {
      limb_[i] = (limb_[i] << shift) | (limb_[i - 1] >> (32 - shift));
    }
    limb_[0] = (limb_[0] << shift) | (next >> (32 - shift));
    exponent_ -= shift;
  }

  Power Rounded() const {
    u128 mantissa = 0;
    for (int i = 7; i >= 4; --i) mantissa = (mantissa << 32) | limb_[i];
    int exponent = exponent_ + 128;
    if ((limb_[3] >> 31) != 0) {
      ++mantissa;
      if (mantissa == 0) {
        mantissa = u128{1} << 127;
        ++exponent;
      }
    }
    return {mantissa, exponent};
  }

 private:
  uint32_t limb_[8] = {};  // least significant first; the top bit of limb_[7] is set
  int exponent_ = -255;
};

class PowerTable {
 public:
  PowerTable() {
    Wide up;
    Wide down;
    coarse_[kCoarse] = up.Rounded();
    for (int n = 1; n <= kMaxPower; ++n) {
      up.TimesTen();
      down.DividedByTen();
      if (n % kStep == 0) {
        coarse_[kCoarse + n / kStep] = up.Rounded();
        coarse_[kCoarse - n / kStep] = down.Rounded();
      }
    }
    uint64_t five = 1;
    for (int r = 0; r < kStep; ++r) {
      const int shift = std::countl_zero(five);
      fine_[r] = five << shift;
      fine_exponent_[r] = r - shift;
      five *= 5;
    }
  }

  // n in [-kMaxPower, kMaxPower].
  Power Get(int n) const {
    const int h = n >= 0 ? n / kStep : -((-n + kStep - 1) / kStep);
    const int r = n - h * kStep;
    const Power& coarse = coarse_[kCoarse + h];
    if (r == 0) return coarse;
    // 10^n = 10^(28h) * 10^r, the second factor exact; keep the top 128 of the 192 bits.
    const uint64_t fine = fine_[r];
    const u128 low = u128{fine} * static_cast<uint64_t>(coarse.mantissa);
    const u128 high = u128{fine} * static_cast<uint64_t>(coarse.mantissa >> 64);
    const u128 top = high + (low >> 64);  // bits 64..191 of the product, no overflow
    const int exponent = coarse.exponent + fine_exponent_[r] + 64;
    if ((top >> 127) != 0) return {top, exponent};
    const uint64_t below = static_cast<uint64_t>(low);
    return {(top << 1) | (below >> 63), exponent - 1};
  }

 private:
  Power coarse_[2 * kCoarse + 1];
  uint64_t fine_[kStep];  // 5^r normalised to bit 63
  int fine_exponent_[kStep];
};

const PowerTable& Powers() {
  static const PowerTable table;
  return table;
}

// ---------------------------------------------------------------------------------------------
// 192-bit products.

struct U192 {
  uint64_t w[3];  // least significant first
};

U192 Multiply(uint64_t a, u128 b) {
  const u128 low = u128{a} * static_cast<uint64_t>(b);
  const u128 high = u128{a} * static_cast<uint64_t>(b >> 64);
  const u128 middle = (low >> 64) + static_cast<uint64_t>(high);
  return {{static_cast<uint64_t>(low), static_cast<uint64_t>(middle),
           static_cast<uint64_t>((high >> 64) + (middle >> 64))}};
}

// Bits [from, from + 64) of z, zeros above bit 191. from in [0, 191].
uint64_t Bits(const U192& z, int from) {
  const int word = from / 64;
  const int offset = from % 64;
  uint64_t bits = z.w[word] >> offset;
  if (offset != 0 && word < 2) bits |= z.w[word + 1] << (64 - offset);
  return bits;
}

// ---------------------------------------------------------------------------------------------
// Binary to decimal.

Digits18 ToDigits18Exact(long double value) {
  char text[64];
  {
    QuietFloatingPoint quiet;
    std::snprintf(text, sizeof text, "%.17Le", value);
  }
  // "d.ddddde+x"; the point may be another character under other locales, so skip it blindly.
  uint64_t digits = 0;
  const char* p = text;
  for (; *p != '\0' && *p != 'e' && *p != 'E'; ++p) {
    if (*p >= '0' && *p <= '9') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
  }
  int exponent = 0;
  if (*p != '\0') exponent = std::atoi(p + 1);
  return {digits, exponent - 17};
}

}  // namespace

Extended Decompose(long double value) {
  unsigned char bytes[sizeof(long double)];
  std::memcpy(bytes, &value, sizeof bytes);
  Extended parts;
  uint16_t sign_exponent = 0;
  std::memcpy(&parts.significand, bytes, 8);
  std::memcpy(&sign_exponent, bytes + 8, 2);
  parts.negative = (sign_exponent & 0x8000) != 0;
  parts.biased_exponent = sign_exponent & 0x7FFF;
  return parts;
}

long double Compose(const Extended& parts) {
  unsigned char bytes[sizeof(long double)] = {};
  const uint16_t sign_exponent =
      static_cast<uint16_t>((parts.negative ? 0x8000 : 0) | (parts.biased_exponent & 0x7FFF));
  std::memcpy(bytes, &parts.significand, 8);
  std::memcpy(bytes + 8, &sign_exponent, 2);
  long double value;
  std::memcpy(&value, bytes, sizeof value);
  return value;
}

Digits18 ToDigits18(long double value) {
  const Extended parts = Decompose(value);
  // value = m * 2^e with m normalised to bit 63.
  uint64_t m = parts.significand;
  int e = (parts.biased_exponent == 0 ? 1 : parts.biased_exponent) - kExponentBias - 63;
  const int leading = std::countl_zero(m);
  m <<= leading;
  e -= leading;

  // floor(log10(value)) is this estimate or one more; a wrong guess is corrected below.
  const int binary_exponent = e + 63;
  const int decimal_exponent = static_cast<int>((int64_t{binary_exponent} * 1292913986) >> 32);
  int q = decimal_exponent - 17;
  for (int attempt = 0; attempt < 4; ++attempt) {
    // y = value / 10^q = m * P * 2^-s, computed in fixed point with s fraction bits.
    const Power power = Powers().Get(-q);
    const U192 z = Multiply(m, power.mantissa);
    const int s = -(e + power.exponent);
    if (s < 100 || s > 180) break;
    const uint64_t integer = Bits(z, s);
    const uint64_t fraction = Bits(z, s - 64);
    if (integer >= kTen18) {
      ++q;
      continue;
    }
    if (integer < kTen17) {
      --q;
      continue;
    }
    // The product is off by less than 2^-60 of a unit; near a tie only exact arithmetic
    // can tell which way to round.
    if (fraction > kHalf - 256 && fraction < kHalf + 256) break;
    const uint64_t rounded = integer + (fraction >= kHalf ? 1 : 0);
    if (rounded == kTen18) return {kTen17, q + 1};
    return {rounded, q};
  }
  return ToDigits18Exact(value);
}

// ---------------------------------------------------------------------------------------------
// Decimal to binary.

namespace {

constexpr int kOverflowDecimalExponent = 4933;    // 10^4933 > largest extended value
constexpr int kUnderflowDecimalExponent = -4951;  // 10^-4951 < half the smallest denormal

long double Infinity() {
  return Compose({false, kMaxBiasedExponent, kHalf});
}

// w * 10^k correctly rounded, or nothing when the fast arithmetic cannot decide (too close to
// a tie). w != 0; k within the power table.
std::optional<long double> FromSmall(uint64_t w, int k) {
  const Power power = Powers().Get(k);
  const int leading = std::countl_zero(w);
  U192 z = Multiply(w << leading, power.mantissa);
  int exponent = power.exponent - leading;  // value ~ z * 2^exponent
  if ((z.w[2] >> 63) == 0) {
    z.w[2] = (z.w[2] << 1) | (z.w[1] >> 63);
    z.w[1] = (z.w[1] << 1) | (z.w[0] >> 63);
    z.w[0] <<= 1;
    --exponent;
  }
  // Keep the top 64 bits, or fewer for a denormal result, and round by the bits dropped.
  int biased = exponent + 128 + 63 + kExponentBias;
  int drop = 128;
  if (biased <= 0) {
    drop += 1 - biased;
    biased = 0;
    if (drop > 191) return std::nullopt;
  }
  uint64_t significand = Bits(z, drop);
  // z is off by less than 2^66 units, so the halfway test on the top 64 dropped bits needs a
  // margin of a few units.
  const uint64_t rest = Bits(z, drop - 64);
  if (rest > kHalf - 64 && rest < kHalf + 64) return std::nullopt;
  if (rest >= kHalf) {
    ++significand;
    if (significand == 0) {  // carried out of the top bit
      significand = kHalf;
      ++biased;
    } else if (biased == 0 && significand == kHalf) {  // a denormal rounded up to normal
      biased = 1;
    }
  }
  if (biased >= kMaxBiasedExponent) return Infinity();
  return Compose({false, static_cast<uint16_t>(biased), significand});
}

long double FromDecimalExact(std::string digits, int64_t k) {
  digits += 'e';
  digits += std::to_string(k);
  // No decimal point in the text, so the C library's locale does not matter.
  QuietFloatingPoint quiet;
  return std::strtold(digits.c_str(), nullptr);
}

}  // namespace

long double FromDecimal(std::string_view integer_digits, std::string_view fraction_digits,
                        int64_t exponent) {
  const size_t total = integer_digits.size() + fraction_digits.size();
  auto at = [&](size_t i) {
    return i < integer_digits.size() ? integer_digits[i]
                                     : fraction_digits[i - integer_digits.size()];
  };
  size_t first = 0;
  while (first < total && at(first) == '0') ++first;
  if (first == total) return 0.0L;
  size_t last = total;
  while (at(last - 1) == '0') --last;

  // The significant digits d1..dn (d1, dn not zero); value = d1..dn * 10^k.
  const int64_t n = static_cast<int64_t>(last - first);
  const int64_t k =
      exponent - static_cast<int64_t>(fraction_digits.size()) + static_cast<int64_t>(total - last);
  if (n - 1 + k >= kOverflowDecimalExponent) return Infinity();
  if (n + k <= kUnderflowDecimalExponent) return 0.0L;

  const size_t used = n <= 19 ? static_cast<size_t>(n) : 19;
  uint64_t w = 0;
  for (size_t i = first; i < first + used; ++i) w = w * 10 + static_cast<uint64_t>(at(i) - '0');
  const int kw = static_cast<int>(k + n - static_cast<int64_t>(used));
  if (n <= 19) {
    if (const auto value = FromSmall(w, kw)) return *value;
  } else {
    // The value lies strictly between w * 10^kw and (w + 1) * 10^kw; when both round to the
    // same extended value, so does everything between them.
    const auto low = FromSmall(w, kw);
    const auto high = FromSmall(w + 1, kw);
    if (low && high && std::memcmp(&*low, &*high, 10) == 0) return *low;
  }

  std::string digits;
  digits.reserve(static_cast<size_t>(n));
  for (size_t i = first; i < last; ++i) digits += at(i);
  return FromDecimalExact(std::move(digits), k);
}

}  // namespace decimal_float
