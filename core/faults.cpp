#include "core/faults.h"

namespace {

std::string MessageOf(ArithmeticFault::Kind kind) {
  switch (kind) {
    case ArithmeticFault::Kind::kDivisionByZero:
      return "Floating point division by zero";
    case ArithmeticFault::Kind::kInvalidOperation:
      return "Invalid floating point operation";
    case ArithmeticFault::Kind::kOverflow:
      return "Floating point overflow";
  }
  return "Invalid floating point operation";
}

}  // namespace

ArithmeticFault::ArithmeticFault(Kind kind) : MessageError(MessageOf(kind)), kind_(kind) {}

void Abort() {
  throw SilentAbort();
}

std::string ErrorBoxText(const std::string& message) {
  // Compared as unsigned bytes: the last byte of any non-ASCII UTF-8 character is above '.'.
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}
