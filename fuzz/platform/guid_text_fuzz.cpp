// Feeds arbitrary text to the GUID parser. An accepted text must be exactly
// the registry form: formatting the result gives the input in upper case.

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/com/guid.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  GUID guid = GUID_NULL;
  bool parsed = GuidFromString(text, guid);
  if (!parsed) {
    if (guid != GUID_NULL) std::abort();  // a refusal writes nothing
    return 0;
  }
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  if (GuidToString(guid) != upper) std::abort();
  if (MakeGuid(text.c_str()) != guid) std::abort();
  return 0;
}
