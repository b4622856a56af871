#pragma once
// Loading the OCI client library once per process: choosing it
// (oci_library_choice.h), dlopen, binding its entry points by version group
// (oci_entry_points.h) and initialising it. Also the transaction-server
// support library and the client character set.

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_library_choice.h"
#include "oracle/client/oci_loader_state.h"

namespace oracle {

// Ensures the client library is loaded and initialised, under the loader
// lock. Idempotent once loaded. On failure everything is unloaded again and a
// std::runtime_error is thrown whose text is "Initialization error\r\n", the
// reason ("Could not locate OCI dll", "Could not load \"<path>\"",
// "Could not initialize \"<path>\"" or "SQL*Net not properly installed"),
// "\r\n\r\n" and the load trace.
void InitOCI();

// Whether the client library is loaded.
bool OCIDllLoaded();

// Chooses, loads and binds the client library without initialising it.
OCILoadStatus LoadOCIDll();

// Unloads both libraries, nulls every entry point and resets the group flags,
// the cached home and paths (OCIDLL and OracleHomeName only when the search
// filled them) and the client character set.
void FreeOCI();

// Loads the transaction-server support library from the client library's
// folder (or OCIMTSDLL when the application set it) and binds its calls.
// Throws std::runtime_error "Initialization error\r\n" + reason when the file
// is missing ("Could not locate \"<path>\""), cannot be loaded ("Could not
// load ...") or lacks a call ("Could not initialize ...").
void LoadMTSDll();

// Whether the client's NLS_LANG names a UTF-8 character set. NLS_LANG comes
// from the environment, else from the chosen Oracle home's registry key; it is
// read once (until FreeOCI).
bool ClientCharSetIsUTF8();

// Called at the end of every logon. The loader never changes the current
// directory (dlopen of a full path does not depend on it), so there is
// nothing to restore; kept so that callers need not know.
inline void RestoreCurrentDir() {}

}  // namespace oracle
