#pragma once
// Process-wide state of the OCI client loader. Every variable here is written
// only while the loader lock (critical_section.h) is held; applications may
// set the switches before the first logon.
//
// Linux names of the client files. The client was designed around Windows
// file names; here one rule maps them: a library "<name>.dll" is the shared
// object "lib<name>.so", and the home's "bin" folder, where Windows keeps its
// client libraries, is the home's "lib" folder. The search path for libraries
// is LD_LIBRARY_PATH (':'-separated) where Windows searches PATH. The one
// exception is the generic client "oci.dll", which is "libociclient.so". So:
//   oci.dll        -> libociclient.so     ora805.dll   -> libora805.so
//   oraNT73.dll    -> liboraNT73.so       ora*.dll     -> libora*.so
//   oramts10.dll   -> liboramts10.so      oramts.dll   -> liboramts.so
//   <home>\bin     -> <home>/lib
// Upper-cased names in OCIDLLExclude are Linux names ("LIBORA805.SO").

#include <string>

namespace oracle {

// Full path of the client library to load: set by the application, by the
// "OCIDLL" command-line value or by the search.
extern std::string OCIDLL;
// Set when OCIDLL came from the search, so that FreeOCI clears it again.
extern bool OCIDLLFoundBySearch;
// Upper-cased file names, each in double quotes, passed over in the first
// pass of the search (for example "\"LIBORA805.SO\"").
extern std::string OCIDLLExclude;
// dlopen handles of the client and of the transaction-server support library;
// null when not loaded.
extern void* OCIDLLHandle;
extern void* OCIMTSHandle;
// Full path of the transaction-server support library; empty until chosen.
extern std::string OCIMTSDLL;
// Kept for applications that set it. Putting the library's folder first in
// the search path only mattered for a loader that searches by name; dlopen of
// a full path does not, so it has no effect here.
extern bool OCIAddDllDirToPath;
// Application switch: never use OCI8 mode.
extern bool ForceOCI7;
// Application switch: all sessions share one OCI environment.
extern bool OCIGlobalEnvironment;

// Registry key of the chosen Oracle home (cached once found).
extern std::string OracleHomeKey;
// Folder of the chosen Oracle home.
extern std::string OracleHomeDir;
// The home has a library folder ("lib", see above) that is searched first.
extern bool OracleHomeHasBin;
// Requested home name; filled with the chosen home's name when empty.
extern std::string OracleHomeName;
// Set when OracleHomeName was filled by the search.
extern bool OracleHomeNameFound;

// Trace lines written during a load, joined by CR LF; part of load failure
// messages so that they list every location tried.
extern std::string OCILoadTrace;

// Client character set: the upper-cased NLS_LANG, read once.
extern std::string ClientNLSLang;
extern bool ClientUTF8;

// Version groups of the bound entry points. A group is bound when all of its
// names were found and the group it builds on was bound; "available" is what
// the rest of the library tests.
extern bool OCI7Available;
extern bool OCI7LogAvailable;
extern bool OCI7InitAvailable;
extern bool OCI8Group;
extern bool OCI8Available;  // OCI8Group and not ForceOCI7
extern bool OCIErrorFunctions;
extern bool OCI81Group;
extern bool OCI81Available;
extern bool OCI9Group;
extern bool OCI9Available;
extern bool OCI92Group;
extern bool OCI92Available;
extern bool OracleMTSAvailable;

}  // namespace oracle
