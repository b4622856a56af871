#include "oracle/dataset/record_store.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

#include <sys/mman.h>

#include "oracle/session/ui_hooks.h"

namespace oracle {
namespace {

std::atomic<int> liveRowIdCopies{0};
std::atomic<int> liveRecordBlobValues{0};

// Blocks at least this large are mapped straight from the system: their
// pages come zero-filled and are only made resident when first written, so
// neither the slots a block does not fill yet nor a zero-fill pass cost
// anything; from the heap, a block reused after an earlier one was freed
// would be cleared in full by calloc.
constexpr std::size_t kMappedBlockBytes = 256 * 1024;
// Mapped blocks of at least this size ask for large pages: one fault then
// makes 2 MiB resident instead of 4 KiB.
constexpr std::size_t kLargePageBlockBytes = 4 * 1024 * 1024;

[[noreturn]] void OutOfBounds(long long index) {
  throw std::out_of_range("List index out of bounds (" + std::to_string(index) + ")");
}

}  // namespace

void SetRecordRowId(TRecordHeader& header, std::string_view rowId) {
  if (header.LongRowId != nullptr) {
    delete[] header.LongRowId;
    header.LongRowId = nullptr;
    --liveRowIdCopies;
  }
  std::memset(header.RowId, 0, sizeof header.RowId);
  if (rowId.size() <= kMaxInlineRowId) {
    std::memcpy(header.RowId, rowId.data(), rowId.size());
    return;
  }
  char* copy = new char[rowId.size() + 1];
  std::memcpy(copy, rowId.data(), rowId.size());
  copy[rowId.size()] = '\0';
  header.LongRowId = copy;
  ++liveRowIdCopies;
}

std::string RecordRowId(const TRecordHeader& header) {
  if (header.LongRowId != nullptr) return header.LongRowId;
  return std::string(header.RowId, strnlen(header.RowId, sizeof header.RowId));
}

void ReleaseRecordResources(TRecordHeader& header) {
  delete header.Blobs;
  header.Blobs = nullptr;
  if (header.LongRowId != nullptr) {
    delete[] header.LongRowId;
    header.LongRowId = nullptr;
    --liveRowIdCopies;
  }
}

int LiveRowIdCopies() {
  return liveRowIdCopies.load();
}

TRecordBlobValues::TRecordBlobValues() {
  ++liveRecordBlobValues;
}

TRecordBlobValues::~TRecordBlobValues() {
  --liveRecordBlobValues;
}

int LiveRecordBlobValues() {
  return liveRecordBlobValues.load();
}

TRecordDataList::TRecordDataList(const TRecordStoreOwner& dataSet) : dataSet_(dataSet) {}

TRecordDataList::~TRecordDataList() {
  Clear();
}

std::size_t TRecordDataList::Stride() const {
  const std::size_t size =
      static_cast<std::size_t>(std::max(dataSet_.RecordSize(), kRecordHeaderSize));
  constexpr std::size_t align = alignof(TRecordHeader);
  return (size + align - 1) / align * align;
}

uint8_t* TRecordDataList::SlotOf(uint8_t* block, int index) const {
  return block + sizeof(BlockHeader) + static_cast<std::size_t>(index) * Stride();
}

uint8_t* TRecordDataList::AllocateBlock(int capacity) const {
  const std::size_t stride = Stride();
  if (capacity <= 0 ||
      static_cast<std::size_t>(capacity) >
          (static_cast<std::size_t>(std::numeric_limits<int32_t>::max()) - sizeof(BlockHeader)) /
              stride) {
    throw std::bad_alloc();
  }
  const std::size_t bytes = sizeof(BlockHeader) + static_cast<std::size_t>(capacity) * stride;
  uint8_t* block = nullptr;
  const bool mapped = bytes >= kMappedBlockBytes;
  if (mapped) {
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) throw std::bad_alloc();
    if (bytes >= kLargePageBlockBytes) madvise(pages, bytes, MADV_HUGEPAGE);
    block = static_cast<uint8_t*>(pages);
  } else {
    block = static_cast<uint8_t*>(std::calloc(1, bytes));
    if (block == nullptr) throw std::bad_alloc();
  }
  auto* header = reinterpret_cast<BlockHeader*>(block);
  header->Capacity = capacity;
  header->Used = 0;
  header->TotalBytes = static_cast<int32_t>(bytes);
  header->Mapped = mapped ? 1 : 0;
  return block;
}

void TRecordDataList::FreeBlock(uint8_t* block) {
  const auto* header = reinterpret_cast<const BlockHeader*>(block);
  if (header->Mapped != 0) {
    munmap(block, static_cast<std::size_t>(header->TotalBytes));
  } else {
    std::free(block);
  }
}

uint8_t* TRecordDataList::NewRecordSlot() {
  if (!blocks_.empty()) {
    auto* last = reinterpret_cast<BlockHeader*>(blocks_.back());
    if (last->Used < last->Capacity) return SlotOf(blocks_.back(), last->Used);
  }
  uint8_t* block = nullptr;
  if (unidirectional_ && !blocks_.empty()) {
    // Only the newest block is kept: the held records are dropped and the
    // numbering continues after them. Base grows by the records actually
    // held, so numbers stay right after a record was deleted.
    block = AllocateBlock(reinterpret_cast<BlockHeader*>(blocks_.back())->Capacity);
    const int held = static_cast<int>(records_.size());
    DropRecords();
    FreeBlocks();
    base_ += held;
  } else {
    base_ = 0;
    block = AllocateBlock(std::max(Count() / 2, dataSet_.ReadBuffer() + 1));
  }
  try {
    blocks_.push_back(block);
  } catch (...) {
    FreeBlock(block);
    throw;
  }
  return SlotOf(block, 0);
}

namespace {

// Room for one more entry, grown geometrically: reserving exactly one more
// would reallocate the list on every record added.
void ReserveOneMore(std::vector<uint8_t*>& list) {
  if (list.size() < list.capacity()) return;
  list.reserve(std::max<std::size_t>(16, list.capacity() * 2));
}

}  // namespace

uint8_t* TRecordDataList::AddRecord(int number, bool filtered) {
  uint8_t* record = NewRecordSlot();
  // Room first, so that a failure leaves the lists as they were.
  ReserveOneMore(records_);
  if (filtered) ReserveOneMore(filtered_);
  const int position = number;
  if (filtered) number = FilteredToStore(number);
  if (number >= base_ && number < Count()) {
    records_.insert(records_.begin() + static_cast<std::ptrdiff_t>(Position(number)), record);
  } else if (number >= 0 && number < base_) {
    NotAccessible(number);
  } else {
    records_.push_back(record);
  }
  if (filtered) {
    if (position >= 0 && static_cast<std::size_t>(position) < filtered_.size()) {
      filtered_.insert(filtered_.begin() + position, record);
    } else {
      filtered_.push_back(record);
    }
  }
  ++reinterpret_cast<BlockHeader*>(blocks_.back())->Used;
  RecordHeader(record).MasterKey = dataSet_.MasterKey();
  return record;
}

void TRecordDataList::DeleteRecord(int number, bool filtered) {
  int storeNumber = number;
  int position = -1;
  if (filtered && dataSet_.FilterActive()) {
    if (number < 0 || static_cast<std::size_t>(number) >= filtered_.size()) OutOfBounds(number);
    position = number;
    storeNumber = FilteredToStore(number);
  }
  uint8_t* record = Get(storeNumber);
  // A dropped record never stays visible in the filtered view.
  if (position < 0) position = StoreToFiltered(storeNumber);
  if (position >= 0) filtered_.erase(filtered_.begin() + position);
  ReleaseRecordResources(RecordHeader(record));
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(Position(storeNumber)));
}

int TRecordDataList::Add(uint8_t* record) {
  records_.push_back(record);
  return Count() - 1;
}

void TRecordDataList::Insert(int number, uint8_t* record) {
  if (number < base_) NotAccessible(number);
  if (number > Count()) OutOfBounds(number);
  records_.insert(records_.begin() + (number - base_), record);
}

void TRecordDataList::Delete(int number) {
  records_.erase(records_.begin() + static_cast<std::ptrdiff_t>(Position(number)));
}

std::size_t TRecordDataList::Position(int number) const {
  if (number < base_ && number >= 0) NotAccessible(number);
  if (number < 0 || number >= Count()) OutOfBounds(number);
  return static_cast<std::size_t>(number - base_);
}

void TRecordDataList::NotAccessible(int number) const {
  throw std::runtime_error(dataSet_.Name() + ": Record " + std::to_string(number) +
                           " not accessible in Unidirectional mode");
}

uint8_t* TRecordDataList::Get(int number) const {
  return records_[Position(number)];
}

int TRecordDataList::IndexOf(const uint8_t* record) const {
  // From the end: the record asked for is most often one just appended.
  const auto it = std::find(records_.rbegin(), records_.rend(), record);
  return it == records_.rend() ? -1 : static_cast<int>(records_.rend() - it) - 1 + base_;
}

uint8_t* TRecordDataList::Record(int number) const {
  try {
    if (dataSet_.FilterActive()) {
      if (number < 0 || static_cast<std::size_t>(number) >= filtered_.size()) {
        OutOfBounds(number);
      }
      return filtered_[static_cast<std::size_t>(number)];
    }
    return Get(number);
  } catch (const std::exception& error) {
    OracleMessageDialog(error.what(), "O");
    throw;
  }
}

std::span<uint8_t* const> TRecordDataList::Records(int from, int to) const {
  const bool filtered = dataSet_.FilterActive();
  const std::vector<uint8_t*>& list = filtered ? filtered_ : records_;
  const int offset = filtered ? 0 : base_;
  if (!filtered && from < base_ && from >= 0) NotAccessible(from);
  if (from < offset || to < from || to - offset > static_cast<int>(list.size())) OutOfBounds(from);
  return std::span<uint8_t* const>(list).subspan(static_cast<std::size_t>(from - offset),
                                                 static_cast<std::size_t>(to - from));
}

int TRecordDataList::RecordCount() const {
  return dataSet_.FilterActive() ? static_cast<int>(filtered_.size()) : Count();
}

int TRecordDataList::FilteredToStore(int position) const {
  if (!dataSet_.FilterActive() || position < 0) return position;
  if (static_cast<std::size_t>(position) >= filtered_.size()) return Count();
  return IndexOf(filtered_[static_cast<std::size_t>(position)]);
}

int TRecordDataList::StoreToFiltered(int number) const {
  if (number < base_ || number >= Count()) return -1;
  const uint8_t* record = records_[static_cast<std::size_t>(number - base_)];
  const auto it = std::find(filtered_.begin(), filtered_.end(), record);
  return it == filtered_.end() ? -1 : static_cast<int>(it - filtered_.begin());
}

void TRecordDataList::AddFiltered(uint8_t* record, bool append) {
  const auto present = std::find(filtered_.begin(), filtered_.end(), record);
  if (present != filtered_.end()) {
    throw std::runtime_error("BUG: Duplicate record in filtered list (" +
                             std::to_string(present - filtered_.begin()) + ")");
  }
  const auto storeIt = std::find(records_.begin(), records_.end(), record);
  if (append || storeIt == records_.end()) {
    filtered_.push_back(record);
    return;
  }
  // The filtered list follows store order: count the filtered records that
  // come before this one in the store.
  std::size_t at = 0;
  for (auto it = records_.begin(); it != storeIt && at < filtered_.size(); ++it) {
    if (filtered_[at] == *it) ++at;
  }
  filtered_.insert(filtered_.begin() + static_cast<std::ptrdiff_t>(at), record);
}

void TRecordDataList::AppendFiltered(uint8_t* record) {
  filtered_.push_back(record);
}

void TRecordDataList::DropRecords() {
  // A record holds resources only while some record in the process does:
  // without any, visiting every header (long out of the cache after a large
  // fetch) would only find null pointers.
  if (liveRowIdCopies.load() != 0 || liveRecordBlobValues.load() != 0) {
    for (auto it = records_.rbegin(); it != records_.rend(); ++it) {
      ReleaseRecordResources(RecordHeader(*it));
    }
  }
  records_.clear();
  filtered_.clear();
}

void TRecordDataList::FreeBlocks() {
  for (uint8_t* block : blocks_) FreeBlock(block);
  blocks_.clear();
}

void TRecordDataList::Clear() {
  DropRecords();
  FreeBlocks();
  base_ = 0;
}

int TRecordDataList::BlockCapacity(int index) const {
  return reinterpret_cast<const BlockHeader*>(blocks_.at(static_cast<std::size_t>(index)))
      ->Capacity;
}

int TRecordDataList::BlockUsed(int index) const {
  return reinterpret_cast<const BlockHeader*>(blocks_.at(static_cast<std::size_t>(index)))->Used;
}

}  // namespace oracle
