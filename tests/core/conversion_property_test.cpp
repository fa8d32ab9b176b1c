// Random values over the whole exponent range, checked against the round trip and against
// glibc's correctly rounded printf and strtold.
#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/decimal_float.h"
#include "core/number_text.h"
#include "tests/core/core_test_support.h"

namespace {

using decimal_float::Compose;
using decimal_float::Extended;

// A finite value with random sign, exponent field and significand bits (a valid encoding:
// the integer bit set exactly for normal values).
long double RandomFinite(std::mt19937_64& random) {
  Extended parts;
  parts.negative = (random() & 1) != 0;
  parts.biased_exponent = static_cast<uint16_t>(random() % 0x7FFF);
  parts.significand = random();
  if (parts.biased_exponent == 0) {
    parts.significand &= ~(uint64_t{1} << 63);
  } else {
    parts.significand |= uint64_t{1} << 63;
  }
  return Compose(parts);
}

bool SameBits(long double a, long double b) {
  return std::memcmp(&a, &b, 10) == 0;
}

TEST(ConversionProperty, RenderReadRenderGivesTheSameText) {
  std::mt19937_64 random(20240531);
  for (char separator : {',', '.'}) {
    SeparatorScope scope(separator);
    for (int i = 0; i < 20000; ++i) {
      const long double value = RandomFinite(random);
      const std::string text = NumberToText(value);
      long double read = 0;
      ASSERT_NO_THROW(read = TextToNumber(text)) << text;
      ASSERT_EQ(NumberToText(read), text);
    }
  }
}

TEST(ConversionProperty, RoundTripNearTheEdgesOfTheRange) {
  SeparatorScope comma(',');
  long double value = LDBL_MIN;
  long double top = LDBL_MAX;
  for (int i = 0; i < 2000; ++i) {
    for (long double v : {value, -value, top, -top}) {
      const std::string text = NumberToText(v);
      ASSERT_EQ(NumberToText(TextToNumber(text)), text);
    }
    value = std::nextafter(value, 1.0L);
    top = std::nextafter(top, 0.0L);
  }
}

decimal_float::Digits18 PrintfDigits(long double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.17Le", value);
  uint64_t digits = 0;
  const char* p = text;
  for (; *p != 'e'; ++p) {
    if (*p >= '0' && *p <= '9') digits = digits * 10 + static_cast<uint64_t>(*p - '0');
  }
  return {digits, std::atoi(p + 1) - 17};
}

void ExpectSameDigits(long double value) {
  const auto ours = decimal_float::ToDigits18(value);
  const auto reference = PrintfDigits(value);
  EXPECT_EQ(ours.digits, reference.digits) << static_cast<double>(value);
  EXPECT_EQ(ours.exponent, reference.exponent) << static_cast<double>(value);
}

TEST(ConversionProperty, EighteenDigitsAgreeWithPrintf) {
  std::mt19937_64 random(7);
  for (int i = 0; i < 20000; ++i) {
    const long double value = std::fabs(RandomFinite(random));
    if (value == 0) continue;
    ExpectSameDigits(value);
  }
  // Whole numbers of 19 digits ending in 5 are exact ties at the 18th digit.
  for (int i = 0; i < 2000; ++i) {
    const uint64_t whole = (100'000'000'000'000'000 + random() % 800'000'000'000'000'000) * 10 + 5;
    ExpectSameDigits(static_cast<long double>(whole));
  }
  // Values a few units from a power of ten, where the digit count changes.
  for (int e = -4900; e <= 4900; e += 7) {
    const long double power = std::pow(10.0L, static_cast<long double>(e));
    for (long double v : {power, std::nextafter(power, 0.0L), std::nextafter(power, LDBL_MAX)}) {
      ExpectSameDigits(v);
    }
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

void ExpectReadingAgreesWithStrtold(std::mt19937_64& random, int64_t lowest_exponent,
                                    uint64_t exponent_span) {
  for (int i = 0; i < 10000; ++i) {
    const size_t count = 1 + random() % 30;
    std::string digits;
    for (size_t j = 0; j < count; ++j) digits += static_cast<char>('0' + random() % 10);
    const int64_t exponent = lowest_exponent + static_cast<int64_t>(random() % exponent_span);
    const size_t split = random() % (count + 1);
    const long double ours =
        decimal_float::FromDecimal(std::string_view(digits).substr(0, split),
                                   std::string_view(digits).substr(split), exponent);
    const std::string canonical =
        digits + "e" + std::to_string(exponent - static_cast<int64_t>(count - split));
    const long double reference = std::strtold(canonical.c_str(), nullptr);
    ASSERT_TRUE(SameBits(ours, reference)) << canonical;
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(ConversionProperty, DecimalReadingAgreesWithStrtold) {
  std::mt19937_64 random(11);
  ExpectReadingAgreesWithStrtold(random, -4990, 9960);  // everything, overflow included
  ExpectReadingAgreesWithStrtold(random, -4980, 60);    // the denormal range
  ExpectReadingAgreesWithStrtold(random, -30, 60);      // everyday magnitudes
}

TEST(ConversionProperty, ReadingTheExactDigitsOfAValueGivesItBack) {
  std::mt19937_64 random(5);
  for (int i = 0; i < 5000; ++i) {
    const long double value = std::fabs(RandomFinite(random));
    // 21 significant digits identify every extended value.
    char text[64];
    std::snprintf(text, sizeof text, "%.20Le", value);
    std::string digits;
    const char* p = text;
    for (; *p != 'e'; ++p) {
      if (*p >= '0' && *p <= '9') digits += *p;
    }
    const long double read = decimal_float::FromDecimal(digits, "", std::atoi(p + 1) - 20);
    ASSERT_TRUE(SameBits(read, value)) << text;
  }
  std::feclearexcept(FE_ALL_EXCEPT);
}

}  // namespace
