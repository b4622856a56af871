#pragma once
// The change log of an Oracle dataset: for every record changed while the
// dataset logs (cached updates, or a provider transaction) one item with
// copies of the record before and after the change. Later changes of the
// same record merge into its item, so that the log holds what applying it
// must do: insert ('I'), update ('U') or delete ('D') each record once.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "oracle/dataset/dataset_blobs.h"
#include "oracle/dataset/record_store.h"
#include "oracle/values/ora_variant.h"

namespace oracle {

// A copy of a record image that owns its own ROWID copy and BLOB list.
class TRecordImage {
 public:
  // Copies `size` bytes of `record` with its ROWID text; the BLOB list is a
  // deep copy of `blobs`.
  TRecordImage(const uint8_t* record, int size, const TBlobList* blobs);
  ~TRecordImage();
  TRecordImage(const TRecordImage&) = delete;
  TRecordImage& operator=(const TRecordImage&) = delete;

  uint8_t* Data() { return bytes_.data(); }
  const uint8_t* Data() const { return bytes_.data(); }
  TRecordHeader& Header() { return RecordHeader(bytes_.data()); }
  const TRecordHeader& Header() const { return RecordHeader(bytes_.data()); }
  // Writes the image over a record of the same size (whose own resources the
  // caller released), giving it its own ROWID and BLOB list copies.
  void CopyTo(uint8_t* record) const;

 private:
  std::vector<uint8_t> bytes_;
};

// The values a detail's variables took from its master record, by
// variable name: a detail's rows, and the changes logged among them,
// belong to the master record that gives these values, however often the
// master is queried again or in whatever order.
struct TMasterLink {
  std::vector<std::pair<std::string, Variant>> values;
  std::string key;  // the values as one text, for comparing
};

// The records a dataset shows now, as far as its log is concerned: a
// detail shows those of its current master record only (none without
// one), so each item belongs to the master record it was logged under.
struct TLogScope {
  bool detail = false;
  std::shared_ptr<const TMasterLink> link;
};

struct TChangeLogItem {
  char Kind = ' ';  // 'I', 'U' or 'D'
  // Position of the record in the record store, -1 when unknown.
  int Index = -1;
  std::unique_ptr<TRecordImage> OldRecord;
  std::unique_ptr<TRecordImage> NewRecord;
  // Logged for a provider transaction rather than for cached updates.
  bool ProviderLogged = false;
  // The record is part of the current set.
  bool Present = true;
  // Placed in, or matched by, the running fetch.
  bool Fetched = false;
  // When the item last took its record's place in the store (made, or an
  // update turned into a delete): taking changes back goes from the
  // largest down, so each record returns to the store as it stood then.
  uint64_t Sequence = 0;
  // The record as the change was made from it, kept once a refetch made
  // the old image the server's row (null before): the fields the change
  // sets keep the values the user changed, the others follow the server.
  // The dataset tells from the three images whether another user's value
  // stands where the change sets its own (ChangedElsewhere).
  std::unique_ptr<TRecordImage> BaseRecord;
  // A delete whose row the last fetch delivered again: its record id is the
  // number the row took in that fetch, and taken back the record goes
  // after the record of the largest smaller number (the query's order)
  // rather than to Index.
  bool PlacedByFetch = false;

  // The bookmark number of OldRecord, else of NewRecord, else -1.
  int32_t RecordId() const;
  void SetRecordId(int32_t id);
  // The record's rowid before the change ("" without OldRecord).
  std::string RowId() const;
  // The master record the change was logged under (a detail's only).
  std::shared_ptr<const TMasterLink> Link;
  // The item's record is among those shown now: it is present and, for a
  // detail, was logged under the current master record. Record numbers
  // restart with every query of a detail, so the number alone does not tell
  // one master record's item from another's.
  bool BelongsToMaster(const TLogScope& scope) const;
};

class TChangeLog {
 public:
  int Count() const { return static_cast<int>(items_.size()); }
  bool Empty() const { return items_.empty(); }
  TChangeLogItem& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }
  void Clear() { items_.clear(); }

  // The newest item of the record that belongs to the scope, null when
  // none.
  TChangeLogItem* FindChange(int32_t recordId, const TLogScope& scope);
  // The newest item whose old record has the rowid.
  TChangeLogItem* FindChangeByRowId(const std::string& rowId);
  // The newest insert at the store position that belongs to the scope.
  TChangeLogItem* FindInsertedAt(int index, const TLogScope& scope);
  // Records a change of the record at store position `index`. An item of
  // the record that belongs to the scope absorbs it ('I' + 'U' stays 'I',
  // 'U' + 'U' stays 'U' with the newer record, 'U' + 'D' becomes 'D' keeping
  // the record as it was before, 'I' + 'D' leaves no item); otherwise a new
  // item takes the copies. Every delete moves the scope's logged inserts
  // after it down by one, a new insert moves those at or after it up by one.
  void Log(std::unique_ptr<TRecordImage> oldRecord, std::unique_ptr<TRecordImage> newRecord,
           int index, int32_t recordId, char kind, bool providerLogged, const TLogScope& scope);
  // Inserts minus deletes among the cached items that belong to the scope
  // (a change logged for a provider transaction was posted, and counted,
  // when it was made).
  int NetInsertCount(const TLogScope& scope) const;
  // The items in the order their changes are taken back: the latest
  // change of a record's place first.
  std::vector<TChangeLogItem*> NewestFirst();
  // Drops the items logged for a provider transaction.
  void RemoveProviderLogged();
  void ClearFetched();

 private:
  void ShiftInserts(int from, int by, const TLogScope& scope);

  std::vector<std::unique_ptr<TChangeLogItem>> items_;
  uint64_t sequence_ = 0;
};

}  // namespace oracle
