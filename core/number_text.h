// How field text becomes a number and back, the key filters of the numeric fields, and the
// arithmetic of the extended number with its faults.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>

#include "core/faults.h"

class Desktop;

static_assert(std::numeric_limits<long double>::digits == 64,
              "the calculator needs the 80-bit extended number with a 64-bit significand");

// Program-wide decimal separator (',' under Russian regional settings).
void SetDecimalSeparator(char separator);
char DecimalSeparator();

// Text -> extended number. Throws ConversionError "'%s' is not a valid floating point value".
long double TextToNumber(const std::string& text);
// Extended number -> text, 15 significant digits in the general format.
std::string NumberToText(long double value);
// Text -> 32-bit integer (decimal or $/x/0x hexadecimal). Throws ConversionError.
int32_t TextToInteger(const std::string& text);
std::string IntegerToText(int32_t value);

// Key filters: the character to insert, or nothing when refused (after a beep and the
// information message, both through `desktop`). `key` is a Unicode code point.
std::optional<char32_t> DecimalKeyFilter(char32_t key, Desktop& desktop);
std::optional<char32_t> IntegerKeyFilter(char32_t key, Desktop& desktop);

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
