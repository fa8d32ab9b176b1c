// TextToNumber on arbitrary text. The first byte chooses the decimal separator. A text that is
// accepted must give a finite value equal to glibc's strtold of the same text, and render to a
// text that reads back to the same rendering; a refused text must be named in the message.
// Neither may leave a floating-point flag raised.
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char separator = (data[0] & 1) != 0 ? '.' : ',';
  SetDecimalSeparator(separator);
  const std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
  std::feclearexcept(FE_ALL_EXCEPT);
  try {
    const long double value = TextToNumber(text);
    if (!std::isfinite(value)) std::abort();
    if (std::fetestexcept(FE_ALL_EXCEPT) != 0) std::abort();

    // strtold reads the same grammar for accepted texts once the separator is a point
    // (it stops at an exponent letter without digits and at trailing blanks).
    std::string c_text = text;
    for (char& c : c_text) {
      if (c == separator) c = '.';
    }
    const long double reference = std::strtold(c_text.c_str(), nullptr);
    if (reference != value) std::abort();
    std::feclearexcept(FE_ALL_EXCEPT);

    const std::string rendered = NumberToText(value);
    if (NumberToText(TextToNumber(rendered)) != rendered) std::abort();
  } catch (const ConversionError& e) {
    if (e.message() != "'" + text + "' is not a valid floating point value") {
      std::abort();
    }
  }
  if (std::fetestexcept(FE_ALL_EXCEPT) != 0) std::abort();
  return 0;
}
