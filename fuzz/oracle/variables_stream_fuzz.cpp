// Feeds arbitrary bytes to the reader of stored query variables. A stream that
// is accepted must survive being written and read again unchanged, and every
// variable it declared must show its value; a rejected one must leave the
// collection as it was.

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <vector>

#include "oracle/values/type_codes.h"
#include "oracle/values/variables.h"
#include "oracle/values/variables_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  oracle::TVariables vars;
  vars.Declare("sentinel", oracle::otype::Integer);
  try {
    oracle::ReadVariablesData(vars, {data, size});
  } catch (const std::runtime_error&) {
    if (vars.Count() != 1 || vars.Data(0).Name() != ":SENTINEL") std::abort();
    return 0;
  }
  for (int32_t i = 0; i < vars.Count(); ++i) {
    try {
      (void)vars.Data(i).DisplayText(nullptr);
    } catch (const std::runtime_error&) {
      // A DATE of impossible bytes does not convert; that is reported, not a fault.
    }
  }
  const std::vector<uint8_t> written = oracle::WriteVariablesData(vars);
  oracle::TVariables again;
  oracle::ReadVariablesData(again, written);
  if (oracle::WriteVariablesData(again) != written) std::abort();
  return 0;
}
