#pragma once
// The text of the ROWID a statement left in a ROWID descriptor, read through
// the descriptor layout shared with the client (platform/oci/oci_rowid_layout.h).

#include <string>

#include "platform/oci/oci_api.h"

namespace oracle {

// The ROWID text held by `descriptor`: 18 characters for an extended ROWID,
// "bbbbbbbb.rrrr.ffff" for a restricted one; empty when the descriptor is null,
// holds no row, or the client does not keep the shared layout.
std::string RowidDescriptorText(const OCIRowid* descriptor);

}  // namespace oracle
