#include "core/calc_windows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <string>
#include <vector>

#include "core/arithmetic.h"
#include "core/faults.h"
#include "core/number_text.h"
#include "tests/support/cases.h"
#include "tests/support/recording_desktop.h"

namespace {

const std::string kOverflow = "Floating point overflow";
const std::string kInvalid = "Invalid floating point operation";
const std::string kDivision = "Floating point division by zero";

class CalcWindows : public ::testing::Test {
 protected:
  void SetUp() override { SetDecimalSeparator(','); }
  void TearDown() override { ResetArithmetic(); }
};

// The outcome of a command as the user sees it: its text, or the error box text, or nothing.
struct Outcome {
  std::string text;
  enum Kind { Text, Silent, Fault, Conversion } kind = Text;
  bool operator==(const Outcome&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Outcome& o) {
  return os << "{" << o.kind << ", '" << o.text << "'}";
}
Outcome Text(std::string t) {
  return {std::move(t), Outcome::Text};
}
Outcome Silent() {
  return {"", Outcome::Silent};
}
Outcome Fault(std::string m) {
  return {std::move(m), Outcome::Fault};
}
Outcome NotANumber(const std::string& t) {
  return {"'" + t + "' is not a valid floating point value", Outcome::Conversion};
}

template <typename F>
Outcome Capture(F&& command) {
  try {
    return Text(command());
  } catch (const SilentAbort&) {
    return Silent();
  } catch (const ArithmeticFault& f) {
    ResetArithmetic();
    return Fault(f.message());
  } catch (const ConversionError& e) {
    return {e.message(), Outcome::Conversion};
  }
}

std::string Digits(char first, int zeros) {
  return first + std::string(zeros, '0');
}

// ---- powers and roots ----

struct PowerRow {
  std::string number;
  int32_t exponent;
  Outcome expected;
};

TEST_F(CalcWindows, PowerAnswerGivesThePowerOrTheFailure) {
  const std::vector<PowerRow> rows = {
      {"2", 10, Text("1024")},
      {"1,5", 2, Text("2,25")},
      {"-2", 3, Text("-8")},
      {"-2", 2, Text("4")},
      {"0", 1, Text("0")},
      {"0", 100, Text("0")},
      {"-0", 3, Text("0")},
      {"0,1", 3, Text("0,001")},
      {"2", 100, Text("1,26765060022823E30")},
      {"1,1", 100, Text("13780,6123398224")},
      {Digits('1', 22), 100, Text("1E2200")},
      {Digits('1', 50), 100, Fault(kOverflow)},
      {"123,456", 1, Text("123,456")},
      {"1E-200", 100, Text("0")},  // far below the extended range: zero, no message
      {",", 2, Text("0")},
      {"", 2, Silent()},
      {"-", 2, NotANumber("-")},
      {"1,2,3", 2, NotANumber("1,2,3")},
      {Digits('1', 309), 1, Fault(kOverflow)},  // beyond the double range when narrowed
      {"1,5E308", 2, Text("2,25E616")},         // inside the double range, squared in extended
  };
  ForEachCase(rows, [](const PowerRow& row) {
    EXPECT_EQ(Capture([&] { return PowerAnswer(row.number, row.exponent); }), row.expected)
        << row.number << " ^ " << row.exponent;
  });
}

TEST_F(CalcWindows, PowerOfTheUnnarrowedBaseWouldDifferInTheLastDigit) {
  // The window narrows 1,1 to a double first; the extended 1,1 ends in ...223 instead.
  EXPECT_EQ(NumberToText(WholePower(1.1L, 100)), "13780,6123398223");
  EXPECT_EQ(NumberToText(WholePower(static_cast<double>(1.1L), 100)), "13780,6123398224");
}

TEST_F(CalcWindows, WholePowerSquaresOnlyWhileBitsRemain) {
  // 1E2500 squared overflows: the power 2 needs that square, the power 1 must not compute it.
  const long double big = TextToNumber("1E2500");
  EXPECT_EQ(WholePower(big, 1), big);
  EXPECT_THROW(WholePower(big, 2), ArithmeticFault);
  ResetArithmetic();
  EXPECT_EQ(WholePower(-3.0L, 5), -243.0L);
  EXPECT_EQ(WholePower(2.0L, 0), 1.0L);
  EXPECT_EQ(WholePower(2.0L, -2), 0.25L);
  EXPECT_FALSE(std::signbit(WholePower(-0.0L, 3)));
}

TEST_F(CalcWindows, SquareRootAnswerGivesTheRootOrTheFailure) {
  const std::vector<std::pair<std::string, Outcome>> rows = {
      {"16", Text("4")},
      {"2", Text("1,4142135623731")},
      {"3", Text("1,73205080756888")},
      {"0,25", Text("0,5")},
      {"-4", Fault(kInvalid)},
      {",", Text("0")},
      {"-0", Text("0")},
      {"", Silent()},
      {"1-2", NotANumber("1-2")},
      {Digits('1', 310), Fault(kOverflow)},
  };
  ForEachCase(rows, [](const auto& row) {
    const auto& [number, expected] = row;
    EXPECT_EQ(Capture([&number = number] { return SquareRootAnswer(number); }), expected) << number;
  });
}

// ---- quadratic equation ----

struct QuadraticRow {
  std::string a, b, c;
  std::map<QuadraticLine, std::string> written;
  std::optional<Outcome> failure;  // the error that ends the solve, if any
};

TEST_F(CalcWindows, QuadraticSolveWritesItsLinesInOrderUpToTheFailure) {
  using L = QuadraticLine;
  const std::string two = "D>0, Уравнение имеет два корня, дискриминант=";
  const std::string one = "D=0, Имеет один корень, дискриминант=";
  const std::string none = "D<0, Уравнение не имеет корней, дискриминант=";
  const std::vector<QuadraticRow> rows = {
      {"1",
       "-3",
       "2",
       {{L::kDiscriminant, two + "1"}, {L::kFirstRoot, "x1=2"}, {L::kSecondRoot, "x2=1"}},
       {}},
      {"2",
       "1",
       "-1",
       {{L::kDiscriminant, two + "9"}, {L::kFirstRoot, "x1=0,5"}, {L::kSecondRoot, "x2=-1"}},
       {}},
      {"1",
       "1",
       "-1",
       {{L::kDiscriminant, two + "5"},
        {L::kFirstRoot, "x1=0,618033988749895"},
        {L::kSecondRoot, "x2=-1,61803398874989"}},
       {}},
      {"1",
       "2",
       "1",
       {{L::kDiscriminant, one + "0"}, {L::kFirstRoot, " x1=-1"}, {L::kSecondRoot, ""}},
       {}},
      {"1",
       "0",
       "0",
       {{L::kDiscriminant, one + "0"}, {L::kFirstRoot, " x1=0"}, {L::kSecondRoot, ""}},
       {}},
      {"1",
       "0",
       "1",
       {{L::kDiscriminant, none + "-4"}, {L::kFirstRoot, ""}, {L::kSecondRoot, ""}},
       {}},
      // A negative a: x1 takes +sqrt(D) and is the smaller root.
      {"-1",
       "0",
       "4",
       {{L::kDiscriminant, two + "16"}, {L::kFirstRoot, "x1=-2"}, {L::kSecondRoot, "x2=2"}},
       {}},
      // a reads as zero but is not the text "0": the discriminant line stays, the roots fail.
      {"0,0", "1", "5", {{L::kDiscriminant, two + "1"}}, Fault(kInvalid)},
      {"0,0", "-1", "5", {{L::kDiscriminant, two + "1"}}, Fault(kDivision)},
      {"-0", "0", "5", {{L::kDiscriminant, one + "0"}}, Fault(kInvalid)},
      {"0", "1", "5", {}, Silent()},
      {"1", "", "5", {}, Silent()},
      {"", "1", "5", {}, Silent()},
      {"1", "1", "", {}, Silent()},
      // Conversion names the first field, in the order a, b, c, that is no number.
      {"-", "x", "1", {}, NotANumber("-")},
      {"1", "1,2,3", "-", {}, NotANumber("1,2,3")},
      {"1", "1", "5-3", {}, NotANumber("5-3")},
      {"1", Digits('1', 155), "1", {}, Fault(kOverflow)},  // discriminant beyond the double range
      // 2a beyond the double range, after the discriminant line is written.
      {"1E308", "1E154", "0", {{L::kDiscriminant, two + "1E308"}}, Fault(kOverflow)},
  };
  ForEachCase(rows, [](const QuadraticRow& row) {
    std::map<QuadraticLine, std::string> written;
    std::vector<QuadraticLine> order;
    const Outcome outcome = Capture([&] {
      SolveQuadratic(row.a, row.b, row.c, [&](QuadraticLine line, const std::string& text) {
        written[line] = text;
        order.push_back(line);
      });
      return std::string("done");
    });
    const std::string where = row.a + "; " + row.b + "; " + row.c;
    EXPECT_EQ(written, row.written) << where;
    EXPECT_EQ(outcome, row.failure.value_or(Text("done"))) << where;
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << where;
  });
}

// ---- arithmetic mean ----

struct MeanRow {
  std::vector<std::string> typed;
  std::vector<std::string> items;
  Outcome line;
};

TEST_F(CalcWindows, MeanLineGivesTheMeanOfTheItemsOrTheFailure) {
  const std::string prefix = "Среднее арифметическое=";
  const std::vector<MeanRow> rows = {
      {{"1", "2", "4"}, {"1", "2", "4"}, Text(prefix + "2,33333333333333")},
      {{"5"}, {"5"}, Text(prefix + "5")},
      {{"-1", "1"}, {"-1", "1"}, Text(prefix + "0")},
      {{"007", "1,50"}, {"7", "1,5"}, Text(prefix + "4,25")},
      {{"123456789012345678"}, {"1,23456789012346E17"}, Text(prefix + "1,23456789012346E17")},
      {{",", "4"}, {"0", "4"}, Text(prefix + "2")},
      {{}, {}, Fault(kInvalid)},
      // The running sum is a double: two numbers near the top of its range overflow it.
      {{"1,7E308", "1,7E308"}, {"1,7E308", "1,7E308"}, Fault(kOverflow)},
      {{"1,7E308", "1,7E308", "-1,7E308"}, {"1,7E308", "1,7E308", "-1,7E308"}, Fault(kOverflow)},
  };
  ForEachCase(rows, [](const MeanRow& row) {
    std::vector<std::string> items;
    for (const std::string& t : row.typed) items.push_back(MeanItem(t));
    EXPECT_EQ(items, row.items);
    EXPECT_EQ(Capture([&] { return MeanLine(items); }), row.line);
  });
}

TEST_F(CalcWindows, MeanItemRefusesWhatCannotBeAdded) {
  EXPECT_EQ(Capture([] { return MeanItem(""); }), Silent());
  EXPECT_EQ(Capture([] { return MeanItem("1,2,3"); }), NotANumber("1,2,3"));
  EXPECT_EQ(Capture([] { return MeanItem("1E309"); }), Fault(kOverflow));
}

// ---- the exponent spin field ----

TEST_F(CalcWindows, SpinValueReadsWholeNumbersAndOtherwiseTheMinimum) {
  const std::vector<std::pair<std::string, int32_t>> rows = {
      {"2", 2}, {"500", 500}, {"-3", -3},         {"", 1},     {"-", 1},    {"2,5", 1},
      {",", 1}, {"7 ", 1},    {"99999999999", 1}, {"$10", 16}, {" 42", 42},
  };
  ForEachCase(rows, [](const auto& row) {
    const auto& [text, value] = row;
    EXPECT_EQ(SpinValue(text, 1), value) << text;
  });
}

TEST_F(CalcWindows, SpinExitReplacesOnlyValuesOutsideTheRange) {
  const std::vector<std::pair<std::string, std::optional<std::string>>> rows = {
      {"500", "100"},        {"101", "100"}, {"0", "1"},  {"-3", "1"}, {"", {}},
      {"2,5", {}},           {"50", {}},     {"100", {}}, {"1", {}},   {"007", {}},
      {"2147483647", "100"},
  };
  ForEachCase(rows, [](const auto& row) {
    const auto& [text, replacement] = row;
    EXPECT_EQ(SpinExitText(text, 1, 100), replacement) << text;
  });
}

TEST_F(CalcWindows, SpinStepsClampIntoTheRange) {
  struct Row {
    std::string text;
    int32_t delta;
    std::string result;
  };
  const std::vector<Row> rows = {
      {"5", 1, "6"},
      {"5", -1, "4"},
      {"100", 1, "100"},
      {"1", -1, "1"},
      {"", 1, "2"},
      {"", -1, "1"},
      {"500", -1, "100"},
      {"-7", 1, "1"},
      {"2147483647", 1, "100"},
      {"-2147483648", -1, "1"},
      {"007", 1, "8"},
  };
  ForEachCase(rows, [](const Row& r) {
    EXPECT_EQ(SpinStepText(r.text, r.delta, 1, 100), r.result) << r.text;
  });
}

TEST_F(CalcWindows, SpinKeyFilterDropsOtherKeysWithABeepOnly) {
  RecordingDesktop desktop;
  for (char32_t key : std::u32string(U"0123456789+-,\b\x01\x03\x16\x18\x1a\x1b"))
    EXPECT_EQ(SpinKeyFilter(key, desktop), key) << static_cast<int>(key);
  EXPECT_TRUE(desktop.events.empty());
  for (char32_t key : std::u32string(U"\r.aE ж")) {
    desktop.Clear();
    EXPECT_EQ(SpinKeyFilter(key, desktop), std::nullopt) << static_cast<int>(key);
    EXPECT_EQ(desktop.events,
              (std::vector<RecordingDesktop::Event>{{RecordingDesktop::Event::Beep, ""}}));
  }
  // The separator follows the regional settings.
  SetDecimalSeparator('.');
  EXPECT_EQ(SpinKeyFilter(U'.', desktop), U'.');
  EXPECT_EQ(SpinKeyFilter(U',', desktop), std::nullopt);
}

}  // namespace
