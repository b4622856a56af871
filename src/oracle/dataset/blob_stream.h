#pragma once
// The stream through which a BLOB or memo field of an Oracle dataset is read
// and written: it works on one TOracleBlob, the record's own or the edit
// list's (the dataset chooses, CreateBlobStream). Reading at or beyond the
// end reads nothing, a seek before the start goes to the start, and writing
// past the end fills the gap with zero bytes.

#include <cstdint>

#include "dataset/db_types.h"
#include "dataset/stream.h"
#include "oracle/dataset/dataset_blobs.h"

namespace oracle {

class TOracleDataSet;

class TOracleBlobStream : public dataset::TStream {
 public:
  // `blob` null: an unopened stream that reads and writes nothing. Mode
  // write empties the value at once; a stream opened for reading refuses
  // to change the value.
  TOracleBlobStream(TOracleDataSet& dataSet, dataset::TField& field, TOracleBlob* blob,
                    dataset::TBlobStreamMode mode);
  // A modified value marks its field changed and signals the change.
  ~TOracleBlobStream() override;
  TOracleBlobStream(const TOracleBlobStream&) = delete;
  TOracleBlobStream& operator=(const TOracleBlobStream&) = delete;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, dataset::TSeekOrigin origin) override;
  void Truncate() override;
  int64_t Size() override { return blob_ != nullptr ? blob_->Size() : 0; }

  bool Opened() const { return blob_ != nullptr; }
  bool Modified() const { return modified_; }

 private:
  void MarkModified();
  void CheckWritable() const;

  TOracleDataSet& dataSet_;
  dataset::TField& field_;
  TOracleBlob* blob_;
  bool readOnly_;
  bool modified_ = false;
  int64_t position_ = 0;
};

}  // namespace oracle
