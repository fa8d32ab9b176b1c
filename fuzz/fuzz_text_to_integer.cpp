// TextToInteger on arbitrary text. An accepted value renders and reads back to itself, an
// accepted plain decimal text agrees with strtoll, and a refused text is named in the message.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/number_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  try {
    const int32_t value = TextToInteger(text);
    if (TextToInteger(IntegerToText(value)) != value) std::abort();
    if (text.find_first_of("$xX") == std::string::npos &&
        std::strtoll(text.c_str(), nullptr, 10) != value) {
      std::abort();
    }
  } catch (const ConversionError& e) {
    if (e.message() != "'" + text + "' is not a valid integer value") std::abort();
  }
  return 0;
}
