#pragma once
// Checks that a feature which needs the OCI8 (or OCI 9) calls can be used
// with a session; each throws std::runtime_error whose text starts with the
// feature's name.

#include <string>

#include "oracle/client/oracle_errors.h"

namespace oracle {

// Passes for a connected session in OCI8 mode.
void CheckNet8Feature(OracleSessionInfo* session, const std::string& featureName);

// Passes for a connected session in OCI8 mode whose client has the OCI 9
// calls.
void CheckNet9Feature(OracleSessionInfo* session, const std::string& featureName);

}  // namespace oracle
