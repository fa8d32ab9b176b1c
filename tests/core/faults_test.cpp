#include "core/faults.h"

#include <gtest/gtest.h>

#include "tests/support/test_names.h"

namespace {

struct BoxCase {
  const char* message;
  const char* shown;
};

void PrintTo(const BoxCase& c, std::ostream* os) {
  *os << test_names::Quoted(c.message) << " is shown as " << test_names::Quoted(c.shown);
}

class ErrorBox : public testing::TestWithParam<BoxCase> {};

TEST_P(ErrorBox, PointAfterACharacterAbovePoint) {
  EXPECT_EQ(ErrorBoxText(GetParam().message), GetParam().shown);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ErrorBox,
    testing::Values(BoxCase{"'1,5,2' is not a valid floating point value",
                            "'1,5,2' is not a valid floating point value."},
                    BoxCase{"'' is not a valid floating point value",
                            "'' is not a valid floating point value."},
                    BoxCase{"Floating point division by zero", "Floating point division by zero."},
                    BoxCase{"", ""}, BoxCase{"done.", "done."}, BoxCase{"Stop!", "Stop!"},
                    BoxCase{"(x)", "(x)"}, BoxCase{"blank ", "blank "}, BoxCase{"a-", "a-"},
                    BoxCase{"a,", "a,"}, BoxCase{"a/", "a/."}, BoxCase{"1", "1."},
                    BoxCase{"'", "'"}, BoxCase{"Нет", "Нет."}, BoxCase{"Готово!", "Готово!"}),
    [](const testing::TestParamInfo<BoxCase>& test) {
      return test_names::FromText(test.param.message);
    });

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
