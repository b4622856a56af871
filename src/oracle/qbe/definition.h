#pragma once
// The query-by-example definition a dataset owns: the QBE options and one
// TQBEField per field of the dataset, telling whether the field takes part,
// how its value is matched and what was last entered into it. The field list
// (not the values) is stored as the binary property "QBEFieldDefs":
//
//   version    int32   written as 5; 1 to 5 are read
//   count      int32   entries that follow
//   per entry: name length int32 (bytes), the name (version 5: UTF-16LE,
//              versions 1-4: one byte a character), then one byte (0 or 1)
//              per flag: Enabled, MatchFromStart, CaseInsensitive, WholeDay
//              (from version 2), MatchAnywhere (from 3), SoundsLike (from 4).
//
// All integers are little-endian; names are UTF-8 in memory.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "dataset/dataset.h"
#include "dataset/stream.h"
#include "platform/com/variant.h"

namespace oracle::qbe {

// A colour value; clNone stands for "no colour set".
using TColor = int32_t;
inline constexpr TColor clNone = 0x1FFFFFFF;

inline constexpr int32_t kQBEFieldDefsVersion = 5;

class TQBEDefinition;

class TQBEField {
 public:
  // Enabled is true and then put through the type rule.
  TQBEField(TQBEDefinition& definition, std::string fieldName);
  TQBEField(const TQBEField&) = delete;
  TQBEField& operator=(const TQBEField&) = delete;

  TQBEDefinition& Definition() const { return *definition_; }
  const std::string& FieldName() const { return fieldName_; }

  // Whether the field takes part in QBE. The value given is kept; while the
  // dataset has field definitions, the field reads as enabled only when one
  // of its name exists and its type is not a BLOB or memo kind.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool on);
  // Puts the value given through the type rule again (the dataset's field
  // definitions changed).
  void RecomputeEnabled();

  bool MatchFromStart = false;   // "%" appended to a value without wildcards
  bool MatchAnywhere = false;    // "%" put in front of it too
  bool SoundsLike = false;       // column and value compared by their soundex
  bool CaseInsensitive = false;  // column and value compared upper-cased
  bool WholeDay = false;         // a date without a time matches the whole day
  // The framework's variant, spelled in full: the Oracle library has a
  // variant of the same name in its own namespace.
  ::Variant Value;   // the value typed (AllowOperators false)
  std::string Text;  // the text typed (AllowOperators true)

 private:
  TQBEDefinition* definition_;
  std::string fieldName_;
  bool enabledGiven_ = true;
  bool enabled_ = true;
};

class TQBEDefinition {
 public:
  // An empty field list and the options' defaults.
  explicit TQBEDefinition(dataset::TDataSet& dataSet);
  TQBEDefinition(const TQBEDefinition&) = delete;
  TQBEDefinition& operator=(const TQBEDefinition&) = delete;
  ~TQBEDefinition();

  dataset::TDataSet& DataSet() const { return *dataSet_; }

  // --- options
  // Entered values are kept when QBE mode ends and shown again next time.
  bool SaveQBEValues() const { return saveQBEValues_; }
  void SetSaveQBEValues(bool on) { saveQBEValues_ = on; }
  // "*" and "?" in a value stand for the SQL wildcards "%" and "_".
  bool AllowFileWildCards() const { return allowFileWildCards_; }
  void SetAllowFileWildCards(bool on) { allowFileWildCards_ = on; }
  TColor QBEFontColor() const { return qbeFontColor_; }
  void SetQBEFontColor(TColor color) { qbeFontColor_ = color; }
  TColor QBEBackgroundColor() const { return qbeBackgroundColor_; }
  void SetQBEBackgroundColor(TColor color) { qbeBackgroundColor_ = color; }
  // Values are taken as typed text (operators and keywords allowed) rather
  // than as the fields' typed values.
  bool AllowOperators() const { return allowOperators_; }
  void SetAllowOperators(bool on) { allowOperators_ = on; }

  // --- fields
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  TQBEField& Field(int index) const { return *fields_.at(static_cast<std::size_t>(index)); }
  // The field of that name (without regard to case); null when none.
  TQBEField* FindField(const std::string& name) const;

  // Makes the list follow the dataset's field definitions: a field for each
  // definition (a new one enabled), none for a name without one; every kept
  // field's Enabled is put through the type rule. Answers whether a field
  // was added.
  bool SynchronizeFields();
  // Puts every field's Enabled through the type rule.
  void RecomputeEnabled();

  // Copies the options and rebuilds the field list from the source's: name,
  // Enabled (put through this dataset's type rule), the five match flags and
  // the current text.
  void Assign(const TQBEDefinition& source);

  // --- the stored field list
  // Replaces the list by the one stored at the stream's position. A version
  // outside 1..5 raises "Invalid version of QBEDefinition"; a stream that
  // ends early or holds an impossible length raises EReadError. After a
  // failure the list is empty.
  void ReadFieldDefs(dataset::TStream& stream);
  // Writes the list in version 5.
  void WriteFieldDefs(dataset::TStream& stream) const;
  // Same count and, position by position, the same name (exactly) and flags.
  bool SameFieldDefs(const TQBEDefinition& other) const;
  // Whether the list is stored: it differs from the ancestor's, or, without
  // an ancestor, it is not empty.
  bool StoresFieldDefs(const TQBEDefinition* ancestor) const;

 private:
  TQBEField& AddField(const std::string& name);

  dataset::TDataSet* dataSet_;
  std::vector<std::unique_ptr<TQBEField>> fields_;
  bool saveQBEValues_ = true;
  bool allowFileWildCards_ = true;
  TColor qbeFontColor_ = clNone;
  TColor qbeBackgroundColor_ = clNone;
  bool allowOperators_ = false;
};

}  // namespace oracle::qbe
