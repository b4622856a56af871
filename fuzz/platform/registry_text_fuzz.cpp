// Feeds arbitrary bytes to the registry file reader. Whatever it accepts must
// write back to text that reads as the same tree, byte for byte.

#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry/tree.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using platform::registry::RegistryError;
  using platform::registry::Tree;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  try {
    Tree tree = Tree::FromText(text, "fuzz");
    std::string written = tree.ToText();
    Tree again = Tree::FromText(written, "rewritten");
    if (!(again == tree) || again.ToText() != written) std::abort();
  } catch (const RegistryError&) {
    // A clear refusal is the expected outcome for damaged input.
  }
  return 0;
}
