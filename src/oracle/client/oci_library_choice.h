#pragma once
// Choosing the client library to load: the candidates in the Oracle home's
// library folder and the two-pass choice among them.

#include <string>
#include <vector>

namespace oracle {

// Outcome of choosing and loading the client library.
enum class OCILoadStatus {
  Ok = 0,
  NotFound = 1,       // nothing to load, or dlopen failed
  NoEntryPoints = 2,  // loaded, but neither the OCI7 nor the OCI8 calls are usable
  NoOracleHome = 3,
};

// Appends one line to OCILoadTrace.
void AddLoadTrace(const std::string& line);

// Full paths of the client libraries in `home`'s library folder (or in the
// home folder itself when the library folder holds none): the generic client
// first, then every versioned client in name order. Traces "Found: <name>" for
// each. Uses and updates OracleHomeHasBin.
std::vector<std::string> FindOCIDllOnPath(const std::string& home);

// The two-pass choice among candidates: the generic client wins at once,
// otherwise the highest version. The first pass passes over names listed in
// `upperExclude` (upper-cased, each in double quotes); the second pass, run
// only when the first chose nothing, does not. Empty when nothing is chosen.
std::string ChooseOCIDll(const std::vector<std::string>& candidates,
                         const std::string& upperExclude);

// Sets OCIDLL from the "OCIDLL" command-line value, the application's
// setting, or the search, tracing each step.
OCILoadStatus SelectOCIDll();

}  // namespace oracle
