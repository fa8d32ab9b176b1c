// The failures that end a command, and the one text the error box shows for them.
#pragma once

#include <exception>
#include <string>

// A failure that carries a message shown to the user (UTF-8).
class MessageError : public std::exception {
 public:
  explicit MessageError(std::string message) : message_(std::move(message)) {}
  const char* what() const noexcept override { return message_.c_str(); }
  const std::string& message() const noexcept { return message_; }

 private:
  std::string message_;
};

// A text that is no number: "'%s' is not a valid floating point value" / "... integer value".
class ConversionError : public MessageError {
 public:
  using MessageError::MessageError;
};

// Division by zero, invalid operation or overflow of the extended arithmetic.
class ArithmeticFault : public MessageError {
 public:
  enum class Kind { kDivisionByZero, kInvalidOperation, kOverflow };
  explicit ArithmeticFault(Kind kind);
  Kind kind() const noexcept { return kind_; }

 private:
  Kind kind_;
};

// The quiet end of a command that lacks input: nothing is ever shown for it.
class SilentAbort : public std::exception {
 public:
  const char* what() const noexcept override { return ""; }
};

// Ends the running command quietly.
[[noreturn]] void Abort();

// The text of the error box: the message, with "." appended when it is not empty and its last
// byte's code is above '.'.
std::string ErrorBoxText(const std::string& message);
