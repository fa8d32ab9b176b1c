#include "core/calculator_model.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <utility>
#include <vector>

#include "core/number_text.h"
#include "tests/core/core_test_support.h"
#include "tests/support/test_names.h"

namespace {

using Focus = CalculatorModel::Focus;
using Handler = Focus (CalculatorModel::*)();

// What a handler does, in the words of the buttons and menu items it serves.
std::string HandlerName(Handler handler) {
  const std::pair<Handler, const char*> names[] = {
      {&CalculatorModel::Button1Click, "Add"},
      {&CalculatorModel::Button2Click, "Subtract"},
      {&CalculatorModel::Button4Click, "Multiply"},
      {&CalculatorModel::Button5Click, "Divide"},
      {&CalculatorModel::Button12Click, "Percent"},
      {&CalculatorModel::Button13Click, "Square"},
      {&CalculatorModel::Button10Click, "Round"},
      {&CalculatorModel::Button7Click, "Pi"},
      {&CalculatorModel::Button8Click, "FirstToSecond"},
      {&CalculatorModel::Button9Click, "SecondToFirst"},
      {&CalculatorModel::Button3Click, "AnswerToFirst"},
      {&CalculatorModel::Button11Click, "Swap"},
      {&CalculatorModel::N18Click, "ClearMenu"},
      {&CalculatorModel::Button6Click, "ClearButton"},
      {&CalculatorModel::Edit1DblClick, "DoubleClickFirst"},
      {&CalculatorModel::Edit2DblClick, "DoubleClickSecond"},
      {&CalculatorModel::Edit3DblClick, "DoubleClickAnswer"},
  };
  for (const auto& [named, name] : names)
    if (named == handler) return name;
  return "UnnamedHandler";
}

const char* FocusName(Focus focus) {
  switch (focus) {
    case Focus::kFirst:
      return "on the first field";
    case Focus::kSecond:
      return "on the second field";
    case Focus::kUnchanged:
      return "where it was";
  }
  return "?";
}

// "Divide_1_and_0_comma_0": the operation, then the operands as typed.
template <typename Case>
std::string OperandsName(const testing::TestParamInfo<Case>& info) {
  return HandlerName(info.param.operation) + "_" + test_names::Spelled(info.param.first) + "_and_" +
         test_names::Spelled(info.param.second);
}

// "Round_2_comma_5": the operation, then the answer it starts from.
template <typename Case>
std::string AnswerName(const testing::TestParamInfo<Case>& info) {
  return HandlerName(info.param.operation) + "_" + test_names::Spelled(info.param.before);
}

class Calculator : public testing::Test {
 protected:
  Calculator() : comma_(',') {}

  CalculatorModel Model(const std::string& first, const std::string& second,
                        const std::string& answer) {
    CalculatorModel model(desktop_);
    model.first = first;
    model.second = second;
    model.answer = answer;
    return model;
  }

  // Runs the handler and gives the error box text ("" for SilentAbort, "(none)" when it
  // finished).
  static std::string Failure(CalculatorModel& model, Handler handler) {
    try {
      (model.*handler)();
    } catch (const SilentAbort&) {
      return "";
    } catch (const MessageError& e) {
      return ErrorBoxText(e.message());
    }
    return "(none)";
  }

  SeparatorScope comma_;
  RecordingDesktop desktop_;
};

// ---- Two operands ----------------------------------------------------------------------------

struct BinaryCase {
  const char* first;
  Handler operation;
  const char* second;
  const char* answer;
};

void PrintTo(const BinaryCase& c, std::ostream* os) {
  *os << HandlerName(c.operation) << " " << test_names::Quoted(c.first) << " and "
      << test_names::Quoted(c.second) << " gives " << test_names::Quoted(c.answer);
}

class TwoOperandCommand : public Calculator, public testing::WithParamInterface<BinaryCase> {};

TEST_P(TwoOperandCommand, AnswerAndFocus) {
  const BinaryCase& c = GetParam();
  CalculatorModel model = Model(c.first, c.second, "old");
  EXPECT_EQ((model.*c.operation)(), Focus::kFirst);
  EXPECT_EQ(model.answer, c.answer);
  EXPECT_EQ(model.first, c.first);
  EXPECT_EQ(model.second, c.second);
  EXPECT_TRUE(desktop_.events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    AddSubtractMultiplyDivide, TwoOperandCommand,
    testing::Values(BinaryCase{"0,1", &CalculatorModel::Button1Click, "0,2", "0,3"},
                    BinaryCase{"1", &CalculatorModel::Button5Click, "3", "0,333333333333333"},
                    BinaryCase{"2", &CalculatorModel::Button5Click, "3", "0,666666666666667"},
                    BinaryCase{"10", &CalculatorModel::Button5Click, "4", "2,5"},
                    BinaryCase{"123456789", &CalculatorModel::Button4Click, "987654321",
                               "1,21932631112635E17"},
                    BinaryCase{"5", &CalculatorModel::Button2Click, "7,5", "-2,5"},
                    BinaryCase{"1,5", &CalculatorModel::Button1Click, "2", "3,5"},
                    BinaryCase{"1E-4000", &CalculatorModel::Button4Click, "1E-4000", "0"},
                    BinaryCase{"1,21932631112635E17", &CalculatorModel::Button4Click, "1",
                               "1,21932631112635E17"},
                    BinaryCase{"-,", &CalculatorModel::Button4Click, "5", "0"},
                    BinaryCase{"10", &CalculatorModel::Button5Click, "-0,0001", "-100000"}),
    OperandsName<BinaryCase>);

TEST_F(Calculator, PointSeparator) {
  SeparatorScope point('.');
  CalculatorModel model = Model("0.1", "0.2", "");
  model.Button1Click();
  EXPECT_EQ(model.answer, "0.3");
  model.second = "4";
  model.first = "10";
  model.Button5Click();
  EXPECT_EQ(model.answer, "2.5");
  model.first = "1,5";
  EXPECT_EQ(Failure(model, &CalculatorModel::Button1Click),
            "'1,5' is not a valid floating point value.");
  EXPECT_EQ(model.answer, "2.5");
}

struct BinaryFailureCase {
  const char* first;
  Handler operation;
  const char* second;
  const char* shown;  // error box text; "" for the silent end
};

void PrintTo(const BinaryFailureCase& c, std::ostream* os) {
  *os << HandlerName(c.operation) << " " << test_names::Quoted(c.first) << " and "
      << test_names::Quoted(c.second) << " shows " << test_names::Quoted(c.shown);
}

class BinaryFailure : public Calculator, public testing::WithParamInterface<BinaryFailureCase> {};

TEST_P(BinaryFailure, WritesNothing) {
  const BinaryFailureCase& c = GetParam();
  CalculatorModel model = Model(c.first, c.second, "7");
  // Start clean: the runtime may leave an inexact flag from its own start-up.
  std::feclearexcept(FE_ALL_EXCEPT);
  EXPECT_EQ(Failure(model, c.operation), c.shown);
  EXPECT_EQ(model.first, c.first);
  EXPECT_EQ(model.second, c.second);
  EXPECT_EQ(model.answer, "7");
  EXPECT_TRUE(desktop_.events.empty());
  EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Table, BinaryFailure,
    testing::Values(BinaryFailureCase{"", &CalculatorModel::Button1Click, "", ""},
                    BinaryFailureCase{"", &CalculatorModel::Button2Click, "5", ""},
                    BinaryFailureCase{"5", &CalculatorModel::Button4Click, "", ""},
                    BinaryFailureCase{"", &CalculatorModel::Button5Click, "0", ""},
                    BinaryFailureCase{"x", &CalculatorModel::Button5Click, "", ""},
                    BinaryFailureCase{"1", &CalculatorModel::Button5Click, "0,0",
                                      "Floating point division by zero."},
                    BinaryFailureCase{"1", &CalculatorModel::Button5Click, "-0",
                                      "Floating point division by zero."},
                    BinaryFailureCase{"1", &CalculatorModel::Button5Click, "00",
                                      "Floating point division by zero."},
                    BinaryFailureCase{"1", &CalculatorModel::Button5Click, "0,",
                                      "Floating point division by zero."},
                    BinaryFailureCase{"1", &CalculatorModel::Button5Click, " 0",
                                      "Floating point division by zero."},
                    BinaryFailureCase{"0", &CalculatorModel::Button5Click, "0,0",
                                      "Invalid floating point operation."},
                    BinaryFailureCase{"1E4000", &CalculatorModel::Button4Click, "1E4000",
                                      "Floating point overflow."},
                    BinaryFailureCase{"1E4932", &CalculatorModel::Button1Click, "1E4932",
                                      "Floating point overflow."},
                    BinaryFailureCase{"-1E4932", &CalculatorModel::Button2Click, "1E4932",
                                      "Floating point overflow."},
                    BinaryFailureCase{"1E4000", &CalculatorModel::Button5Click, "1E-4000",
                                      "Floating point overflow."},
                    BinaryFailureCase{"-", &CalculatorModel::Button1Click, "2",
                                      "'-' is not a valid floating point value."},
                    BinaryFailureCase{"5-3", &CalculatorModel::Button2Click, "2",
                                      "'5-3' is not a valid floating point value."},
                    BinaryFailureCase{"2", &CalculatorModel::Button4Click, "1,5,2",
                                      "'1,5,2' is not a valid floating point value."},
                    // The first operand is converted first.
                    BinaryFailureCase{"a", &CalculatorModel::Button5Click, "b",
                                      "'a' is not a valid floating point value."},
                    BinaryFailureCase{"--", &CalculatorModel::Button5Click, "0,0",
                                      "'--' is not a valid floating point value."}),
    OperandsName<BinaryFailureCase>);

TEST_F(Calculator, DivideByTheTextZeroOnlyShowsTheMessage) {
  for (const char* first : {"5", "0", "x"}) {
    desktop_.events.clear();
    CalculatorModel model = Model(first, "0", "12");
    EXPECT_EQ(model.Button5Click(), Focus::kFirst);
    EXPECT_EQ(model.answer, "12");
    EXPECT_EQ(Requests(desktop_), std::vector<std::string>{"info:На ноль делить нельзя!"});
  }
}

TEST_F(Calculator, AfterAFaultTheNextOperationComputesNormally) {
  CalculatorModel model = Model("1", "0,0", "");
  EXPECT_EQ(Failure(model, &CalculatorModel::Button5Click), "Floating point division by zero.");
  model.second = "4";
  EXPECT_EQ(model.Button5Click(), Focus::kFirst);
  EXPECT_EQ(model.answer, "0,25");
  model.first = "1E4000";
  model.second = "1E4000";
  EXPECT_EQ(Failure(model, &CalculatorModel::Button4Click), "Floating point overflow.");
  model.first = "3";
  model.second = "3";
  model.Button4Click();
  EXPECT_EQ(model.answer, "9");
}

// ---- The answer alone ------------------------------------------------------------------------

struct AnswerCase {
  const char* before;
  Handler operation;
  const char* after;
};

void PrintTo(const AnswerCase& c, std::ostream* os) {
  *os << HandlerName(c.operation) << " " << test_names::Quoted(c.before) << " gives "
      << test_names::Quoted(c.after);
}

class AnswerCommand : public Calculator, public testing::WithParamInterface<AnswerCase> {};

TEST_P(AnswerCommand, AnswerAndFocus) {
  const AnswerCase& c = GetParam();
  CalculatorModel model = Model("a", "b", c.before);
  EXPECT_EQ((model.*c.operation)(), Focus::kFirst);
  EXPECT_EQ(model.answer, c.after);
  EXPECT_EQ(model.first, "a");
  EXPECT_EQ(model.second, "b");
  EXPECT_TRUE(desktop_.events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    RoundPercentSquare, AnswerCommand,
    testing::Values(
        AnswerCase{"2,5", &CalculatorModel::Button10Click, "2"},
        AnswerCase{"3,5", &CalculatorModel::Button10Click, "4"},
        AnswerCase{"-2,5", &CalculatorModel::Button10Click, "-2"},
        AnswerCase{"12,5", &CalculatorModel::Button12Click, "0,125"},
        AnswerCase{"-3", &CalculatorModel::Button13Click, "9"},
        AnswerCase{"9E18", &CalculatorModel::Button10Click, "9E18"},
        AnswerCase{"123456789012345,5", &CalculatorModel::Button10Click, "123456789012346"},
        AnswerCase{"1E-4000", &CalculatorModel::Button13Click, "0"},
        AnswerCase{"0,3", &CalculatorModel::Button12Click, "0,003"},
        AnswerCase{"1,21932631112635E17", &CalculatorModel::Button13Click, "1,48675665300499E34"}),
    AnswerName<AnswerCase>);

struct AnswerFailureCase {
  const char* before;
  Handler operation;
  const char* shown;
  std::vector<std::string> events;
};

void PrintTo(const AnswerFailureCase& c, std::ostream* os) {
  *os << HandlerName(c.operation) << " " << test_names::Quoted(c.before) << " shows "
      << test_names::Quoted(c.shown);
  for (const std::string& event : c.events) *os << ", then " << test_names::Quoted(event);
}

class AnswerFailure : public Calculator, public testing::WithParamInterface<AnswerFailureCase> {};

TEST_P(AnswerFailure, AnswerUnchanged) {
  const AnswerFailureCase& c = GetParam();
  CalculatorModel model = Model("1", "2", c.before);
  EXPECT_EQ(Failure(model, c.operation), c.shown);
  EXPECT_EQ(model.answer, c.before);
  EXPECT_EQ(model.first, "1");
  EXPECT_EQ(model.second, "2");
  EXPECT_EQ(Requests(desktop_), c.events);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AnswerFailure,
    testing::Values(
        AnswerFailureCase{
            "", &CalculatorModel::Button10Click, "", {"info:Невозможно округлить результат!"}},
        AnswerFailureCase{"", &CalculatorModel::Button12Click, "", {}},
        AnswerFailureCase{"", &CalculatorModel::Button13Click, "", {}},
        AnswerFailureCase{
            "1E19", &CalculatorModel::Button10Click, "Invalid floating point operation.", {}},
        AnswerFailureCase{
            "1E3000", &CalculatorModel::Button13Click, "Floating point overflow.", {}},
        AnswerFailureCase{"1,5,2",
                          &CalculatorModel::Button12Click,
                          "'1,5,2' is not a valid floating point value.",
                          {}},
        AnswerFailureCase{
            " ", &CalculatorModel::Button10Click, "' ' is not a valid floating point value.", {}}),
    AnswerName<AnswerFailureCase>);

// ---- Pi, moves, swap and clearing ------------------------------------------------------------

TEST_F(Calculator, PiTwiceFocusesTheSecondField) {
  CalculatorModel model = Model("7", "8", "9");
  EXPECT_EQ(model.Button7Click(), Focus::kSecond);
  EXPECT_EQ(model.Button7Click(), Focus::kSecond);
  EXPECT_EQ(model.first, "3,14159265358979");
  EXPECT_EQ(model.second, "8");
  EXPECT_EQ(model.answer, "9");
}

struct MoveCase {
  Handler operation;
  const char* first;
  const char* second;
  const char* answer;
  Focus focus;
};

void PrintTo(const MoveCase& c, std::ostream* os) {
  *os << HandlerName(c.operation) << " leaves " << test_names::Quoted(c.first) << ", "
      << test_names::Quoted(c.second) << ", " << test_names::Quoted(c.answer) << " and the focus "
      << FocusName(c.focus);
}

class Moves : public Calculator, public testing::WithParamInterface<MoveCase> {};

TEST_P(Moves, CopyTextsVerbatim) {
  const MoveCase& c = GetParam();
  CalculatorModel model = Model("1,5,2", "-", "4E");
  EXPECT_EQ((model.*c.operation)(), c.focus);
  EXPECT_EQ(model.first, c.first);
  EXPECT_EQ(model.second, c.second);
  EXPECT_EQ(model.answer, c.answer);
  EXPECT_TRUE(desktop_.events.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Moves,
    testing::Values(MoveCase{&CalculatorModel::Button8Click, "", "1,5,2", "4E", Focus::kFirst},
                    MoveCase{&CalculatorModel::Button9Click, "-", "", "4E", Focus::kSecond},
                    MoveCase{&CalculatorModel::Button3Click, "4E", "-", "", Focus::kSecond},
                    MoveCase{&CalculatorModel::Button11Click, "-", "1,5,2", "4E",
                             Focus::kUnchanged},
                    MoveCase{&CalculatorModel::N18Click, "", "", "", Focus::kFirst},
                    MoveCase{&CalculatorModel::Button6Click, "", "", "", Focus::kFirst},
                    MoveCase{&CalculatorModel::Edit1DblClick, "", "-", "4E", Focus::kUnchanged},
                    MoveCase{&CalculatorModel::Edit2DblClick, "1,5,2", "", "4E", Focus::kUnchanged},
                    MoveCase{&CalculatorModel::Edit3DblClick, "1,5,2", "-", "", Focus::kUnchanged}),
    [](const testing::TestParamInfo<MoveCase>& test) { return HandlerName(test.param.operation); });

TEST_F(Calculator, MovingAnEmptyAnswerEmptiesTheFirstField) {
  CalculatorModel model = Model("5", "6", "");
  EXPECT_EQ(model.Button3Click(), Focus::kSecond);
  EXPECT_EQ(model.first, "");
  EXPECT_EQ(model.second, "6");
}

TEST_F(Calculator, SwapMovesAnEmptyOperand) {
  CalculatorModel model = Model("", "6", "");
  model.Button11Click();
  EXPECT_EQ(model.first, "6");
  EXPECT_EQ(model.second, "");
}

TEST_F(Calculator, AnExponentAnswerIsUsableAsAnOperand) {
  CalculatorModel model = Model("123456789", "987654321", "");
  model.Button4Click();
  model.Button3Click();
  EXPECT_EQ(model.first, "1,21932631112635E17");
  model.second = "1,21932631112635E17";
  model.Button2Click();
  EXPECT_EQ(model.answer, "0");
}

}  // namespace
