// The arithmetic of the extended number, with its faults.
#pragma once

#include <cstdint>

#include "core/faults.h"

// Checked extended arithmetic: invalid operation, division by zero and overflow throw
// ArithmeticFault; underflow and inexact pass. No fault flag is left pending afterwards.
long double Add(long double a, long double b);
long double Subtract(long double a, long double b);
long double Multiply(long double a, long double b);
long double Divide(long double a, long double b);
long double SquareRoot(long double x);
// Nearest whole number, ties to even; outside the 64-bit range "Invalid floating point operation".
int64_t RoundToInteger(long double x);
// Narrowing to a 64-bit double, to nearest; beyond the double range "Floating point overflow".
double NarrowToDouble(long double x);
// Clears every pending floating-point flag (the start settings of a command).
void ResetArithmetic();
