#pragma once
// The WHERE (or HAVING) condition a QBE example record stands for, and the
// SELECT text rewritten with it.
//
// Each field's QBE text is read in a small value language (leading
// operators, NULL, NOT, LIKE, IN (...), BETWEEN a AND b, a .. b ranges, OR
// lists, SOUNDS) and turned into one predicate on the field's column. No
// typed character reaches the SQL text: every value becomes a bind
// variable ":kel__qbe<n>" (":kel__qbe<n>_<k>" for the k-th value of a list
// or bound), a number when the value reads as one, else text; dates and
// times are written as to_date(<bind>, '<format>'). Only the language's own
// operators and keywords, the column expressions, parentheses and commas
// are written.

#include <stdexcept>
#include <string>
#include <vector>

#include "dataset/db_types.h"

namespace oracle::qbe {

// The last line of a SELECT text rewritten for QBE.
inline constexpr char kQBEMarker[] = "/* Modified for QBE */";
// The prefix of every QBE bind variable (compared without regard to case).
inline constexpr char kQBEVariablePrefix[] = ":kel__qbe";

// A value the date or time conversion cannot read.
class EQBEConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// One field of the example record.
struct TQBEColumn {
  std::string column;  // the column expression (origin or field name)
  dataset::TFieldType type = dataset::TFieldType::ftString;
  bool matchFromStart = false;
  bool matchAnywhere = false;
  bool soundsLike = false;
  bool caseInsensitive = false;
  bool wholeDay = false;
  std::string text;  // the QBE text; an empty text takes no part
};

struct TQBEOptions {
  bool allowOperators = false;  // texts are read in the value language
  bool allowFileWildCards = true;
  int variableCount = 0;  // variables the query holds already
};

struct TQBEBind {
  std::string name;  // ":kel__qbe1", ":kel__qbe2_1", ...
  bool isNumber = false;
  double number = 0;
  std::string text;  // the value as text (numbers too)
};

struct TQBECondition {
  std::string text;  // empty when no field has a QBE text
  std::vector<TQBEBind> binds;
};

// The condition of the columns in order, one predicate a line joined by
// "and". Raises EQBEConvertError for a date or time it cannot read.
TQBECondition BuildQBECondition(const std::vector<TQBEColumn>& columns, const TQBEOptions& options);

// `sql` with `condition` added: after "having" when the statement has a
// GROUP BY, else after "where", and-ed with a condition already there; an
// ORDER BY or FOR UPDATE clause stays behind it; the last line is
// kQBEMarker. Keywords inside literals, quoted names, comments and
// subqueries never count.
std::string RewriteSQLForQBE(const std::string& sql, const std::string& condition);

// True when `name` begins with kQBEVariablePrefix (without regard to case).
bool IsQBEVariable(const std::string& name);

}  // namespace oracle::qbe
