#pragma once
// Rules for registry key and value names shared by the tree and its file
// form.

#include <string>
#include <string_view>
#include <vector>

namespace platform::registry {

// ASCII letters to lower case; other bytes unchanged.
std::string FoldCase(std::string_view text);

// The names of a key path ("A\B\C"), after dropping one leading and one
// trailing backslash; "" gives no names. RegistryError for an empty name, a
// control character or a name longer than 255 bytes.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

}  // namespace platform::registry
