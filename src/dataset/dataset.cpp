// The dataset's life: opening and closing, states, fields, data events and
// the data sources that observe it.

#include "dataset/dataset.h"

#include <algorithm>
#include <cstring>

#include "dataset/database_error.h"
#include "dataset/field_kinds.h"

namespace dataset {

std::function<void(const std::exception&)> ApplicationHandleException;

TDataSet::TDataSet() : fields_(this) {}

TDataSet::~TDataSet() {
  // A descendant closes itself in its own destructor, while its cursor and
  // buffer functions still exist; none of them may be called from here.
  for (TDataSource* source : dataSources_) {
    source->dataSet_ = nullptr;
    source->UpdateState();
  }
}

void TDataSet::SetActive(bool active) {
  if (active == Active()) return;
  if (active) {
    Fire(BeforeOpen);
    OpenCursor();
    try {
      SetState(TDataSetState::dsBrowse);
      bof_ = true;
      InternalFirst();
      CursorPosChanged();
      hasRecord_ = ReadRecord(TGetMode::gmNext);
      eof_ = !hasRecord_;
    } catch (...) {
      // A dataset whose first record cannot be read does not stay open.
      SetState(TDataSetState::dsInactive);
      CloseCursor();
      throw;
    }
    DataEvent(TDataEvent::deDataSetChange);
    Fire(AfterOpen);
    if (hasRecord_) DoAfterScroll();
  } else {
    Fire(BeforeClose);
    if (state_ == TDataSetState::dsEdit || state_ == TDataSetState::dsInsert) {
      // Pending edits are dropped; the descendant releases what it held for
      // them (locks, buffers).
      InternalCancel();
    }
    SetState(TDataSetState::dsInactive);
    CloseCursor();
    Fire(AfterClose);
  }
}

void TDataSet::OpenCursor() {
  defaultFields_ = fields_.Count() == 0;
  try {
    InternalOpen();
    activeBuffer_ = AllocRecordBuffer();
  } catch (...) {
    CloseCursor();
    throw;
  }
}

void TDataSet::CloseCursor() {
  FreeBuffers();
  hasRecord_ = false;
  cursorOnActive_ = false;
  bof_ = eof_ = true;
  modified_ = false;
  if (IsCursorOpen()) {
    InternalClose();
  } else if (defaultFields_) {
    DestroyFields();
  }
}

void TDataSet::FreeBuffers() {
  if (activeBuffer_ != nullptr) FreeRecordBuffer(activeBuffer_);
  activeBuffer_ = nullptr;
}

TField& TDataSet::FieldByName(const std::string& name) const {
  TField* f = fields_.FindField(name);
  if (f == nullptr) DatabaseError("Field '" + name + "' not found", name_);
  return *f;
}

std::vector<TField*> TDataSet::GetFieldList(const std::string& names) const {
  std::vector<TField*> list;
  std::size_t start = 0;
  while (start <= names.size()) {
    std::size_t end = names.find(';', start);
    if (end == std::string::npos) end = names.size();
    std::string name = names.substr(start, end - start);
    const auto first = name.find_first_not_of(' ');
    const auto last = name.find_last_not_of(' ');
    name = first == std::string::npos ? std::string() : name.substr(first, last - first + 1);
    if (!name.empty()) list.push_back(&FieldByName(name));
    start = end + 1;
  }
  return list;
}

void TDataSet::CreateFields() {
  for (int i = 0; i < fieldDefs_.Count(); ++i) {
    const TFieldDef& def = fieldDefs_[i];
    std::unique_ptr<TField> field = CreateField(def.DataType, def.Size);
    if (!field) continue;  // a type without a field class has no field
    field->SetFieldName(def.Name);
    field->SetRequired(def.Required);
    fields_.Add(std::move(field));
  }
}

void TDataSet::DestroyFields() {
  fields_.Clear();
}

void TDataSet::BindFields(bool binding) {
  calcFieldsSize_ = 0;
  for (int i = 0; i < fields_.Count(); ++i) {
    TField& field = fields_[i];
    if (!binding) {
      if (field.FieldKind() == TFieldKind::fkData) field.SetFieldNo(0);
      continue;
    }
    if (field.FieldKind() == TFieldKind::fkData) {
      const TFieldDef* def = fieldDefs_.Find(field.FieldName());
      if (def == nullptr) DatabaseError("Field '" + field.FieldName() + "' not found", name_);
      field.SetFieldNo(def->FieldNo);
    } else {
      field.SetFieldNo(-1 - i);
      if (field.FieldKind() != TFieldKind::fkInternalCalc) {
        // One flag byte before the value, as in the data area.
        field.SetOffset(calcFieldsSize_);
        calcFieldsSize_ += field.DataSize() + 1;
      }
    }
  }
}

void TDataSet::CheckActive() const {
  if (!Active()) DatabaseError("Cannot perform this operation on a closed dataset", name_);
}

void TDataSet::CheckInactive() const {
  if (Active()) DatabaseError("Cannot perform this operation on an open dataset", name_);
}

void TDataSet::SetState(TDataSetState state) {
  if (state == state_) return;
  state_ = state;
  modified_ = false;
  DataEvent(TDataEvent::deUpdateState);
}

TDataSetState TDataSet::SetTempState(TDataSetState state) {
  const TDataSetState saved = state_;
  state_ = state;
  return saved;
}

void TDataSet::RestoreState(TDataSetState state) {
  state_ = state;
}

void TDataSet::InternalHandleException(const std::exception& error) {
  if (ApplicationHandleException) ApplicationHandleException(error);
}

void TDataSet::ClearCalcFields(TRecordBuffer) {}

void TDataSet::CalculateFields(TRecordBuffer buffer) {
  calcBuffer_ = buffer;
  TTempState temp(*this, TDataSetState::dsCalcFields);
  ClearCalcFields(buffer);
  if (OnCalcFields) OnCalcFields(*this);
}

void TDataSet::GetCalcFields(TRecordBuffer buffer) {
  if (!autoCalcFields_) return;
  for (int i = 0; i < fields_.Count(); ++i) {
    if (fields_[i].FieldKind() != TFieldKind::fkData) {
      CalculateFields(buffer);
      return;
    }
  }
}

bool TDataSet::FilterAccepts() {
  bool accept = true;
  if (OnFilterRecord) OnFilterRecord(*this, accept);
  return accept;
}

void TDataSet::DataEvent(TDataEvent event, TField* field) {
  if (event == TDataEvent::deFieldChange && field != nullptr) {
    if (field->FieldKind() == TFieldKind::fkData ||
        field->FieldKind() == TFieldKind::fkInternalCalc) {
      modified_ = true;
    }
    if (IsEditState(state_) && field->FieldKind() == TFieldKind::fkData) {
      GetCalcFields(activeBuffer_);
    }
    field->Change();
  }
  if (ControlsDisabled()) {
    // Remember that the layout changed or the dataset closed, so that
    // enabling the controls tells them.
    if (event == TDataEvent::deLayoutChange ||
        (event == TDataEvent::deUpdateState && state_ == TDataSetState::dsInactive)) {
      enableEvent_ = TDataEvent::deLayoutChange;
    }
    return;
  }
  // A copy: a handler may attach or detach sources.
  const std::vector<TDataSource*> sources = dataSources_;
  for (TDataSource* source : sources) source->DataEvent(event, field);
}

void TDataSet::DisableControls() {
  if (disableCount_ == 0) {
    disableState_ = state_;
    enableEvent_ = TDataEvent::deDataSetChange;
  }
  ++disableCount_;
}

void TDataSet::EnableControls() {
  if (disableCount_ == 0) return;
  if (--disableCount_ > 0) return;
  if (disableState_ != state_) DataEvent(TDataEvent::deUpdateState);
  if (disableState_ != TDataSetState::dsInactive && state_ != TDataSetState::dsInactive) {
    DataEvent(enableEvent_);
  }
}

bool TDataSet::GetFieldData(TField& field, void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr) return GetFieldData(field, buffer);
  std::vector<uint8_t> native(static_cast<std::size_t>(field.DataSize()));
  if (!GetFieldData(field, native.data())) return false;
  DataConvert(field, native.data(), buffer, false);
  return true;
}

void TDataSet::SetFieldData(TField& field, const void* buffer, bool nativeFormat) {
  if (nativeFormat || buffer == nullptr) {
    SetFieldData(field, buffer);
    return;
  }
  std::vector<uint8_t> native(static_cast<std::size_t>(field.DataSize()));
  DataConvert(field, buffer, native.data(), true);
  SetFieldData(field, native.data());
}

void TDataSet::DataConvert(TField& field, const void* source, void* dest, bool) {
  std::memcpy(dest, source, static_cast<std::size_t>(field.DataSize()));
}

std::unique_ptr<TStream> TDataSet::CreateBlobStream(TField& field, TBlobStreamMode) {
  DatabaseError("Field '" + field.FieldName() + "' has no BLOB storage", name_);
}

}  // namespace dataset
