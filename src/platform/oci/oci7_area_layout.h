// The fields of an OCI7 logon or cursor data area that a caller reads, shared
// by the Oracle access library and the stand-in client.
//
// Both areas are 64-byte buffers owned by the caller and handed to every
// OCI7 call; the client writes the outcome of each call into them at fixed
// places (the published cda_def layout): the SQL function code of the
// statement, the rows processed so far, the offset of a parse error, the
// return code (the Oracle error number, 0 after success), the warning
// flags and the ROWID of the last row processed (its data object number,
// 0 for a restricted ROWID, relative file, block and row). What else a
// client keeps in or behind the area is its own business.
//
// Header only, no dependency besides the C++ standard library.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace oci7area {

inline constexpr std::size_t kSize = 64;

inline constexpr std::size_t kFunctionType = 2;      // uint16_t: SQL function code
inline constexpr std::size_t kRowsProcessed = 4;     // uint32_t
inline constexpr std::size_t kParseErrorOffset = 8;  // uint16_t
inline constexpr std::size_t kReturnCode = 12;       // uint16_t
inline constexpr std::size_t kWarningFlags = 14;     // uint8_t
inline constexpr std::size_t kRowIdObject = 20;      // uint32_t: data object number
inline constexpr std::size_t kRowIdFile = 24;        // uint16_t: relative file
inline constexpr std::size_t kRowIdBlock = 28;       // uint32_t
inline constexpr std::size_t kRowIdRow = 32;         // uint16_t: row in the block

template <class T>
T Read(const void* area, std::size_t offset) {
  T value{};
  std::memcpy(&value, static_cast<const unsigned char*>(area) + offset, sizeof value);
  return value;
}

template <class T>
void Write(void* area, std::size_t offset, T value) {
  std::memcpy(static_cast<unsigned char*>(area) + offset, &value, sizeof value);
}

}  // namespace oci7area
