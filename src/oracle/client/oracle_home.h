#pragma once
// Finding the installed Oracle homes and the folder of the client library:
// registry keys under HKEY_LOCAL_MACHINE "SOFTWARE\ORACLE", the ORACLE_HOME
// environment variable, and the library search path. File and folder names
// follow the Linux naming rule described in oci_loader_state.h.

#include <string>
#include <vector>

namespace oracle {

// One installed home: its name and the index n of its "HOME<n>" key, or -1
// for a home registered as a "KEY_<name>" key.
struct OracleHomeEntry {
  std::string name;
  int index = -1;
};

// The installed homes, sorted by name without regard to letter case; a name
// that is already listed is not added again. Filled by EnumOracleHomes; read
// it while holding the loader lock.
const std::vector<OracleHomeEntry>& OracleHomeList();

// Refills OracleHomeList from the registry.
void EnumOracleHomes();

// Forgets the cached home list (part of FreeOCI).
void ClearOracleHomeList();

// Registry key of the chosen Oracle home (cached in OracleHomeKey once found);
// empty when no registered home with an existing library folder is found.
// Sets OracleHomeName when it was empty.
std::string FindOracleHome();

// Folder of the Oracle home whose client library is to be loaded, from the
// registry, else the ORACLE_HOME environment variable, else the folder in
// which the library search path holds the client library. Sets
// OracleHomeHasBin. Empty when there is no Oracle home at all.
std::string FindOCIDllInHome();

// Name of the library folder below a home ("lib") and of the library search
// path variable ("LD_LIBRARY_PATH").
inline constexpr const char* kHomeLibraryFolder = "lib";
inline constexpr const char* kLibrarySearchPathVariable = "LD_LIBRARY_PATH";

// Joins a folder and a name with exactly one '/'.
std::string JoinPath(const std::string& folder, const std::string& name);

// Whether the path names an existing folder / an existing file.
bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);

}  // namespace oracle
