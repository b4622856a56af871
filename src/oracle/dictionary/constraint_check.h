#pragma once
// Client-side checks of a dataset's record against the primary-key, unique,
// foreign-key and check constraints of its updating table, so that an edit
// that the server would refuse is refused at once, in the server's words.

#include <string>

#include "dataset/field.h"
#include "oracle/dataset/dataset.h"
#include "oracle/query/table_info.h"

namespace oracle {

// Reads the constraint's kind and details once (on the dataset's DML query);
// a constraint that is not found enabled is never checked.
void ReadDetails(TOracleConstraintInfo& constraint, TOracleDataSet& dataSet);
// Checks the current record against the constraint and raises a database
// error with the translated server text when it is violated.
void Check(TOracleConstraintInfo& constraint, TOracleDataSet& dataSet);
// The one data field among the constraint's columns; "*" when there are
// several, empty when none.
std::string ConstraintFieldName(const TOracleConstraintInfo& constraint, TOracleDataSet& dataSet);

// The dataset's entry point, when EnforceConstraints is set and the query
// selects a rowid: with a field, the constraints of that field alone (a value
// is being set); without, every constraint with a changed column (the record
// is being posted).
void EnforceConstraints(TOracleDataSet& dataSet, dataset::TField* field);

// The check condition with ":" before each whole-word occurrence of a
// column in plain text and each quoted occurrence made a bind name;
// literals and comments stay as they are.
std::string BindColumnNames(const std::string& condition, const std::vector<std::string>& columns);
// Null, or a text field holding the empty string.
bool IsFieldNull(const dataset::TField& field);
// Declares `name` on `query` with the field's Oracle type and its value;
// false, binding nothing, for a null field.
bool BindFieldValue(TOracleDataSet& dataSet, TOracleQuery& query, dataset::TField& field,
                    const std::string& name);
// |(b - a) / a| <= 1e-10 (|b| <= 1e-10 when a is 0).
bool FloatsEqual(double a, double b);
// 1-based position of `word` standing alone in `text` (both upper-cased,
// characters outside names blanked), 0 when absent.
std::size_t WordPos(const std::string& word, const std::string& text);

}  // namespace oracle
