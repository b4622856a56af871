#pragma once
// The registry's contents in memory: keys under the three roots, each with
// string and DWORD values. Key paths use backslashes ("SOFTWARE\ORACLE\HOME0";
// one leading or trailing backslash is ignored, "" is the root itself). Key
// and value names compare without regard to ASCII letter case and keep the
// case they were first written with. The value name "" is the key's default
// value. Names of keys may not be empty, hold control characters or exceed
// 255 bytes; such paths raise RegistryError.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

enum class Root { LocalMachine, CurrentUser, ClassesRoot };

// "HKEY_LOCAL_MACHINE"/"HKLM", "HKEY_CURRENT_USER"/"HKCU",
// "HKEY_CLASSES_ROOT"/"HKCR", in any letter case.
std::optional<Root> RootFromName(std::string_view name);
// The full name, e.g. "HKEY_LOCAL_MACHINE".
const char* RootName(Root root);

class RegistryError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

class Tree {
 public:
  Tree();

  bool KeyExists(Root root, std::string_view key) const;
  // Creates the key and any missing parent; an existing key is left as it is.
  void CreateKey(Root root, std::string_view key);
  // Deletes the key with everything below it; a missing key is no error.
  // A root cannot be deleted.
  void DeleteKey(Root root, std::string_view key);

  // nullopt when the key or value is missing; RegistryError when the value
  // has the other type.
  std::optional<std::string> ReadString(Root root, std::string_view key,
                                        std::string_view name) const;
  std::optional<uint32_t> ReadDword(Root root, std::string_view key, std::string_view name) const;
  // Writing creates the key when it is missing and replaces a value of either
  // type.
  void WriteString(Root root, std::string_view key, std::string_view name, std::string_view value);
  void WriteDword(Root root, std::string_view key, std::string_view name, uint32_t value);
  // A missing value or key is no error.
  void DeleteValue(Root root, std::string_view key, std::string_view name);

  // Names of the direct subkeys and of the values, sorted without regard to
  // case; empty when the key is missing.
  std::vector<std::string> SubKeyNames(Root root, std::string_view key) const;
  std::vector<std::string> ValueNames(Root root, std::string_view key) const;

  // The file form (described in registry.h). FromText raises RegistryError
  // naming `source` and the line for anything it cannot read exactly.
  std::string ToText() const;
  static Tree FromText(std::string_view text, const std::string& source);

  friend bool operator==(const Tree&, const Tree&) = default;

 private:
  enum class Type : uint8_t { String, Dword };
  struct Value {
    std::string name;  // as first written
    Type type = Type::String;
    std::string text;
    uint32_t dword = 0;
    friend bool operator==(const Value&, const Value&) = default;
  };
  struct Key {
    std::string path;                     // root name and key path, as first written
    std::map<std::string, Value> values;  // by folded name
    friend bool operator==(const Key&, const Key&) = default;
  };

  // Folded full path ("hkey_local_machine\software\x") of a key.
  static std::string FoldedPath(Root root, std::string_view key);
  Key& Create(Root root, std::string_view key);
  const Key* Find(Root root, std::string_view key) const;
  Key* Find(Root root, std::string_view key);
  const Value* FindValue(Root root, std::string_view key, std::string_view name) const;
  void SetValue(Root root, std::string_view key, std::string_view name, Value value);

  std::map<std::string, Key> keys_;  // by folded full path; the roots are always there
};

}  // namespace platform::registry
