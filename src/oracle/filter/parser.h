#pragma once
// The filter text parser: a scanner and recursive-descent parser with four
// levels of precedence (relational; + - OR XOR; * / DIV MOD AND SHL SHR;
// unary + - NOT, literals, names, calls and parentheses). Keywords and
// function names are case-insensitive, field names are written in brackets
// or as plain identifiers, strings in single quotes (a doubled quote stands
// for one) and numbers with "." as the decimal separator.

#include <functional>
#include <string>
#include <string_view>

#include "dataset/db_types.h"
#include "oracle/filter/expression.h"
#include "oracle/filter/functions.h"

namespace oracle::filter {

// Supplies the node for a name: every bracketed name (without parameters)
// and every identifier that is no built-in function (with its parameters,
// null without parentheses). Returns null when it knows no such name.
using TFieldResolver = std::function<TExpressionPtr(const std::string& name,
                                                    TParameterList* parameters, TExprFlags flags)>;

// The expression of `text`, or null when it holds only blanks. The options
// are the dataset's filter options (case-insensitive comparison, no partial
// comparison). Raises EExpression (or EConvertError for a number beyond the
// range of a double); nothing built is kept then.
TExpressionPtr ParseFilterExpression(std::string_view text, dataset::TFilterOptions options,
                                     const TFieldResolver& resolver);

}  // namespace oracle::filter
