#include "core/number_text.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstring>
#include <optional>
#include <string>

#include "core/key_filters.h"
#include "tests/core/core_test_support.h"
#include "tests/support/cases.h"

namespace {

bool SameBits(long double a, long double b) {
  return std::memcmp(&a, &b, 10) == 0;
}

std::string ConversionMessage(const std::string& text) {
  try {
    TextToNumber(text);
  } catch (const ConversionError& e) {
    return e.what();
  }
  return "(no error)";
}

// ---- TextToNumber ----------------------------------------------------------------------------

struct ReadCase {
  const char* text;
  long double value;
};

TEST(TextToNumber, ReadsTheNearestValue) {
  SeparatorScope comma(',');
  // 18446744073709551617 and ...619 lie exactly halfway between two extended values: ties go to
  // the even significand.
  const ReadCase kCases[] = {{"5", 5},
                             {"-5", -5},
                             {"+5", 5},
                             {"1,5", 1.5L},
                             {",5", 0.5L},
                             {"5,", 5},
                             {",", 0},
                             {"007", 7},
                             {"  12  ", 12},
                             {"1,5E3", 1500},
                             {"1,5e-3", 0.0015L},
                             {"2E+2", 200},
                             {"1E", 1},
                             {"1e-", 1},
                             {",E5", 0},
                             {"1E500", 1e500L},
                             {"1E0600", 1e600L},
                             {"1,1E4932", 1.1e4932L},
                             {"1E-4999", 0},
                             {"1E4931", 1e4931L},
                             {"1E0000000500", 1e500L},
                             {"0,1", 0.1L},
                             {"0,3", 0.3L},
                             {"3,14159265358979", 3.14159265358979L},
                             {"1,21932631112635E17", 1.21932631112635e17L},
                             {"9223372036854775807", 9223372036854775807.0L},
                             {"18446744073709551615", 18446744073709551615.0L},
                             {"18446744073709551617", 18446744073709551616.0L},
                             {"18446744073709551619", 18446744073709551620.0L},
                             {"18446744073709551617,000000000000000001", 18446744073709551618.0L},
                             {"0,000000000000000000000000000000000000000001234", 1.234e-42L},
                             {"123456789012345678901234567890", 123456789012345678901234567890.0L},
                             {"1,18973149535723176502E4932", LDBL_MAX},
                             {"3,36210314311209350626E-4932", LDBL_MIN},
                             {"1E-4940", 1e-4940L},
                             {"4E-4951", 3.6451995318824746025e-4951L},
                             {"1E-4951", 0}};
  ForEachCase(kCases, [](const ReadCase& c) {
    const long double value = TextToNumber(c.text);
    EXPECT_TRUE(SameBits(value, c.value)) << "gave " << static_cast<double>(value);
  });
}

TEST(TextToNumber, NegativeZeroFromLoneSign) {
  SeparatorScope comma(',');
  const long double value = TextToNumber("-,");
  EXPECT_EQ(value, 0.0L);
  EXPECT_TRUE(std::signbit(value));
  EXPECT_EQ(NumberToText(value), "0");
}

TEST(TextToNumber, RefusesNamingTheWholeText) {
  SeparatorScope comma(',');
  const char* const kCases[] = {
      "",      "   ",    "-",       "+",      "1.5",     "1,5,2",    "1 000",  "5-",      "1-2",
      "- 5",   "E5",     "1,5E3,5", "1E5000", "1E-5000", "1,2E4932", "1E4999", "INF",     "NAN",
      "0x10",  "\t5",    "5-3",     "--5",    "+-5",     "1E+-5",    "5\t",    "5\n",     " ,5 x",
      "1E5 5", "1,5 e3", "e",       ",,",     "1E500,",  "1EE5",     "1E5E5",  "\u00A05", "5 - "};
  ForEachCase(kCases, [](const std::string& text) {
    EXPECT_EQ(ConversionMessage(text), "'" + text + "' is not a valid floating point value");
  });
}

TEST(TextToNumber, OverflowOfALongMantissaIsInvalid) {
  SeparatorScope comma(',');
  EXPECT_THROW(TextToNumber(std::string(4933, '9')), ConversionError);
  EXPECT_THROW(TextToNumber(std::string(4934, '1')), ConversionError);
  EXPECT_NO_THROW(TextToNumber(std::string(4932, '9')));
  EXPECT_EQ(TextToNumber("0," + std::string(6000, '0') + "1"), 0.0L);
  EXPECT_EQ(TextToNumber(std::string(6000, '0') + "1"), 1.0L);
}

TEST(TextToNumber, PointSeparator) {
  SeparatorScope point('.');
  EXPECT_EQ(TextToNumber("1.5"), 1.5L);
  EXPECT_EQ(TextToNumber("-.25E1"), -2.5L);
  EXPECT_EQ(ConversionMessage("1,5"), "'1,5' is not a valid floating point value");
}

TEST(TextToNumber, LeavesTheFloatingPointStatusAsItFoundIt) {
  SeparatorScope comma(',');
  for (const char* text :
       {"1E5000", "1,2E4932", "1E-4999", "0,1", "123456789012345678901234567", "3E-4940", "x"}) {
    std::feclearexcept(FE_ALL_EXCEPT);
    try {
      TextToNumber(text);
    } catch (const ConversionError&) {
    }
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0) << text;

    std::feraiseexcept(FE_DIVBYZERO);
    try {
      TextToNumber(text);
    } catch (const ConversionError&) {
    }
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_DIVBYZERO) << text;
    std::feclearexcept(FE_ALL_EXCEPT);
  }
}

// ---- NumberToText ----------------------------------------------------------------------------

struct RenderCase {
  long double value;
  const char* text;
};

TEST(NumberToText, RendersFifteenDigits) {
  SeparatorScope comma(',');
  const RenderCase kCases[] = {{0, "0"},
                               {-0.0L, "0"},
                               {100, "100"},
                               {1500, "1500"},
                               {-2.5L, "-2,5"},
                               {1234567.5L, "1234567,5"},
                               {1.0L / 3, "0,333333333333333"},
                               {2.0L / 3, "0,666666666666667"},
                               {10.0L / 3, "3,33333333333333"},
                               {0.1L + 0.2L, "0,3"},
                               {3.14159265358979323846264338327950288L, "3,14159265358979"},
                               {999999999999999.0L, "999999999999999"},
                               {999999999999999.4L, "999999999999999"},
                               {999999999999999.5L, "1E15"},
                               {1e14L, "100000000000000"},
                               {1e15L, "1E15"},
                               {9999999999999995.0L, "1E16"},
                               {1234567890123456.0L, "1,23456789012346E15"},
                               {123456789012345.6L, "123456789012346"},
                               {123456789.0L * 987654321.0L, "1,21932631112635E17"},
                               {18446744073709551616.0L, "1,84467440737096E19"},
                               {0.0001L, "0,0001"},
                               {0.000345L, "0,000345"},
                               {0.00001L, "1E-5"},
                               {0.0000123L, "1,23E-5"},
                               {-0.000012345L, "-1,2345E-5"},
                               {1.5e300L, "1,5E300"},
                               {-1.5e20L, "-1,5E20"},
                               {1e-100L, "1E-100"},
                               {0.1000000000000015L, "0,100000000000002"},
                               {0.1000000000000025L, "0,100000000000003"},
                               {-0.1000000000000025L, "-0,100000000000003"},
                               {0.1234567890123454997L, "0,123456789012346"},
                               {LDBL_MAX, "1,18973149535723E4932"},
                               {LDBL_MIN, "3,36210314311209E-4932"},
                               {-2147483648.0L, "-2147483648"},
                               {1, "1"},
                               {10, "10"},
                               {0.5L, "0,5"},
                               {0.001L, "0,001"},
                               {0.00099999999999999999L, "0,001"},
                               {0.000099999999999999999L, "0,0001"},
                               {0.0000999999999999999L, "9,99999999999999E-5"},
                               {100000000000000000.0L, "1E17"},
                               {120000000000000.0L, "120000000000000"},
                               {1000000000000000005.0L, "1E18"},
                               {-LDBL_MAX, "-1,18973149535723E4932"},
                               {1e4000L, "1E4000"},
                               {2.5e-4000L, "2,5E-4000"}};
  ForEachCase(kCases, [](const RenderCase& c) { EXPECT_EQ(NumberToText(c.value), c.text); });
}

TEST(NumberToText, NonFiniteAndBelowNormal) {
  SeparatorScope comma(',');
  const long double infinity = std::numeric_limits<long double>::infinity();
  EXPECT_EQ(NumberToText(infinity), "INF");
  EXPECT_EQ(NumberToText(-infinity), "-INF");
  EXPECT_EQ(NumberToText(std::numeric_limits<long double>::quiet_NaN()), "NAN");
  EXPECT_EQ(NumberToText(-std::numeric_limits<long double>::quiet_NaN()), "NAN");
  EXPECT_EQ(NumberToText(LDBL_MIN / 2), "0");
  EXPECT_EQ(NumberToText(-LDBL_MIN / 2), "0");
  EXPECT_EQ(NumberToText(std::numeric_limits<long double>::denorm_min()), "0");
  EXPECT_EQ(NumberToText(1e-4940L), "0");
}

TEST(NumberToText, TheSmallestNormalTextReadsBackAndRendersTheSame) {
  // The text is a little below the smallest normal value and so reads as a denormal; it must
  // still render as itself, while denormals further down render as "0".
  SeparatorScope comma(',');
  const long double read = TextToNumber("3,36210314311209E-4932");
  EXPECT_LT(read, LDBL_MIN);
  EXPECT_EQ(NumberToText(read), "3,36210314311209E-4932");
  EXPECT_EQ(NumberToText(-read), "-3,36210314311209E-4932");
  EXPECT_EQ(NumberToText(TextToNumber("3,362103143112084E-4932")), "0");
  EXPECT_EQ(NumberToText(std::nextafter(LDBL_MIN, 0.0L)), "3,36210314311209E-4932");
}

TEST(NumberToText, PointSeparator) {
  SeparatorScope point('.');
  EXPECT_EQ(NumberToText(-2.5L), "-2.5");
  EXPECT_EQ(NumberToText(2.0L / 3), "0.666666666666667");
  EXPECT_EQ(NumberToText(0.0000123L), "1.23E-5");
  EXPECT_EQ(NumberToText(1234567890123456.0L), "1.23456789012346E15");
}

TEST(NumberToText, LeavesNoFloatingPointFlag) {
  const long double values[] = {2.0L / 3, LDBL_MAX, LDBL_MIN / 3, 1000000000000000005.0L};
  std::feclearexcept(FE_ALL_EXCEPT);
  for (long double value : values) NumberToText(value);
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

// ---- TextToInteger and IntegerToText ---------------------------------------------------------

struct IntegerCase {
  const char* text;
  int32_t value;
};

TEST(TextToInteger, ReadsDecimalAndHexadecimal) {
  const IntegerCase kCases[] = {{"42", 42},
                                {"-42", -42},
                                {"+42", 42},
                                {"  42", 42},
                                {"007", 7},
                                {"0", 0},
                                {"2147483647", 2147483647},
                                {"-2147483648", -2147483647 - 1},
                                {"$1F", 31},
                                {"x1F", 31},
                                {"0x1F", 31},
                                {"$1f", 31},
                                {"-$10", -16},
                                {"$FFFFFFFF", -1},
                                {"X1F", 31},
                                {"0X1f", 31},
                                {"+$10", 16},
                                {"$7FFFFFFF", 2147483647},
                                {"$80000000", -2147483647 - 1},
                                {"-$80000000", -2147483647 - 1},
                                {"-$FFFFFFFF", 1},
                                {"$0000000012345678", 0x12345678},
                                {"-0", 0},
                                {"000000000000002147483647", 2147483647},
                                {"0x0", 0}};
  ForEachCase(kCases, [](const IntegerCase& c) { EXPECT_EQ(TextToInteger(c.text), c.value); });
}

TEST(TextToInteger, RefusesNamingTheWholeText) {
  const char* const kCases[] = {"",
                                "42 ",
                                "-",
                                "$",
                                "0x",
                                "2147483648",
                                "-2147483649",
                                "$100000000",
                                "1,5",
                                "1E3",
                                "+-1",
                                "- 1",
                                "$-1",
                                "0x 1",
                                "\t1",
                                "99999999999999999999",
                                "18446744073709551658",
                                "$1G",
                                "0x1F ",
                                "00x1F",
                                "1.5",
                                " ",
                                "$$1",
                                "x",
                                "0xx1"};
  ForEachCase(kCases, [](const std::string& text) {
    try {
      TextToInteger(text);
      ADD_FAILURE() << "accepted";
    } catch (const ConversionError& e) {
      EXPECT_EQ(std::string(e.what()), "'" + text + "' is not a valid integer value");
    }
  });
}

TEST(IntegerToText, DecimalDigits) {
  EXPECT_EQ(IntegerToText(0), "0");
  EXPECT_EQ(IntegerToText(-42), "-42");
  EXPECT_EQ(IntegerToText(2147483647), "2147483647");
  EXPECT_EQ(IntegerToText(-2147483647 - 1), "-2147483648");
}

// ---- Key filters -----------------------------------------------------------------------------

struct KeyCase {
  char32_t key;
  std::optional<char32_t> decimal;  // what DecimalKeyFilter lets through
  bool integer_passes;              // IntegerKeyFilter lets the key through unchanged
};

TEST(KeyFilters, PassReplaceOrRefuseWithBeepAndMessage) {
  SeparatorScope comma(',');
  const KeyCase kCases[] = {{8, 8, true},
                            {13, 13, true},
                            {U',', U',', false},
                            {U'-', U'-', true},
                            {U'.', U',', false},
                            {U'0', U'0', true},
                            {U'5', U'5', true},
                            {U'9', U'9', true},
                            {U'a', std::nullopt, false},
                            {U' ', std::nullopt, false},
                            {U'E', std::nullopt, false},
                            {U'e', std::nullopt, false},
                            {U'+', std::nullopt, false},
                            {U'/', std::nullopt, false},
                            {U':', std::nullopt, false},
                            {27, std::nullopt, false},
                            {3, std::nullopt, false},
                            {22, std::nullopt, false},
                            {24, std::nullopt, false},
                            {26, std::nullopt, false},
                            {10, std::nullopt, false},
                            {U'ы', std::nullopt, false},
                            {U'٫', std::nullopt, false},
                            {U'0' + 0x10000, std::nullopt, false}};
  ForEachCase(kCases, [](const KeyCase& c) {
    SCOPED_TRACE("key U+" + std::to_string(static_cast<uint32_t>(c.key)));
    {
      RecordingDesktop desktop;
      EXPECT_EQ(DecimalKeyFilter(c.key, desktop), c.decimal);
      const std::vector<std::string> refused = {"beep", "info:Вводите только числа!"};
      EXPECT_EQ(Requests(desktop), c.decimal ? std::vector<std::string>{} : refused);
    }
    {
      RecordingDesktop desktop;
      const std::optional<char32_t> expected =
          c.integer_passes ? std::optional<char32_t>(c.key) : std::nullopt;
      EXPECT_EQ(IntegerKeyFilter(c.key, desktop), expected);
      const std::vector<std::string> refused = {"beep", "info:Вводите только целые числа!"};
      EXPECT_EQ(Requests(desktop), c.integer_passes ? std::vector<std::string>{} : refused);
    }
  });
}

// Under a point separator a typed comma would make every fraction unreadable: both keys type the
// separator in force, and what they type reads back as a number.
TEST(KeyFilters, PointAndCommaTypeTheSeparatorInForce) {
  struct Case {
    char separator;
    char32_t key;
    char32_t typed;
  };
  for (const Case c : {Case{',', U'.', U','}, Case{',', U',', U','}, Case{'.', U'.', U'.'},
                       Case{'.', U',', U'.'}}) {
    SeparatorScope scope(c.separator);
    RecordingDesktop desktop;
    EXPECT_EQ(DecimalKeyFilter(c.key, desktop), c.typed) << c.separator << " " << char(c.key);
    EXPECT_TRUE(Requests(desktop).empty());
    const std::string text = std::string("1") + static_cast<char>(c.typed) + "5";
    EXPECT_EQ(TextToNumber(text), 1.5L) << text;
  }
}

}  // namespace
