#include "platform/registry/tree.h"

#include <array>

#include "platform/registry/names.h"

namespace platform::registry {

namespace {

constexpr std::array<Root, 3> kRoots = {Root::LocalMachine, Root::CurrentUser, Root::ClassesRoot};

bool StartsWith(std::string_view text, std::string_view prefix) {
  return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::optional<Root> RootFromName(std::string_view name) {
  std::string folded = FoldCase(name);
  if (folded == "hkey_local_machine" || folded == "hklm") return Root::LocalMachine;
  if (folded == "hkey_current_user" || folded == "hkcu") return Root::CurrentUser;
  if (folded == "hkey_classes_root" || folded == "hkcr") return Root::ClassesRoot;
  return std::nullopt;
}

const char* RootName(Root root) {
  switch (root) {
    case Root::LocalMachine:
      return "HKEY_LOCAL_MACHINE";
    case Root::CurrentUser:
      return "HKEY_CURRENT_USER";
    case Root::ClassesRoot:
      break;
  }
  return "HKEY_CLASSES_ROOT";
}

Tree::Tree() {
  for (Root root : kRoots) keys_[FoldCase(RootName(root))] = Key{RootName(root), {}};
}

std::string Tree::FoldedPath(Root root, std::string_view key) {
  std::string path = FoldCase(RootName(root));
  for (std::string_view segment : SplitKeyPath(key)) {
    path += '\\';
    path += FoldCase(segment);
  }
  return path;
}

Tree::Key& Tree::Create(Root root, std::string_view key) {
  Key* parent = &keys_.at(FoldCase(RootName(root)));
  std::string folded = FoldCase(RootName(root));
  for (std::string_view segment : SplitKeyPath(key)) {
    folded += '\\';
    folded += FoldCase(segment);
    auto [it, inserted] = keys_.try_emplace(folded);
    if (inserted) it->second.path = parent->path + '\\' + std::string(segment);
    parent = &it->second;
  }
  return *parent;
}

const Tree::Key* Tree::Find(Root root, std::string_view key) const {
  auto it = keys_.find(FoldedPath(root, key));
  return it == keys_.end() ? nullptr : &it->second;
}

Tree::Key* Tree::Find(Root root, std::string_view key) {
  auto it = keys_.find(FoldedPath(root, key));
  return it == keys_.end() ? nullptr : &it->second;
}

const Tree::Value* Tree::FindValue(Root root, std::string_view key, std::string_view name) const {
  const Key* k = Find(root, key);
  if (k == nullptr) return nullptr;
  auto it = k->values.find(FoldCase(name));
  return it == k->values.end() ? nullptr : &it->second;
}

bool Tree::KeyExists(Root root, std::string_view key) const {
  return Find(root, key) != nullptr;
}

void Tree::CreateKey(Root root, std::string_view key) {
  Create(root, key);
}

void Tree::DeleteKey(Root root, std::string_view key) {
  std::string folded = FoldedPath(root, key);
  if (SplitKeyPath(key).empty()) {
    throw RegistryError(std::string("cannot delete the root key ") + RootName(root));
  }
  auto first = keys_.find(folded);
  if (first == keys_.end()) return;
  // Subkeys sort directly after their key: every folded path with the prefix
  // "key\" follows it contiguously.
  std::string prefix = folded + '\\';
  auto last = std::next(first);
  while (last != keys_.end() && StartsWith(last->first, prefix)) ++last;
  keys_.erase(first, last);
}

std::optional<std::string> Tree::ReadString(Root root, std::string_view key,
                                            std::string_view name) const {
  const Value* v = FindValue(root, key, name);
  if (v == nullptr) return std::nullopt;
  if (v->type != Type::String) {
    throw RegistryError("registry value \"" + v->name + "\" is a DWORD, not a string");
  }
  return v->text;
}

std::optional<uint32_t> Tree::ReadDword(Root root, std::string_view key,
                                        std::string_view name) const {
  const Value* v = FindValue(root, key, name);
  if (v == nullptr) return std::nullopt;
  if (v->type != Type::Dword) {
    throw RegistryError("registry value \"" + v->name + "\" is a string, not a DWORD");
  }
  return v->dword;
}

void Tree::SetValue(Root root, std::string_view key, std::string_view name, Value value) {
  Key& k = Create(root, key);
  auto [it, inserted] = k.values.try_emplace(FoldCase(name));
  value.name = inserted ? std::string(name) : it->second.name;
  it->second = std::move(value);
}

void Tree::WriteString(Root root, std::string_view key, std::string_view name,
                       std::string_view value) {
  SetValue(root, key, name, Value{{}, Type::String, std::string(value), 0});
}

void Tree::WriteDword(Root root, std::string_view key, std::string_view name, uint32_t value) {
  SetValue(root, key, name, Value{{}, Type::Dword, {}, value});
}

void Tree::DeleteValue(Root root, std::string_view key, std::string_view name) {
  if (Key* k = Find(root, key)) k->values.erase(FoldCase(name));
}

std::vector<std::string> Tree::SubKeyNames(Root root, std::string_view key) const {
  std::vector<std::string> names;
  std::string prefix = FoldedPath(root, key) + '\\';
  for (auto it = keys_.lower_bound(prefix); it != keys_.end() && StartsWith(it->first, prefix);
       ++it) {
    std::string_view rest = std::string_view(it->first).substr(prefix.size());
    if (rest.find('\\') != std::string_view::npos) continue;  // deeper down
    std::string_view path = it->second.path;
    names.emplace_back(path.substr(path.rfind('\\') + 1));
  }
  return names;
}

std::vector<std::string> Tree::ValueNames(Root root, std::string_view key) const {
  std::vector<std::string> names;
  if (const Key* k = Find(root, key)) {
    for (const auto& [folded, value] : k->values) names.push_back(value.name);
  }
  return names;
}

}  // namespace platform::registry
