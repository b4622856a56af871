#pragma once
// The exceptions of filter expressions. EExpression carries every message of
// the parser and of the nodes; arithmetic faults have classes of their own, as
// the platform's integer and floating-point errors do, and so does a text that
// does not convert to a date or a number.

#include <cstdint>
#include <stdexcept>
#include <string>

namespace oracle::filter {

class EExpression : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Integer and floating-point faults of an evaluation.
class EMathError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};
// "Division by zero": integer DIV or MOD by zero.
class EDivByZero : public EMathError {
 public:
  EDivByZero() : EMathError("Division by zero") {}
};
// "Integer overflow": a result outside 32 bits.
class EIntOverflow : public EMathError {
 public:
  EIntOverflow() : EMathError("Integer overflow") {}
};
// "Floating point division by zero".
class EZeroDivide : public EMathError {
 public:
  EZeroDivide() : EMathError("Floating point division by zero") {}
};
// "Invalid floating point operation": a value outside a function's domain.
class EInvalidOp : public EMathError {
 public:
  EInvalidOp() : EMathError("Invalid floating point operation") {}
};
// "Floating point overflow": a result beyond the range of a double.
class EOverflow : public EMathError {
 public:
  EOverflow() : EMathError("Floating point overflow") {}
};

// A text that is no date, or a number beyond the range of a double.
class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Raises EExpression with `format`'s one "%s" (or "%d") replaced by `arg`.
[[noreturn]] void RaiseExpression(const char* format, const std::string& arg);
[[noreturn]] void RaiseExpression(const char* message);

// The value when it is finite; otherwise EInvalidOp for NaN and EOverflow
// for an infinity.
inline double CheckedFloat(double value) {
  if (value - value == 0) return value;  // finite: the difference of NaN or an infinity is NaN
  if (value != value) throw EInvalidOp();
  throw EOverflow();
}
// The value truncated toward zero when it fits 32 bits, else EIntOverflow.
int32_t TruncToInt32(double value);

}  // namespace oracle::filter
