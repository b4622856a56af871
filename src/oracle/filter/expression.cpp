#include "oracle/filter/expression.h"

#include <cmath>
#include <limits>

#include "dataset/field_kinds.h"
#include "dataset/time_stamp.h"
#include "oracle/filter/expression_errors.h"
#include "platform/utf8.h"

namespace oracle::filter {
namespace {

constexpr const char* kTypeNames[] = {"Date", "String", "Float", "Integer", "Boolean"};
constexpr const char* kOperatorNames[kOperatorCount] = {
    "opNot",   "opMult", "opDivide", "opDiv", "opMod", "opAnd", "opShl", "opShr", "opPlus",
    "opMinus", "opOr",   "opXor",    "opEq",  "opNEQ", "opLT",  "opGT",  "opLTE", "opGTE"};
constexpr const char* kOperatorSpellings[kOperatorCount] = {"NOT", "*",   "/", "DIV", "MOD", "AND",
                                                            "SHL", "SHR", "+", "-",   "OR",  "XOR",
                                                            "=",   "<>",  "<", ">",   "<=",  ">="};

// Year 1 to the end of year 9999, the dates the date text can show.
constexpr double kFirstDate = -693593.0;
constexpr double kDateEnd = 2958466.0;

[[noreturn]] void InternalError(int code) {
  RaiseExpression("Internal parser error. Code %d", std::to_string(code));
}

// The result type of an operator on operands of `type`, from the type table.
TExprType ResultType(TOperator op, TExprType type) {
  using enum TOperator;
  bool allowed = false;
  switch (type) {
    case TExprType::Date:
      allowed = op == opPlus || op == opMinus;
      break;
    case TExprType::String:
      allowed = op == opPlus;
      break;
    case TExprType::Float:
      allowed = op == opMult || op == opDivide || op == opPlus || op == opMinus;
      break;
    case TExprType::Integer:
      if (op == opDivide) return TExprType::Float;
      allowed = op == opNot || (op >= opMult && op <= opXor);
      break;
    case TExprType::Boolean:
      allowed = op == opNot || op == opAnd || op == opOr || op == opXor;
      break;
  }
  if (!allowed) {
    throw EExpression(std::string("Operator ") + OperatorName(op) + " incompatible with " +
                      TypeName(type));
  }
  return type;
}

template <typename T>
bool Relates(TOperator op, const T& a, const T& b) {
  switch (op) {
    case TOperator::opEq:
      return a == b;
    case TOperator::opNEQ:
      return a != b;
    case TOperator::opLT:
      return a < b;
    case TOperator::opGT:
      return a > b;
    case TOperator::opLTE:
      return a <= b;
    default:
      return a >= b;
  }
}

int32_t IntegerResult(TOperator op, int32_t l, int32_t r) {
  int32_t result = 0;
  switch (op) {
    case TOperator::opPlus:
      if (__builtin_add_overflow(l, r, &result)) throw EIntOverflow();
      return result;
    case TOperator::opMinus:
      if (__builtin_sub_overflow(l, r, &result)) throw EIntOverflow();
      return result;
    case TOperator::opMult:
      if (__builtin_mul_overflow(l, r, &result)) throw EIntOverflow();
      return result;
    case TOperator::opDiv:
    case TOperator::opMod:
      if (r == 0) throw EDivByZero();
      if (l == std::numeric_limits<int32_t>::min() && r == -1) throw EIntOverflow();
      return op == TOperator::opDiv ? l / r : l % r;
    case TOperator::opShl:
      return static_cast<int32_t>(static_cast<uint32_t>(l) << (r & 31));
    case TOperator::opShr:
      return static_cast<int32_t>(static_cast<uint32_t>(l) >> (r & 31));
    case TOperator::opAnd:
      return l & r;
    case TOperator::opOr:
      return l | r;
    case TOperator::opXor:
      return l ^ r;
    default:
      InternalError(12);
  }
}

}  // namespace

const char* TypeName(TExprType type) {
  return kTypeNames[static_cast<int>(type)];
}
const char* OperatorName(TOperator op) {
  return kOperatorNames[static_cast<int>(op)];
}
const char* OperatorSpelling(TOperator op) {
  return kOperatorSpellings[static_cast<int>(op)];
}

int DepthAbove(int a, int b) {
  const int depth = (a > b ? a : b) + 1;
  if (depth > kMaxExpressionDepth) throw EExpression("Expression nested too deeply");
  return depth;
}

std::string DateToText(double date) {
  if (!(date >= kFirstDate && date < kDateEnd)) {
    throw EConvertError(FloatToText(date) + " is not a valid date");
  }
  return dataset::DateTimeToText(date, dataset::TFieldType::ftDateTime);
}

double TextToDate(const std::string& text) {
  double date = 0;
  if (!dataset::TryTextToDateTime(text, date)) {
    throw EConvertError("'" + text + "' is not a valid date");
  }
  return date;
}

std::string FloatToText(double value) {
  return dataset::FloatText(value);
}

const char* BooleanText(bool value) {
  return value ? "TRUE" : "FALSE";
}

// ---- the default conversions, by the node's own type

TExpression::TExpression(TExprFlags flags, int depth) : flags_(flags), depth_(depth) {}

double TExpression::AsDate() {
  switch (const TExprType type = ExprType()) {
    case TExprType::String:
      return TextToDate(AsString());
    case TExprType::Float:
      return AsFloat();
    case TExprType::Integer:
      return AsInteger();
    default:
      RaiseExpression("Cannot read %s as Date", TypeName(type));
  }
}

std::string TExpression::AsString() {
  switch (const TExprType type = ExprType()) {
    case TExprType::Date:
      return DateToText(AsDate());
    case TExprType::Float:
      return FloatToText(AsFloat());
    case TExprType::Integer:
      return std::to_string(AsInteger());
    case TExprType::Boolean:
      return BooleanText(AsBoolean());
    default:
      RaiseExpression("Cannot read %s as String", TypeName(type));
  }
}

double TExpression::AsFloat() {
  switch (const TExprType type = ExprType()) {
    case TExprType::Date:
      return AsDate();
    case TExprType::Integer:
    case TExprType::Boolean:
      return AsInteger();
    default:
      RaiseExpression("Cannot read %s as Float", TypeName(type));
  }
}

int32_t TExpression::AsInteger() {
  switch (const TExprType type = ExprType()) {
    case TExprType::Date:
      return TruncToInt32(AsDate());
    case TExprType::Boolean:
      return AsBoolean() ? 1 : 0;
    default:
      RaiseExpression("Cannot read %s as integer", TypeName(type));
  }
}

bool TExpression::AsBoolean() {
  RaiseExpression("Cannot read %s as boolean", TypeName(ExprType()));
}

bool TExpression::TryRead(TExprType type, TValue& value) {
  if (IsNull()) return false;
  ReadIn(type, value);
  return true;
}

void TExpression::ReadIn(TExprType type, TValue& value) {
  switch (type) {
    case TExprType::Date:
      value.number = AsDate();
      break;
    case TExprType::String:
      value.text = AsString();
      break;
    case TExprType::Float:
      value.number = AsFloat();
      break;
    case TExprType::Integer:
      value.integer = AsInteger();
      break;
    case TExprType::Boolean:
      value.boolean = AsBoolean();
      break;
  }
}

// ---- unary

TUnaryOp::TUnaryOp(TOperator op, TExpressionPtr operand, TExprFlags flags)
    : TExpression(flags, DepthAbove(operand->Depth())), operand_(std::move(operand)), op_(op) {
  if (op != TOperator::opNot && op != TOperator::opPlus && op != TOperator::opMinus) {
    RaiseExpression("%s is not simple unary operator", OperatorName(op));
  }
  operandType_ = operand_->ExprType();
}

TExprType TUnaryOp::ExprType() {
  return ResultType(op_, operandType_);
}

double TUnaryOp::AsDate() {
  if (ExprType() != TExprType::Date) return TExpression::AsDate();
  const double date = operand_->AsDate();
  return op_ == TOperator::opMinus ? -date : date;
}

double TUnaryOp::AsFloat() {
  ExprType();
  if (op_ == TOperator::opPlus) return operand_->AsFloat();
  if (op_ == TOperator::opMinus) return -operand_->AsFloat();
  return TExpression::AsFloat();
}

int32_t TUnaryOp::AsInteger() {
  ExprType();
  switch (op_) {
    case TOperator::opNot:
      if (operandType_ == TExprType::Integer) return ~operand_->AsInteger();
      if (operandType_ == TExprType::Boolean) return AsBoolean() ? 1 : 0;
      InternalError(6);
    case TOperator::opPlus:
      return operand_->AsInteger();
    default: {
      const int32_t value = operand_->AsInteger();
      if (value == std::numeric_limits<int32_t>::min()) throw EIntOverflow();
      return -value;
    }
  }
}

bool TUnaryOp::AsBoolean() {
  if (op_ == TOperator::opNot) return !operand_->AsBoolean();
  return TExpression::AsBoolean();
}

// ---- binary

TBinaryOp::TBinaryOp(TOperator op, TExpressionPtr left, TExpressionPtr right, TExprFlags flags)
    : TExpression(flags, DepthAbove(left->Depth(), right->Depth())),
      left_(std::move(left)),
      right_(std::move(right)),
      op_(op) {
  if (op < TOperator::opMult || op > TOperator::opXor) {
    RaiseExpression("%s is not a simple binary operator", OperatorName(op));
  }
  operandType_ = LowerType(left_->ExprType(), right_->ExprType());
}

TExprType TBinaryOp::ExprType() {
  return ResultType(op_, operandType_);
}

double TBinaryOp::AsDate() {
  switch (ExprType()) {
    case TExprType::Date:
      if (op_ == TOperator::opPlus) return CheckedFloat(left_->AsDate() + right_->AsDate());
      if (op_ == TOperator::opMinus) return CheckedFloat(left_->AsDate() - right_->AsDate());
      InternalError(14);
    case TExprType::Boolean:
      return AsBoolean() ? 1 : 0;
    default:
      return TExpression::AsDate();
  }
}

std::string TBinaryOp::AsString() {
  if (ExprType() != TExprType::String) return TExpression::AsString();
  if (op_ != TOperator::opPlus) InternalError(10);
  return left_->AsString() + right_->AsString();
}

double TBinaryOp::AsFloat() {
  if (ExprType() != TExprType::Float) return TExpression::AsFloat();
  switch (op_) {
    case TOperator::opMult:
      return CheckedFloat(left_->AsFloat() * right_->AsFloat());
    case TOperator::opDivide: {
      const double l = left_->AsFloat();
      const double r = right_->AsFloat();
      if (r == 0) {
        if (l == 0) throw EInvalidOp();
        throw EZeroDivide();
      }
      return CheckedFloat(l / r);
    }
    case TOperator::opPlus:
      return CheckedFloat(left_->AsFloat() + right_->AsFloat());
    case TOperator::opMinus:
      return CheckedFloat(left_->AsFloat() - right_->AsFloat());
    default:
      InternalError(11);
  }
}

int32_t TBinaryOp::AsInteger() {
  if (ExprType() != TExprType::Integer) return TExpression::AsInteger();
  const int32_t l = left_->AsInteger();
  return IntegerResult(op_, l, right_->AsInteger());
}

bool TBinaryOp::AsBoolean() {
  switch (op_) {
    case TOperator::opAnd:
      return left_->AsBoolean() && right_->AsBoolean();
    case TOperator::opOr:
      return left_->AsBoolean() || right_->AsBoolean();
    case TOperator::opXor: {
      const bool l = left_->AsBoolean();
      return l != right_->AsBoolean();
    }
    default:
      InternalError(13);
  }
}

// ---- relational

TRelationalOp::TRelationalOp(TOperator op, TExpressionPtr left, TExpressionPtr right,
                             TExprFlags flags)
    : TExpression(flags, DepthAbove(left->Depth(), right->Depth())),
      left_(std::move(left)),
      right_(std::move(right)),
      op_(op) {
  if (op < TOperator::opEq) RaiseExpression("%s is not relational operator", OperatorName(op));
}

bool TRelationalOp::AsBoolean() {
  if (right_->IsLiteral()) {
    // The literal is never null, so the left side's null state decides
    // alone, and it comes with the left side's value.
    const TExprType type = LowerType(left_->ExprType(), right_->ExprType());
    if (type != TExprType::Boolean) {
      TValue l;
      if (!left_->TryRead(type, l)) return op_ == TOperator::opNEQ;
      if (!literalRead_ || literalType_ != type) {
        right_->ReadIn(type, literal_);
        literalType_ = type;
        literalRead_ = true;
      }
      return Compare(type, l, literal_);
    }
  }
  const bool leftNull = left_->IsNull();
  const bool rightNull = right_->IsNull();
  if (leftNull || rightNull) {
    if (op_ == TOperator::opEq) return leftNull && rightNull;
    if (op_ == TOperator::opNEQ) return !(leftNull && rightNull);
    return false;
  }
  const TExprType type = LowerType(left_->ExprType(), right_->ExprType());
  if (type == TExprType::Boolean && op_ != TOperator::opEq && op_ != TOperator::opNEQ) {
    RaiseExpression("cannot apply %s to boolean operands", OperatorName(op_));
  }
  TValue l, r;
  left_->ReadIn(type, l);
  right_->ReadIn(type, r);
  return Compare(type, l, r);
}

bool TRelationalOp::Compare(TExprType type, const TValue& left, const TValue& right) const {
  switch (type) {
    case TExprType::Date:
    case TExprType::Float:
      return Relates(op_, left.number, right.number);
    case TExprType::Integer:
      return Relates(op_, left.integer, right.integer);
    case TExprType::Boolean:
      return Relates(op_, left.boolean, right.boolean);
    case TExprType::String:
      break;
  }
  if (CaseInsensitive()) {
    const std::string l = platform::UpperUtf8(left.text);
    const std::string r = platform::UpperUtf8(right.text);
    if (PartialCompare() && op_ == TOperator::opEq) return WildcardMatch(l, r);
    if (PartialCompare() && op_ == TOperator::opNEQ) return !WildcardMatch(l, r);
    return Relates(op_, l, r);
  }
  if (PartialCompare() && op_ == TOperator::opEq) return WildcardMatch(left.text, right.text);
  if (PartialCompare() && op_ == TOperator::opNEQ) return !WildcardMatch(left.text, right.text);
  // std::string orders its bytes as unsigned characters.
  return Relates(op_, left.text, right.text);
}

bool WildcardMatch(std::string_view text, std::string_view pattern) {
  // On a mismatch, go back to the last "*" and let it take one more
  // character of the text: linear in the text for each "*", no recursion.
  constexpr std::size_t kNone = std::string_view::npos;
  std::size_t t = 0;
  std::size_t p = 0;
  std::size_t star = kNone;
  std::size_t starText = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      starText = t;
    } else if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (star != kNone) {
      p = star + 1;
      t = ++starText;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

}  // namespace oracle::filter
