#pragma once
// Texts of the transaction-server support library's status codes.

#include <cstdint>
#include <string>
#include <string_view>

#include "oracle/client/oracle_errors.h"

namespace oracle {

// Short text of a status code; empty for an unknown code.
std::string MTSStatusText(std::int32_t code);

// The exception for a failed call: "MTS error <code>: <text>\r\nin function
// <name>"; for code 0 the message is the function name alone.
EOracleMTSError MTSErrorText(std::int32_t code, std::string_view functionName);

}  // namespace oracle
