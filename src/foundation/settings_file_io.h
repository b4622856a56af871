#pragma once
// Reading and writing whole settings files. A settings file is never written in
// place: the new content goes to a temporary file in the same folder, which is
// flushed and then renamed over the old one, so a crash or a full disk leaves
// either the old file or the new one, never a truncated mix.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace foundation {

// Raised when a settings file cannot be read or written; the message names the
// file and the system's reason.
class SettingsFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole content of a file; nothing when the file does not exist. Any other
// failure to read (no permission, a folder of that name) raises.
std::optional<std::string> ReadWholeFile(const std::string& path);

// Replaces the file's content atomically (see above). The new file keeps the
// permission bits of the file it replaces. A file that is read-only (no write
// permission bit at all, or none that lets this process write) is not
// replaced. A path that is a symbolic link (a copy of the settings shared
// elsewhere) writes the file the link leads to, in its folder; the link stays.
// Raises on any failure; the old file is then left as it was and no
// temporary file remains. A folder that takes no new file stops the write
// even of a file that could be written in place: the message then names the
// file, the link that led to it and the folder's reason.
void WriteFileAtomically(const std::string& path, const std::string& content);

// Creates the folder with all missing parents unless it is empty or exists.
// Raises on failure.
void CreateFolderIfMissing(const std::string& folder);

// Splits a text into lines at CR LF, LF or a lone CR. A final line ending does
// not start another line.
std::vector<std::string> SplitLines(const std::string& text);

}  // namespace foundation
