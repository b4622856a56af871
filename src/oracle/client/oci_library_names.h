#pragma once
// File names of the OCI client libraries on Linux (the naming rule is
// described in oci_loader_state.h) and the version a versioned client's name
// carries.

#include <optional>
#include <string>
#include <string_view>

namespace oracle {

// The generic client library.
inline constexpr const char* kClientLibraryName = "libociclient.so";
// Versioned client libraries are named "libora<digits>.so" or
// "liboraNT<digits>.so".
inline constexpr const char* kVersionedClientPrefix = "libora";
inline constexpr const char* kVersionedClientSuffix = ".so";
// Transaction-server support libraries, the first preferred.
inline constexpr const char* kMTSLibraryName = "liboramts10.so";
inline constexpr const char* kMTSLibraryFallbackName = "liboramts.so";

// Whether a file name has the shape of a versioned client ("libora*.so").
bool MatchesVersionedClientPattern(std::string_view fileName);

// Version carried by a versioned client's file name: after "libora" (and
// "NT" in any letter case) come the version digits, up to the first '.', read
// as "0.<digits>". "libora805.so" is 0.805, "liboraNT73.so" 0.73. Names whose
// digits do not read as a number above 0 ("liboramts.so") carry none.
std::optional<double> ClientLibraryVersion(std::string_view fileName);

// The last path component.
std::string FileNameOf(std::string_view path);
// The path without its last component and without the '/' before it.
std::string FolderOf(std::string_view path);

}  // namespace oracle
