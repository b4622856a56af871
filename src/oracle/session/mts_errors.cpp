#include "oracle/session/mts_errors.h"

#include <array>

namespace oracle {

namespace {

struct CodeRange {
  std::int32_t first;
  std::int32_t last;
};

// The codes come in ranges; the texts below follow them in order.
constexpr std::array<CodeRange, 6> kRanges{{
    {1001, 1005},  // dispenser
    {2001, 2001},  // server allocation
    {3001, 3008},  // server object
    {4001, 4006},  // session object
    {5001, 5012},  // RPC
    {6001, 6014},  // general
}};

constexpr std::array<const char*, 46> kTexts{
    "no MTXDM.DLL available",  "failure to create dispen", "exceeded max sessions",
    "invalid OCI Svc ctx",     "can't create new dbiden",  "unable to alloc a server",
    "invalid server object",   "failed attach to Oracle",  "failed detach from db",
    "failed to start trans.",  "OCI set attrib failed",    "conn to Oracle broken",
    "not attached to Oracle",  "alrdy attached to Oracle", "invalid session object",
    "failed logon to Oracle",  "failed logoff from db",    "no transaction beneath",
    "already logged on to db", "not logged on to Oracle",  "RPC context is invalid",
    "generic communic. error", "endpoint already connect", "endpoint not connected",
    "protocol violation",      "timeout accepting conn.",  "invalid RPC opcode",
    "mismatched incarnation#", "client connect timeout",   "synch. send timeout",
    "synch. receive timedout", "connection reset by peer", "invalid args to function",
    "an object was invalid",   "illegal operation",        "memory allocation error",
    "synchr. object error",    "no Oracle Proxy server",   "session already enlisted",
    "session is not enlisted", "illeg on manuenlst sess",  "illeg on autoenlst sess",
    "error detaching trans.",  "OCI handle alloc error",   "OCI handle dealloc error",
    "error exporting trans.",
};

}  // namespace

std::string MTSStatusText(std::int32_t code) {
  std::size_t index = 0;
  for (const CodeRange& range : kRanges) {
    if (code >= range.first && code <= range.last) {
      return kTexts[index + static_cast<std::size_t>(code - range.first)];
    }
    index += static_cast<std::size_t>(range.last - range.first + 1);
  }
  return {};
}

EOracleMTSError MTSErrorText(std::int32_t code, std::string_view functionName) {
  if (code == 0) return EOracleMTSError(std::string(functionName), code);
  return EOracleMTSError("MTS error " + std::to_string(code) + ": " + MTSStatusText(code) +
                             "\r\nin function " + std::string(functionName),
                         code);
}

}  // namespace oracle
