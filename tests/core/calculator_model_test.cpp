#include "core/calculator_model.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <string>
#include <utility>
#include <vector>

#include "core/number_text.h"
#include "tests/core/core_test_support.h"
#include "tests/support/cases.h"

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

  // The failure's words for a case: the command, then the texts it starts from.
  static std::string Command(Handler handler, std::string_view first, std::string_view second) {
    return HandlerName(handler) + " " + cases::Quoted(first) + " and " + cases::Quoted(second);
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

TEST_F(Calculator, TwoOperandCommandsAnswerAndFocus) {
  const BinaryCase kCases[] = {
      {"0,1", &CalculatorModel::Button1Click, "0,2", "0,3"},
      {"1", &CalculatorModel::Button5Click, "3", "0,333333333333333"},
      {"2", &CalculatorModel::Button5Click, "3", "0,666666666666667"},
      {"10", &CalculatorModel::Button5Click, "4", "2,5"},
      {"123456789", &CalculatorModel::Button4Click, "987654321", "1,21932631112635E17"},
      {"5", &CalculatorModel::Button2Click, "7,5", "-2,5"},
      {"1,5", &CalculatorModel::Button1Click, "2", "3,5"},
      {"1E-4000", &CalculatorModel::Button4Click, "1E-4000", "0"},
      {"1,21932631112635E17", &CalculatorModel::Button4Click, "1", "1,21932631112635E17"},
      {"-,", &CalculatorModel::Button4Click, "5", "0"},
      {"10", &CalculatorModel::Button5Click, "-0,0001", "-100000"}};
  ForEachCase(kCases, [&](const BinaryCase& c) {
    SCOPED_TRACE(Command(c.operation, c.first, c.second));
    desktop_.Clear();
    CalculatorModel model = Model(c.first, c.second, "old");
    EXPECT_EQ((model.*c.operation)(), Focus::kFirst);
    EXPECT_EQ(model.answer, c.answer);
    EXPECT_EQ(model.first, c.first);
    EXPECT_EQ(model.second, c.second);
    EXPECT_TRUE(desktop_.events.empty());
  });
}

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

TEST_F(Calculator, TwoOperandFailuresWriteNothing) {
  // The case "a" / "b": the first operand is converted first.
  const BinaryFailureCase kCases[] = {
      {"", &CalculatorModel::Button1Click, "", ""},
      {"", &CalculatorModel::Button2Click, "5", ""},
      {"5", &CalculatorModel::Button4Click, "", ""},
      {"", &CalculatorModel::Button5Click, "0", ""},
      {"x", &CalculatorModel::Button5Click, "", ""},
      {"1", &CalculatorModel::Button5Click, "0,0", "Floating point division by zero."},
      {"1", &CalculatorModel::Button5Click, "-0", "Floating point division by zero."},
      {"1", &CalculatorModel::Button5Click, "00", "Floating point division by zero."},
      {"1", &CalculatorModel::Button5Click, "0,", "Floating point division by zero."},
      {"1", &CalculatorModel::Button5Click, " 0", "Floating point division by zero."},
      {"0", &CalculatorModel::Button5Click, "0,0", "Invalid floating point operation."},
      {"1E4000", &CalculatorModel::Button4Click, "1E4000", "Floating point overflow."},
      {"1E4932", &CalculatorModel::Button1Click, "1E4932", "Floating point overflow."},
      {"-1E4932", &CalculatorModel::Button2Click, "1E4932", "Floating point overflow."},
      {"1E4000", &CalculatorModel::Button5Click, "1E-4000", "Floating point overflow."},
      {"-", &CalculatorModel::Button1Click, "2", "'-' is not a valid floating point value."},
      {"5-3", &CalculatorModel::Button2Click, "2", "'5-3' is not a valid floating point value."},
      {"2", &CalculatorModel::Button4Click, "1,5,2",
       "'1,5,2' is not a valid floating point value."},
      {"a", &CalculatorModel::Button5Click, "b", "'a' is not a valid floating point value."},
      {"--", &CalculatorModel::Button5Click, "0,0", "'--' is not a valid floating point value."}};
  ForEachCase(kCases, [&](const BinaryFailureCase& c) {
    SCOPED_TRACE(Command(c.operation, c.first, c.second));
    desktop_.Clear();
    CalculatorModel model = Model(c.first, c.second, "7");
    // Start clean: the runtime may leave an inexact flag from its own start-up.
    std::feclearexcept(FE_ALL_EXCEPT);
    EXPECT_EQ(Failure(model, c.operation), c.shown);
    EXPECT_EQ(model.first, c.first);
    EXPECT_EQ(model.second, c.second);
    EXPECT_EQ(model.answer, "7");
    EXPECT_TRUE(desktop_.events.empty());
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), 0);
  });
}

TEST_F(Calculator, DivideByTheTextZeroOnlyShowsTheMessage) {
  ForEachCase({"5", "0", "x"}, [&](const char* first) {
    desktop_.events.clear();
    CalculatorModel model = Model(first, "0", "12");
    EXPECT_EQ(model.Button5Click(), Focus::kFirst);
    EXPECT_EQ(model.answer, "12");
    EXPECT_EQ(Requests(desktop_), std::vector<std::string>{"info:На ноль делить нельзя!"});
  });
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

TEST_F(Calculator, AnswerCommandsAnswerAndFocus) {
  const AnswerCase kCases[] = {
      {"2,5", &CalculatorModel::Button10Click, "2"},
      {"3,5", &CalculatorModel::Button10Click, "4"},
      {"-2,5", &CalculatorModel::Button10Click, "-2"},
      {"12,5", &CalculatorModel::Button12Click, "0,125"},
      {"-3", &CalculatorModel::Button13Click, "9"},
      {"9E18", &CalculatorModel::Button10Click, "9E18"},
      {"123456789012345,5", &CalculatorModel::Button10Click, "123456789012346"},
      {"1E-4000", &CalculatorModel::Button13Click, "0"},
      {"0,3", &CalculatorModel::Button12Click, "0,003"},
      {"1,21932631112635E17", &CalculatorModel::Button13Click, "1,48675665300499E34"}};
  ForEachCase(kCases, [&](const AnswerCase& c) {
    SCOPED_TRACE(HandlerName(c.operation) + " " + cases::Quoted(c.before));
    desktop_.Clear();
    CalculatorModel model = Model("a", "b", c.before);
    EXPECT_EQ((model.*c.operation)(), Focus::kFirst);
    EXPECT_EQ(model.answer, c.after);
    EXPECT_EQ(model.first, "a");
    EXPECT_EQ(model.second, "b");
    EXPECT_TRUE(desktop_.events.empty());
  });
}

struct AnswerFailureCase {
  const char* before;
  Handler operation;
  const char* shown;
  std::vector<std::string> events;
};

TEST_F(Calculator, AnswerFailuresLeaveTheAnswer) {
  const AnswerFailureCase kCases[] = {
      {"", &CalculatorModel::Button10Click, "", {"info:Невозможно округлить результат!"}},
      {"", &CalculatorModel::Button12Click, "", {}},
      {"", &CalculatorModel::Button13Click, "", {}},
      {"1E19", &CalculatorModel::Button10Click, "Invalid floating point operation.", {}},
      {"1E3000", &CalculatorModel::Button13Click, "Floating point overflow.", {}},
      {"1,5,2",
       &CalculatorModel::Button12Click,
       "'1,5,2' is not a valid floating point value.",
       {}},
      {" ", &CalculatorModel::Button10Click, "' ' is not a valid floating point value.", {}}};
  ForEachCase(kCases, [&](const AnswerFailureCase& c) {
    SCOPED_TRACE(HandlerName(c.operation) + " " + cases::Quoted(c.before));
    desktop_.Clear();
    CalculatorModel model = Model("1", "2", c.before);
    EXPECT_EQ(Failure(model, c.operation), c.shown);
    EXPECT_EQ(model.answer, c.before);
    EXPECT_EQ(model.first, "1");
    EXPECT_EQ(model.second, "2");
    EXPECT_EQ(Requests(desktop_), c.events);
  });
}

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

TEST_F(Calculator, MovesCopyTextsVerbatim) {
  const MoveCase kCases[] = {
      {&CalculatorModel::Button8Click, "", "1,5,2", "4E", Focus::kFirst},
      {&CalculatorModel::Button9Click, "-", "", "4E", Focus::kSecond},
      {&CalculatorModel::Button3Click, "4E", "-", "", Focus::kSecond},
      {&CalculatorModel::Button11Click, "-", "1,5,2", "4E", Focus::kUnchanged},
      {&CalculatorModel::N18Click, "", "", "", Focus::kFirst},
      {&CalculatorModel::Button6Click, "", "", "", Focus::kFirst},
      {&CalculatorModel::Edit1DblClick, "", "-", "4E", Focus::kUnchanged},
      {&CalculatorModel::Edit2DblClick, "1,5,2", "", "4E", Focus::kUnchanged},
      {&CalculatorModel::Edit3DblClick, "1,5,2", "-", "", Focus::kUnchanged}};
  ForEachCase(kCases, [&](const MoveCase& c) {
    SCOPED_TRACE(HandlerName(c.operation));
    desktop_.Clear();
    CalculatorModel model = Model("1,5,2", "-", "4E");
    EXPECT_EQ((model.*c.operation)(), c.focus);
    EXPECT_EQ(model.first, c.first);
    EXPECT_EQ(model.second, c.second);
    EXPECT_EQ(model.answer, c.answer);
    EXPECT_TRUE(desktop_.events.empty());
  });
}

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
