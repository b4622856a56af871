#pragma once
// The file-backed registry: keys and values under HKEY_LOCAL_MACHINE,
// HKEY_CURRENT_USER and HKEY_CLASSES_ROOT kept in one text file.
//
// Which file: the environment variable NORVANE_REGISTRY_FILE, else
// $XDG_CONFIG_HOME/norvane/registry, else ~/.config/norvane/registry. The
// folder is created on the first write; a missing file reads as an empty
// registry.
//
// Every call below is one whole operation on the file. Reads take the file as
// it is. Writes hold an exclusive lock on "<file>.lock" (waiting at most ten
// seconds for another writer), read the file, apply the change, write a
// temporary file in the same folder, flush it to disk and rename it over the
// file. Two processes writing at once therefore lose nothing, and a crash
// leaves either the old or the new file, never a mixture. A file that cannot
// be read exactly raises RegistryError naming the file and line, and is never
// overwritten.
//
// File form (UTF-8, lines ending in a line feed):
//   NORVANE-REGISTRY 1
//   [HKEY_CLASSES_ROOT\CLSID\{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}\InprocServer32]
//   @=sz:"/opt/pos/Norvane94.so"
//   "ThreadingModel"=sz:"Apartment"
//   "HOME_COUNTER"=dword:0000001F
//   END 1 3
// A key line holds the root's full name and the key path; the value lines
// after it belong to that key (@ is the default value). Quoted texts escape
// \" \\ \n \r \t and other control characters as \xHH. The last line counts
// the key lines and value lines, so a file cut short anywhere is detected.

#include <functional>
#include <string>

#include "platform/registry/tree.h"

namespace platform::registry {

std::string RegistryFilePath();

// The registry as it is now.
Tree Snapshot();
// Applies `edit` to the registry under one lock and one replacement of the
// file: other processes see all of the edit or none of it. When `edit` throws,
// nothing is written and the exception propagates.
void Update(const std::function<void(Tree&)>& edit);

bool KeyExists(Root root, std::string_view key);
void CreateKey(Root root, std::string_view key);
void DeleteKey(Root root, std::string_view key);
std::optional<std::string> ReadString(Root root, std::string_view key, std::string_view name);
std::optional<uint32_t> ReadDword(Root root, std::string_view key, std::string_view name);
void WriteString(Root root, std::string_view key, std::string_view name, std::string_view value);
void WriteDword(Root root, std::string_view key, std::string_view name, uint32_t value);
void DeleteValue(Root root, std::string_view key, std::string_view name);
std::vector<std::string> SubKeyNames(Root root, std::string_view key);
std::vector<std::string> ValueNames(Root root, std::string_view key);

}  // namespace platform::registry
