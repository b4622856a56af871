#pragma once
// A dataset over a vector of records in memory, only for the framework's
// tests. Record image: 4-byte bookmark id, 1 flag byte, 3 spare bytes, then
// per data field one null-flag byte and the value in the field's native
// form, then the calculated area. BLOB values live beside the records.

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dataset/database_error.h"
#include "dataset/dataset.h"

namespace dataset::testing {

class MemoryDataSet : public TDataSet {
 public:
  MemoryDataSet() = default;
  ~MemoryDataSet() override;

  // Columns and rows given before opening.
  void AddColumn(const std::string& name, TFieldType type, int size = 0, bool required = false);
  void AddRow(std::vector<Variant> values);

  // Runs inside InternalPost after the base's checks, before the record is
  // stored (lets a test make a post fail).
  std::function<void()> OnStore;
  int StoredRowCount() const { return static_cast<int>(rows_.size()); }
  int CursorIndex() const { return index_; }

  bool GetFieldData(TField& field, void* buffer) override;
  void SetFieldData(TField& field, const void* buffer) override;
  std::unique_ptr<TStream> CreateBlobStream(TField& field, TBlobStreamMode mode) override;
  bool BookmarkValid(const TBookmark& bookmark) override;
  int CompareBookmarks(const TBookmark& a, const TBookmark& b) override;
  int GetRecNo() override;

 protected:
  void InternalOpen() override;
  void InternalClose() override;
  bool IsCursorOpen() const override { return open_; }
  void InternalInitFieldDefs() override;
  TRecordBuffer AllocRecordBuffer() override;
  void FreeRecordBuffer(TRecordBuffer& buffer) override;
  int GetRecordSize() override { return recordSize_; }
  void InternalInitRecord(TRecordBuffer buffer) override;
  void ClearCalcFields(TRecordBuffer buffer) override;
  TGetResult GetRecord(TRecordBuffer buffer, TGetMode mode, bool doCheck) override;
  void InternalFirst() override { index_ = -1; }
  void InternalLast() override { index_ = static_cast<int>(rows_.size()); }
  int GetRecordCount() override { return static_cast<int>(rows_.size()); }
  void GetBookmarkData(TRecordBuffer buffer, void* data) override;
  void SetBookmarkData(TRecordBuffer buffer, const void* data) override;
  TBookmarkFlag GetBookmarkFlag(TRecordBuffer buffer) override;
  void SetBookmarkFlag(TRecordBuffer buffer, TBookmarkFlag flag) override;
  void InternalGotoBookmark(const void* bookmark) override;
  void InternalSetToRecord(TRecordBuffer buffer) override;
  void InternalPost() override;
  void InternalCancel() override { pendingBlobs_.clear(); }
  void InternalEdit() override;
  void InternalInsert() override { pendingBlobs_.clear(); }
  void InternalAddRecord(TRecordBuffer buffer, bool append) override;
  void InternalDelete() override;

 private:
  struct Row {
    int32_t id = 0;
    std::vector<uint8_t> image;
    std::map<std::string, std::string> blobs;
  };
  struct Column {
    std::string name;
    TFieldType type;
    int size;
    bool required;
  };

  static constexpr int kHeaderSize = 8;
  // The record buffer the state reads and writes; null when none.
  uint8_t* StateBuffer();
  uint8_t* Slot(uint8_t* record, const TField& field) const;
  std::map<std::string, std::string>* StateBlobs();
  int FindRow(int32_t id) const;
  void StoreRow(const Variant& value, const TField& field, Row& row);

  std::vector<Column> columns_;
  std::vector<std::vector<Variant>> initialRows_;
  std::vector<Row> rows_;
  std::map<std::string, std::string> pendingBlobs_;
  std::vector<int> offsets_;  // by field index, data fields only
  int dataSize_ = 0;
  int recordSize_ = 0;
  int index_ = -1;
  int32_t nextId_ = 1;
  bool open_ = false;
};

}  // namespace dataset::testing
