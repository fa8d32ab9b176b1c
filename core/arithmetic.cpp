// The checked arithmetic. Faults are found by the status flags, not by traps: a trap handler
// cannot throw, and traps would also fire inside the toolkit's own arithmetic. The operands and
// the result pass through volatile locals so that the optimiser can neither fold the operation
// at compile time nor move it past the flag test.
#include "core/arithmetic.h"

#include <cfenv>
#include <cmath>

namespace {

void StartClean() {
  std::feclearexcept(FE_ALL_EXCEPT);
}

// Invalid first: 0/0 raises only invalid; then division by zero, then overflow. Underflow and
// inexact pass. Either way no flag is left behind for the next operation.
void CheckFaults() {
  const int raised = std::fetestexcept(FE_INVALID | FE_DIVBYZERO | FE_OVERFLOW);
  std::feclearexcept(FE_ALL_EXCEPT);
  if (raised == 0) return;
  if ((raised & FE_INVALID) != 0) throw ArithmeticFault(ArithmeticFault::Kind::kInvalidOperation);
  if ((raised & FE_DIVBYZERO) != 0) throw ArithmeticFault(ArithmeticFault::Kind::kDivisionByZero);
  throw ArithmeticFault(ArithmeticFault::Kind::kOverflow);
}

}  // namespace

long double Add(long double a, long double b) {
  StartClean();
  volatile long double x = a;
  volatile long double y = b;
  volatile long double result = x + y;
  CheckFaults();
  return result;
}

long double Subtract(long double a, long double b) {
  StartClean();
  volatile long double x = a;
  volatile long double y = b;
  volatile long double result = x - y;
  CheckFaults();
  return result;
}

long double Multiply(long double a, long double b) {
  StartClean();
  volatile long double x = a;
  volatile long double y = b;
  volatile long double result = x * y;
  CheckFaults();
  return result;
}

long double Divide(long double a, long double b) {
  StartClean();
  volatile long double x = a;
  volatile long double y = b;
  volatile long double result = x / y;
  CheckFaults();
  return result;
}

long double SquareRoot(long double value) {
  StartClean();
  volatile long double x = value;
  volatile long double result = std::sqrt(x);
  CheckFaults();
  return result;
}

int64_t RoundToInteger(long double value) {
  // llrint rounds by the current mode (to nearest, ties to even, for the whole run) and raises
  // invalid outside the 64-bit range, where a plain conversion would be undefined.
  StartClean();
  volatile long double x = value;
  volatile long long result = std::llrint(x);
  CheckFaults();
  return result;
}

double NarrowToDouble(long double value) {
  StartClean();
  volatile long double x = value;
  volatile double result = static_cast<double>(x);
  CheckFaults();
  return result;
}

void ResetArithmetic() {
  std::feclearexcept(FE_ALL_EXCEPT);
}
