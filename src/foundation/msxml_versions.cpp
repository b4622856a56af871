#include "foundation/msxml_versions.h"

#include "foundation/log.h"
#include "platform/registry/registry.h"

namespace foundation {

void GetMsxmlVersions(bool withFiles, std::string& text) {
  using platform::registry::Root;
  std::string found;
  try {
    // One snapshot: the names and their files come from the same reading.
    platform::registry::Tree tree = platform::registry::Snapshot();
    if (!tree.KeyExists(Root::ClassesRoot, kMsxmlVersionListKey)) return;
    for (const std::string& name : tree.ValueNames(Root::ClassesRoot, kMsxmlVersionListKey)) {
      if (!found.empty()) found += ",";
      found += name;
      if (withFiles) {
        std::optional<std::string> file;
        try {
          file = tree.ReadString(Root::ClassesRoot, kMsxmlVersionListKey, name);
        } catch (const platform::registry::RegistryError&) {
          // A number where a file name belongs: the version is still listed.
        }
        found += ":" + file.value_or("");
      }
    }
  } catch (const std::exception& e) {
    KWLog(0, std::string("MSXML versions could not be read: ") + e.what(), kLevelWarning,
          "GetMsxmlVersions");
    return;
  }
  text += found;
}

}  // namespace foundation
