#pragma once
// The nodes of a filter expression: the five value types and their
// conversions, literals, and the unary, binary and relational operators.
// Every node can be read in each of the five types; a reading its type does
// not lead to raises "Cannot read <type> as ...". A node owns its children.
// No node is deeper than kMaxExpressionDepth, so that reading and freeing a
// tree never recurse further than that.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace oracle::filter {

// Ordered: where two operands meet, the lower type wins.
enum class TExprType : uint8_t { Date, String, Float, Integer, Boolean };

enum class TOperator : uint8_t {
  opNot,
  opMult,
  opDivide,
  opDiv,
  opMod,
  opAnd,
  opShl,
  opShr,
  opPlus,
  opMinus,
  opOr,
  opXor,
  opEq,
  opNEQ,
  opLT,
  opGT,
  opLTE,
  opGTE,
};
inline constexpr int kOperatorCount = 18;

// "Date", "String", ...; "opNot", "opMult", ...; "NOT", "*", ... (filter text).
const char* TypeName(TExprType type);
const char* OperatorName(TOperator op);
const char* OperatorSpelling(TOperator op);

inline TExprType LowerType(TExprType a, TExprType b) {
  return a < b ? a : b;
}

inline constexpr int kMaxExpressionDepth = 1000;

// The parser's two options, copied into every node built.
struct TExprFlags {
  bool caseInsensitive = false;
  bool partialCompare = true;
};

// A value read in one of the types: a Date or Float in `number`, an Integer
// in `integer`, a Boolean in `boolean`, a String in `text`.
struct TValue {
  double number = 0;
  int32_t integer = 0;
  bool boolean = false;
  std::string text;
};

class TExpression {
 public:
  explicit TExpression(TExprFlags flags = {}, int depth = 1);
  virtual ~TExpression() = default;
  TExpression(const TExpression&) = delete;
  TExpression& operator=(const TExpression&) = delete;

  // Date-times are days since 30 December 1899 with the time as a fraction.
  virtual double AsDate();
  virtual std::string AsString();
  virtual double AsFloat();
  virtual int32_t AsInteger();
  virtual bool AsBoolean();
  virtual bool IsNull() { return false; }
  virtual TExprType ExprType() = 0;
  // Reads the node in `type` into `value`, or returns false without reading
  // when it is null. A field leaf learns both from one read of the record.
  virtual bool TryRead(TExprType type, TValue& value);
  // A literal is never null and its type is known without any check.
  virtual bool IsLiteral() const { return false; }
  // Reads the node in `type` into `value` (the reading of that type).
  void ReadIn(TExprType type, TValue& value);

  bool CaseInsensitive() const { return flags_.caseInsensitive; }
  bool PartialCompare() const { return flags_.partialCompare; }
  // 1 for a leaf; one more than the deepest child otherwise.
  int Depth() const { return depth_; }

 protected:
  TExprFlags Flags() const { return flags_; }

 private:
  TExprFlags flags_;
  int depth_;
};

using TExpressionPtr = std::unique_ptr<TExpression>;

// The one more than the deeper of two depths; raises "Expression nested too
// deeply" beyond kMaxExpressionDepth.
int DepthAbove(int a, int b = 0);

// Conversions between the value forms: the date text is "yyyy-mm-dd", with
// " hh:nn:ss" when there is a time of day; the float text has up to 15
// significant digits.
std::string DateToText(double date);
double TextToDate(const std::string& text);
std::string FloatToText(double value);
// "FALSE" or "TRUE".
const char* BooleanText(bool value);

class TStringLiteral : public TExpression {
 public:
  explicit TStringLiteral(std::string value, TExprFlags flags = {})
      : TExpression(flags), value_(std::move(value)) {}
  std::string AsString() override { return value_; }
  TExprType ExprType() override { return TExprType::String; }
  bool IsLiteral() const override { return true; }

 private:
  std::string value_;
};

class TFloatLiteral : public TExpression {
 public:
  explicit TFloatLiteral(double value, TExprFlags flags = {}) : TExpression(flags), value_(value) {}
  double AsDate() override { return value_; }
  double AsFloat() override { return value_; }
  TExprType ExprType() override { return TExprType::Float; }
  bool IsLiteral() const override { return true; }

 private:
  double value_;
};

class TIntegerLiteral : public TExpression {
 public:
  explicit TIntegerLiteral(int32_t value, TExprFlags flags = {})
      : TExpression(flags), value_(value) {}
  int32_t AsInteger() override { return value_; }
  TExprType ExprType() override { return TExprType::Integer; }
  bool IsLiteral() const override { return true; }

 private:
  int32_t value_;
};

class TBooleanLiteral : public TExpression {
 public:
  explicit TBooleanLiteral(bool value, TExprFlags flags = {}) : TExpression(flags), value_(value) {}
  double AsDate() override { return value_ ? 1 : 0; }
  bool AsBoolean() override { return value_; }
  TExprType ExprType() override { return TExprType::Boolean; }
  bool IsLiteral() const override { return true; }

 private:
  bool value_;
};

// NOT, unary + and unary -.
class TUnaryOp : public TExpression {
 public:
  TUnaryOp(TOperator op, TExpressionPtr operand, TExprFlags flags = {});
  double AsDate() override;
  double AsFloat() override;
  int32_t AsInteger() override;
  bool AsBoolean() override;
  TExprType ExprType() override;

 private:
  TExpressionPtr operand_;
  TOperator op_;
  TExprType operandType_;
};

// The arithmetic, bitwise and logical operators (* to XOR).
class TBinaryOp : public TExpression {
 public:
  TBinaryOp(TOperator op, TExpressionPtr left, TExpressionPtr right, TExprFlags flags = {});
  double AsDate() override;
  std::string AsString() override;
  double AsFloat() override;
  int32_t AsInteger() override;
  bool AsBoolean() override;
  TExprType ExprType() override;

 private:
  TExpressionPtr left_, right_;
  TOperator op_;
  TExprType operandType_;
};

// = <> < > <= >=: always Boolean.
class TRelationalOp : public TExpression {
 public:
  TRelationalOp(TOperator op, TExpressionPtr left, TExpressionPtr right, TExprFlags flags = {});
  bool AsBoolean() override;
  TExprType ExprType() override { return TExprType::Boolean; }

 private:
  bool Compare(TExprType type, const TValue& left, const TValue& right) const;
  TExpressionPtr left_, right_;
  TOperator op_;
  // A literal right side read in the comparison type: it never changes.
  bool literalRead_ = false;
  TExprType literalType_ = TExprType::Date;
  TValue literal_;
};

// Whether `text` matches `pattern`, where "*" stands for any run of
// characters and "?" for any one character.
bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace oracle::filter
