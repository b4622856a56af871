#pragma once
// The in-memory store of an open Oracle dataset: every fetched row as a
// complete record image (record header plus data area), in fetch order, kept
// in blocks that never move so that record pointers stay valid while the
// dataset is open. It also holds the filtered view (the records that pass the
// dataset's filter, in store order) and, in unidirectional mode, only the
// newest block of records.
//
// Record numbers are absolute: 0 is the first record ever fetched, and the
// record numbered n is held at position n - Base.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace oracle {

// The cached BLOB values of one record; the dataset's BLOB cache derives
// from it. The store deletes it when it drops the record.
class TRecordBlobValues {
 public:
  TRecordBlobValues();
  virtual ~TRecordBlobValues();
  TRecordBlobValues(const TRecordBlobValues&) = delete;
  TRecordBlobValues& operator=(const TRecordBlobValues&) = delete;
};

// The header at the start of every record image and record buffer. The
// pointers take the platform's width, so the data area begins at
// kRecordHeaderSize rather than at a fixed 40 bytes.
struct TRecordHeader {
  int32_t Bookmark;      // bookmark number of the record
  int32_t MasterKey;     // key of the master record it belongs to
  uint8_t BookmarkFlag;  // current, BOF, EOF, inserted
  char RowId[19];        // ROWID text, zero-terminated, when short enough
  char* LongRowId;       // heap copy of a longer ROWID text, else null
  TRecordBlobValues* Blobs;
  int32_t DataSize;  // record size minus the header
};

inline constexpr int kRecordHeaderSize = static_cast<int>(sizeof(TRecordHeader));
// ROWID texts up to this length are kept in the header itself.
inline constexpr std::size_t kMaxInlineRowId = 17;

inline TRecordHeader& RecordHeader(uint8_t* record) {
  return *reinterpret_cast<TRecordHeader*>(record);
}
inline const TRecordHeader& RecordHeader(const uint8_t* record) {
  return *reinterpret_cast<const TRecordHeader*>(record);
}

// Stores a ROWID text in the record's header: inline when it is at most 17
// characters long, else as a counted heap copy. A previous copy is freed.
void SetRecordRowId(TRecordHeader& header, std::string_view rowId);
std::string RecordRowId(const TRecordHeader& header);
// Frees the record's cached BLOB values and its ROWID heap copy and clears
// both pointers.
void ReleaseRecordResources(TRecordHeader& header);
// Heap copies of ROWID texts alive in the process.
int LiveRowIdCopies();
// Record BLOB value lists alive in the process.
int LiveRecordBlobValues();

// What the store reads from its dataset.
class TRecordStoreOwner {
 public:
  // Bytes of one record image, header included.
  virtual int RecordSize() const = 0;
  // Rows fetched in one round trip.
  virtual int ReadBuffer() const = 0;
  virtual std::string Name() const = 0;
  virtual bool FilterActive() const = 0;
  // Master key given to each record added.
  virtual int32_t MasterKey() const = 0;

 protected:
  ~TRecordStoreOwner() = default;
};

class TRecordDataList {
 public:
  // Empty, unidirectional, Base 0.
  explicit TRecordDataList(const TRecordStoreOwner& dataSet);
  ~TRecordDataList();
  TRecordDataList(const TRecordDataList&) = delete;
  TRecordDataList& operator=(const TRecordDataList&) = delete;

  bool Unidirectional() const { return unidirectional_; }
  void SetUnidirectional(bool on) { unidirectional_ = on; }
  // Absolute number of the oldest record still held.
  int Base() const { return base_; }

  // Records held + Base.
  int Count() const { return static_cast<int>(records_.size()) + base_; }
  // Appends; answers the record's absolute number.
  int Add(uint8_t* record);
  void Insert(int number, uint8_t* record);
  void Delete(int number);
  // The record with absolute number `number`. A record a unidirectional store
  // has discarded raises "<name>: Record <n> not accessible in Unidirectional
  // mode"; a number past the end raises std::out_of_range.
  uint8_t* Get(int number) const;
  // Absolute number of the record, -1 when it is not held.
  int IndexOf(const uint8_t* record) const;

  // The next free record image, zero-filled when its block was made; not
  // counted as used until AddRecord takes it. A caller that writes into it
  // and then leaves it unused zero-fills it again.
  uint8_t* NewRecordSlot();
  // Takes the next free slot, sets its master key and inserts it at `number`
  // (appends when negative or not below Count). With `filtered` the number is
  // a filtered position: the record goes to that store position and into the
  // filtered list at that position.
  uint8_t* AddRecord(int number, bool filtered);
  // Removes a record and releases its BLOB values and ROWID copy; its slot is
  // not reused. With `filtered` and the filter active, `number` is a filtered
  // position. The record always leaves the filtered list.
  void DeleteRecord(int number, bool filtered);

  // With the filter active the filtered record at `number`, else Get. A
  // failure is shown in a message box, then raised again.
  uint8_t* Record(int number) const;
  int RecordCount() const;
  // The records Record gives for `from` up to `to` (not included), as one
  // run; a range outside [Base (0 with the filter active), RecordCount] raises
  // as Record does.
  std::span<uint8_t* const> Records(int from, int to) const;
  // Store number of a filtered position (Count past the end); the position
  // itself when the filter is inactive or it is negative.
  int FilteredToStore(int position) const;
  // Filtered position of the record with store number `number`, -1.
  int StoreToFiltered(int number) const;
  // Adds a record to the filtered list, at the end or in store order.
  // Raises "BUG: Duplicate record in filtered list (<position>)" when it is
  // there already.
  void AddFiltered(uint8_t* record, bool append);
  // Appends a record the filtered list cannot hold yet (one just fetched, or
  // one of the store's records while the list is rebuilt from empty) without
  // the duplicate search, which would make filling the list quadratic.
  void AppendFiltered(uint8_t* record);
  void ClearFiltered() { filtered_.clear(); }
  // Drops every record (releasing their resources), frees all blocks and
  // empties the filtered list; numbering starts again at 0.
  void Clear();

  // Block layout, for inspection.
  int BlockCount() const { return static_cast<int>(blocks_.size()); }
  int BlockCapacity(int index) const;
  int BlockUsed(int index) const;

 private:
  struct BlockHeader {
    int32_t Capacity;
    int32_t Used;
    int32_t TotalBytes;
    int32_t Mapped;  // 1 when mapped from the system, 0 when from the heap
  };
  // Bytes between consecutive records: the record size rounded up so that
  // every header is aligned.
  std::size_t Stride() const;
  uint8_t* AllocateBlock(int capacity) const;
  static void FreeBlock(uint8_t* block);
  uint8_t* SlotOf(uint8_t* block, int index) const;
  void DropRecords();
  void FreeBlocks();
  std::size_t Position(int number) const;
  [[noreturn]] void NotAccessible(int number) const;

  const TRecordStoreOwner& dataSet_;
  std::vector<uint8_t*> blocks_;
  std::vector<uint8_t*> records_;
  std::vector<uint8_t*> filtered_;
  bool unidirectional_ = true;
  int base_ = 0;
};

}  // namespace oracle
