#include "oracle/dataset/dataset_blobs.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <stdexcept>

#include "oracle/blob/blob_compression.h"

namespace oracle {
namespace {

std::mutex expanderLock;
TBLOBExpander& Expander() {
  static TBLOBExpander expander = [](std::string_view packed) {
    return blob::DecompressBytes(packed);
  };
  return expander;
}

class ValueReadStream : public dataset::TStream {
 public:
  explicit ValueReadStream(std::string value) : value_(std::move(value)) {}
  int64_t Read(void* buffer, int64_t count) override {
    const int64_t left = static_cast<int64_t>(value_.size()) - position_;
    const int64_t n = std::min(count, left);
    if (n <= 0) return 0;
    std::memcpy(buffer, value_.data() + position_, static_cast<std::size_t>(n));
    position_ += n;
    return n;
  }
  int64_t Write(const void*, int64_t) override {
    throw std::runtime_error("BLOB value is open for reading only");
  }
  int64_t Seek(int64_t offset, dataset::TSeekOrigin origin) override {
    const int64_t base = origin == dataset::TSeekOrigin::soBeginning ? 0
                         : origin == dataset::TSeekOrigin::soCurrent
                             ? position_
                             : static_cast<int64_t>(value_.size());
    position_ = std::clamp<int64_t>(base + offset, 0, static_cast<int64_t>(value_.size()));
    return position_;
  }
  void Truncate() override { throw std::runtime_error("BLOB value is open for reading only"); }

 private:
  std::string value_;
  int64_t position_ = 0;
};

}  // namespace

void TRecordBlobs::Set(int fieldNo, std::string value) {
  if (fieldNo < 0) throw std::out_of_range("BLOB field number " + std::to_string(fieldNo));
  if (static_cast<std::size_t>(fieldNo) >= values_.size()) {
    values_.resize(static_cast<std::size_t>(fieldNo) + 1);
  }
  values_[static_cast<std::size_t>(fieldNo)] = std::move(value);
}

const std::string* TRecordBlobs::Find(int fieldNo) const {
  if (fieldNo < 0 || static_cast<std::size_t>(fieldNo) >= values_.size()) return nullptr;
  const auto& value = values_[static_cast<std::size_t>(fieldNo)];
  return value ? &*value : nullptr;
}

std::unique_ptr<dataset::TStream> NewBlobReadStream(std::string value) {
  return std::make_unique<ValueReadStream>(std::move(value));
}

bool HasCompressedBLOBHeader(std::string_view value) {
  return value.size() >= sizeof kCompressedBLOBHeader &&
         std::memcmp(value.data(), kCompressedBLOBHeader, sizeof kCompressedBLOBHeader) == 0;
}

void SetBLOBExpander(TBLOBExpander expander) {
  std::lock_guard<std::mutex> lock(expanderLock);
  Expander() = std::move(expander);
}

std::string ExpandCompressedBLOB(std::string_view value, const std::string& fieldName) {
  TBLOBExpander expander;
  {
    std::lock_guard<std::mutex> lock(expanderLock);
    expander = Expander();
  }
  if (!expander) {
    throw std::runtime_error("Compressed BLOB value of field " + fieldName + " cannot be expanded");
  }
  try {
    return expander(value.substr(sizeof kCompressedBLOBHeader));
  } catch (const std::runtime_error& e) {
    throw std::runtime_error("Field " + fieldName + ": " + e.what());
  }
}

}  // namespace oracle
