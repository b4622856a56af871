#include "oracle/dataset/dataset_blobs.h"

#include <cstring>
#include <mutex>
#include <stdexcept>

#include "oracle/blob/blob_compression.h"
#include "oracle/dataset/dataset.h"

namespace oracle {
namespace {

std::mutex expanderLock;
TBLOBExpander& Expander() {
  static TBLOBExpander expander = [](std::string_view packed) {
    return blob::DecompressBytes(packed);
  };
  return expander;
}

}  // namespace

// ---- TOracleBlob

void TOracleBlob::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  ClearPacked();
}

void TOracleBlob::ClearPacked() {
  packed_.clear();
  packed_.shrink_to_fit();
  packedOwned_ = false;
}

void TOracleBlob::Pack() {
  ClearPacked();
  auto* dataSet = field_ != nullptr ? dynamic_cast<TOracleDataSet*>(field_->DataSet()) : nullptr;
  if (dataSet == nullptr || !dataSet->CompressBLOBs() || data_.empty()) return;
  dataset::TMemoryStream source(data_);
  dataset::TMemoryStream packed;
  if (dataSet->OnCompressBLOB) {
    dataSet->OnCompressBLOB(*dataSet, *field_, source, packed);
  } else {
    packed.Write(kCompressedBLOBHeader, sizeof kCompressedBLOBHeader);
    blob::CompressStream(source, packed);
  }
  if (packed.Bytes().empty()) return;
  packed_ = packed.Bytes();
  packedOwned_ = true;
  dataSet->CountCompression(static_cast<double>(data_.size()), static_cast<double>(packed_.size()));
}

// ---- TBlobList

TOracleBlob* TBlobList::BlobByField(const dataset::TField* field) {
  for (const auto& item : items_) {
    if (item->Field() == field) return item.get();
  }
  return nullptr;
}

TOracleBlob& TBlobList::Add(dataset::TField* field) {
  if (TOracleBlob* present = BlobByField(field)) return *present;
  items_.push_back(std::make_unique<TOracleBlob>(field));
  return *items_.back();
}

void TBlobList::Copy(const TBlobList& source) {
  std::vector<std::unique_ptr<TOracleBlob>> copies;
  copies.reserve(source.items_.size());
  for (const auto& item : source.items_) {
    copies.push_back(std::make_unique<TOracleBlob>(item->Field()));
    copies.back()->Data() = item->Data();
  }
  items_ = std::move(copies);
}

std::unique_ptr<TBlobList> CopyBlobList(const TBlobList* source) {
  if (source == nullptr) return nullptr;
  auto copy = std::make_unique<TBlobList>();
  copy->Copy(*source);
  return copy;
}

// ---- compressed values

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
