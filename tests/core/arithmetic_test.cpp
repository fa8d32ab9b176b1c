#include "core/arithmetic.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cfloat>
#include <functional>
#include <iomanip>
#include <limits>

#include "tests/support/cases.h"

namespace {

using Kind = ArithmeticFault::Kind;

struct FaultCase {
  const char* name;
  std::function<void()> operation;
  Kind kind;
};

const long double kHuge = 1e4000L;
const long double kInfinity = std::numeric_limits<long double>::infinity();

TEST(ArithmeticFaults, ReportTheKindAndLeaveNothingPending) {
  const FaultCase kCases[] = {
      {"1/0", [] { Divide(1, 0); }, Kind::kDivisionByZero},
      {"-5/-0", [] { Divide(-5, -0.0L); }, Kind::kDivisionByZero},
      {"min/0", [] { Divide(LDBL_MIN / 4, 0); }, Kind::kDivisionByZero},
      {"0/0", [] { Divide(0, 0); }, Kind::kInvalidOperation},
      {"sqrt(-1)", [] { SquareRoot(-1); }, Kind::kInvalidOperation},
      {"inf-inf", [] { Subtract(kInfinity, kInfinity); }, Kind::kInvalidOperation},
      {"round(1E19)", [] { RoundToInteger(1e19L); }, Kind::kInvalidOperation},
      {"round(-1E19)", [] { RoundToInteger(-1e19L); }, Kind::kInvalidOperation},
      {"round(2^63)", [] { RoundToInteger(9223372036854775808.0L); }, Kind::kInvalidOperation},
      {"round(NaN)", [] { RoundToInteger(std::numeric_limits<long double>::quiet_NaN()); },
       Kind::kInvalidOperation},
      {"1E4000*1E4000", [] { Multiply(kHuge, kHuge); }, Kind::kOverflow},
      {"max+max", [] { Add(LDBL_MAX, LDBL_MAX); }, Kind::kOverflow},
      {"-max-max", [] { Subtract(-LDBL_MAX, LDBL_MAX); }, Kind::kOverflow},
      {"1E4000/1E-4000", [] { Divide(kHuge, 1e-4000L); }, Kind::kOverflow},
      {"double(1E400)", [] { NarrowToDouble(1e400L); }, Kind::kOverflow},
      {"double(-1E400)", [] { NarrowToDouble(-1e400L); }, Kind::kOverflow}};
  ForEachCase(kCases, [](const FaultCase& c) {
    try {
      c.operation();
      FAIL() << c.name << " passed";
    } catch (const ArithmeticFault& fault) {
      EXPECT_EQ(fault.kind(), c.kind) << c.name;
    }
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0) << c.name;
    // The next operation starts clean.
    EXPECT_EQ(Add(1, 2), 3);
    EXPECT_EQ(Divide(10, 4), 2.5L);
  });
}

TEST(Arithmetic, FaultMessages) {
  EXPECT_STREQ(ArithmeticFault(Kind::kDivisionByZero).what(), "Floating point division by zero");
  EXPECT_STREQ(ArithmeticFault(Kind::kInvalidOperation).what(), "Invalid floating point operation");
  EXPECT_STREQ(ArithmeticFault(Kind::kOverflow).what(), "Floating point overflow");
}

TEST(Arithmetic, UnderflowAndInexactPass) {
  EXPECT_EQ(Multiply(1e-4000L, 1e-4000L), 0.0L);
  EXPECT_EQ(Divide(LDBL_MIN, 4), LDBL_MIN / 4);
  EXPECT_EQ(Divide(1, 3), 1.0L / 3);
  EXPECT_EQ(NarrowToDouble(1e-400L), 0.0);
  EXPECT_EQ(NarrowToDouble(0.1L), 0.1);
  EXPECT_EQ(NarrowToDouble(DBL_MAX), DBL_MAX);
  EXPECT_EQ(SquareRoot(2.25L), 1.5L);
  EXPECT_EQ(SquareRoot(-0.0L), 0.0L);
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

TEST(Arithmetic, LargestFiniteResultsPass) {
  EXPECT_EQ(Add(LDBL_MAX, 0), LDBL_MAX);
  EXPECT_EQ(Multiply(LDBL_MAX, -1), -LDBL_MAX);
  EXPECT_EQ(Subtract(LDBL_MAX, LDBL_MAX), 0.0L);
}

struct RoundCase {
  long double value;
  int64_t result;
};

TEST(RoundToInteger, TiesGoToTheEvenNeighbour) {
  const RoundCase kCases[] = {{2.5L, 2},
                              {3.5L, 4},
                              {-2.5L, -2},
                              {-3.5L, -4},
                              {0.5L, 0},
                              {1.5L, 2},
                              {2.4999L, 2},
                              {2.5001L, 3},
                              {-0.5L, 0},
                              {9e18L, 9000000000000000000},
                              {-0.0L, 0},
                              {9223372036854775807.0L, 9223372036854775807},
                              {-9223372036854775808.0L, std::numeric_limits<int64_t>::min()},
                              {1e-4940L, 0}};
  ForEachCase(kCases, [](const RoundCase& c) {
    EXPECT_EQ(RoundToInteger(c.value), c.result) << "rounding " << std::setprecision(21) << c.value;
  });
}

TEST(Arithmetic, PendingFlagsFromElsewhereDoNotFailAnOperation) {
  // Other code (the toolkit's own double arithmetic) may leave flags raised.
  std::feraiseexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  EXPECT_EQ(Add(1, 1), 2);
  std::feraiseexcept(FE_OVERFLOW);
  EXPECT_EQ(RoundToInteger(2.5L), 2);
  ResetArithmetic();
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

}  // namespace
