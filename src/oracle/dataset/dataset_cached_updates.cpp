// Editing on the client with cached updates: the edits of the base's
// Edit, Insert, Append, Post and Delete change the record store and are
// logged; CommitUpdates keeps them, CancelUpdates reverts them, and a
// re-query keeps them by merging the log into the fetched rows.

#include <algorithm>
#include <cstring>

#include "dataset/database_error.h"
#include "oracle/dataset/dataset.h"

namespace oracle {
namespace {

using dataset::TDataSetState;
using dataset::TUpdateStatus;

TRecordPosting* recordPosting = nullptr;

}  // namespace

void SetRecordPosting(TRecordPosting* posting) {
  recordPosting = posting;
}

TRecordPosting* RecordPosting() {
  return recordPosting;
}

std::string TOracleDataSet::ServerSequenceFor(const std::string& fieldName) const {
  if (recordPosting == nullptr) return {};
  return recordPosting->ServerSequenceFor(const_cast<TOracleDataSet&>(*this), fieldName);
}

// In QBE mode only the example record is edited; it is never posted. Outside
// it a record needs a rowid to be found again, unless the application
// applies every change itself.
bool TOracleDataSet::GetCanModify() {
  if (qbeMode_) return true;
  const bool masterAllows =
      master_ == nullptr || (master_->Active() && !master_->IsEmpty() && !master_->qbeMode_);
  return (cachedUpdates_ || recordPosting != nullptr) && Active() && !Detached() && !readOnly_ &&
         (HasRowId() || (recordPosting != nullptr && recordPosting->AppliesRecords(*this))) &&
         masterAllows;
}

void TOracleDataSet::SetReadOnly(bool on) {
  if (on == readOnly_) return;
  readOnly_ = on;
  DataEvent(dataset::TDataEvent::deDataSetChange);
}

void TOracleDataSet::ResetEditBlobs() {
  if (!editBlobs_) return;
  for (int i = 0; i < editBlobs_->Count(); ++i) {
    TOracleBlob& blob = editBlobs_->Items(i);
    blob.Clear();
    blob.Changed = false;
  }
}

void TOracleDataSet::CopyEditedBlobs(TBlobList& target) {
  if (!editBlobs_) return;
  for (int i = 0; i < editBlobs_->Count(); ++i) {
    const TOracleBlob& edited = editBlobs_->Items(i);
    if (!edited.Changed) continue;
    TOracleBlob& blob = target.Add(edited.Field());
    blob.Data() = edited.Data();
    blob.ClearPacked();
  }
}

void TOracleDataSet::InternalEdit() {
  ResetEditBlobs();
  if (recordPosting != nullptr) recordPosting->EditStarting(*this);
}

void TOracleDataSet::InternalInsert() {
  ResetEditBlobs();
}

// A new record takes its master's key values first, then its sequence and
// default values (none for the example record of QBE mode).
void TOracleDataSet::DoOnNewRecord() {
  TakeMasterValues();
  if (recordPosting != nullptr && !qbeMode_) recordPosting->NewRecord(*this);
  dataset::TDataSet::DoOnNewRecord();
}

void TOracleDataSet::InternalCancel() {
  if (recordPosting != nullptr && !qbeMode_) recordPosting->EditCancelled(*this);
  ResetEditBlobs();
}

void TOracleDataSet::InternalPost() {
  if (qbeMode_) dataset::DatabaseError("Operation not allowed in QBE mode");
  const bool isUpdate = State() == TDataSetState::dsEdit;
  if (!isUpdate && NothingInserted()) {
    // An insert of nothing is no record at all (not one the table never gets).
    ResetEditBlobs();
    return;
  }
  if (recordPosting != nullptr) recordPosting->PostStarting(*this, isUpdate);
  {
    // A field the server fills from a sequence is not required of the user,
    // also when a new record still pending in the log is edited again.
    const bool newToServer = !isUpdate || ActiveRecordLoggedAsInsert();
    std::vector<dataset::TField*> serverFilled;
    for (int i = 0; i < Fields().Count(); ++i) {
      dataset::TField& field = Fields()[i];
      if (newToServer && field.Required() && !ServerSequenceFor(field.FieldName()).empty()) {
        field.SetRequired(false);
        serverFilled.push_back(&field);
      }
    }
    struct Restore {
      std::vector<dataset::TField*>& fields;
      ~Restore() {
        for (dataset::TField* field : fields) field->SetRequired(true);
      }
    } restore{serverFilled};
    dataset::TDataSet::InternalPost();
  }
  if (recordPosting != nullptr &&
      recordPosting->Post(*this, isUpdate) == TRecordPosting::TPostResult::prCancel) {
    ResetEditBlobs();
    return;
  }
  if (isUpdate) {
    StoreEditedRecord();
  } else {
    StoreInsertedRecord(ActiveBuffer(),
                        GetBookmarkFlag(ActiveBuffer()) == dataset::TBookmarkFlag::bfEOF);
    if (!cachedUpdates_ && recordPosting != nullptr) ++insertedCount_;
  }
  ResetEditBlobs();
  if (recordPosting != nullptr) recordPosting->Posted(*this, isUpdate);
}

void TOracleDataSet::StoreEditedRecord() {
  uint8_t* buffer = ActiveBuffer();
  InternalSetToRecord(buffer);
  const int storeIndex = store_->FilteredToStore(currentIndex_);
  uint8_t* record = store_->Get(storeIndex);
  LogChange(record, buffer, storeIndex, RecordHeader(record).Bookmark, 'U');
  std::memcpy(record + kRecordHeaderSize, buffer + kRecordHeaderSize,
              static_cast<std::size_t>(recordSize_ - kRecordHeaderSize));
  CopyEditedBlobs(BlobListFor(record));
}

void TOracleDataSet::InternalAddRecord(dataset::TRecordBuffer buffer, bool append) {
  StoreInsertedRecord(buffer, append);
}

void TOracleDataSet::StoreInsertedRecord(dataset::TRecordBuffer buffer, bool append) {
  const bool filtered = FilterActive();
  const int position = append ? -1 : std::max(currentIndex_, 0);
  uint8_t* record = store_->AddRecord(position, filtered);
  std::memcpy(record + kRecordHeaderSize, buffer + kRecordHeaderSize,
              static_cast<std::size_t>(recordSize_ - kRecordHeaderSize));
  TRecordHeader& header = RecordHeader(record);
  header.Bookmark = ++bookmarkCounter_;
  header.BookmarkFlag = 0;
  header.DataSize = recordSize_ - kRecordHeaderSize;
  CopyEditedBlobs(BlobListFor(record));
  RecordHeader(buffer).Bookmark = header.Bookmark;
  // The details show the new record's rows now: their records and logged
  // changes belong to it.
  for (TOracleDataSet* detail : details_) {
    detail->masterKey_ = header.Bookmark;
    if (!detail->Active()) continue;
    detail->SetMasterVariables();
    detail->masterLink_ = detail->CurrentMasterLink();
  }
  const int storeIndex = store_->IndexOf(record);
  currentIndex_ = filtered ? store_->StoreToFiltered(storeIndex) : storeIndex;
  LogChange(nullptr, record, storeIndex, header.Bookmark, 'I');
}

void TOracleDataSet::InternalDelete() {
  if (qbeMode_) dataset::DatabaseError("Operation not allowed in QBE mode");
  if (recordPosting != nullptr) recordPosting->Delete(*this);
  RemoveCurrentRecord();
  if (!cachedUpdates_ && recordPosting != nullptr) --insertedCount_;
}

void TOracleDataSet::RemoveCurrentRecord() {
  const int storeIndex = store_->FilteredToStore(currentIndex_);
  uint8_t* record = store_->Get(storeIndex);
  LogChange(record, nullptr, storeIndex, RecordHeader(record).Bookmark, 'D');
  store_->DeleteRecord(currentIndex_, true);
  if (currentIndex_ >= VisibleEnd()) currentIndex_ = VisibleEnd() - 1;
}

void TOracleDataSet::LogChange(const uint8_t* oldRecord, const uint8_t* newRecord, int storeIndex,
                               int32_t recordId, char kind) {
  if (!IsLogging()) return;
  std::unique_ptr<TRecordImage> before;
  if (oldRecord != nullptr) {
    before =
        std::make_unique<TRecordImage>(oldRecord, recordSize_, BlobListOf(RecordHeader(oldRecord)));
  }
  std::unique_ptr<TRecordImage> after;
  if (newRecord != nullptr) {
    after =
        std::make_unique<TRecordImage>(newRecord, recordSize_, BlobListOf(RecordHeader(newRecord)));
    if (dataset::IsEditState(State())) CopyEditedBlobs(BlobListFor(after->Data()));
  }
  changeLog_.Log(std::move(before), std::move(after), storeIndex, recordId, kind, !cachedUpdates_,
                 LogScope());
}

// ---- the log as a whole

void TOracleDataSet::StartLogging() {
  changeLog_.RemoveProviderLogged();
  logging_ = true;
  requeriedWhileLogging_ = false;
}

void TOracleDataSet::EndLogging(bool keep) {
  logging_ = false;
  const bool requeried = requeriedWhileLogging_;
  requeriedWhileLogging_ = false;
  if (!Active()) {
    changeLog_.RemoveProviderLogged();
    return;
  }
  if (keep) {
    changeLog_.RemoveProviderLogged();
    DataEvent(dataset::TDataEvent::deDataSetChange);
    return;
  }
  Cancel();
  if (requeried) {
    // The records were fetched again since the changes were logged: their
    // numbers and places are no longer those of the log. The server holds
    // the rows as before the transaction now; the query shows them (with
    // any pending cached updates merged in).
    changeLog_.RemoveProviderLogged();
    hitCountKnown_ = false;
    insertedCount_ = 0;
    ExecuteQuery(false);
    currentIndex_ = -1;
    ShowRevertedRecords();
    return;
  }
  const TLogScope scope = LogScope();
  for (TChangeLogItem* logged : changeLog_.NewestFirst()) {
    TChangeLogItem& item = *logged;
    if (!item.ProviderLogged) continue;
    // The records inserted and deleted in the transaction were counted
    // when they were posted.
    if (item.BelongsToMaster(scope) && item.Kind == 'I') --insertedCount_;
    if (item.BelongsToMaster(scope) && item.Kind == 'D') ++insertedCount_;
    RevertChange(item);
  }
  changeLog_.RemoveProviderLogged();
  ShowRevertedRecords();
}

void TOracleDataSet::CommitUpdates() {
  insertedCount_ += NetInsertCount();
  changeLog_.Clear();
  // Changes applied inside a provider transaction are undone on the server
  // by its rollback, with nothing left in the log to take them back here:
  // its end then shows what the server holds by querying again.
  if (logging_) requeriedWhileLogging_ = true;
  logging_ = false;
  if (Active()) DataEvent(dataset::TDataEvent::deDataSetChange);
}

void TOracleDataSet::CancelUpdates() {
  if (!Active()) {
    changeLog_.Clear();
    return;
  }
  Cancel();
  // Changes logged under another master record of a detail are not among
  // the records shown: they only leave the log.
  for (TChangeLogItem* item : changeLog_.NewestFirst()) RevertChange(*item);
  changeLog_.Clear();
  logging_ = false;
  if (recordPosting != nullptr) recordPosting->ChangesDropped(*this);
  ShowRevertedRecords();
}

void TOracleDataSet::ShowRevertedRecords() {
  if (currentIndex_ >= VisibleEnd()) currentIndex_ = VisibleEnd() - 1;
  CursorPosChanged();
  Resync();
}

int TOracleDataSet::StoreIndexOf(int32_t bookmark) const {
  for (int n = store_->Base(); n < store_->Count(); ++n) {
    if (RecordHeader(store_->Get(n)).Bookmark == bookmark) return n;
  }
  return -1;
}

uint8_t* TOracleDataSet::LoggedStoreRecord(const TChangeLogItem& item) {
  if (store_ == nullptr || !item.BelongsToMaster(LogScope())) return nullptr;
  const int n = StoreIndexOf(item.RecordId());
  return n >= 0 ? store_->Get(n) : nullptr;
}

void TOracleDataSet::RevertChange(TChangeLogItem& item) {
  if (!item.BelongsToMaster(LogScope())) return;
  switch (item.Kind) {
    case 'D': {
      const int at = item.PlacedByFetch ? FetchedPlaceOf(item.RecordId())
                     : item.Index >= 0 && item.Index <= store_->Count() ? item.Index
                                                                        : -1;
      uint8_t* record = store_->AddRecord(at, false);
      item.OldRecord->CopyTo(record);
      if (FilterActive() && TestFilter(record)) store_->AddFiltered(record, false);
      break;
    }
    case 'I':
      if (const int n = StoreIndexOf(item.RecordId()); n >= 0) store_->DeleteRecord(n, false);
      break;
    case 'U':
      if (const int n = StoreIndexOf(item.RecordId()); n >= 0) {
        uint8_t* record = store_->Get(n);
        ReleaseRecordResources(RecordHeader(record));
        item.OldRecord->CopyTo(record);
      }
      break;
    default:
      break;
  }
}

int TOracleDataSet::FetchedPlaceOf(int32_t recordId) const {
  // The records of a fetch carry rising numbers in the query's order; the
  // changes made since that fetch are newer in the log and were taken back
  // before, so the store holds that order again.
  int at = store_->Base();
  int32_t before = 0;
  for (int n = store_->Base(); n < store_->Count(); ++n) {
    const int32_t bookmark = RecordHeader(store_->Get(n)).Bookmark;
    if (bookmark < recordId && bookmark > before) {
      before = bookmark;
      at = n + 1;
    }
  }
  return at;
}

bool TOracleDataSet::NothingInserted() {
  for (int i = 1; i < fieldInfo_.Count(); ++i) {
    const TOracleFieldInfo& info = fieldInfo_.Items(i);
    if (info.Kind == fiColumn && info.Field != nullptr &&
        info.Field->FieldKind() == dataset::TFieldKind::fkData && !info.ValueIsEmpty())
      return false;
  }
  return true;
}

bool TOracleDataSet::ActiveRecordLoggedAsInsert() {
  if (!cachedUpdates_ || !HasActiveRecord()) return false;
  const TChangeLogItem* item =
      changeLog_.FindChange(RecordHeader(ActiveBuffer()).Bookmark, LogScope());
  return item != nullptr && item->Kind == 'I';
}

bool TOracleDataSet::ActiveRecordLogged() {
  return HasActiveRecord() &&
         changeLog_.FindChange(RecordHeader(ActiveBuffer()).Bookmark, LogScope());
}

TUpdateStatus TOracleDataSet::UpdateStatus() {
  if (!HasActiveRecord() && applyingItem_ == nullptr) return TUpdateStatus::usUnmodified;
  if (State() == TDataSetState::dsInsert) return TUpdateStatus::usInserted;
  if (cachedUpdates_) {
    const TChangeLogItem* item =
        applyingItem_ != nullptr
            ? applyingItem_
            : changeLog_.FindChange(RecordHeader(ActiveBuffer()).Bookmark, LogScope());
    if (item != nullptr) {
      switch (item->Kind) {
        case 'D':
          return TUpdateStatus::usDeleted;
        case 'I':
          return TUpdateStatus::usInserted;
        case 'U':
          return TUpdateStatus::usModified;
        default:
          break;
      }
    }
  }
  return State() == TDataSetState::dsEdit ? TUpdateStatus::usModified : TUpdateStatus::usUnmodified;
}

// ---- the log merged into a fetch

uint8_t* TOracleDataSet::PlaceLoggedInsert(bool queryAtEnd) {
  // A detail shows only the records inserted under the current master record.
  const TLogScope scope = LogScope();
  TChangeLogItem* next = changeLog_.FindInsertedAt(store_->Count(), scope);
  if (next != nullptr && next->Fetched) next = nullptr;
  if (next == nullptr && queryAtEnd) {
    // Past the last row the remaining inserts follow in position order.
    for (int i = 0; i < changeLog_.Count(); ++i) {
      TChangeLogItem& item = changeLog_.Items(i);
      if (item.Kind == 'I' && !item.Fetched && item.BelongsToMaster(scope) &&
          (next == nullptr || item.Index < next->Index)) {
        next = &item;
      }
    }
  }
  if (next == nullptr) return nullptr;
  uint8_t* record = store_->AddRecord(-1, false);
  next->NewRecord->CopyTo(record);
  next->Fetched = true;
  next->Index = store_->IndexOf(record);
  next->SetRecordId(++bookmarkCounter_);
  RecordHeader(record).Bookmark = bookmarkCounter_;
  RecordHeader(record).BookmarkFlag = 0;
  return record;
}

bool TOracleDataSet::MergeLoggedChange(uint8_t* record, TChangeLogItem& item) {
  item.Fetched = true;
  item.Present = true;
  // The row is shown under the current master record now (another user may
  // have moved it there): its change belongs to that record's rows, to be
  // shown, counted and taken back with them.
  if (master_ != nullptr) item.Link = masterLink_;
  if (item.Kind == 'D') {
    if (item.OldRecord) TakeServerRow(record, item);
    // The number the deleted record had may go to another record now; the
    // row takes its number in this fetch, which tells its place.
    item.SetRecordId(++bookmarkCounter_);
    item.PlacedByFetch = true;
    return false;
  }
  if (item.Kind == 'U' && item.NewRecord) {
    if (item.OldRecord) TakeServerRow(record, item);
    ReleaseRecordResources(RecordHeader(record));
    item.NewRecord->CopyTo(record);
  }
  return true;
}

void TOracleDataSet::TakeServerRow(uint8_t* fetched, TChangeLogItem& item) {
  if (!item.BaseRecord) {
    item.BaseRecord = std::make_unique<TRecordImage>(item.OldRecord->Data(), recordSize_,
                                                     BlobListOf(item.OldRecord->Header()));
  }
  uint8_t* base = item.BaseRecord->Data();
  uint8_t* after = item.NewRecord ? item.NewRecord->Data() : nullptr;
  for (int i = 0; i < Fields().Count(); ++i) {
    dataset::TField& field = Fields()[i];
    if (field.FieldKind() != dataset::TFieldKind::fkData) continue;
    // A field the change leaves alone shows the server's value; the value
    // the change was made from stays in a field it sets.
    if (after != nullptr && !ImageValuesDiffer(after, base, field)) {
      CopyImageValue(fetched, after, field);
      CopyImageValue(fetched, base, field);
    }
    CopyImageValue(fetched, item.OldRecord->Data(), field);
  }
}

bool TOracleDataSet::ChangedElsewhere(TChangeLogItem& item) {
  if (!item.BaseRecord || !item.OldRecord) return false;
  uint8_t* base = item.BaseRecord->Data();
  uint8_t* server = item.OldRecord->Data();
  uint8_t* after = item.NewRecord ? item.NewRecord->Data() : nullptr;
  for (int i = 0; i < Fields().Count(); ++i) {
    dataset::TField& field = Fields()[i];
    if (field.FieldKind() != dataset::TFieldKind::fkData) continue;
    // The apply writes a field whose new value differs from the server's
    // (a delete: the whole row); that overwrites another user's value
    // unless the change was made from it.
    const bool written = after == nullptr || ImageValuesDiffer(after, server, field);
    if (written && ImageValuesDiffer(server, base, field)) return true;
  }
  return false;
}

bool TOracleDataSet::ImageValuesDiffer(uint8_t* a, uint8_t* b, dataset::TField& field) {
  if (field.IsBlob()) {
    // No value and an empty one are alike.
    const auto value = [&field](uint8_t* image) {
      TBlobList* list = BlobListOf(RecordHeader(image));
      const TOracleBlob* blob = list != nullptr ? list->BlobByField(&field) : nullptr;
      return blob != nullptr ? std::string_view(blob->Data()) : std::string_view();
    };
    return value(a) != value(b);
  }
  RecordInPlace shown(*this, a);
  const ::Variant first = field.Value();
  shown.Show(b);
  const ::Variant second = field.Value();
  const bool nullFirst = first.IsNull() || first.IsEmpty();
  const bool nullSecond = second.IsNull() || second.IsEmpty();
  if (nullFirst || nullSecond) return nullFirst != nullSecond;
  return first.ToString() != second.ToString();
}

void TOracleDataSet::CopyImageValue(uint8_t* from, uint8_t* to, dataset::TField& field) {
  if (field.IsBlob()) {
    TBlobList* source = BlobListOf(RecordHeader(from));
    const TOracleBlob* value = source != nullptr ? source->BlobByField(&field) : nullptr;
    TBlobList& target = BlobListFor(to);
    TOracleBlob* blob = target.BlobByField(&field);
    if (blob == nullptr) blob = &target.Add(&field);
    blob->Data() = value != nullptr ? value->Data() : std::string();
    blob->ClearPacked();
    return;
  }
  const Slot& slot = SlotOf(field);
  if (slot.offset < 0) return;
  std::memcpy(to + kRecordHeaderSize + slot.offset, from + kRecordHeaderSize + slot.offset,
              static_cast<std::size_t>(slot.size) + 1);
}

void TOracleDataSet::MarkUnmatchedChanges() {
  for (int i = 0; i < changeLog_.Count(); ++i) {
    TChangeLogItem& item = changeLog_.Items(i);
    if (item.Kind != 'I' && !item.Fetched) item.Present = false;
  }
}

}  // namespace oracle
