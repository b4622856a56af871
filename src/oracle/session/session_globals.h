#pragma once
// Process-wide bookkeeping of sessions: the list of existing sessions, the
// hooks applications register, the shared OCI environment and the default
// pool. Used by session.cpp; applications use the functions of session.h.

#include <cstdint>
#include <string>

#include "platform/oci/oci_api.h"

namespace oracle {

class TOracleSession;

void RegisterSession(TOracleSession& session);
void UnregisterSession(TOracleSession& session);
bool SessionTraceActive();
// Reads the trace clock (milliseconds).
std::int64_t SessionTraceClock();
void TraceSession(const TOracleSession& session, const std::string& text, std::int64_t elapsedMs);

// The one environment all sessions share when OCIGlobalEnvironment is set;
// created once under the loader lock (threaded). Raises on failure.
OCIEnv* SharedEnvironment();
// Frees it (library unload).
void FreeSharedEnvironment();

}  // namespace oracle
