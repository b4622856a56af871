#pragma once
// Reading and writing the settings records of prefs_records.h from and to their
// files. Every file is replaced atomically on write, so a failed write leaves
// the previous settings intact.

#include <string>
#include <vector>

namespace foundation {

// Reads MainPrefs from `iniFile` and EmailProviders from `datFile` (when that
// file exists; its empty lines are dropped). `folder` and `queueFolder` are
// created with their parents when given and missing. A missing settings file
// reads as all defaults. Afterwards the log level is 9. Errors raise.
void ReadMainPrefs(const std::string& folder, const std::string& queueFolder,
                   const std::string& iniFile, const std::string& datFile);

// Whether ReadMainPrefs ran in this process. Settings read from a file
// without a CARDS section are loaded all the same: their card list is empty.
bool MainPrefsLoaded();

// Writes MainPrefs into `iniFile` (other keys, sections and comments in the
// file stay as they are; QUEUESERVICE Directory and LoyaltTrackingDateField are
// never written) and EmailProviders into `datFile`. A failure is logged and
// gives false; `error`, when given, receives its message (which names the
// file and the reason), and `unsaved` the files left unsaved: `datFile` alone
// when only it failed, both when `iniFile` failed (`datFile` is then not
// written either).
bool WriteMainPrefs(const std::string& folder, const std::string& queueFolder,
                    const std::string& iniFile, const std::string& datFile,
                    std::string* error = nullptr, std::vector<std::string>* unsaved = nullptr);

// The workstation file name: made on the first call from `fileTemplate` ("%s"
// stands for the machine's fully qualified name) and kept, with the name, for
// the life of the process; later calls ignore their template. `fqdn` receives
// the kept name (empty when the machine's name could not be obtained; that is
// logged).
std::string CheckWSPrefsFilename(const std::string& fileTemplate, std::string& fqdn);

// Read and write WSPrefs in the file CheckWSPrefsFilename gives for
// `fileTemplate`; `folder1` and `folder2` are created when given and missing.
// A failure shows a message; WriteWSPrefs then gives false.
void ReadWSPrefs(const std::string& folder1, const std::string& folder2,
                 const std::string& fileTemplate);
bool WriteWSPrefs(const std::string& folder1, const std::string& folder2,
                  const std::string& fileTemplate);

// Read and write StorePrefs. Reading raises on errors; a failed write is logged
// and gives false, its message in `error` when given.
void ReadStorePrefs(const std::string& iniFile);
bool WriteStorePrefs(const std::string& iniFile, std::string* error = nullptr);

}  // namespace foundation
