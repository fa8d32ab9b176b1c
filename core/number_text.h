// How field text becomes a number and back.
#pragma once

#include <cfloat>
#include <cstdint>
#include <limits>
#include <string>

#include "core/faults.h"

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
