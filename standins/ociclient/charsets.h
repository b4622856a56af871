#pragma once
// Character sets a bind or define may name (OCI_ATTR_CHARSET_ID): the
// client's own (0, taken as AL32UTF8), the UTF-8 family (870-873) and UTF-16
// (1000 in the client's byte order, 2000 AL16UTF16 big-endian). The database
// holds UTF-8 text; values are converted at the buffer.

#include <string>
#include <string_view>

#include "platform/oci/oci_api.h"

namespace ocistandin {

// Whether the stand-in can convert text to and from this id.
bool knownCharsetId(ub2 id);

// Whether the id is a UTF-16 one (two-byte code units).
bool isUtf16CharsetId(ub2 id);

// Database text (UTF-8) in the encoding of `id`. Malformed UTF-8 bytes become
// U+FFFD in UTF-16.
std::string toCharset(std::string_view utf8, ub2 id);

// Bytes in the encoding of `id` as database text; false when they are not
// valid in it (an odd byte count or a lone surrogate in UTF-16).
bool fromCharset(std::string_view bytes, ub2 id, std::string& utf8);

}  // namespace ocistandin
