// The private layout of a ROWID descriptor (OCIDescriptorAlloc type
// OCI_DTYPE_ROWID) shared by the Oracle access library and the stand-in client,
// and the text form of a ROWID.
//
// The OCI interface keeps OCIRowid opaque: a client fills it through
// OCIAttrGet(statement, OCI_HTYPE_STMT, rowidDescriptor, 0, OCI_ATTR_ROWID,
// error) after a statement ran, and the only way to show it is to know its
// bytes. Here the bytes are fixed: the OCIRowid* pointer handed out by
// OCIDescriptorAlloc points at an OCIRowidLayout, suitably aligned, that stays
// valid until OCIDescriptorFree. A client that cannot fill it leaves `tag`
// different from kOCIRowidTag; readers then show no ROWID.
//
// Text form (what a client must accept back, for example as the value of :x
// in "where rowid = :x"):
//   extended   18 characters of kRowidAlphabet, 6 bits a character, most
//              significant digit first: object number (6 characters),
//              relative file (3), block (6), row (3);
//   restricted "%8.8x.%4.4x.%4.4x" of block, row and file (lower-case hex).
// How a client maps its own row identity onto these numbers is its own
// business (the stand-in documents its mapping in its README).
//
// Header only, no dependency besides the C++ standard library and oci_api.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

#include "platform/oci/oci_api.h"

// The four bytes "RWID" read as a little-endian 32-bit number.
inline constexpr ub4 kOCIRowidTag = 0x44495752u;

enum class OCIRowidKind : ub1 {
  None = 0,        // no row identified (for example before any statement ran)
  Restricted = 1,  // block, row and file only
  Extended = 2,    // data object number, relative file, block and row
};

struct OCIRowidLayout {
  ub4 tag;           // kOCIRowidTag when the client keeps this layout
  ub1 kind;          // an OCIRowidKind
  ub1 reserved[3];   // zero
  ub4 objectNumber;  // data object number, 32 bits (extended only)
  ub4 block;         // block number, 32 bits (36 fit the text; 32 are used)
  ub2 relativeFile;  // relative file number (extended: 10 bits are used)
  ub2 row;           // row in the block (slot number)
};
static_assert(sizeof(OCIRowidLayout) == 20, "the ROWID descriptor layout is fixed");
static_assert(offsetof(OCIRowidLayout, objectNumber) == 8);
static_assert(offsetof(OCIRowidLayout, block) == 12);
static_assert(offsetof(OCIRowidLayout, relativeFile) == 16);
static_assert(offsetof(OCIRowidLayout, row) == 18);

inline constexpr std::string_view kRowidAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
inline constexpr std::size_t kExtendedRowidLength = 18;

// The text of a ROWID; empty for a layout without the tag or of kind None.
inline std::string RowidLayoutText(const OCIRowidLayout& rowid) {
  if (rowid.tag != kOCIRowidTag) return {};
  if (rowid.kind == static_cast<ub1>(OCIRowidKind::Restricted)) {
    char restricted[32];
    std::snprintf(restricted, sizeof restricted, "%8.8x.%4.4x.%4.4x",
                  static_cast<unsigned>(rowid.block), static_cast<unsigned>(rowid.row),
                  static_cast<unsigned>(rowid.relativeFile));
    return restricted;
  }
  if (rowid.kind != static_cast<ub1>(OCIRowidKind::Extended)) return {};
  std::string extended;
  extended.reserve(kExtendedRowidLength);
  auto put = [&extended](std::uint64_t value, int digits) {
    for (int d = digits - 1; d >= 0; --d) extended += kRowidAlphabet[(value >> (6 * d)) & 63u];
  };
  put(rowid.objectNumber, 6);
  put(rowid.relativeFile, 3);
  put(rowid.block, 6);
  put(rowid.row, 3);
  return extended;
}

// Reads the text form back; nullopt when it is neither form or a number does
// not fit its field.
inline std::optional<OCIRowidLayout> ParseRowidText(std::string_view rowidText) {
  OCIRowidLayout rowid{kOCIRowidTag, 0, {0, 0, 0}, 0, 0, 0, 0};
  const bool restricted = rowidText.size() == 18 && rowidText[8] == '.' && rowidText[13] == '.';
  if (!restricted && rowidText.size() == kExtendedRowidLength) {
    std::uint64_t values[4] = {};
    const int digits[4] = {6, 3, 6, 3};
    std::size_t at = 0;
    for (int field = 0; field < 4; ++field) {
      for (int d = 0; d < digits[field]; ++d) {
        const std::size_t index = kRowidAlphabet.find(rowidText[at++]);
        if (index == std::string_view::npos) return std::nullopt;
        values[field] = (values[field] << 6) | index;
      }
    }
    if (values[0] > 0xFFFFFFFFu || values[1] > 0xFFFFu || values[2] > 0xFFFFFFFFu ||
        values[3] > 0xFFFFu) {
      return std::nullopt;
    }
    rowid.kind = static_cast<ub1>(OCIRowidKind::Extended);
    rowid.objectNumber = static_cast<ub4>(values[0]);
    rowid.relativeFile = static_cast<ub2>(values[1]);
    rowid.block = static_cast<ub4>(values[2]);
    rowid.row = static_cast<ub2>(values[3]);
    return rowid;
  }
  // Restricted: 8 hex digits, ".", 4 hex digits, ".", 4 hex digits.
  if (!restricted) return std::nullopt;
  auto hex = [&rowidText](std::size_t from, std::size_t count, std::uint32_t& out) {
    out = 0;
    for (std::size_t i = from; i < from + count; ++i) {
      const char c = rowidText[i];
      int v;
      if (c >= '0' && c <= '9') {
        v = c - '0';
      } else if (c >= 'a' && c <= 'f') {
        v = c - 'a' + 10;
      } else if (c >= 'A' && c <= 'F') {
        v = c - 'A' + 10;
      } else {
        return false;
      }
      out = (out << 4) | static_cast<std::uint32_t>(v);
    }
    return true;
  };
  std::uint32_t block = 0, row = 0, file = 0;
  if (!hex(0, 8, block) || !hex(9, 4, row) || !hex(14, 4, file)) return std::nullopt;
  rowid.kind = static_cast<ub1>(OCIRowidKind::Restricted);
  rowid.block = block;
  rowid.row = static_cast<ub2>(row);
  rowid.relativeFile = static_cast<ub2>(file);
  return rowid;
}
