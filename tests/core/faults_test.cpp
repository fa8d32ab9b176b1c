#include "core/faults.h"

#include <gtest/gtest.h>

#include "tests/support/cases.h"

namespace {

struct BoxCase {
  const char* text;
  const char* shown;
};

TEST(ErrorBox, PointAfterACharacterAbovePoint) {
  const BoxCase kCases[] = {
      {"'1,5,2' is not a valid floating point value",
       "'1,5,2' is not a valid floating point value."},
      {"'' is not a valid floating point value", "'' is not a valid floating point value."},
      {"Floating point division by zero", "Floating point division by zero."},
      {"", ""},
      {"done.", "done."},
      {"Stop!", "Stop!"},
      {"(x)", "(x)"},
      {"blank ", "blank "},
      {"a-", "a-"},
      {"a,", "a,"},
      {"a/", "a/."},
      {"1", "1."},
      {"'", "'"},
      {"Нет", "Нет."},
      {"Готово!", "Готово!"}};
  ForEachCase(kCases, [](const BoxCase& c) { EXPECT_EQ(ErrorBoxText(c.text), c.shown); });
}

TEST(Faults, SilentAbortCarriesNoMessage) {
  try {
    Abort();
  } catch (const SilentAbort& abort) {
    EXPECT_STREQ(abort.what(), "");
    return;
  }
  FAIL() << "Abort returned";
}

TEST(Faults, ConversionErrorKeepsItsMessage) {
  const ConversionError error("'x' is not a valid integer value");
  EXPECT_EQ(error.message(), "'x' is not a valid integer value");
  EXPECT_STREQ(static_cast<const std::exception&>(error).what(),
               "'x' is not a valid integer value");
}

}  // namespace
