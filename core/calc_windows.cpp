#include "core/calc_windows.h"

#include <algorithm>

#include "core/arithmetic.h"
#include "core/desktop.h"
#include "core/faults.h"
#include "core/number_text.h"

namespace {

// A typed number as the windows hold it: read into the extended number, narrowed at once.
double ReadDouble(const std::string& text) {
  return NarrowToDouble(TextToNumber(text));
}

}  // namespace

long double WholePower(long double base, int32_t n) {
  if (base == 0.0L) return 0.0L;
  const bool reciprocal = n < 0;
  uint32_t bits = reciprocal ? 0u - static_cast<uint32_t>(n) : static_cast<uint32_t>(n);
  long double r = 1.0L;
  long double p = base;
  while (bits != 0) {
    if (bits & 1u) r = Multiply(r, p);
    bits >>= 1;
    // Squaring only while higher bits remain keeps a last, unused square from overflowing.
    if (bits != 0) p = Multiply(p, p);
  }
  return reciprocal ? Divide(1.0L, r) : r;
}

std::string PowerAnswer(const std::string& number, int32_t exponent) {
  if (number.empty()) Abort();
  const double base = ReadDouble(number);
  return NumberToText(WholePower(base, exponent));
}

std::string SquareRootAnswer(const std::string& number) {
  if (number.empty()) Abort();
  const double x = ReadDouble(number);
  return NumberToText(SquareRoot(x));
}

void SolveQuadratic(const std::string& a_text, const std::string& b_text, const std::string& c_text,
                    const std::function<void(QuadraticLine, const std::string&)>& write) {
  if (b_text.empty() || a_text.empty() || c_text.empty()) Abort();
  // Only the literal text "0" is caught here; other spellings of zero reach the division.
  if (a_text == "0") Abort();

  const double a = ReadDouble(a_text);
  const double b = ReadDouble(b_text);
  const double c = ReadDouble(c_text);

  const double d = NarrowToDouble(Subtract(Multiply(b, b), Multiply(Multiply(4.0L, a), c)));
  const std::string d_text = NumberToText(d);
  if (d < 0) {
    write(QuadraticLine::kDiscriminant, "D<0, Уравнение не имеет корней, дискриминант=" + d_text);
    write(QuadraticLine::kFirstRoot, "");
    write(QuadraticLine::kSecondRoot, "");
    return;
  }
  if (d > 0)
    write(QuadraticLine::kDiscriminant, "D>0, Уравнение имеет два корня, дискриминант=" + d_text);
  else
    write(QuadraticLine::kDiscriminant, "D=0, Имеет один корень, дискриминант=" + d_text);

  const double minus_b = -b;
  const double two_a = NarrowToDouble(Multiply(2.0L, a));
  const long double s = SquareRoot(d);
  const double x1 = NarrowToDouble(Divide(Add(s, minus_b), two_a));
  const double x2 = NarrowToDouble(Divide(Subtract(minus_b, s), two_a));
  if (d > 0) {
    write(QuadraticLine::kFirstRoot, "x1=" + NumberToText(x1));
    write(QuadraticLine::kSecondRoot, "x2=" + NumberToText(x2));
  } else {
    write(QuadraticLine::kFirstRoot, " x1=" + NumberToText(x2));
    write(QuadraticLine::kSecondRoot, "");
  }
}

std::string MeanItem(const std::string& number) {
  if (number.empty()) Abort();
  return NumberToText(ReadDouble(number));
}

std::string MeanLine(const std::vector<std::string>& items) {
  double sum = 0.0;
  for (const std::string& item : items) sum = NarrowToDouble(Add(sum, TextToNumber(item)));
  const double mean = NarrowToDouble(Divide(sum, static_cast<long double>(items.size())));
  return "Среднее арифметическое=" + NumberToText(mean);
}

int32_t SpinValue(const std::string& text, int32_t minimum) {
  try {
    return TextToInteger(text);
  } catch (const ConversionError&) {
    return minimum;
  }
}

std::optional<std::string> SpinExitText(const std::string& text, int32_t minimum, int32_t maximum) {
  const int32_t value = SpinValue(text, minimum);
  const int32_t clamped = std::clamp(value, minimum, maximum);
  if (clamped == value) return std::nullopt;
  return IntegerToText(clamped);
}

std::string SpinStepText(const std::string& text, int32_t delta, int32_t minimum, int32_t maximum) {
  // Wide enough that a step past the 32-bit limits still clamps instead of wrapping.
  const int64_t sum = int64_t{SpinValue(text, minimum)} + delta;
  return IntegerToText(static_cast<int32_t>(std::clamp<int64_t>(sum, minimum, maximum)));
}

std::optional<char32_t> SpinKeyFilter(char32_t key, Desktop& desktop) {
  const bool accepted =
      (key >= U'0' && key <= U'9') || key == U'+' || key == U'-' ||
      key == static_cast<char32_t>(static_cast<unsigned char>(DecimalSeparator())) ||
      (key < 32 && key != U'\r');
  if (accepted) return key;
  desktop.Beep();
  return std::nullopt;
}
