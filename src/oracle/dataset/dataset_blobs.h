#pragma once
// The BLOB side of an Oracle dataset's records: the values of a record's
// BLOB and memo fields, kept out of the fixed-size record image in a
// TBlobList of TOracleBlob items (one list per record, one for the record
// being edited), their packed form as written to the server, and the
// recognition of compressed values by their 8-byte header.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "dataset/field.h"
#include "dataset/stream.h"
#include "oracle/dataset/record_store.h"

namespace oracle {

class TOracleDataSet;

// Supplies the expanded form of a fetched value that carries no compression
// header: (dataset, field, value as fetched, expanded value). Leaving the
// output empty keeps the value as fetched.
using TDecompressBLOBEvent =
    std::function<void(TOracleDataSet&, dataset::TField&, const std::string&, std::string&)>;
// Writes the stored form of a value (read from the first stream, from its
// start) into the second stream. An empty output keeps the value as it is.
using TCompressBLOBEvent =
    std::function<void(TOracleDataSet&, dataset::TField&, dataset::TStream&, dataset::TStream&)>;

// One BLOB value of a record.
class TOracleBlob {
 public:
  explicit TOracleBlob(dataset::TField* field) : field_(field) {}

  dataset::TField* Field() const { return field_; }
  // The value as the record holds it.
  std::string& Data() { return data_; }
  const std::string& Data() const { return data_; }
  int64_t Size() const { return static_cast<int64_t>(data_.size()); }
  // Frees the value and its packed form.
  void Clear();
  void ClearPacked();
  // Makes the packed form: the value itself, or with the dataset's
  // CompressBLOBs its compressed form (OnCompressBLOB when assigned, else
  // the header and the codec's output), which replaces the value unless it
  // comes out empty; the dataset's compression totals grow by both sizes.
  // An empty value stays empty: packing it would store a value for a null.
  void Pack();
  // The value as written to the server: the packed form once Pack ran,
  // otherwise the value.
  std::string_view PackedData() const { return packedOwned_ ? packed_ : data_; }
  int64_t PackedSize() const { return static_cast<int64_t>(PackedData().size()); }
  bool PackedOwned() const { return packedOwned_; }

  // Set on an item of the edit list when its field was written in the
  // current edit.
  bool Changed = false;

 private:
  dataset::TField* field_;
  std::string data_;
  std::string packed_;
  bool packedOwned_ = false;
};

// The BLOB values of one record, one item per BLOB field.
class TBlobList : public TRecordBlobValues {
 public:
  TOracleBlob* BlobByField(const dataset::TField* field);
  // Adds an empty item for the field (or answers its item).
  TOracleBlob& Add(dataset::TField* field);
  // Replaces this list's items by deep copies of `source`'s values.
  void Copy(const TBlobList& source);
  int Count() const { return static_cast<int>(items_.size()); }
  TOracleBlob& Items(int index) { return *items_.at(static_cast<std::size_t>(index)); }

 private:
  std::vector<std::unique_ptr<TOracleBlob>> items_;
};

// The list a record header points to, null when it has none.
inline TBlobList* BlobListOf(const TRecordHeader& header) {
  return dynamic_cast<TBlobList*>(header.Blobs);
}
// A deep copy of a record's list into a fresh list (null for none).
std::unique_ptr<TBlobList> CopyBlobList(const TBlobList* source);

// The header that starts a compressed BLOB value: the little-endian words
// 0x38A60091 and 0x1BCCB788.
inline constexpr unsigned char kCompressedBLOBHeader[8] = {0x91, 0x00, 0xA6, 0x38,
                                                           0x88, 0xB7, 0xCC, 0x1B};
bool HasCompressedBLOBHeader(std::string_view value);

// Expands the compressed bytes that follow the header.
using TBLOBExpander = std::function<std::string(std::string_view packed)>;
// Replaces the expander process-wide (null removes it); the codec's
// decompression is installed from the start.
void SetBLOBExpander(TBLOBExpander expander);
// The expanded form of a value that starts with the header. Without an
// installed expander it raises "Compressed BLOB value of field <name> cannot
// be expanded" rather than hand out the packed bytes as the value; a value
// the expander refuses raises its message prefixed by "Field <name>: ".
std::string ExpandCompressedBLOB(std::string_view value, const std::string& fieldName);

}  // namespace oracle
