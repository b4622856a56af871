#pragma once
// The process's working folders: the system's temporary folder and the
// current folder, and creating a folder.

#include <string>

namespace platform {

// $TMPDIR when set and not empty, else "/tmp" (no trailing separator).
std::string TemporaryFolder();

// The process's current folder; empty when it cannot be told.
std::string CurrentFolder();

// Creates one folder (its parent must exist); false when it was not created,
// an existing folder included.
bool CreateFolder(const std::string& path);

}  // namespace platform
