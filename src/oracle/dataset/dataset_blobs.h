#pragma once
// The BLOB side of an Oracle dataset's records: the cached values of a
// record's BLOB and memo fields (kept out of the fixed-size record image), a
// stream that reads one of them, and the recognition of compressed values
// by their 8-byte header, expanded by the compression codec.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

// The cached BLOB values of one record, by field number.
class TRecordBlobs : public TRecordBlobValues {
 public:
  void Set(int fieldNo, std::string value);
  // The cached value, null when the field has none cached.
  const std::string* Find(int fieldNo) const;

 private:
  std::vector<std::optional<std::string>> values_;
};

// A read-only stream over one value.
std::unique_ptr<dataset::TStream> NewBlobReadStream(std::string value);

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
