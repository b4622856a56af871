#include "memory_dataset/memory_dataset.h"

#include <cstring>

#include "dataset/database_error.h"
#include "dataset/time_stamp.h"
#include "platform/com/bstr.h"

namespace dataset::testing {
namespace {

// A stream over one BLOB value; a writing stream stores the value and
// reports the field change when it is closed.
class ValueStream : public TMemoryStream {
 public:
  ValueStream(std::string value, std::function<void(const std::string&)> onClose)
      : TMemoryStream(std::move(value)), onClose_(std::move(onClose)) {}
  ~ValueStream() override {
    if (onClose_) onClose_(Bytes());
  }

 private:
  std::function<void(const std::string&)> onClose_;
};

}  // namespace

MemoryDataSet::~MemoryDataSet() {
  // The cursor belongs to this class: close while it still exists.
  Close();
}

void MemoryDataSet::AddColumn(const std::string& name, TFieldType type, int size, bool required) {
  columns_.push_back({name, type, size, required});
}

void MemoryDataSet::AddRow(std::vector<Variant> values) {
  initialRows_.push_back(std::move(values));
}

void MemoryDataSet::InternalInitFieldDefs() {
  FieldDefs().Clear();
  for (const Column& c : columns_) FieldDefs().Add(c.name, c.type, c.size, c.required);
}

void MemoryDataSet::InternalOpen() {
  InternalInitFieldDefs();
  if (DefaultFields()) CreateFields();
  BindFields(true);
  offsets_.assign(static_cast<std::size_t>(Fields().Count()), -1);
  int offset = kHeaderSize;
  for (int i = 0; i < Fields().Count(); ++i) {
    TField& f = Fields()[i];
    if (f.FieldKind() != TFieldKind::fkData) continue;
    offsets_[static_cast<std::size_t>(i)] = offset;
    offset += 1 + f.DataSize();
  }
  dataSize_ = offset;
  recordSize_ = dataSize_ + CalcFieldsSize();
  SetBookmarkSize(4);
  rows_.clear();
  for (const auto& values : initialRows_) {
    Row row;
    row.id = nextId_++;
    row.image.assign(static_cast<std::size_t>(recordSize_), 0);
    std::memcpy(row.image.data(), &row.id, 4);
    int column = 0;
    for (int i = 0; i < Fields().Count(); ++i) {
      TField& f = Fields()[i];
      if (f.FieldKind() != TFieldKind::fkData) continue;
      StoreRow(column < static_cast<int>(values.size()) ? values[static_cast<std::size_t>(column)]
                                                        : Variant::Null(),
               f, row);
      ++column;
    }
    rows_.push_back(std::move(row));
  }
  index_ = -1;
  open_ = true;
}

void MemoryDataSet::StoreRow(const Variant& value, const TField& field, Row& row) {
  if (field.IsBlob()) {
    if (!value.IsNull() && !value.IsEmpty()) row.blobs[field.FieldName()] = value.ToString();
    return;
  }
  uint8_t* slot = Slot(row.image.data(), field);
  slot[0] = 1;
  if (value.IsNull() || value.IsEmpty()) return;
  slot[0] = 0;
  uint8_t* data = slot + 1;
  switch (field.DataType()) {
    case TFieldType::ftString: {
      const std::string text = value.ToString();
      std::memcpy(data, text.c_str(), std::min<std::size_t>(text.size(), field.Size()));
      break;
    }
    case TFieldType::ftWideString: {
      const std::u16string text = Utf16FromUtf8(value.ToString());
      std::memcpy(data, text.c_str(), 2 * std::min<std::size_t>(text.size(), field.Size()));
      break;
    }
    case TFieldType::ftLargeint: {
      const int64_t v = value.ToInt64();
      std::memcpy(data, &v, 8);
      break;
    }
    case TFieldType::ftBoolean: {
      const int16_t v = value.ToBool() ? -1 : 0;
      std::memcpy(data, &v, 2);
      break;
    }
    case TFieldType::ftFloat:
    case TFieldType::ftCurrency:
    case TFieldType::ftBCD: {
      const double v = value.ToDouble();
      std::memcpy(data, &v, 8);
      break;
    }
    case TFieldType::ftDate:
    case TFieldType::ftTime:
    case TFieldType::ftDateTime: {
      const double v = DateTimeToMSecs(value.vt() == VT_DATE ? value.Get().date : value.ToDouble());
      std::memcpy(data, &v, 8);
      break;
    }
    default: {
      const int32_t v = value.ToInt();
      std::memcpy(data, &v, 4);
      break;
    }
  }
}

void MemoryDataSet::InternalClose() {
  BindFields(false);
  if (DefaultFields()) DestroyFields();
  rows_.clear();
  pendingBlobs_.clear();
  open_ = false;
}

TRecordBuffer MemoryDataSet::AllocRecordBuffer() {
  auto* buffer = new uint8_t[static_cast<std::size_t>(recordSize_)];
  std::memset(buffer, 0, static_cast<std::size_t>(recordSize_));
  return buffer;
}

void MemoryDataSet::FreeRecordBuffer(TRecordBuffer& buffer) {
  delete[] buffer;
  buffer = nullptr;
}

void MemoryDataSet::InternalInitRecord(TRecordBuffer buffer) {
  std::memset(buffer, 0, static_cast<std::size_t>(recordSize_));
  for (int i = 0; i < Fields().Count(); ++i) {
    const int offset = offsets_[static_cast<std::size_t>(i)];
    if (offset >= 0) buffer[offset] = 1;
  }
  ClearCalcFields(buffer);
}

void MemoryDataSet::ClearCalcFields(TRecordBuffer buffer) {
  for (int i = 0; i < Fields().Count(); ++i) {
    const TField& f = Fields()[i];
    if (f.IsCalculated()) buffer[dataSize_ + f.Offset()] = 1;
  }
}

TGetResult MemoryDataSet::GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) {
  const int count = static_cast<int>(rows_.size());
  TGetResult result = TGetResult::grOK;
  switch (mode) {
    case TGetMode::gmCurrent:
      if (index_ < 0 || index_ >= count) result = TGetResult::grError;
      break;
    case TGetMode::gmNext:
      if (index_ < count - 1) {
        ++index_;
      } else {
        result = TGetResult::grEOF;
      }
      break;
    case TGetMode::gmPrior:
      if (index_ < 1) {
        result = TGetResult::grBOF;
      } else {
        --index_;
      }
      break;
  }
  if (result == TGetResult::grError && doCheck) DatabaseError("No Records", Name());
  if (result != TGetResult::grOK) return result;
  const Row& row = rows_[static_cast<std::size_t>(index_)];
  std::memcpy(buffer, row.image.data(), static_cast<std::size_t>(dataSize_));
  buffer[4] = static_cast<uint8_t>(TBookmarkFlag::bfCurrent);
  GetCalcFields(buffer);
  return result;
}

int MemoryDataSet::GetRecNo() {
  UpdateCursorPos();
  return index_ >= 0 && index_ < static_cast<int>(rows_.size()) ? index_ + 1 : 0;
}

void MemoryDataSet::GetBookmarkData(TRecordBuffer buffer, void* data) {
  std::memcpy(data, buffer, 4);
}

void MemoryDataSet::SetBookmarkData(TRecordBuffer buffer, const void* data) {
  std::memcpy(buffer, data, 4);
}

TBookmarkFlag MemoryDataSet::GetBookmarkFlag(TRecordBuffer buffer) {
  return static_cast<TBookmarkFlag>(buffer[4]);
}

void MemoryDataSet::SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) {
  buffer[4] = static_cast<uint8_t>(flag);
}

int MemoryDataSet::FindRow(int32_t id) const {
  for (std::size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

void MemoryDataSet::InternalGotoBookmark(const void* bookmark) {
  int32_t id = 0;
  std::memcpy(&id, bookmark, 4);
  const int i = FindRow(id);
  if (i < 0) DatabaseError("Bookmark not found (" + std::to_string(id) + ")", Name());
  index_ = i;
}

void MemoryDataSet::InternalSetToRecord(TRecordBuffer buffer) {
  InternalGotoBookmark(buffer);
}

bool MemoryDataSet::BookmarkValid(const TBookmark& bookmark) {
  if (bookmark.size() != 4) return false;
  int32_t id = 0;
  std::memcpy(&id, bookmark.data(), 4);
  return FindRow(id) >= 0;
}

int MemoryDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) {
  int32_t x = 0;
  int32_t y = 0;
  std::memcpy(&x, a.data(), 4);
  std::memcpy(&y, b.data(), 4);
  return x == y ? 0 : x < y ? -1 : 1;
}

uint8_t* MemoryDataSet::StateBuffer() {
  switch (State()) {
    case TDataSetState::dsCalcFields:
      return CalcBuffer();
    case TDataSetState::dsOldValue:
      if (index_ >= 0 && index_ < static_cast<int>(rows_.size()) &&
          GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfCurrent) {
        return rows_[static_cast<std::size_t>(index_)].image.data();
      }
      return nullptr;
    case TDataSetState::dsBrowse:
    case TDataSetState::dsCurValue:
      return HasActiveRecord() ? ActiveBuffer() : nullptr;
    case TDataSetState::dsEdit:
    case TDataSetState::dsInsert:
    case TDataSetState::dsNewValue:
      return ActiveBuffer();
    default:
      return nullptr;
  }
}

std::map<std::string, std::string>* MemoryDataSet::StateBlobs() {
  const TDataSetState s = State();
  if (s == TDataSetState::dsEdit || s == TDataSetState::dsInsert ||
      s == TDataSetState::dsNewValue) {
    return &pendingBlobs_;
  }
  uint8_t* buffer = StateBuffer();
  if (buffer == nullptr) return nullptr;
  int32_t id = 0;
  std::memcpy(&id, buffer, 4);
  const int i = FindRow(id);
  return i < 0 ? nullptr : &rows_[static_cast<std::size_t>(i)].blobs;
}

uint8_t* MemoryDataSet::Slot(uint8_t* record, const TField& field) const {
  if (field.IsCalculated()) return record + dataSize_ + field.Offset();
  return record + offsets_[static_cast<std::size_t>(field.Index())];
}

bool MemoryDataSet::GetFieldData(TField& field, void* buffer) {
  if (field.IsBlob()) {
    auto* blobs = StateBlobs();
    return blobs != nullptr && blobs->count(field.FieldName()) != 0;
  }
  uint8_t* record = StateBuffer();
  if (record == nullptr) return false;
  const uint8_t* slot = Slot(record, field);
  if (slot[0] != 0) return false;
  if (buffer != nullptr) std::memcpy(buffer, slot + 1, static_cast<std::size_t>(field.DataSize()));
  return true;
}

void MemoryDataSet::SetFieldData(TField& field, const void* buffer) {
  uint8_t* record = StateBuffer();
  if (record == nullptr) return;
  if (IsEditState(State())) field.Validate(buffer);
  if (field.IsBlob()) {
    if (buffer == nullptr) pendingBlobs_.erase(field.FieldName());
  } else {
    uint8_t* slot = Slot(record, field);
    slot[0] = buffer == nullptr ? 1 : 0;
    if (buffer != nullptr) {
      std::memcpy(slot + 1, buffer, static_cast<std::size_t>(field.DataSize()));
    }
  }
  const TDataSetState s = State();
  if (s != TDataSetState::dsCalcFields && s != TDataSetState::dsFilter &&
      s != TDataSetState::dsNewValue) {
    DataEvent(TDataEvent::deFieldChange, &field);
  }
}

std::unique_ptr<TStream> MemoryDataSet::CreateBlobStream(TField& field, TBlobStreamMode mode) {
  auto* blobs = StateBlobs();
  std::string value;
  if (blobs != nullptr && blobs->count(field.FieldName()) != 0)
    value = blobs->at(field.FieldName());
  if (mode == TBlobStreamMode::bmRead) return std::make_unique<ValueStream>(value, nullptr);
  if (!IsEditState(State())) DatabaseError("Dataset not in edit or insert mode", Name());
  auto stream = std::make_unique<ValueStream>(value, [this, &field](const std::string& v) {
    pendingBlobs_[field.FieldName()] = v;
    DataEvent(TDataEvent::deFieldChange, &field);
  });
  stream->Truncate();
  return stream;
}

void MemoryDataSet::InternalEdit() {
  pendingBlobs_ = rows_[static_cast<std::size_t>(index_)].blobs;
}

void MemoryDataSet::InternalPost() {
  TDataSet::InternalPost();
  if (OnStore) OnStore();
  if (State() == TDataSetState::dsEdit) {
    Row& row = rows_[static_cast<std::size_t>(index_)];
    std::memcpy(row.image.data() + kHeaderSize, ActiveBuffer() + kHeaderSize,
                static_cast<std::size_t>(dataSize_ - kHeaderSize));
    row.blobs = pendingBlobs_;
  } else {
    InternalAddRecord(ActiveBuffer(), GetBookmarkFlag(ActiveBuffer()) == TBookmarkFlag::bfEOF);
  }
  pendingBlobs_.clear();
}

void MemoryDataSet::InternalAddRecord(TRecordBuffer buffer, bool append) {
  Row row;
  row.id = nextId_++;
  row.image.assign(buffer, buffer + recordSize_);
  std::memcpy(row.image.data(), &row.id, 4);
  row.blobs = pendingBlobs_;
  const int count = static_cast<int>(rows_.size());
  const int at = append || index_ >= count ? count : std::max(index_, 0);
  rows_.insert(rows_.begin() + at, std::move(row));
  index_ = at;
}

void MemoryDataSet::InternalDelete() {
  rows_.erase(rows_.begin() + index_);
}

}  // namespace dataset::testing
