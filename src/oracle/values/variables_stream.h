#pragma once
// The stored form of a query's variables (its "Data" property): a version,
// the count, and per variable its name, type code, the value of element 0 and
// its PL/SQL table dimensions. All integers are signed 32-bit little-endian.
// Version 4 stores names as UTF-16LE, versions 1-3 as 8-bit text; version 1
// has no values, versions 1-2 no table dimensions.

#include <cstdint>
#include <span>
#include <vector>

namespace oracle {

class TVariables;

inline constexpr int32_t kVariablesStreamVersion = 4;

// Writes the variables in version 4.
std::vector<uint8_t> WriteVariablesData(const TVariables& variables);

// Reads a stream of versions 1 to 4 and makes its variables the collection's
// (declared through the collection, so its owner is told). The whole stream is
// checked first: a version above 4 raises "Invalid version of Query
// variables", a truncated or inconsistent stream raises an error beginning
// "Corrupt stream of Query variables", and in both cases the collection keeps
// what it held.
void ReadVariablesData(TVariables& variables, std::span<const uint8_t> stream);

}  // namespace oracle
