#include "oracle/values/rowid.h"

#include <cstring>

#include "platform/oci/oci_rowid_layout.h"

namespace oracle {

std::string RowidDescriptorText(const OCIRowid* descriptor) {
  if (descriptor == nullptr) return {};
  // Copied byte by byte: the descriptor is the client's memory and its
  // alignment is not ours to assume.
  OCIRowidLayout layout;
  std::memcpy(&layout, descriptor, sizeof layout);
  return RowidLayoutText(layout);
}

}  // namespace oracle
