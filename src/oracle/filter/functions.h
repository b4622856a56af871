#pragma once
// The built-in functions of filter expressions: the string and mathematical
// functions, the type casts and IF. Their parameters are checked each time
// the node is read: a wrong count or type raises "Invalid parameter to
// <NAME>" ("Invalid parameters to If" for IF).

#include <memory>
#include <string>
#include <vector>

#include "oracle/filter/expression.h"

namespace oracle::filter {

// The actual parameters of a call, in call order; a call without
// parentheses has none.
using TParameterList = std::vector<TExpressionPtr>;

class TFunction : public TExpression {
 public:
  TFunction(TParameterList parameters, TExprFlags flags);

 protected:
  int ParameterCount() const { return static_cast<int>(parameters_.size()); }
  TExpression& Parameter(int i) { return *parameters_[static_cast<std::size_t>(i)]; }

 private:
  TParameterList parameters_;
};

// UPPER, LOWER, COPY, POS, LENGTH.
class TStringExpression : public TFunction {
 public:
  enum TKind : uint8_t { Upper, Lower, Copy, Pos, Length };
  TStringExpression(TKind kind, TParameterList parameters, TExprFlags flags = {})
      : TFunction(std::move(parameters), flags), kind_(kind) {}
  std::string AsString() override;
  int32_t AsInteger() override;
  TExprType ExprType() override;

 private:
  void Check();
  TKind kind_;
};

// TRUNC, ROUND, ABS, ARCTAN, COS, EXP, FRAC, INT, LN, PI, SIN, SQR, SQRT, POWER.
class TMathExpression : public TFunction {
 public:
  enum TKind : uint8_t {
    Trunc,
    Round,
    Abs,
    ArcTan,
    Cos,
    Exp,
    Frac,
    Int,
    Ln,
    Pi,
    Sin,
    Sqr,
    Sqrt,
    Power
  };
  TMathExpression(TKind kind, TParameterList parameters, TExprFlags flags = {})
      : TFunction(std::move(parameters), flags), kind_(kind) {}
  double AsFloat() override;
  int32_t AsInteger() override;
  TExprType ExprType() override;

 private:
  void Check();
  TKind kind_;
};

// DATE, STRING, FLOAT, INTEGER, BOOLEAN: the one parameter read as it is
// asked, under the named type.
class TTypeCast : public TFunction {
 public:
  TTypeCast(TExprType type, TParameterList parameters, TExprFlags flags = {})
      : TFunction(std::move(parameters), flags), type_(type) {}
  double AsDate() override { return Operand().AsDate(); }
  std::string AsString() override { return Operand().AsString(); }
  double AsFloat() override { return Operand().AsFloat(); }
  int32_t AsInteger() override { return Operand().AsInteger(); }
  bool AsBoolean() override { return Operand().AsBoolean(); }
  bool IsNull() override { return Operand().IsNull(); }
  TExprType ExprType() override { return type_; }

 private:
  TExpression& Operand();
  TExprType type_;
};

// IF(condition, then, else): of the lower of the two branches' types, known
// without reading a record; the chosen branch is read in that type.
class TConditional : public TFunction {
 public:
  explicit TConditional(TParameterList parameters, TExprFlags flags = {})
      : TFunction(std::move(parameters), flags) {}
  double AsDate() override;
  std::string AsString() override;
  double AsFloat() override;
  int32_t AsInteger() override;
  bool AsBoolean() override;
  bool IsNull() override { return Chosen().IsNull(); }
  TExprType ExprType() override;

 private:
  TExpression& Chosen();
};

// The built-in function of an upper-cased name with its parameters, or null
// when the name is none (the parameters are then given back untouched).
TExpressionPtr MakeFunction(const std::string& name, TParameterList& parameters, TExprFlags flags);

}  // namespace oracle::filter
