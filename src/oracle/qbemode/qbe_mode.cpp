#include "oracle/qbemode/qbe_mode.h"

#include <algorithm>
#include <stdexcept>

#include "oracle/dml/updating_table.h"
#include "oracle/values/type_codes.h"
#include "platform/text.h"

namespace oracle {
namespace {

bool Designing(const TOracleDataSet& ds) {
  return (ds.ComponentState() & dataset::csDesigning) != 0;
}

bool IsEditing(const TOracleDataSet& ds) {
  return ds.State() == dataset::TDataSetState::dsEdit ||
         ds.State() == dataset::TDataSetState::dsInsert;
}

// The QBE fields whose dataset field exists, with that field.
template <typename Visit>
void ForEachQBEField(TOracleDataSet& ds, Visit visit) {
  qbe::TQBEDefinition& definition = ds.QBEDefinition();
  for (int i = 0; i < definition.FieldCount(); ++i) {
    qbe::TQBEField& qbeField = definition.Field(i);
    if (dataset::TField* field = ds.FindField(qbeField.FieldName())) visit(qbeField, *field);
  }
}

// The field's QBE text is the QBE field's Text (typed in the language) with
// AllowOperators, unless the field takes wide text itself.
bool TypedAsText(TOracleDataSet& ds, const dataset::TField& field) {
  return ds.QBEDefinition().AllowOperators() &&
         field.DataType() != dataset::TFieldType::ftWideString;
}

}  // namespace

std::vector<qbe::TQBEColumn> TQBEModePart::ExampleColumns() {
  std::vector<qbe::TQBEColumn> columns;
  ForEachQBEField(ds_, [&](qbe::TQBEField& qbeField, dataset::TField& field) {
    if (!qbeField.Enabled()) return;
    qbe::TQBEColumn column;
    const TOracleFieldInfo* info = ds_.FieldInfo().FindByField(field);
    if (info != nullptr) column.column = platform::Trim(info->ColumnName);
    if (column.column.empty()) column.column = field.FieldName();
    // An attribute of an object column is reached through the table's alias.
    if (info != nullptr && info->Kind == fiAttribute)
      column.column = GetUpdatingTableAlias(ds_) + "." + column.column;
    column.type = field.DataType();
    column.matchFromStart = qbeField.MatchFromStart;
    column.matchAnywhere = qbeField.MatchAnywhere;
    column.soundsLike = qbeField.SoundsLike;
    column.caseInsensitive = qbeField.CaseInsensitive;
    column.wholeDay = qbeField.WholeDay;
    column.text = TypedAsText(ds_, field) ? qbeField.Text : field.AsString();
    columns.push_back(std::move(column));
  });
  return columns;
}

void TQBEModePart::StoreValues() {
  ForEachQBEField(ds_, [&](qbe::TQBEField& qbeField, dataset::TField& field) {
    if (!TypedAsText(ds_, field))
      qbeField.Value = field.IsNull() ? ::Variant::Null() : field.Value();
  });
}

void TQBEModePart::ApplyQBE() {
  if (IsEditing(ds_)) ds_.UpdateRecord();
  StoreValues();
  qbe::TQBEOptions options;
  options.allowOperators = ds_.QBEDefinition().AllowOperators();
  options.allowFileWildCards = ds_.QBEDefinition().AllowFileWildCards();
  for (int32_t i = 0; i < ds_.VariableCount(); ++i)
    if (!qbe::IsQBEVariable(ds_.VariableName(i))) ++options.variableCount;
  // Built in full before anything changes: a value that cannot be read
  // leaves the SQL text and the variables as they were.
  const qbe::TQBECondition condition = qbe::BuildQBECondition(ExampleColumns(), options);
  RestoreSQL();
  if (condition.text.empty()) return;
  savedSQL_ = ds_.SQL();
  for (const qbe::TQBEBind& bind : condition.binds) {
    if (bind.isNumber)
      ds_.DeclareAndSet(bind.name, otype::Float, Variant::Double(bind.number));
    else
      ds_.DeclareAndSet(bind.name, otype::String, Variant::String(bind.text));
  }
  ds_.MainQuery().SetSQL(qbe::RewriteSQLForQBE(savedSQL_, condition.text));
  sqlModified_ = true;
}

void TQBEModePart::RestoreSQL() {
  sqlModified_ = false;
  for (int32_t i = ds_.VariableCount() - 1; i >= 0; --i) {
    const std::string name = ds_.VariableName(i);
    if (qbe::IsQBEVariable(name)) ds_.MainQuery().DeleteVariable(name);
  }
  const std::string& sql = ds_.SQL();
  const std::string marker = qbe::kQBEMarker;
  if (sql.size() >= marker.size() &&
      sql.compare(sql.size() - marker.size(), marker.size(), marker) == 0)
    ds_.MainQuery().SetSQL(savedSQL_);
}

int TQBEModePart::RecordCount() {
  ApplyQBE();
  return ds_.CountQueryHits();
}

void TQBEModePart::SaveFields() {
  fields_.clear();
  if (Designing(ds_)) return;
  ForEachQBEField(ds_, [&](qbe::TQBEField& qbeField, dataset::TField& field) {
    SavedField saved;
    saved.field = &field;
    saved.readOnly = field.ReadOnly();
    saved.required = field.Required();
    field.SetReadOnly(!qbeField.Enabled());
    field.SetRequired(false);
    if (TypedAsText(ds_, field)) TakeTextHandlers(saved, qbeField);
    fields_.push_back(std::move(saved));
  });
}

void TQBEModePart::TakeTextHandlers(SavedField& saved, qbe::TQBEField& qbeField) {
  dataset::TField& field = *saved.field;
  saved.textHandlers = true;
  saved.onGetText = std::move(field.OnGetText);
  saved.onSetText = std::move(field.OnSetText);
  saved.onChange = std::move(field.OnChange);
  qbe::TQBEField* qbe = &qbeField;
  field.OnGetText = [qbe](const dataset::TField&) { return qbe->Text; };
  // The text is kept whole; the value takes it when the field's type can
  // hold it (">= 2" leaves a number field empty).
  field.OnSetText = [this, qbe](dataset::TField& target, const std::string& text) {
    target.CheckWritable();
    qbe->Text = text;
    settingText_ = true;
    struct Done {
      bool& flag;
      ~Done() { flag = false; }
    } done{settingText_};
    try {
      target.SetAsString(text);
    } catch (const std::exception&) {
      target.Clear();
    }
  };
  // A value set otherwise becomes the text.
  field.OnChange = [this, qbe](dataset::TField& target) {
    if (!settingText_) qbe->Text = target.IsNull() ? std::string() : target.AsString();
  };
}

void TQBEModePart::RestoreFields() {
  for (SavedField& saved : fields_) {
    saved.field->SetReadOnly(saved.readOnly);
    saved.field->SetRequired(saved.required);
    if (!saved.textHandlers) continue;
    saved.field->OnGetText = std::move(saved.onGetText);
    saved.field->OnSetText = std::move(saved.onSetText);
    saved.field->OnChange = std::move(saved.onChange);
  }
  fields_.clear();
}

void TQBEModePart::ColourControls() {
  const qbe::TQBEDefinition& definition = ds_.QBEDefinition();
  for (dataset::TDataSource* source : ds_.DataSources()) {
    for (dataset::TDataLink* link : source->Links()) {
      dataset::TDataControl* control = link->Control();
      if (control == nullptr) continue;
      if (control->HasMaxLength()) {
        lengths_.push_back({control, control->MaxLength()});
        control->SetMaxLength(0);
      }
      const qbe::TQBEField* qbeField = definition.FindField(control->DataField());
      if (control->HasCaption() || qbeField == nullptr || !qbeField->Enabled()) continue;
      if (definition.QBEBackgroundColor() != qbe::clNone && control->Color() == dataset::clWindow) {
        control->SetColor(definition.QBEBackgroundColor());
        coloured_.push_back(control);
      }
      if (definition.QBEFontColor() != qbe::clNone &&
          control->FontColor() == dataset::clWindowText) {
        control->SetFontColor(definition.QBEFontColor());
        fontColoured_.push_back(control);
      }
    }
  }
}

void TQBEModePart::RestoreControls() {
  // Only controls still linked are touched: one freed meanwhile is gone
  // from its source.
  auto has = [](const auto& list, dataset::TDataControl* control) {
    return std::find(list.begin(), list.end(), control) != list.end();
  };
  for (dataset::TDataSource* source : ds_.DataSources()) {
    for (dataset::TDataLink* link : source->Links()) {
      dataset::TDataControl* control = link->Control();
      if (control == nullptr) continue;
      if (has(coloured_, control)) control->SetColor(dataset::clWindow);
      if (has(fontColoured_, control)) control->SetFontColor(dataset::clWindowText);
      for (const SavedLength& saved : lengths_)
        if (saved.control == control) control->SetMaxLength(saved.maxLength);
    }
  }
  coloured_.clear();
  fontColoured_.clear();
  lengths_.clear();
}

void TQBEModePart::Enter() {
  if (active_) return;
  CanEnterQBEMode(ds_, true);
  ds_.CheckBrowseMode();
  ds_.SetQBEModeFlag(true);
  ds_.SetRecordsAside();
  ds_.First();
  SaveFields();
  try {
    ds_.Insert();
  } catch (...) {
    RestoreFields();
    ds_.SetQBEModeFlag(false);
    ds_.PutRecordsBack();
    ds_.First();
    throw;
  }
  active_ = true;
  entering_ = true;
  struct EnteringFlag {
    bool& flag;
    ~EnteringFlag() { flag = false; }
  } enteringFlag{entering_};
  qbe::TQBEDefinition& definition = ds_.QBEDefinition();
  ForEachQBEField(ds_, [&](qbe::TQBEField& qbeField, dataset::TField& field) {
    if (TypedAsText(ds_, field)) {
      if (!definition.SaveQBEValues()) qbeField.Text.clear();
    } else if (definition.SaveQBEValues() && qbeField.Enabled() && !qbeField.Value.IsNull() &&
               !qbeField.Value.IsEmpty()) {
      field.SetValue(qbeField.Value);
    }
  });
  if (BeforeQBE) BeforeQBE(ds_);
  ColourControls();
}

void TQBEModePart::Leave() {
  if (!active_) {
    ds_.SetQBEModeFlag(false);
    return;
  }
  bool requery = true;
  if (OnCancelQBE) OnCancelQBE(ds_, requery);
  // The rows shown after a requery are those the example selects, whether
  // or not they were counted: the condition is built first (a value that
  // cannot be read raises and the mode stays).
  if (requery)
    ApplyQBE();
  else if (IsEditing(ds_))
    StoreValues();
  RestoreFields();
  ds_.Cancel();
  ds_.SetQBEModeFlag(false);
  active_ = false;
  RestoreControls();
  if (requery) {
    ds_.DropRecordsSetAside();
    ds_.Refresh();
  } else {
    ds_.PutRecordsBack();
    ds_.First();
  }
  ds_.DataEvent(dataset::TDataEvent::deDataSetChange);
}

void TQBEModePart::Closing() {
  if (active_) {
    RestoreFields();
    RestoreControls();
    active_ = false;
  }
  RestoreSQL();
}

TQBEModePart& QBEModeOf(TOracleDataSet& dataSet) {
  auto part = std::dynamic_pointer_cast<TQBEModePart>(dataSet.QBEModePart);
  if (!part) {
    part = std::make_shared<TQBEModePart>(dataSet);
    dataSet.QBEModePart = part;
  }
  return *part;
}

void SetQBEMode(TOracleDataSet& dataSet, bool on) {
  TQBEModePart& part = QBEModeOf(dataSet);
  if (!dataSet.Active()) {
    dataSet.SetQBEModeFlag(on);
    return;
  }
  if (on)
    part.Enter();
  else
    part.Leave();
}

bool CanEnterQBEMode(TOracleDataSet& dataSet, bool raise) {
  if (QBEModeOf(dataSet).Active()) return true;
  const char* reason = nullptr;
  if (dataSet.IsCursorDataSet())
    reason = "QBE mode not supported for cursors";
  else if (dataSet.CachedUpdates() &&
           (dataSet.UpdatesPending() || dataset::IsEditState(dataSet.State())))
    reason = "QBE mode not allowed with pending updates";
  else if (!dataSet.HasMasterRecord())
    reason = "QBE mode not allowed without a master record";
  else if (dataSet.Detached())
    reason = "QBE mode not allowed for a detached dataset";
  if (reason == nullptr) return true;
  if (raise) throw std::runtime_error(reason);
  return false;
}

void CheckNotQBEMode(const TOracleDataSet& dataSet) {
  if (dataSet.QBEMode()) throw std::runtime_error("Operation not allowed in QBE mode");
}

void CheckQBEMode(const TOracleDataSet& dataSet) {
  if (!dataSet.QBEMode()) throw std::runtime_error("Operation only allowed in QBE mode");
}

void ClearQBE(TOracleDataSet& dataSet) {
  QBEModeOf(dataSet).RestoreSQL();
}

}  // namespace oracle
