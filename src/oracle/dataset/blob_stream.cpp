#include "oracle/dataset/blob_stream.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <stdexcept>

#include "oracle/blob/blob_compression.h"
#include "oracle/dataset/dataset.h"

namespace oracle {

TOracleBlobStream::TOracleBlobStream(TOracleDataSet& dataSet, dataset::TField& field,
                                     TOracleBlob* blob, dataset::TBlobStreamMode mode)
    : dataSet_(dataSet),
      field_(field),
      blob_(blob),
      readOnly_(mode == dataset::TBlobStreamMode::bmRead) {
  if (mode == dataset::TBlobStreamMode::bmWrite) Truncate();
}

TOracleBlobStream::~TOracleBlobStream() {
  if (!Opened() || !modified_) return;
  try {
    dataSet_.DataEvent(dataset::TDataEvent::deFieldChange, &field_);
  } catch (const std::exception& error) {
    // A change handler's failure cannot leave a destructor.
    if (dataset::ApplicationHandleException) dataset::ApplicationHandleException(error);
  }
}

void TOracleBlobStream::CheckWritable() const {
  if (readOnly_) {
    throw std::logic_error("The value of field " + field_.FieldName() +
                           " is open for reading only");
  }
}

void TOracleBlobStream::MarkModified() {
  const dataset::TDataSetState state = dataSet_.State();
  if (state == dataset::TDataSetState::dsEdit || state == dataset::TDataSetState::dsInsert) {
    modified_ = true;
  }
}

int64_t TOracleBlobStream::Read(void* buffer, int64_t count) {
  if (!Opened()) return 0;
  const int64_t n = std::min(count, Size() - position_);
  if (n <= 0) return 0;
  std::memcpy(buffer, blob_->Data().data() + position_, static_cast<std::size_t>(n));
  position_ += n;
  return n;
}

int64_t TOracleBlobStream::Write(const void* buffer, int64_t count) {
  if (!Opened() || count <= 0) return 0;
  CheckWritable();
  if (count > blob::kMaxBlobSize - position_) {
    throw std::length_error("A BLOB value cannot exceed " + std::to_string(blob::kMaxBlobSize) +
                            " bytes");
  }
  std::string& data = blob_->Data();
  // Growing fills any gap between the old end and the position with zeros.
  if (position_ + count > Size()) data.resize(static_cast<std::size_t>(position_ + count));
  std::memcpy(data.data() + position_, buffer, static_cast<std::size_t>(count));
  position_ += count;
  blob_->ClearPacked();
  MarkModified();
  return count;
}

int64_t TOracleBlobStream::Seek(int64_t offset, dataset::TSeekOrigin origin) {
  const int64_t base = origin == dataset::TSeekOrigin::soBeginning ? 0
                       : origin == dataset::TSeekOrigin::soCurrent ? position_
                                                                   : Size();
  position_ = std::max<int64_t>(base + offset, 0);
  return position_;
}

void TOracleBlobStream::Truncate() {
  position_ = 0;
  if (!Opened()) return;
  CheckWritable();
  blob_->Clear();
  MarkModified();
}

}  // namespace oracle
