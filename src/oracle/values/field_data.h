#pragma once
// Fetch buffers of one select-list column: a block of `Rows` elements of
// `ElementSize` bytes filled by one fetch round trip, with the indicator,
// returned length and return code OCI writes per row. LOB, timestamp, cursor,
// object and reference columns hold one handle per row instead of bytes;
// LONG and LONG RAW values fetched in pieces keep their pieces.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "oracle/values/ora_variant.h"
#include "oracle/values/oracle_date.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TSessionContext;

// One piece of a LONG or LONG RAW value.
class TLongPiece {
 public:
  explicit TLongPiece(std::size_t capacity) : buffer_(capacity) {}

  uint8_t* Buffer() { return buffer_.data(); }
  const uint8_t* Buffer() const { return buffer_.data(); }
  std::size_t Capacity() const { return buffer_.size(); }
  // Bytes received; OCI writes it through LengthPtr. Never read past the
  // capacity.
  ub4 Length() const { return length_ < buffer_.size() ? length_ : ub4(buffer_.size()); }
  ub4* LengthPtr() { return &length_; }
  void SetLength(ub4 length) { length_ = length; }

 private:
  std::vector<uint8_t> buffer_;
  ub4 length_ = 0;
};

class TFieldData {
 public:
  // Buffers for `rows` rows (at least 1) of `elementSize` bytes; columns of a
  // handle type get one null handle per row whatever `elementSize` says.
  // Every row starts null.
  TFieldData(int16_t dataType, int32_t elementSize, int32_t rows);
  ~TFieldData();
  TFieldData(const TFieldData&) = delete;
  TFieldData& operator=(const TFieldData&) = delete;

  int16_t DataType() const { return dataType_; }
  int32_t ElementSize() const { return elementSize_; }
  int32_t Rows() const { return rows_; }
  // The column holds one handle per row (LOB, timestamp, cursor, object, REF).
  bool HoldsHandles() const { return holdsHandles_; }

  // The block OCI defines into: Rows x ElementSize bytes (for handle columns
  // the handle array).
  uint8_t* Buffer();
  int16_t* Indicators() { return indicators_.data(); }
  ub2* Lengths() { return lengths_.data(); }
  ub2* ReturnCodes() { return returnCodes_.data(); }
  void** Handles() { return handles_.data(); }

  bool IsNull(int32_t row) const {
    CheckRow(row);
    return indicators_[static_cast<std::size_t>(row)] == -1;
  }

  // Allocates one descriptor (LOB and timestamp columns) or statement handle
  // (cursor columns) per row on `env`; returns the first failing status, or
  // OCI_SUCCESS. Handles made here are freed with the buffers.
  sword AllocateHandles(OCIEnv* env);

  // The column's text arrives as UTF-16 (a national or UTF-16 character set
  // named on the define) and is read as UTF-8; `bigEndian` for AL16UTF16,
  // whose units come in the server's byte order.
  void SetUtf16Text(bool bigEndian) {
    utf16_ = true;
    utf16BigEndian_ = bigEndian;
  }
  bool Utf16Text() const { return utf16_; }

  // Pieces of a row's LONG or LONG RAW value, as a dynamic fetch delivers
  // them (each row of a block its own).
  TLongPiece& AddPiece(int32_t row, std::size_t capacity);
  void ClearPieces();
  const std::vector<TLongPiece>& Pieces(int32_t row) const;
  // Total bytes of a row's pieces.
  uint64_t LongLength(int32_t row) const;
  std::string JoinedPieces(int32_t row) const;

  // The value of a row of a plain column (integer, float, string, DATE, LONG,
  // LONG RAW) as a variant; text gets CR LF line ends unless the session
  // turns that off. A null row gives Null or an unassigned value as the
  // session says. Other column types give an unassigned value.
  Variant Value(int32_t row, const TSessionContext* session) const;

  // What a non-null row of the column holds when it is read in place, without
  // a variant: kNone for the columns read only through Value (LONG, LONG RAW,
  // handle columns, and elements too small for their type).
  enum class TInPlaceKind { kNone, kInteger, kFloat, kDate, kText };
  TInPlaceKind InPlaceKind() const { return inPlaceKind_; }
  // In-place reads of a row that is not null; each is for the columns of
  // its kind only and gives what Value would hold.
  int32_t IntegerAt(int32_t row) const;
  double FloatAt(int32_t row) const;
  TDateTime DateAt(int32_t row) const;
  // The text of a row with the line ends Value gives: the fetch buffer's
  // bytes themselves (valid until the next fetch) when nothing changes, else
  // the converted text, kept in `converted`.
  std::string_view TextAt(int32_t row, bool convertLineEnds, std::string& converted) const;

 private:
  // Inline: it guards every value read of every row.
  void CheckRow(int32_t row) const {
    if (row < 0 || row >= rows_) RowOutsideBuffer(row);
  }
  [[noreturn]] void RowOutsideBuffer(int32_t row) const;
  const uint8_t* Element(int32_t row) const {
    return buffer_.data() + std::size_t(row) * std::size_t(elementSize_);
  }
  std::string_view ElementBytes(int32_t row) const;
  // The text of a row as UTF-8: the element's bytes, or for UTF-16 text the
  // decoded value kept in `decoded`.
  std::string_view ElementText(int32_t row, std::string& decoded) const;
  void FreeHandles();

  int16_t dataType_;
  int32_t elementSize_;
  int32_t rows_;
  bool holdsHandles_;
  TInPlaceKind inPlaceKind_ = TInPlaceKind::kNone;
  std::vector<uint8_t> buffer_;
  std::vector<int16_t> indicators_;
  std::vector<ub2> lengths_;
  std::vector<ub2> returnCodes_;
  std::vector<void*> handles_;
  bool ownsHandles_ = false;
  bool utf16_ = false;
  bool utf16BigEndian_ = false;
  std::vector<std::vector<TLongPiece>> pieces_;  // per row; empty until a piece arrives
};

}  // namespace oracle
