#pragma once
// A dataset's query-by-example mode. Entering it sets the fetched records
// aside and inserts one empty example record whose fields take search
// values; counting the records in the mode, and leaving it with a requery,
// rewrite the dataset's SQL text with the condition the example stands for
// (oracle/qbe/condition.h) and run it. The user's SQL text comes back before
// every rewrite, when the dataset closes and when the QBE is cleared.
//
// While the mode lasts each field is read-only unless its QBE field is
// enabled and never required; with AllowOperators what is typed into a field
// (TField::SetText) is its QBE text, operators included; the controls linked to the dataset that
// show an enabled QBE field take the QBE colours, and those with a MaxLength lose their limit. All
// of it is restored on leaving.

#include <functional>
#include <string>
#include <vector>

#include "dataset/data_link.h"
#include "oracle/dataset/dataset.h"
#include "oracle/qbe/condition.h"

namespace oracle {

class TQBEModePart : public TQBEModeHooks {
 public:
  using TQBEEvent = std::function<void(TOracleDataSet&)>;
  using TCancelQBEEvent = std::function<void(TOracleDataSet&, bool& requery)>;

  explicit TQBEModePart(TOracleDataSet& dataSet) : ds_(dataSet) {}

  // After the example record was inserted, before the controls are coloured.
  TQBEEvent BeforeQBE;
  // When the mode is left; clearing `requery` keeps the rows shown before.
  TCancelQBEEvent OnCancelQBE;

  // The mode was entered and not left.
  bool Active() const { return active_; }
  // Set while the mode is being entered.
  bool Entering() const { return entering_; }
  // The SQL text now run is the user's rewritten for QBE.
  bool SQLModified() const { return sqlModified_; }

  void Enter();
  void Leave();
  // Rewrites the SQL text with the example's condition (the user's text
  // when the example is empty). A value that cannot be read raises and
  // leaves the SQL text and variables as they were.
  void ApplyQBE();
  // Puts the user's SQL text back and deletes the QBE variables.
  void RestoreSQL();

  // TQBEModeHooks
  void Opened() override { Enter(); }
  void Closing() override;
  int RecordCount() override;
  std::string TextBeforeQBE() const override { return sqlModified_ ? savedSQL_ : ds_.SQL(); }

 private:
  struct SavedField {
    dataset::TField* field = nullptr;
    bool readOnly = false;
    bool required = false;
    // The handlers the QBE text's took the place of (AllowOperators).
    bool textHandlers = false;
    std::function<std::string(const dataset::TField&)> onGetText;
    std::function<void(dataset::TField&, const std::string&)> onSetText;
    dataset::TField::TFieldNotifyEvent onChange;
  };
  struct SavedLength {
    dataset::TDataControl* control;
    int maxLength;
  };

  std::vector<qbe::TQBEColumn> ExampleColumns();
  // The example's values kept in the QBE fields (shown again next time).
  void StoreValues();
  void SaveFields();
  // With AllowOperators the field shows and takes its QBE field's text, an
  // operator included; the value follows the text where it can.
  void TakeTextHandlers(SavedField& saved, qbe::TQBEField& qbeField);
  void RestoreFields();
  void ColourControls();
  void RestoreControls();

  TOracleDataSet& ds_;
  bool active_ = false;
  bool entering_ = false;
  bool sqlModified_ = false;
  bool settingText_ = false;
  std::string savedSQL_;
  std::vector<SavedField> fields_;
  std::vector<dataset::TDataControl*> coloured_;
  std::vector<dataset::TDataControl*> fontColoured_;
  std::vector<SavedLength> lengths_;
};

// The dataset's QBE mode, made and set in at the first call.
TQBEModePart& QBEModeOf(TOracleDataSet& dataSet);

// On a closed dataset only the flag is stored (opening enters the mode); on
// an open one true enters and false leaves the mode.
void SetQBEMode(TOracleDataSet& dataSet, bool on);
// Whether the mode can be entered; with `raise` the first reason against
// it raises: "QBE mode not supported for cursors", "QBE mode not allowed for
// a detached dataset". A dataset in the mode passes.
bool CanEnterQBEMode(TOracleDataSet& dataSet, bool raise);
// "Operation not allowed in QBE mode" in the mode.
void CheckNotQBEMode(const TOracleDataSet& dataSet);
// "Operation only allowed in QBE mode" outside it.
void CheckQBEMode(const TOracleDataSet& dataSet);
// Puts the user's SQL text back (the rewritten one is dropped).
void ClearQBE(TOracleDataSet& dataSet);

}  // namespace oracle
