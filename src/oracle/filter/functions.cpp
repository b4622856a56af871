#include "oracle/filter/functions.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "oracle/filter/expression_errors.h"
#include "platform/text.h"

namespace oracle::filter {
namespace {

constexpr const char* kStringNames[] = {"UPPER", "LOWER", "COPY", "POS", "LENGTH"};
constexpr const char* kMathNames[] = {"TRUNC", "ROUND", "ABS", "ARCTAN", "COS", "EXP",  "FRAC",
                                      "INT",   "LN",    "PI",  "SIN",    "SQR", "SQRT", "POWER"};
constexpr const char* kCastNames[] = {"DATE", "STRING", "FLOAT", "INTEGER", "BOOLEAN"};

int DepthOf(const TParameterList& parameters) {
  int deepest = 0;
  for (const TExpressionPtr& p : parameters) deepest = std::max(deepest, p->Depth());
  return DepthAbove(deepest);
}

bool NotDate(TExprType type) {
  return type != TExprType::Date;
}
bool Numeric(TExprType type) {
  return type == TExprType::Float || type == TExprType::Integer || type == TExprType::Boolean;
}
bool Whole(TExprType type) {
  return type == TExprType::Integer || type == TExprType::Boolean;
}

}  // namespace

TFunction::TFunction(TParameterList parameters, TExprFlags flags)
    : TExpression(flags, DepthOf(parameters)), parameters_(std::move(parameters)) {}

// ---- string functions

void TStringExpression::Check() {
  bool valid = false;
  switch (kind_) {
    case Upper:
    case Lower:
    case Length:
      valid = ParameterCount() == 1 && NotDate(Parameter(0).ExprType());
      break;
    case Copy:
      valid = ParameterCount() == 3 && NotDate(Parameter(0).ExprType()) &&
              Whole(Parameter(1).ExprType()) && Whole(Parameter(2).ExprType());
      break;
    case Pos:
      valid = ParameterCount() == 2 && NotDate(Parameter(0).ExprType()) &&
              NotDate(Parameter(1).ExprType());
      break;
  }
  if (!valid) RaiseExpression("Invalid parameter to %s", kStringNames[kind_]);
}

TExprType TStringExpression::ExprType() {
  return kind_ == Pos || kind_ == Length ? TExprType::Integer : TExprType::String;
}

std::string TStringExpression::AsString() {
  if (ExprType() != TExprType::String) return TExpression::AsString();
  Check();
  const std::string text = Parameter(0).AsString();
  if (kind_ == Upper) return platform::UpperAscii(text);
  if (kind_ == Lower) return platform::LowerAscii(text);
  const int64_t start = std::max<int64_t>(Parameter(1).AsInteger(), 1);
  const int64_t count = Parameter(2).AsInteger();
  if (count <= 0 || start > static_cast<int64_t>(text.size())) return {};
  return text.substr(static_cast<std::size_t>(start - 1), static_cast<std::size_t>(count));
}

int32_t TStringExpression::AsInteger() {
  if (ExprType() != TExprType::Integer) return TExpression::AsInteger();
  Check();
  if (kind_ == Length) return static_cast<int32_t>(Parameter(0).AsString().size());
  const std::string needle = Parameter(0).AsString();
  const std::string text = Parameter(1).AsString();
  if (needle.empty()) return 0;
  const std::size_t at = text.find(needle);
  return at == std::string::npos ? 0 : static_cast<int32_t>(at + 1);
}

// ---- mathematical functions

void TMathExpression::Check() {
  bool valid = true;
  if (kind_ == Power) {
    valid = ParameterCount() == 2 && Numeric(Parameter(0).ExprType()) &&
            Numeric(Parameter(1).ExprType());
  } else if (kind_ != Pi) {
    valid = ParameterCount() == 1 && Numeric(Parameter(0).ExprType());
  }
  if (!valid) RaiseExpression("Invalid parameter to %s", kMathNames[kind_]);
}

TExprType TMathExpression::ExprType() {
  return kind_ == Trunc || kind_ == Round ? TExprType::Integer : TExprType::Float;
}

double TMathExpression::AsFloat() {
  if (ExprType() != TExprType::Float) return TExpression::AsFloat();
  Check();
  if (kind_ == Pi) return std::numbers::pi;
  const double x = Parameter(0).AsFloat();
  switch (kind_) {
    case Abs:
      return std::fabs(x);
    case ArcTan:
      return std::atan(x);
    case Cos:
      return std::cos(x);
    case Exp:
      return CheckedFloat(std::exp(x));
    case Frac:
      return x - std::trunc(x);
    case Int:
      return std::trunc(x);
    case Ln:
      if (x <= 0) throw EInvalidOp();
      return std::log(x);
    case Sin:
      return std::sin(x);
    case Sqr:
      return CheckedFloat(x * x);
    case Sqrt:
      if (x < 0) throw EInvalidOp();
      return std::sqrt(x);
    default: {  // Power
      const double exponent = Parameter(1).AsFloat();
      if (x <= 0) throw EInvalidOp();
      return CheckedFloat(std::exp(exponent * std::log(x)));
    }
  }
}

int32_t TMathExpression::AsInteger() {
  if (kind_ == Abs) {
    Check();
    const int32_t value = Parameter(0).AsInteger();
    if (value == std::numeric_limits<int32_t>::min()) throw EIntOverflow();
    return std::abs(value);
  }
  if (ExprType() != TExprType::Integer) return TExpression::AsInteger();
  Check();
  const double x = Parameter(0).AsFloat();
  // Rounding to nearest sends halves to the even neighbour.
  return TruncToInt32(kind_ == Round ? std::nearbyint(CheckedFloat(x)) : x);
}

// ---- casts and IF

TExpression& TTypeCast::Operand() {
  if (ParameterCount() != 1) {
    RaiseExpression("Invalid parameter to %s", kCastNames[static_cast<int>(type_)]);
  }
  return Parameter(0);
}

TExprType TConditional::ExprType() {
  if (ParameterCount() != 3 || Parameter(0).ExprType() != TExprType::Boolean) {
    RaiseExpression("Invalid parameters to If");
  }
  return LowerType(Parameter(1).ExprType(), Parameter(2).ExprType());
}

TExpression& TConditional::Chosen() {
  ExprType();
  return Parameter(0).AsBoolean() ? Parameter(1) : Parameter(2);
}

double TConditional::AsDate() {
  if (ExprType() != TExprType::Date) return TExpression::AsDate();
  return Chosen().AsDate();
}

std::string TConditional::AsString() {
  if (ExprType() != TExprType::String) return TExpression::AsString();
  return Chosen().AsString();
}

double TConditional::AsFloat() {
  if (ExprType() != TExprType::Float) return TExpression::AsFloat();
  return Chosen().AsFloat();
}

int32_t TConditional::AsInteger() {
  if (ExprType() != TExprType::Integer) return TExpression::AsInteger();
  return Chosen().AsInteger();
}

bool TConditional::AsBoolean() {
  if (ExprType() != TExprType::Boolean) return TExpression::AsBoolean();
  return Chosen().AsBoolean();
}

// ---- lookup

TExpressionPtr MakeFunction(const std::string& name, TParameterList& parameters, TExprFlags flags) {
  if (name == "IF") return std::make_unique<TConditional>(std::move(parameters), flags);
  for (int i = 0; i < 5; ++i) {
    if (name == kCastNames[i]) {
      return std::make_unique<TTypeCast>(static_cast<TExprType>(i), std::move(parameters), flags);
    }
  }
  for (int i = 0; i < 14; ++i) {
    if (name == kMathNames[i]) {
      return std::make_unique<TMathExpression>(static_cast<TMathExpression::TKind>(i),
                                               std::move(parameters), flags);
    }
  }
  for (int i = 0; i < 5; ++i) {
    if (name == kStringNames[i]) {
      return std::make_unique<TStringExpression>(static_cast<TStringExpression::TKind>(i),
                                                 std::move(parameters), flags);
    }
  }
  return nullptr;
}

}  // namespace oracle::filter
