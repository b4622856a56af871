#include "host_commands.h"

#include <cstdio>
#include <exception>
#include <optional>

#include "host_adapter.h"
#include "host_interfaces/host_interfaces.h"
#include "platform/com/safearray.h"
#include "platform/com/variant.h"
#include "plugin_library.h"
#include "scenario_run.h"

namespace hostsim {
namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;

// The discovery object's class, which the host knows beforehand.
constexpr CLSID kDiscoverClsid = MakeGuid("{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}");

const char kUsageText[] =
    "Usage: pos-host COMMAND LIBRARY [HOST-SWITCH...]\n"
    "The simulated point-of-sale host.\n"
    "\n"
    "Commands:\n"
    "  register LIBRARY    register the library's classes in the registry\n"
    "  unregister LIBRARY  remove the library's classes from the registry\n"
    "  discover LIBRARY    load the library and show the plug-ins it offers\n"
    "  run LIBRARY SCENARIO\n"
    "                      stage the sale a scenario file describes, fire its\n"
    "                      events and check what happened\n"
    "\n"
    "Host switches (words beginning with - or / after LIBRARY, such as\n"
    "-loglevel=9 or /WSCFGDIR=folder) are not read by pos-host: they stay on\n"
    "its command line, where the plug-in reads them as it reads the host's.\n"
    "\n"
    "`pos-host COMMAND --help` describes one command. The registry file is\n"
    "named by NORVANE_REGISTRY_FILE.\n";

const char kRegisterHelp[] =
    "Usage: pos-host register LIBRARY\n"
    "Loads LIBRARY and calls its DllRegisterServer, which writes the class,\n"
    "in-process server, ProgID and type-library keys into the registry.\n";

const char kUnregisterHelp[] =
    "Usage: pos-host unregister LIBRARY\n"
    "Loads LIBRARY and calls its DllUnregisterServer, which removes the keys\n"
    "that registering wrote.\n";

const char kDiscoverHelp[] =
    "Usage: pos-host discover LIBRARY\n"
    "Loads LIBRARY as the host does: creates the discovery object through the\n"
    "class factory, reads the plug-in list, the interface version and the\n"
    "version text, creates every plug-in, hands it the host adapter, calls\n"
    "Prepare, prints each common and side-button property, calls CleanUp,\n"
    "releases everything, checks DllCanUnloadNow and unloads the library.\n";

bool IsHelp(const std::string& arg) {
  return arg == "--help" || arg == "-h";
}

std::string Quoted(const char* text) {
  if (text == nullptr) return "(null)";
  return std::string("\"") + text + "\"";
}

// Reads a host-facing text property: its value, or the failure.
template <class Itf>
std::string TextProperty(Itf* itf, HRESULT (Itf::*getter)(const char**)) {
  const char* text = nullptr;
  HRESULT hr = (itf->*getter)(&text);
  if (FAILED(hr)) return "failed " + HResultText(hr);
  return Quoted(text);
}

template <class Itf>
std::string BoolProperty(Itf* itf, HRESULT (Itf::*getter)(WordBool*)) {
  WordBool value = 0;
  HRESULT hr = (itf->*getter)(&value);
  if (FAILED(hr)) return "failed " + HResultText(hr);
  return BoolText(value);
}

template <class Itf>
std::string IntProperty(Itf* itf, HRESULT (Itf::*getter)(int32_t*)) {
  int32_t value = 0;
  HRESULT hr = (itf->*getter)(&value);
  if (FAILED(hr)) return "failed " + HResultText(hr);
  return std::to_string(value);
}

}  // namespace

std::string BoolText(WordBool value) {
  return std::to_string(value) + (value != 0 ? " (True)" : " (False)");
}

std::string VariantText(const Variant& value) {
  if (value.IsEmpty()) return "(empty)";
  if (value.IsNull()) return "(null)";
  if (SAFEARRAY* array = value.Array()) {
    LONG lower = 0;
    LONG upper = -1;
    SafeArrayGetLBound(array, 1, &lower);
    SafeArrayGetUBound(array, 1, &upper);
    std::string text = "array " + std::to_string(lower) + ".." + std::to_string(upper) + " [";
    for (LONG i = lower; i <= upper; ++i) {
      Variant element;
      VARTYPE vt = VT_EMPTY;
      SafeArrayGetVartype(array, &vt);
      if (vt == VT_VARIANT) {
        SafeArrayGetElement(array, &i, element.Put());
      } else if (vt == VT_BSTR) {
        BSTR item = nullptr;
        if (SUCCEEDED(SafeArrayGetElement(array, &i, &item))) {
          element = Variant(Utf8FromBstr(item));
          SysFreeString(item);
        }
      } else if (vt == VT_I4) {
        int32_t item = 0;
        if (SUCCEEDED(SafeArrayGetElement(array, &i, &item))) element = Variant(item);
      }
      if (i != lower) text += ", ";
      text += element.IsEmpty() ? "?" : "\"" + element.ToString() + "\"";
    }
    return text + "]";
  }
  try {
    return "\"" + value.ToString() + "\"";
  } catch (const std::exception&) {
    return "(vt " + std::to_string(value.vt()) + ")";
  }
}

namespace {

// The plug-in list as texts, checking the array's shape on the way.
std::optional<std::vector<std::string>> ReadPluginList(IPluginDiscover* discover, std::ostream& out,
                                                       std::ostream& err) {
  Variant list;
  HRESULT hr = discover->GetPluginList(list.Put());
  if (FAILED(hr)) {
    err << "GetPluginList failed: " << HResultText(hr) << "\n";
    return std::nullopt;
  }
  SAFEARRAY* array = list.Array();
  if (array == nullptr || list.vt() != (VT_ARRAY | VT_BSTR)) {
    err << "GetPluginList did not answer an array of strings\n";
    return std::nullopt;
  }
  LONG lower = 0;
  LONG upper = -1;
  SafeArrayGetLBound(array, 1, &lower);
  SafeArrayGetUBound(array, 1, &upper);
  out << "Plug-in list: " << (upper - lower + 1) << " entries, bounds " << lower << ".." << upper
      << "\n";
  std::vector<std::string> result;
  for (LONG i = lower; i <= upper; ++i) {
    BSTR item = nullptr;
    hr = SafeArrayGetElement(array, &i, &item);
    if (FAILED(hr)) {
      err << "Plug-in list element " << i << " unreadable: " << HResultText(hr) << "\n";
      return std::nullopt;
    }
    result.push_back(Utf8FromBstr(item));
    SysFreeString(item);
  }
  return result;
}

// Everything the host asks a side button.
void ShowSideButton(ISideButtonPlugin* button, std::ostream& out) {
  out << "  Caption: " << TextProperty(button, &ISideButtonPlugin::Get_Caption) << "\n";
  out << "  Hint: " << TextProperty(button, &ISideButtonPlugin::Get_Hint) << "\n";
  out << "  BitmapFile: " << TextProperty(button, &ISideButtonPlugin::Get_BitmapFile) << "\n";
  out << "  FourthText: " << TextProperty(button, &ISideButtonPlugin::Get_FourthText) << "\n";
  out << "  ButtonEnabled: " << BoolProperty(button, &ISideButtonPlugin::Get_ButtonEnabled) << "\n";
  out << "  TrueFlag: " << BoolProperty(button, &ISideButtonPlugin::Get_TrueFlag) << "\n";
  out << "  FalseFlag: " << BoolProperty(button, &ISideButtonPlugin::Get_FalseFlag) << "\n";
  Variant events;
  HRESULT hr = button->Get_BOUIEvents(events.Put());
  out << "  BOUIEvents: " << (FAILED(hr) ? "failed " + HResultText(hr) : VariantText(events))
      << "\n";
}

// Creates one plug-in, prepares it with the adapter, prints it and cleans up.
// False when the host could not use it.
bool ShowPlugin(const PluginLibrary& library, size_t number, const std::string& clsidText,
                IPluginAdapter* adapter, std::ostream& out, std::ostream& err) {
  out << "Plug-in " << number << ": " << clsidText << "\n";
  CLSID clsid{};
  if (!GuidFromString(clsidText, clsid)) {
    err << "  not a class identifier: " << clsidText << "\n";
    return false;
  }
  HRESULT hr = S_OK;
  ComPtr<IUnknown> object = library.Create<IUnknown>(clsid, IID_IUnknown, &hr);
  if (!object) {
    err << "  cannot create " << clsidText << ": " << HResultText(hr) << "\n";
    return false;
  }
  ComPtr<IPlugin> plugin = object.As<IPlugin>(IID_IPlugin);
  ComPtr<IBOPlugin> boPlugin = object.As<IBOPlugin>(IID_IBOPlugin);
  ComPtr<IServerPlugin> server = object.As<IServerPlugin>(IID_IServerPlugin);
  ComPtr<IConfigurePlugin> configure = object.As<IConfigurePlugin>(IID_IConfigurePlugin);
  ComPtr<IEntityUpdatePlugin> entity = object.As<IEntityUpdatePlugin>(IID_IEntityUpdatePlugin);
  ComPtr<IPrintPlugin> print = object.As<IPrintPlugin>(IID_IPrintPlugin);
  ComPtr<ISideButtonPlugin> button = object.As<ISideButtonPlugin>(IID_ISideButtonPlugin);

  std::string interfaces;
  if (plugin) interfaces += " IPlugin";
  if (boPlugin) interfaces += " IBOPlugin";
  if (server) interfaces += " IServerPlugin";
  if (configure) interfaces += " IConfigurePlugin";
  if (entity) interfaces += " IEntityUpdatePlugin";
  if (print) interfaces += " IPrintPlugin";
  if (button) interfaces += " ISideButtonPlugin";
  out << "  Interfaces:" << interfaces << "\n";
  if (!plugin) {
    err << "  " << clsidText << " does not answer IPlugin\n";
    return false;
  }

  bool ok = true;
  hr = plugin->Set_Adapter(adapter);
  out << "  Set_Adapter: " << HResultText(hr) << "\n";
  ok = ok && SUCCEEDED(hr);
  WordBool prepared = 0;
  hr = plugin->Prepare(&prepared);
  out << "  Prepare: " << (FAILED(hr) ? "failed " + HResultText(hr) : BoolText(prepared)) << "\n";
  ok = ok && SUCCEEDED(hr);

  out << "  Description: " << TextProperty(plugin.Get(), &IPlugin::Get_Description) << "\n";
  GUID guid{};
  hr = plugin->Get_GUID(&guid);
  out << "  GUID: " << (FAILED(hr) ? "failed " + HResultText(hr) : GuidToString(guid)) << "\n";
  out << "  Priority: " << IntProperty(plugin.Get(), &IPlugin::Get_Priority) << "\n";
  out << "  Enabled: " << BoolProperty(plugin.Get(), &IPlugin::Get_Enabled) << "\n";
  ComPtr<IPluginAdapter> held;
  hr = plugin->Get_Adapter(held.Put());
  out << "  Adapter: "
      << (FAILED(hr)              ? "failed " + HResultText(hr)
          : held.Get() == adapter ? std::string("the host's")
                                  : std::string("other"))
      << "\n";
  held.Reset();
  if (boPlugin) out << "  BOKind: " << IntProperty(boPlugin.Get(), &IBOPlugin::Get_BOKind) << "\n";
  if (button) ShowSideButton(button.Get(), out);

  hr = plugin->CleanUp();
  out << "  CleanUp: " << HResultText(hr) << "\n";
  ok = ok && SUCCEEDED(hr);
  return ok;
}

}  // namespace

void UnloadReporting(PluginLibrary& lib, std::ostream& out, std::vector<std::string>& failures) {
  const HRESULT unload = lib.DllCanUnloadNow();
  out << "DllCanUnloadNow: " << HResultText(unload) << "\n";
  if (unload != S_OK) {
    failures.push_back("the library still holds objects after the host released them");
  }
  lib.Unload();
  out << "Unloaded\n";
}

std::string HResultText(HRESULT hr) {
  switch (hr) {
    case S_OK:
      return "S_OK";
    case S_FALSE:
      return "S_FALSE";
    case E_NOTIMPL:
      return "E_NOTIMPL";
    case E_NOINTERFACE:
      return "E_NOINTERFACE";
    case E_POINTER:
      return "E_POINTER";
    case E_FAIL:
      return "E_FAIL";
    case E_UNEXPECTED:
      return "E_UNEXPECTED";
    case E_OUTOFMEMORY:
      return "E_OUTOFMEMORY";
    case E_INVALIDARG:
      return "E_INVALIDARG";
    case CLASS_E_NOAGGREGATION:
      return "CLASS_E_NOAGGREGATION";
    case CLASS_E_CLASSNOTAVAILABLE:
      return "CLASS_E_CLASSNOTAVAILABLE";
    default:
      break;
  }
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

int RunRegister(const std::string& library, std::ostream& out, std::ostream& err) {
  try {
    PluginLibrary lib(library);
    HRESULT hr = lib.DllRegisterServer();
    out << "DllRegisterServer(" << library << "): " << HResultText(hr) << "\n";
    return SUCCEEDED(hr) ? kOk : kFailure;
  } catch (const std::exception& error) {
    err << "pos-host register: " << error.what() << "\n";
    return kFailure;
  }
}

int RunUnregister(const std::string& library, std::ostream& out, std::ostream& err) {
  try {
    PluginLibrary lib(library);
    HRESULT hr = lib.DllUnregisterServer();
    out << "DllUnregisterServer(" << library << "): " << HResultText(hr) << "\n";
    return SUCCEEDED(hr) ? kOk : kFailure;
  } catch (const std::exception& error) {
    err << "pos-host unregister: " << error.what() << "\n";
    return kFailure;
  }
}

std::optional<std::vector<std::string>> DiscoverPlugins(const PluginLibrary& lib, std::ostream& out,
                                                        std::ostream& err) {
  HRESULT hr = S_OK;
  ComPtr<IPluginDiscover> discover =
      lib.Create<IPluginDiscover>(kDiscoverClsid, IID_IPluginDiscover, &hr);
  if (!discover) {
    err << "pos-host: cannot create the discovery object: " << HResultText(hr) << "\n";
    return std::nullopt;
  }
  int32_t major = 0, minor = 0, release = 0;
  hr = discover->GetInterfaceVersion(&major, &minor, &release);
  out << "Interface version: "
      << (FAILED(hr)
              ? "failed " + HResultText(hr)
              : std::to_string(major) + "." + std::to_string(minor) + "." + std::to_string(release))
      << "\n";
  out << "Version text: " << TextProperty(discover.Get(), &IPluginDiscover::GetVersionText) << "\n";
  return ReadPluginList(discover.Get(), out, err);
}

int RunDiscover(const std::string& library, std::ostream& out, std::ostream& err) {
  try {
    PluginLibrary lib(library);
    out << "Library: " << library << "\n";
    bool ok = true;
    {
      std::optional<std::vector<std::string>> list = DiscoverPlugins(lib, out, err);
      if (!list) return kFailure;

      ComPtr<HostAdapter> adapter = MakeComObject<HostAdapter>();
      for (size_t i = 0; i < list->size(); ++i) {
        ok = ShowPlugin(lib, i + 1, (*list)[i], adapter.Get(), out, err) && ok;
      }
      out << "Adapter calls: " << adapter->Trace().size() << "\n";
    }
    HRESULT unload = lib.DllCanUnloadNow();
    out << "DllCanUnloadNow: " << HResultText(unload) << "\n";
    if (unload != S_OK) {
      err << "pos-host discover: the library still holds objects after the host released them\n";
      ok = false;
    }
    lib.Unload();
    out << "Unloaded\n";
    return ok ? kOk : kFailure;
  } catch (const std::exception& error) {
    err << "pos-host discover: " << error.what() << "\n";
    return kFailure;
  }
}

int RunHostCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kUsageText;
    return kUsage;
  }
  const std::string& command = args[0];
  if (IsHelp(command)) {
    out << kUsageText;
    return kOk;
  }
  if (command == "run") {
    return RunScenarioCommand(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
  }
  struct Command {
    const char* name;
    const char* help;
    int (*run)(const std::string&, std::ostream&, std::ostream&);
  };
  static constexpr Command kCommands[] = {
      {"register", kRegisterHelp, &RunRegister},
      {"unregister", kUnregisterHelp, &RunUnregister},
      {"discover", kDiscoverHelp, &RunDiscover},
  };
  for (const Command& entry : kCommands) {
    if (command != entry.name) continue;
    if (args.size() >= 2 && IsHelp(args[1])) {
      out << entry.help;
      return kOk;
    }
    bool switchesOnly = true;
    for (size_t i = 2; i < args.size(); ++i) {
      if (args[i].empty() || (args[i][0] != '-' && args[i][0] != '/')) switchesOnly = false;
    }
    if (args.size() < 2 || !switchesOnly) {
      err << entry.help;
      return kUsage;
    }
    return entry.run(args[1], out, err);
  }
  err << "pos-host: unknown command \"" << command << "\"\n\n" << kUsageText;
  return kUsage;
}

}  // namespace hostsim
