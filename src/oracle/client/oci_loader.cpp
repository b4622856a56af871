#include "oracle/client/oci_loader.h"

#include <dlfcn.h>

#include <stdexcept>

#include "oracle/client/client_settings.h"
#include "oracle/client/critical_section.h"
#include "oracle/client/oci_library_names.h"
#include "oracle/client/oracle_home.h"

namespace oracle {

std::string OCIDLL;
bool OCIDLLFoundBySearch = false;
std::string OCIDLLExclude;
void* OCIDLLHandle = nullptr;
void* OCIMTSHandle = nullptr;
std::string OCIMTSDLL;
bool OCIAddDllDirToPath = true;
bool ForceOCI7 = false;
bool OCIGlobalEnvironment = false;
std::string OracleHomeKey;
std::string OracleHomeDir;
bool OracleHomeHasBin = true;
std::string OracleHomeName;
bool OracleHomeNameFound = false;
std::string OCILoadTrace;
std::string ClientNLSLang;
bool ClientUTF8 = false;
bool OCI7Available = false;
bool OCI7LogAvailable = false;
bool OCI7InitAvailable = false;
bool OCI8Group = false;
bool OCI8Available = false;
bool OCIErrorFunctions = false;
bool OCI81Group = false;
bool OCI81Available = false;
bool OCI9Group = false;
bool OCI9Available = false;
bool OCI92Group = false;
bool OCI92Available = false;
bool OracleMTSAvailable = false;

#define NORVANE_DEFINE_OCI_POINTER(name) PFN_##name name = nullptr;
NORVANE_OCI_ALL_NAMES(NORVANE_DEFINE_OCI_POINTER)
NORVANE_ORAMTS_NAMES(NORVANE_DEFINE_OCI_POINTER)
#undef NORVANE_DEFINE_OCI_POINTER

namespace {

bool g_nlsLangRead = false;

constexpr ub4 kOCI7InitMode = 0;
constexpr ub4 kOCI8InitMode = OCI_THREADED | OCI_OBJECT;

// Looks a name up while its group is still complete; the first missing name
// clears the group flag, so that the rest of the group stays null.
void* Resolve(void* handle, const char* name, bool& group) {
  if (!group) return nullptr;
  void* symbol = ::dlsym(handle, name);
  if (symbol == nullptr) group = false;
  return symbol;
}

template <class Fn>
void Bind(Fn& pointer, void* handle, const char* name, bool& group) {
  pointer = reinterpret_cast<Fn>(Resolve(handle, name, group));
}

#define NORVANE_BIND_OCI(name) Bind(name, OCIDLLHandle, #name, group);

void BindEntryPoints() {
  bool group = true;
  NORVANE_OCI7_NAMES(NORVANE_BIND_OCI)
  OCI7Available = group;
  NORVANE_OCI7_LOG_NAMES(NORVANE_BIND_OCI)
  OCI7LogAvailable = group;
  NORVANE_OCI7_INIT_NAMES(NORVANE_BIND_OCI)
  OCI7InitAvailable = group;

  group = true;
  NORVANE_OCI8_NAMES(NORVANE_BIND_OCI)
  OCI8Group = group;
  OCI8Available = OCI8Group && !ForceOCI7;
  NORVANE_OCI_ERROR_FUNCTION_NAMES(NORVANE_BIND_OCI)
  OCIErrorFunctions = group;

  group = OCI8Group;
  NORVANE_OCI81_NAMES(NORVANE_BIND_OCI)
  OCI81Group = OCI81Available = group;
  NORVANE_OCI9_NAMES(NORVANE_BIND_OCI)
  OCI9Group = OCI9Available = group;
  NORVANE_OCI92_NAMES(NORVANE_BIND_OCI)
  OCI92Group = OCI92Available = group;
}

#undef NORVANE_BIND_OCI

#define NORVANE_NULL_POINTER(name) name = nullptr;

void ClearEntryPoints() {
  NORVANE_OCI_ALL_NAMES(NORVANE_NULL_POINTER)
}
void ClearMTSEntryPoints(){NORVANE_ORAMTS_NAMES(NORVANE_NULL_POINTER)}
#undef NORVANE_NULL_POINTER

std::string Quoted(const std::string& text) {
  return '"' + text + '"';
}

std::string LastLoadError() {
  const char* error = ::dlerror();
  return error != nullptr ? std::string(error) : std::string();
}

}  // namespace

bool OCIDllLoaded() {
  return OCIDLLHandle != nullptr;
}

OCILoadStatus LoadOCIDll() {
  OracleLockGuard guard(LoaderLock());
  if (OCIDllLoaded()) return OCILoadStatus::Ok;
  OCILoadTrace.clear();
  const OCILoadStatus selected = SelectOCIDll();
  if (selected != OCILoadStatus::Ok) return selected;

  ::dlerror();
  OCIDLLHandle = ::dlopen(OCIDLL.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (OCIDLLHandle == nullptr) {
    const std::string reason = LastLoadError();
    AddLoadTrace("LoadLibrary(" + OCIDLL + ") returned 0");
    if (!reason.empty()) AddLoadTrace(reason);
    return OCILoadStatus::NotFound;
  }
  BindEntryPoints();
  if (!OCI7Available && !OCI8Available) return OCILoadStatus::NoEntryPoints;
  return OCILoadStatus::Ok;
}

void InitOCI() {
  OracleLockGuard guard(LoaderLock());
  if (OCIDllLoaded()) return;
  std::string message;
  switch (LoadOCIDll()) {
    case OCILoadStatus::Ok:
      break;
    case OCILoadStatus::NotFound:
      message = OCIDLL.empty() ? "Could not locate OCI dll" : "Could not load " + Quoted(OCIDLL);
      break;
    case OCILoadStatus::NoEntryPoints:
      message = "Could not initialize " + Quoted(OCIDLL);
      break;
    case OCILoadStatus::NoOracleHome:
      message = "SQL*Net not properly installed";
      break;
  }
  if (!message.empty()) {
    const std::string text = "Initialization error\r\n" + message + "\r\n\r\n" + OCILoadTrace;
    FreeOCI();
    throw std::runtime_error(text);
  }
  // From OCI 8.1 on, each session creates its own environment instead.
  if (OCI7InitAvailable && !OCI8Available) {
    opinit(kOCI7InitMode);
  } else if (OCI8Available && !OCI81Available) {
    OCIInitialize(kOCI8InitMode, nullptr, nullptr, nullptr, nullptr);
  }
}

void FreeOCI() {
  OracleLockGuard guard(LoaderLock());
  if (OCIMTSHandle != nullptr) ::dlclose(OCIMTSHandle);
  if (OCIDLLHandle != nullptr) ::dlclose(OCIDLLHandle);
  OCIMTSHandle = nullptr;
  OCIDLLHandle = nullptr;
  ClearEntryPoints();
  ClearMTSEntryPoints();
  if (OCIDLLFoundBySearch) OCIDLL.clear();
  OCIDLLFoundBySearch = false;
  if (OracleHomeNameFound) OracleHomeName.clear();
  OracleHomeNameFound = false;
  OCI7Available = OCI7LogAvailable = OCI7InitAvailable = false;
  OCI8Group = OCI8Available = OCIErrorFunctions = false;
  OCI81Group = OCI81Available = OCI9Group = OCI9Available = false;
  OCI92Group = OCI92Available = false;
  OracleMTSAvailable = false;
  OracleHomeKey.clear();
  OracleHomeDir.clear();
  OracleHomeHasBin = false;
  OCIMTSDLL.clear();
  ClientNLSLang.clear();
  ClientUTF8 = false;
  g_nlsLangRead = false;
  ClearOracleHomeList();
}

void LoadMTSDll() {
  OracleLockGuard guard(LoaderLock());
  if (OCIMTSHandle != nullptr) return;
  OracleMTSAvailable = false;
  InitOCI();
  if (OCIMTSDLL.empty()) {
    const std::string folder = FolderOf(OCIDLL);
    OCIMTSDLL = JoinPath(folder, kMTSLibraryName);
    if (!FileExists(OCIMTSDLL)) OCIMTSDLL = JoinPath(folder, kMTSLibraryFallbackName);
  }
  std::string message;
  if (!FileExists(OCIMTSDLL)) {
    message = "Could not locate " + Quoted(OCIMTSDLL);
  } else {
    OCIMTSHandle = ::dlopen(OCIMTSDLL.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (OCIMTSHandle == nullptr) {
      message = "Could not load " + Quoted(OCIMTSDLL);
    } else {
      bool group = true;
#define NORVANE_BIND_MTS(name) Bind(name, OCIMTSHandle, #name, group);
      NORVANE_ORAMTS_NAMES(NORVANE_BIND_MTS)
#undef NORVANE_BIND_MTS
      if (group) {
        OracleMTSAvailable = true;
      } else {
        message = "Could not initialize " + Quoted(OCIMTSDLL);
        ::dlclose(OCIMTSHandle);
        OCIMTSHandle = nullptr;
        ClearMTSEntryPoints();
        OCIMTSDLL.clear();
      }
    }
  }
  if (!message.empty()) throw std::runtime_error("Initialization error\r\n" + message);
}

bool ClientCharSetIsUTF8() {
  OracleLockGuard guard(LoaderLock());
  if (!g_nlsLangRead) {
    std::string lang = EnvironmentValue("NLS_LANG");
    if (lang.empty()) {
      const std::string key = FindOracleHome();
      if (!key.empty()) {
        lang = ReadRegistryString(platform::registry::Root::LocalMachine, key, "NLS_LANG");
      }
    }
    ClientNLSLang = UpperCase(lang);
    ClientUTF8 = ClientNLSLang.find("UTF8") != std::string::npos;
    g_nlsLangRead = true;
  }
  return ClientUTF8;
}

}  // namespace oracle
