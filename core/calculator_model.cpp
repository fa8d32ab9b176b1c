#include "core/calculator_model.h"

#include <utility>

#include "core/arithmetic.h"
#include "core/desktop.h"
#include "core/number_text.h"

namespace {

constexpr long double kPi = 3.14159265358979323846264338327950288L;

using Operation = long double (*)(long double, long double);

void RequireOperands(const std::string& first, const std::string& second) {
  if (first.empty()) Abort();
  if (second.empty()) Abort();
}

// Converts both texts, first then second, and renders the result. Throws before the caller
// writes anything.
std::string Compute(const std::string& first, const std::string& second, Operation operation) {
  const long double a = TextToNumber(first);
  const long double b = TextToNumber(second);
  return NumberToText(operation(a, b));
}

}  // namespace

CalculatorModel::Focus CalculatorModel::Button1Click() {
  RequireOperands(first, second);
  answer = Compute(first, second, Add);
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button2Click() {
  RequireOperands(first, second);
  answer = Compute(first, second, Subtract);
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button4Click() {
  RequireOperands(first, second);
  answer = Compute(first, second, Multiply);
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button5Click() {
  RequireOperands(first, second);
  // Only the literal text "0" is caught here; other zeros reach the division and its fault.
  if (second == "0") {
    desktop_.ShowInformation("На ноль делить нельзя!");
    return Focus::kFirst;
  }
  answer = Compute(first, second, Divide);
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button12Click() {
  if (answer.empty()) Abort();
  const long double x = TextToNumber(answer);
  answer = NumberToText(Divide(x, 100));
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button13Click() {
  if (answer.empty()) Abort();
  const long double x = TextToNumber(answer);
  answer = NumberToText(Multiply(x, x));
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button10Click() {
  if (answer.empty()) {
    desktop_.ShowInformation("Невозможно округлить результат!");
    Abort();
  }
  const long double x = TextToNumber(answer);
  answer = NumberToText(static_cast<long double>(RoundToInteger(x)));
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button7Click() {
  first = NumberToText(kPi);
  return Focus::kSecond;
}

CalculatorModel::Focus CalculatorModel::Button8Click() {
  second = first;
  first.clear();
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button9Click() {
  first = second;
  second.clear();
  return Focus::kSecond;
}

CalculatorModel::Focus CalculatorModel::Button3Click() {
  first = answer;
  answer.clear();
  return Focus::kSecond;
}

CalculatorModel::Focus CalculatorModel::Button11Click() {
  std::swap(first, second);
  return Focus::kUnchanged;
}

CalculatorModel::Focus CalculatorModel::N18Click() {
  first.clear();
  second.clear();
  answer.clear();
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Button6Click() {
  N18Click();
  return Focus::kFirst;
}

CalculatorModel::Focus CalculatorModel::Edit1DblClick() {
  first.clear();
  return Focus::kUnchanged;
}

CalculatorModel::Focus CalculatorModel::Edit2DblClick() {
  second.clear();
  return Focus::kUnchanged;
}

CalculatorModel::Focus CalculatorModel::Edit3DblClick() {
  answer.clear();
  return Focus::kUnchanged;
}
