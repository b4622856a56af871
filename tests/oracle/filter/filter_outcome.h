#pragma once
// What parsing and reading a filter text gives, as one comparable text:
// "<type>:<value>" read in the asked type, "none" for an empty text, or the
// error's class and message.

#include <string>

#include "dataset/database_error.h"
#include "oracle/filter/expression_errors.h"
#include "oracle/filter/parser.h"

namespace filter_test {

enum class Read { Own, Date, String, Float, Integer, Boolean, Null };

inline std::string ReadAs(oracle::filter::TExpression& tree, Read read) {
  using namespace oracle::filter;
  if (read == Read::Own) {
    // Each type's own reading.
    switch (tree.ExprType()) {
      case TExprType::Date:
        read = Read::Date;
        break;
      case TExprType::String:
        read = Read::String;
        break;
      case TExprType::Float:
        read = Read::Float;
        break;
      case TExprType::Integer:
        read = Read::Integer;
        break;
      case TExprType::Boolean:
        read = Read::Boolean;
        break;
    }
  }
  switch (read) {
    case Read::Date:
      return FloatToText(tree.AsDate());
    case Read::String:
      return tree.AsString();
    case Read::Float:
      return FloatToText(tree.AsFloat());
    case Read::Integer:
      return std::to_string(tree.AsInteger());
    case Read::Boolean:
      return BooleanText(tree.AsBoolean());
    default:
      return BooleanText(tree.IsNull());
  }
}

inline std::string Outcome(const std::string& text, Read read, dataset::TFilterOptions options,
                           const oracle::filter::TFieldResolver& resolver) {
  using namespace oracle::filter;
  try {
    TExpressionPtr tree = ParseFilterExpression(text, options, resolver);
    if (!tree) return "none";
    const std::string type = TypeName(tree->ExprType());
    return type + ":" + ReadAs(*tree, read);
  } catch (const EExpression& e) {
    return e.what();
  } catch (const EMathError& e) {
    return std::string("EMathError:") + e.what();
  } catch (const EConvertError& e) {
    return std::string("EConvertError:") + e.what();
  } catch (const dataset::EDatabaseError& e) {
    return std::string("EDatabaseError:") + e.what();
  }
}

}  // namespace filter_test
