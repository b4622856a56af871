#pragma once
// The commands of pos-host, the simulated point-of-sale host:
//   pos-host register LIB     register the library's classes (DllRegisterServer)
//   pos-host unregister LIB   remove them again (DllUnregisterServer)
//   pos-host discover LIB     load the library, discover and create its
//                             plug-ins, hand each the host adapter, prepare,
//                             print what they answer, clean up and unload
// Each command prints what the host saw; the exit status is 0 on success, 1
// when the library misbehaved and 2 for a usage error.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "platform/com/types.h"
#include "platform/com/variant.h"

namespace hostsim {

// `args` are the arguments after the program name.
int RunHostCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

int RunRegister(const std::string& library, std::ostream& out, std::ostream& err);
int RunUnregister(const std::string& library, std::ostream& out, std::ostream& err);
int RunDiscover(const std::string& library, std::ostream& out, std::ostream& err);

class PluginLibrary;
// Creates the discovery object, prints its interface version and version
// text and answers the plug-in list (class identifiers as texts); nothing,
// with the reason on `err`, when the library did not answer.
std::optional<std::vector<std::string>> DiscoverPlugins(const PluginLibrary& lib, std::ostream& out,
                                                        std::ostream& err);

// Asks the library whether it can be unloaded, prints the answer, records a
// failure when it still holds objects the host released, and unloads it.
void UnloadReporting(PluginLibrary& lib, std::ostream& out, std::vector<std::string>& failures);

// "S_OK", "S_FALSE", "E_FAIL" ... or "0x8000FFFF".
std::string HResultText(HRESULT hr);
// "-1 (True)", "0 (False)".
std::string BoolText(WordBool value);
// A value as the host prints it: "\"text\"", "(empty)", "(null)", "array 1..1 [...]".
std::string VariantText(const Variant& value);

}  // namespace hostsim
