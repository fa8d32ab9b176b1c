// The computations of the three calculation windows (powers and roots, quadratic equation,
// arithmetic mean) and the reading rules of the exponent spin field, free of any toolkit.
// Inputs are narrowed to 64-bit doubles; the arithmetic runs in the extended number.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class Desktop;

// base to the whole power n by square and multiply, every product rounded to extended.
// A zero base (of either sign) gives +0. n is 1..100 in the window; n = 0 gives 1, and a
// negative n the reciprocal of the power of |n|.
long double WholePower(long double base, int32_t n);

// Powers and roots: the answer text for the number text of the input field.
// Empty input ends the command quietly (SilentAbort).
std::string PowerAnswer(const std::string& number, int32_t exponent);
std::string SquareRootAnswer(const std::string& number);

// The three result lines of the quadratic window.
enum class QuadraticLine { kDiscriminant = 1, kFirstRoot = 2, kSecondRoot = 3 };
// Solves a*x^2 + b*x + c = 0 from the three coefficient texts. Each result line is handed to
// `write` the moment the solve reaches it, so a fault leaves the earlier lines written and the
// later ones untouched.
void SolveQuadratic(const std::string& a, const std::string& b, const std::string& c,
                    const std::function<void(QuadraticLine, const std::string&)>& write);

// Arithmetic mean: the list item for a typed number (narrowed to a double, then rendered), and
// the result line for the list's item texts. An empty list is 0 / 0.
std::string MeanItem(const std::string& number);
std::string MeanLine(const std::vector<std::string>& items);

// The whole-number spin field: its value is TextToInteger of its text, or `minimum` when the
// text is no whole number; reading never changes the text and does not clamp.
int32_t SpinValue(const std::string& text, int32_t minimum);
// The text that replaces the field's text when the focus leaves it: only when the value lies
// outside minimum..maximum.
std::optional<std::string> SpinExitText(const std::string& text, int32_t minimum, int32_t maximum);
// One arrow step: value + delta, clamped, as text.
std::string SpinStepText(const std::string& text, int32_t delta, int32_t minimum, int32_t maximum);
// The spin field's own key filter: digits, signs, the decimal separator and control characters
// other than Enter pass; everything else is dropped with a beep and no message.
std::optional<char32_t> SpinKeyFilter(char32_t key, Desktop& desktop);
