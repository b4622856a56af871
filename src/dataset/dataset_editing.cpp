// Editing: Edit, Insert, Append, Post, Cancel and Delete with their events,
// error handlers and the required-field check.

#include <algorithm>

#include "dataset/database_error.h"
#include "dataset/dataset.h"

namespace dataset {
namespace {

void CheckCanModify(TDataSet& ds) {
  if (!ds.CanModify()) DatabaseError("Cannot modify a read-only dataset", ds.Name());
}

}  // namespace

void TDataSet::CheckOperation(const std::function<void()>& operation,
                              const TDataSetErrorEvent& onError) {
  for (;;) {
    try {
      operation();
      return;
    } catch (const EAbort&) {
      throw;
    } catch (const std::exception& error) {
      if (!onError) throw;
      TDataAction action = TDataAction::daFail;
      onError(*this, error, action);
      if (action == TDataAction::daFail) throw;
      if (action == TDataAction::daAbort) throw EAbort();
      // daRetry: run the operation again.
    }
  }
}

void TDataSet::Edit() {
  if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) return;
  CheckActive();
  if (!hasRecord_) {
    Insert();
    return;
  }
  CheckBrowseMode();
  CheckCanModify(*this);
  Fire(BeforeEdit);
  UpdateCursorPos();
  CheckOperation([this] { InternalEdit(); }, OnEditError);
  GetCalcFields(activeBuffer_);
  SetState(TDataSetState::dsEdit);
  DataEvent(TDataEvent::deRecordChange);
  Fire(AfterEdit);
}

void TDataSet::BeginInsertAppend() {
  CheckActive();
  CheckBrowseMode();
  CheckCanModify(*this);
  DoBeforeInsert();
  DoBeforeScroll();
}

void TDataSet::EndInsertAppend() {
  hasRecord_ = true;
  SetState(TDataSetState::dsInsert);
  try {
    DoOnNewRecord();
  } catch (...) {
    InternalCancel();
    SetState(TDataSetState::dsBrowse);
    Resync();
    throw;
  }
  modified_ = false;
  DataEvent(TDataEvent::deDataSetChange);
  DoAfterInsert();
  DoAfterScroll();
}

void TDataSet::Insert() {
  BeginInsertAppend();
  // The new record goes before the current one; the cursor stays there.
  UpdateCursorPos();
  InternalInitRecord(activeBuffer_);
  ClearCalcFields(activeBuffer_);
  SetBookmarkFlag(activeBuffer_, TBookmarkFlag::bfInserted);
  InternalInsert();
  EndInsertAppend();
}

void TDataSet::Append() {
  BeginInsertAppend();
  InternalInitRecord(activeBuffer_);
  ClearCalcFields(activeBuffer_);
  SetBookmarkFlag(activeBuffer_, TBookmarkFlag::bfEOF);
  InternalLast();
  cursorOnActive_ = true;  // the cursor stands where the record will go
  bof_ = false;
  InternalInsert();
  EndInsertAppend();
}

namespace {

void SetFieldsInOrder(const TFields& fields, const std::vector<Variant>& values) {
  const int count = std::min(fields.Count(), static_cast<int>(values.size()));
  for (int i = 0; i < count; ++i) {
    const Variant& value = values[static_cast<std::size_t>(i)];
    if (value.IsEmpty() || value.IsNull())
      fields[i].Clear();
    else
      fields[i].SetValue(value);
  }
}

}  // namespace

void TDataSet::InsertRecord(const std::vector<Variant>& values) {
  Insert();
  SetFieldsInOrder(Fields(), values);
  Post();
}

void TDataSet::AppendRecord(const std::vector<Variant>& values) {
  Append();
  SetFieldsInOrder(Fields(), values);
  Post();
}

void TDataSet::UpdateRecord() {
  if (!IsEditState(state_)) DatabaseError("Dataset not in edit or insert mode", name_);
  DataEvent(TDataEvent::deUpdateRecord);
}

void TDataSet::Post() {
  UpdateRecord();
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforePost);
  CheckOperation([this] { InternalPost(); }, OnPostError);
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterPost);
}

void TDataSet::InternalPost() {
  CheckRequiredFields();
}

void TDataSet::CheckRequiredFields() {
  for (int i = 0; i < fields_.Count(); ++i) {
    TField& field = fields_[i];
    if (field.Required() && !field.ReadOnly() && field.FieldKind() == TFieldKind::fkData &&
        field.IsNull()) {
      DatabaseError("Field '" + field.FieldName() + "' must have a value");
    }
  }
}

void TDataSet::Cancel() {
  if (state_ != TDataSetState::dsEdit && state_ != TDataSetState::dsInsert) return;
  DataEvent(TDataEvent::deCheckBrowseMode);
  DoBeforeCancel();
  if (state_ == TDataSetState::dsEdit) UpdateCursorPos();
  InternalCancel();
  SetState(TDataSetState::dsBrowse);
  Resync();
  DoAfterCancel();
}

void TDataSet::Delete() {
  CheckActive();
  if (state_ == TDataSetState::dsInsert) {
    Cancel();
    return;
  }
  if (!hasRecord_) DatabaseError("Cannot perform this operation on an empty dataset", name_);
  CheckCanModify(*this);
  DataEvent(TDataEvent::deCheckBrowseMode);
  Fire(BeforeDelete);
  DoBeforeScroll();
  UpdateCursorPos();
  CheckOperation([this] { InternalDelete(); }, OnDeleteError);
  SetState(TDataSetState::dsBrowse);
  Resync();
  Fire(AfterDelete);
  DoAfterScroll();
}

void TDataSet::CheckBrowseMode() {
  CheckActive();
  DataEvent(TDataEvent::deCheckBrowseMode);
  switch (state_) {
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      UpdateRecord();
      if (modified_) {
        Post();
      } else {
        Cancel();
      }
      break;
    case TDataSetState::dsSetKey:
      SetState(TDataSetState::dsBrowse);
      break;
    default:
      break;
  }
}

TUpdateStatus TDataSet::UpdateStatus() {
  if (state_ == TDataSetState::dsInsert) return TUpdateStatus::usInserted;
  if (state_ == TDataSetState::dsEdit) return TUpdateStatus::usModified;
  return TUpdateStatus::usUnmodified;
}

void TDataSet::DoOnNewRecord() {
  Fire(OnNewRecord);
}
void TDataSet::DoBeforeInsert() {
  Fire(BeforeInsert);
}
void TDataSet::DoAfterInsert() {
  Fire(AfterInsert);
}
void TDataSet::DoBeforeCancel() {
  Fire(BeforeCancel);
}
void TDataSet::DoAfterCancel() {
  Fire(AfterCancel);
}

}  // namespace dataset
