#include "oracle/dataset/change_log.h"

#include <algorithm>
#include <cstring>

namespace oracle {

// ---- TRecordImage

TRecordImage::TRecordImage(const uint8_t* record, int size, const TBlobList* blobs)
    : bytes_(record, record + size) {
  TRecordHeader& header = Header();
  const TRecordHeader& source = RecordHeader(record);
  header.LongRowId = nullptr;
  header.Blobs = nullptr;
  SetRecordRowId(header, RecordRowId(source));
  header.Blobs = CopyBlobList(blobs).release();
}

TRecordImage::~TRecordImage() {
  ReleaseRecordResources(Header());
}

void TRecordImage::CopyTo(uint8_t* record) const {
  std::memcpy(record, bytes_.data(), bytes_.size());
  TRecordHeader& header = RecordHeader(record);
  header.LongRowId = nullptr;
  header.Blobs = nullptr;
  SetRecordRowId(header, RecordRowId(Header()));
  header.Blobs = CopyBlobList(BlobListOf(Header())).release();
}

// ---- TChangeLogItem

int32_t TChangeLogItem::RecordId() const {
  if (OldRecord) return OldRecord->Header().Bookmark;
  if (NewRecord) return NewRecord->Header().Bookmark;
  return -1;
}

void TChangeLogItem::SetRecordId(int32_t id) {
  if (OldRecord) OldRecord->Header().Bookmark = id;
  if (NewRecord) NewRecord->Header().Bookmark = id;
}

std::string TChangeLogItem::RowId() const {
  return OldRecord ? RecordRowId(OldRecord->Header()) : std::string();
}

bool TChangeLogItem::BelongsToMaster(const TLogScope& scope) const {
  if (!Present) return false;
  if (!scope.detail) return true;
  return Link != nullptr && scope.link != nullptr &&
         (Link == scope.link || Link->key == scope.link->key);
}

// ---- TChangeLog

TChangeLogItem* TChangeLog::FindChange(int32_t recordId, const TLogScope& scope) {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if ((*it)->RecordId() == recordId && (*it)->BelongsToMaster(scope)) return it->get();
  }
  return nullptr;
}

TChangeLogItem* TChangeLog::FindChangeByRowId(const std::string& rowId) {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if ((*it)->OldRecord && (*it)->RowId() == rowId) return it->get();
  }
  return nullptr;
}

TChangeLogItem* TChangeLog::FindInsertedAt(int index, const TLogScope& scope) {
  for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
    if ((*it)->Kind == 'I' && (*it)->Index == index && (*it)->BelongsToMaster(scope))
      return it->get();
  }
  return nullptr;
}

void TChangeLog::ShiftInserts(int from, int by, const TLogScope& scope) {
  // Positions of another master record's inserts are positions among its
  // own records.
  for (const auto& item : items_) {
    if (item->Kind == 'I' && item->Index >= from && item->BelongsToMaster(scope)) item->Index += by;
  }
}

void TChangeLog::Log(std::unique_ptr<TRecordImage> oldRecord,
                     std::unique_ptr<TRecordImage> newRecord, int index, int32_t recordId,
                     char kind, bool providerLogged, const TLogScope& scope) {
  if (oldRecord) recordId = oldRecord->Header().Bookmark;
  if (TChangeLogItem* item = FindChange(recordId, scope)) {
    const char existing = item->Kind;
    if ((existing == 'I' || existing == 'U') && kind == 'U') {
      item->NewRecord = std::move(newRecord);
    } else if (existing == 'U' && kind == 'D') {
      // The record left the store now, at this index: it goes back before
      // the changes logged since the update are taken back.
      item->Kind = 'D';
      item->Index = index;
      item->Sequence = ++sequence_;
      item->PlacedByFetch = false;
      item->NewRecord.reset();
    } else if (existing == 'I' && kind == 'D') {
      std::erase_if(items_, [item](const auto& entry) { return entry.get() == item; });
    }
    // The record left the store, whether or not an item was there before.
    if (kind == 'D') ShiftInserts(index, -1, scope);
    return;
  }
  if (kind == 'D') ShiftInserts(index, -1, scope);
  if (kind == 'I') ShiftInserts(index, 1, scope);
  auto item = std::make_unique<TChangeLogItem>();
  item->Kind = kind;
  item->Index = index;
  item->OldRecord = std::move(oldRecord);
  item->NewRecord = std::move(newRecord);
  item->ProviderLogged = providerLogged;
  item->Link = scope.link;
  item->Sequence = ++sequence_;
  item->SetRecordId(recordId);
  items_.push_back(std::move(item));
}

int TChangeLog::NetInsertCount(const TLogScope& scope) const {
  int count = 0;
  for (const auto& item : items_) {
    if (item->ProviderLogged || !item->BelongsToMaster(scope)) continue;
    if (item->Kind == 'I') ++count;
    if (item->Kind == 'D') --count;
  }
  return count;
}

std::vector<TChangeLogItem*> TChangeLog::NewestFirst() {
  std::vector<TChangeLogItem*> items;
  items.reserve(items_.size());
  for (const auto& item : items_) items.push_back(item.get());
  std::sort(items.begin(), items.end(), [](const TChangeLogItem* a, const TChangeLogItem* b) {
    return a->Sequence > b->Sequence;
  });
  return items;
}

void TChangeLog::RemoveProviderLogged() {
  std::erase_if(items_, [](const auto& item) { return item->ProviderLogged; });
}

void TChangeLog::ClearFetched() {
  for (const auto& item : items_) {
    item->Fetched = false;
    item->PlacedByFetch = false;
  }
}

}  // namespace oracle
