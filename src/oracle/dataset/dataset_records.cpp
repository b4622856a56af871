// Records of an open Oracle dataset: the navigation primitive on the current
// index, record numbers, bookmarks, the record buffer of each state and the
// field values in it.

#include <algorithm>
#include <cstring>

#include "dataset/database_error.h"
#include "dataset/field_kinds.h"
#include "oracle/dataset/blob_stream.h"
#include "oracle/dataset/dataset.h"
#include "platform/com/bstr.h"

namespace oracle {
namespace {

using dataset::TBookmarkFlag;
using dataset::TDataSetState;
using dataset::TGetMode;
using dataset::TGetResult;

int32_t BookmarkNumber(const void* bookmark) {
  int32_t number = 0;
  std::memcpy(&number, bookmark, sizeof number);
  return number;
}

}  // namespace

// ---- positions

int TOracleDataSet::FirstVisible() const {
  return FilterActive() ? 0 : store_->Base();
}

int TOracleDataSet::VisibleEnd() const {
  return store_->RecordCount();
}

TGetResult TOracleDataSet::GetRecord(dataset::TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  TGetResult result = TGetResult::grOK;
  switch (mode) {
    case TGetMode::gmCurrent:
      if (currentIndex_ < FirstVisible() || currentIndex_ >= VisibleEnd()) {
        if (!FetchRecords()) result = TGetResult::grError;
      }
      break;
    case TGetMode::gmNext:
      if (currentIndex_ < VisibleEnd() - 1) {
        ++currentIndex_;
      } else if (FetchRecords()) {
        currentIndex_ = VisibleEnd() - 1;
      } else {
        result = TGetResult::grEOF;
      }
      break;
    case TGetMode::gmPrior:
      if (currentIndex_ < 1) {
        result = TGetResult::grBOF;
      } else {
        --currentIndex_;
      }
      break;
  }
  if (result == TGetResult::grOK && (currentIndex_ < 0 || currentIndex_ >= VisibleEnd())) {
    result = TGetResult::grError;
  }
  if (result == TGetResult::grOK) {
    // A record the unidirectional store dropped raises the store's text.
    const uint8_t* record = store_->Record(currentIndex_);
    std::memcpy(buffer, record, static_cast<std::size_t>(recordSize_));
    RecordHeader(buffer).BookmarkFlag = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
    GetCalcFields(buffer);
  } else if (result == TGetResult::grError && doCheck) {
    dataset::DatabaseError("No Records", Name());
  }
  return result;
}

int TOracleDataSet::GetRecordCount() {
  if (qbeMode_ && QBEModePart) return QBEModePart->RecordCount();
  if (countAllRecords_ && !FilterActive()) {
    if (!hitCountKnown_) {
      hitCount_ = CountQueryHits();
      hitCountKnown_ = true;
      // The server's count holds the records this dataset posted or
      // applied since the query: they are counted once.
      insertedCount_ = 0;
    }
    return hitCount_ + insertedCount_ + NetInsertCount();
  }
  return store_->RecordCount();
}

int TOracleDataSet::GetRecNo() {
  if (store_ == nullptr) return 0;
  UpdateCursorPos();
  if (currentIndex_ == -1 && VisibleEnd() > 0) return 1;
  return currentIndex_ + 1;
}

void TOracleDataSet::SetRecNo(int recNo) {
  CheckActive();
  const int count = RecordCount();
  if (recNo < 1 || recNo > count) {
    dataset::DatabaseError("Record number " + std::to_string(recNo) + " is out of range (1.." +
                               std::to_string(count) + ")",
                           Name());
  }
  UpdateCursorPos();
  if (recNo - 1 == currentIndex_) return;
  CheckBrowseMode();
  if (recNo - 1 < VisibleEnd()) {
    DoBeforeScroll();
    currentIndex_ = recNo - 1;
    CursorPosChanged();
    Resync();
    DoAfterScroll();
  } else {
    // Counted but not fetched yet: move through the rows in between.
    MoveBy(recNo - GetRecNo());
  }
}

// ---- bookmarks

int TOracleDataSet::FindBookmark(int32_t number) const {
  if (store_ == nullptr) return -1;
  const int first = FirstVisible();
  const int end = VisibleEnd();
  const int guess = number - 1;
  if (guess >= first && guess < end && RecordHeader(store_->Record(guess)).Bookmark == number) {
    return guess;
  }
  for (int position = first; position < end; ++position) {
    if (RecordHeader(store_->Record(position)).Bookmark == number) return position;
  }
  return -1;
}

void TOracleDataSet::GetBookmarkData(dataset::TRecordBuffer buffer, void* data) {
  std::memcpy(data, &RecordHeader(buffer).Bookmark, sizeof(int32_t));
}

void TOracleDataSet::SetBookmarkData(dataset::TRecordBuffer buffer, const void* data) {
  std::memcpy(&RecordHeader(buffer).Bookmark, data, sizeof(int32_t));
}

TBookmarkFlag TOracleDataSet::GetBookmarkFlag(dataset::TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(RecordHeader(buffer).BookmarkFlag);
}

void TOracleDataSet::SetBookmarkFlag(dataset::TRecordBuffer buffer, TBookmarkFlag flag) {
  RecordHeader(buffer).BookmarkFlag = static_cast<uint8_t>(flag);
}

void TOracleDataSet::InternalGotoBookmark(const void* bookmark) {
  const int32_t number = BookmarkNumber(bookmark);
  const int position = FindBookmark(number);
  if (position < 0) {
    dataset::DatabaseError("Bookmark not found (" + std::to_string(number) + ")", Name());
  }
  currentIndex_ = position;
}

void TOracleDataSet::InternalSetToRecord(dataset::TRecordBuffer buffer) {
  InternalGotoBookmark(&RecordHeader(buffer).Bookmark);
}

bool TOracleDataSet::BookmarkValid(const dataset::TBookmark& bookmark) {
  return bookmark.size() == sizeof(int32_t) && Active() &&
         FindBookmark(BookmarkNumber(bookmark.data())) >= 0;
}

int TOracleDataSet::CompareBookmarks(const dataset::TBookmark& a, const dataset::TBookmark& b) {
  const bool noA = a.size() != sizeof(int32_t);
  const bool noB = b.size() != sizeof(int32_t);
  if (noA && noB) return 0;
  if (noA) return -1;
  if (noB) return 1;
  const int32_t x = BookmarkNumber(a.data());
  const int32_t y = BookmarkNumber(b.data());
  return x == y ? 0 : x < y ? 1 : -1;
}

// ---- record buffers

dataset::TRecordBuffer TOracleDataSet::AllocRecordBuffer() {
  auto* buffer = new uint8_t[static_cast<std::size_t>(recordSize_)]();
  RecordHeader(buffer).DataSize = recordSize_ - kRecordHeaderSize;
  return buffer;
}

void TOracleDataSet::FreeRecordBuffer(dataset::TRecordBuffer& buffer) {
  // A buffer only borrows the BLOB values and ROWID copy of its store record.
  delete[] buffer;
  buffer = nullptr;
}

void TOracleDataSet::InternalInitRecord(dataset::TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(kRecordHeaderSize));
  std::memset(buffer + kRecordHeaderSize, 1,
              static_cast<std::size_t>(recordSize_ - kRecordHeaderSize));
  RecordHeader(buffer).MasterKey = masterKey_;
  RecordHeader(buffer).DataSize = recordSize_ - kRecordHeaderSize;
}

void TOracleDataSet::ClearCalcFields(dataset::TRecordBuffer buffer) {
  std::memset(buffer + kRecordHeaderSize + dataSize_, 1,
              static_cast<std::size_t>(CalcFieldsSize()));
}

void TOracleDataSet::CalculateFields(dataset::TRecordBuffer buffer) {
  if (State() == TDataSetState::dsFilter) return;
  dataset::TDataSet::CalculateFields(buffer);
}

uint8_t* TOracleDataSet::StateRecord() {
  if (applyingItem_ != nullptr) {
    // A logged change being applied is read from its images: the record
    // before a delete, else the record after the change.
    TChangeLogItem& item = *applyingItem_;
    TRecordImage* shown = item.Kind == 'D' ? item.OldRecord.get() : item.NewRecord.get();
    switch (State()) {
      case TDataSetState::dsBrowse:
      case TDataSetState::dsCurValue:
        return shown != nullptr ? shown->Data() : nullptr;
      case TDataSetState::dsNewValue:
        if (applyingDone_) {
          if (uint8_t* record = LoggedStoreRecord(item)) return record;
        }
        return shown != nullptr ? shown->Data() : nullptr;
      case TDataSetState::dsOldValue:
        return item.OldRecord ? item.OldRecord->Data() : nullptr;
      default:
        break;
    }
  }
  switch (State()) {
    case TDataSetState::dsBrowse:
    case TDataSetState::dsCurValue:
      return HasActiveRecord() ? ActiveBuffer() : nullptr;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
      return ActiveBuffer();
    case TDataSetState::dsCalcFields:
      return CalcBuffer();
    case TDataSetState::dsFilter:
      return filterBuffer_;
    case TDataSetState::dsNewValue:
    case TDataSetState::dsOldValue: {
      if (store_ == nullptr || currentIndex_ < FirstVisible() || currentIndex_ >= VisibleEnd()) {
        return nullptr;
      }
      uint8_t* record = store_->Record(currentIndex_);
      if (State() == TDataSetState::dsOldValue && cachedUpdates_) {
        // A logged update's old value is the record as it was fetched.
        TChangeLogItem* item = changeLog_.FindChange(RecordHeader(record).Bookmark, LogScope());
        if (item != nullptr && item->Kind != 'I' && item->OldRecord) return item->OldRecord->Data();
      }
      return record;
    }
    default:
      return nullptr;
  }
}

const TOracleDataSet::Slot& TOracleDataSet::SlotOf(const dataset::TField& field) const {
  static const Slot none;
  if (field.FieldKind() == dataset::TFieldKind::fkData) {
    const int no = field.FieldNo();
    if (no > 0 && static_cast<std::size_t>(no) < dataSlots_.size()) {
      return dataSlots_[static_cast<std::size_t>(no)];
    }
    return none;
  }
  const int index = field.Index();
  if (index >= 0 && static_cast<std::size_t>(index) < calcSlots_.size()) {
    return calcSlots_[static_cast<std::size_t>(index)];
  }
  return none;
}

std::unique_ptr<TBlobList> TOracleDataSet::CreateBlobList() {
  auto list = std::make_unique<TBlobList>();
  for (int i = 0; i < Fields().Count(); ++i) {
    dataset::TField& field = Fields()[i];
    if (field.IsBlob() && (field.FieldKind() == dataset::TFieldKind::fkData ||
                           field.FieldKind() == dataset::TFieldKind::fkInternalCalc)) {
      list->Add(&field);
    }
  }
  return list;
}

TBlobList& TOracleDataSet::BlobListFor(uint8_t* record) {
  TRecordHeader& header = RecordHeader(record);
  if (TBlobList* list = BlobListOf(header)) return *list;
  std::unique_ptr<TBlobList> list = CreateBlobList();
  TBlobList& made = *list;
  delete header.Blobs;
  header.Blobs = list.release();
  return made;
}

TOracleBlob* TOracleDataSet::ReadBlob(uint8_t* record, const dataset::TField& field) {
  const TDataSetState state = State();
  if ((state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) && editBlobs_) {
    TOracleBlob* edited = editBlobs_->BlobByField(&field);
    if (edited != nullptr && edited->Changed) return edited;
  }
  TBlobList* list = BlobListOf(RecordHeader(record));
  return list != nullptr ? list->BlobByField(&field) : nullptr;
}

std::string TOracleDataSet::RecordRowId() {
  if (applyingItem_ != nullptr) {
    const TRecordImage* record =
        applyingItem_->OldRecord ? applyingItem_->OldRecord.get() : applyingItem_->NewRecord.get();
    return record != nullptr ? oracle::RecordRowId(record->Header()) : std::string();
  }
  if (!Active() || !HasActiveRecord()) return {};
  return oracle::RecordRowId(RecordHeader(ActiveBuffer()));
}

void TOracleDataSet::SetCurrentRowId(const std::string& rowId) {
  if (applyingItem_ != nullptr) {
    // The applied change's record, wherever the dataset stands.
    if (uint8_t* record = LoggedStoreRecord(*applyingItem_))
      oracle::SetRecordRowId(RecordHeader(record), rowId);
    return;
  }
  if (store_ == nullptr || currentIndex_ < FirstVisible() || currentIndex_ >= VisibleEnd()) return;
  oracle::SetRecordRowId(RecordHeader(store_->Record(currentIndex_)), rowId);
}

void TOracleDataSet::RefreshCurrentRecord(const std::function<bool()>& refresh) {
  const TDataSetState state = State();
  // The stored record refreshed is the one at the cursor: the active one.
  if (state == TDataSetState::dsBrowse || state == TDataSetState::dsEdit) UpdateCursorPos();
  // An edit keeps what the user changed; BLOB values the edit did not write
  // are read from the stored record and need nothing.
  std::vector<const dataset::TField*> untouched;
  if (state == TDataSetState::dsEdit) {
    for (int i = 0; i < Fields().Count(); ++i) {
      dataset::TField& field = Fields()[i];
      if (field.FieldKind() == dataset::TFieldKind::fkData && !field.IsBlob() &&
          !FieldChanged(field))
        untouched.push_back(&field);
    }
  }
  if (!refresh() || store_ == nullptr) return;
  if (state == TDataSetState::dsBrowse) {
    if (HasActiveRecord()) Resync();
    return;
  }
  if (state != TDataSetState::dsEdit || currentIndex_ < FirstVisible() ||
      currentIndex_ >= VisibleEnd())
    return;
  const uint8_t* record = store_->Record(currentIndex_);
  uint8_t* buffer = ActiveBuffer();
  for (const dataset::TField* field : untouched) {
    const Slot& slot = SlotOf(*field);
    if (slot.offset < 0) continue;
    const std::size_t at = kRecordHeaderSize + static_cast<std::size_t>(slot.offset);
    std::memcpy(buffer + at, record + at, static_cast<std::size_t>(slot.size) + 1);
  }
  DataEvent(dataset::TDataEvent::deRecordChange);
}

// ---- field values

bool TOracleDataSet::GetFieldData(dataset::TField& field, void* buffer) {
  uint8_t* record = StateRecord();
  if (record == nullptr) return false;
  if (field.IsBlob()) {
    const TOracleBlob* blob = ReadBlob(record, field);
    if (blob != nullptr) return blob->Size() > 0;
    return BlobListOf(RecordHeader(record)) != nullptr;
  }
  const Slot& slot = SlotOf(field);
  if (slot.offset < 0) return false;
  const uint8_t* flag = record + kRecordHeaderSize + slot.offset;
  if (*flag != 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, flag + 1, static_cast<std::size_t>(slot.size));
  return true;
}

void TOracleDataSet::SetFieldData(dataset::TField& field, const void* buffer) {
  uint8_t* record = StateRecord();
  if (record == nullptr) return;
  if (field.IsBlob()) {
    // Only clearing reaches here; values are written through the stream.
    if (buffer == nullptr) CreateBlobStream(field, dataset::TBlobStreamMode::bmWrite);
    return;
  }
  const TDataSetState state = State();
  if (state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) field.Validate(buffer);
  const Slot& slot = SlotOf(field);
  if (slot.offset < 0) return;
  uint8_t* flag = record + kRecordHeaderSize + slot.offset;
  const bool emptyString = buffer != nullptr && field.DataType() == dataset::TFieldType::ftString &&
                           *static_cast<const char*>(buffer) == '\0';
  if (buffer == nullptr || emptyString) {
    *flag = 1;
  } else {
    *flag = 0;
    std::memcpy(flag + 1, buffer, static_cast<std::size_t>(slot.size));
  }
  if ((state == TDataSetState::dsEdit || state == TDataSetState::dsInsert) && !qbeMode_ &&
      RecordPosting() != nullptr)
    RecordPosting()->FieldSet(*this, field);
  if (state != TDataSetState::dsCalcFields && state != TDataSetState::dsFilter &&
      state != TDataSetState::dsNewValue) {
    DataEvent(dataset::TDataEvent::deFieldChange, &field);
  }
}

void TOracleDataSet::DataConvert(dataset::TField& field, const void* source, void* dest,
                                 bool toNative) {
  if (field.DataType() != dataset::TFieldType::ftWideString) {
    dataset::TDataSet::DataConvert(field, source, dest, toNative);
    return;
  }
  const TOracleFieldInfo* info = fieldInfo_.FindByField(field);
  const bool national = info != nullptr && info->National;
  // The record's room, which may exceed the field's Size (converted line ends).
  const auto* wideField = dynamic_cast<const dataset::TWideStringField*>(&field);
  const auto units =
      static_cast<std::size_t>(wideField != nullptr ? wideField->StoredSize() : field.Size());
  if (toNative) {
    const auto* wide = static_cast<const char16_t*>(source);
    std::u16string text(wide, std::char_traits<char16_t>::length(wide));
    if (text.size() > units) text.resize(units);
    if (national) {
      std::memset(dest, 0, (units + 1) * 2);
      std::memcpy(dest, text.data(), text.size() * 2);
      return;
    }
    // The client form: shortened a character at a time until it fits.
    std::string narrow = Utf8FromUtf16(text);
    while (narrow.size() > units && !text.empty()) {
      text.pop_back();
      narrow = Utf8FromUtf16(text);
    }
    std::memset(dest, 0, units + 1);
    std::memcpy(dest, narrow.data(), narrow.size());
    return;
  }
  auto* out = static_cast<char16_t*>(dest);
  std::u16string text;
  if (national) {
    const auto* wide = static_cast<const char16_t*>(source);
    std::size_t n = 0;
    while (n < units && wide[n] != 0) ++n;
    text.assign(wide, n);
  } else {
    const auto* narrow = static_cast<const char*>(source);
    text = Utf16FromUtf8(std::string_view(narrow, strnlen(narrow, units + 1)));
    if (text.size() > units) text.resize(units);
  }
  std::memcpy(out, text.data(), text.size() * 2);
  out[text.size()] = 0;
}

std::unique_ptr<dataset::TStream> TOracleDataSet::CreateBlobStream(dataset::TField& field,
                                                                   dataset::TBlobStreamMode mode) {
  uint8_t* record = StateRecord();
  if (record == nullptr) return std::make_unique<TOracleBlobStream>(*this, field, nullptr, mode);
  const TDataSetState state = State();
  const bool editing = state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
  const bool writing = mode != dataset::TBlobStreamMode::bmRead;
  TOracleBlob* edited = editBlobs_ ? editBlobs_->BlobByField(&field) : nullptr;
  const bool changed = editing && edited != nullptr && edited->Changed;
  if (writing && !changed && !editing && state != TDataSetState::dsNewValue) {
    dataset::DatabaseError("Dataset not in edit or insert mode", Name());
  }
  TOracleBlob* blob = nullptr;
  if (editing && edited != nullptr && (changed || writing)) {
    if (!changed) {
      // The first write of the edit starts from the record's value.
      const TOracleBlob* own = ReadBlob(record, field);
      edited->Clear();
      if (own != nullptr && mode == dataset::TBlobStreamMode::bmReadWrite) {
        edited->Data() = own->Data();
      }
      edited->Changed = true;
    }
    blob = edited;
  } else if (writing) {
    blob = &BlobListFor(record).Add(&field);
  } else {
    blob = ReadBlob(record, field);
  }
  return std::make_unique<TOracleBlobStream>(*this, field, blob, mode);
}

}  // namespace oracle
