#include "platform/registry/registry.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

#include "platform/registry/registry_file.h"

namespace platform::registry {

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

std::string HomeFolder() {
  std::string home = Env("HOME");
  if (!home.empty()) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir) {
    return found->pw_dir;
  }
  return {};
}

}  // namespace

std::string RegistryFilePath() {
  std::string explicitPath = Env("NORVANE_REGISTRY_FILE");
  if (!explicitPath.empty()) return explicitPath;
  std::string config = Env("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return config + "/norvane/registry";
  std::string home = HomeFolder();
  if (home.empty()) {
    throw RegistryError(
        "no registry file: NORVANE_REGISTRY_FILE is not set and there is no home folder");
  }
  return home + "/.config/norvane/registry";
}

Tree Snapshot() {
  return LoadRegistryFile(RegistryFilePath());
}

void Update(const std::function<void(Tree&)>& edit) {
  std::string path = RegistryFilePath();
  RegistryWriteLock lock(path);
  Tree tree = LoadRegistryFile(path);
  Tree edited = tree;
  edit(edited);
  if (edited == tree) return;  // nothing changed: leave the file alone
  ReplaceRegistryFile(path, edited);
}

bool KeyExists(Root root, std::string_view key) {
  return Snapshot().KeyExists(root, key);
}

void CreateKey(Root root, std::string_view key) {
  Update([&](Tree& tree) { tree.CreateKey(root, key); });
}

void DeleteKey(Root root, std::string_view key) {
  Update([&](Tree& tree) { tree.DeleteKey(root, key); });
}

std::optional<std::string> ReadString(Root root, std::string_view key, std::string_view name) {
  return Snapshot().ReadString(root, key, name);
}

std::optional<uint32_t> ReadDword(Root root, std::string_view key, std::string_view name) {
  return Snapshot().ReadDword(root, key, name);
}

void WriteString(Root root, std::string_view key, std::string_view name, std::string_view value) {
  Update([&](Tree& tree) { tree.WriteString(root, key, name, value); });
}

void WriteDword(Root root, std::string_view key, std::string_view name, uint32_t value) {
  Update([&](Tree& tree) { tree.WriteDword(root, key, name, value); });
}

void DeleteValue(Root root, std::string_view key, std::string_view name) {
  Update([&](Tree& tree) { tree.DeleteValue(root, key, name); });
}

std::vector<std::string> SubKeyNames(Root root, std::string_view key) {
  return Snapshot().SubKeyNames(root, key);
}

std::vector<std::string> ValueNames(Root root, std::string_view key) {
  return Snapshot().ValueNames(root, key);
}

}  // namespace platform::registry
