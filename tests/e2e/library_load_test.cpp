// The built Norvane94.so, loaded the way pos-host loads it.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "common/scoped_env.h"
#include "e2e_environment.h"
#include "host_adapter.h"
#include "host_database.h"
#include "host_interfaces/host_interfaces.h"
#include "platform/com/safearray.h"
#include "platform/registry/registry.h"
#include "plugin_library.h"
#include "scenario.h"
#include "scenario_run.h"

namespace {

namespace reg = platform::registry;
using hostsim::PluginLibrary;

constexpr CLSID kDiscover = MakeGuid("{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}");

struct Expected {
  const char* clsid;
  const char* description;
  std::optional<int32_t> kind;  // none: no IBOPlugin
  const IID* mainInterface;
  // Side buttons only.
  const char* caption = nullptr;
  const char* hint = nullptr;
  const char* bitmap = nullptr;
};

const Expected kPlugins[] = {
    {"{14A47998-FAA1-40E6-A49E-083C5CE01ACB}", "Norvane Configuration", std::nullopt,
     &IID_IConfigurePlugin},
    {"{E0ACE2F0-ADFB-455E-B2A1-945FBB5FE1EF}", "VeskRcptOU", 8, &IID_IEntityUpdatePlugin},
    {"{3304FC57-9B39-4E86-83C2-64E8BBB56532}", "VeskRcptOU", 42, &IID_IEntityUpdatePlugin},
    {"{A55E0854-B032-47C6-8545-7A41CB86A35F}", "veskRcptSOSB", 24, &IID_ISideButtonPlugin, "None",
     "None", ""},
    {"{89AD5940-0D88-4760-A6DF-D7B9064A3437}", "Norvane Print Control", 8, &IID_IPrintPlugin},
    {"{FD86D871-E1A3-47CE-9DC8-81800E4C7CBC}", "Norvane Values Server", 0, &IID_IServerPlugin},
    {"{9DE90BEC-3566-47BD-B0B8-4E33367899A5}", "Quenlos Reprint Sidebutton", 8,
     &IID_ISideButtonPlugin, "vesk Print", "Reprint receipt", "veskPrinter.bmp"},
    {"{A3A70862-70B4-4E39-9D25-D53FE6C20E4B}", "Norvane Email Sidebutton", 8,
     &IID_ISideButtonPlugin, "Email Receipt", "Transmit a digital receipt for the current invoice",
     "veskEmail.bmp"},
};

CLSID Clsid(const Expected& plugin) {
  return MakeGuid(plugin.clsid);
}

ULONG OtherReferences(IUnknown* object) {
  object->AddRef();
  return object->Release() - 1;
}

class LoadedLibrary : public e2e::FreshRegistry {
 protected:
  void SetUp() override {
    FreshRegistry::SetUp();
    library_.emplace(NORVANE94_LIBRARY);
  }
  void TearDown() override {
    if (library_) {
      EXPECT_EQ(library_->DllCanUnloadNow(), S_OK) << "a test left an object alive";
      library_.reset();
    }
    FreshRegistry::TearDown();
  }

  const PluginLibrary& Library() const { return *library_; }

  template <class T>
  ComPtr<T> Create(const CLSID& clsid, const IID& iid) {
    HRESULT hr = S_OK;
    ComPtr<T> object = library_->Create<T>(clsid, iid, &hr);
    EXPECT_EQ(hr, S_OK) << GuidToString(clsid);
    return object;
  }

  std::optional<PluginLibrary> library_;
};

TEST_F(LoadedLibrary, DiscoveryListsTheEightPluginsInTableOrderFromBoundOne) {
  auto discover = Create<IPluginDiscover>(kDiscover, IID_IPluginDiscover);
  ASSERT_TRUE(discover);
  Variant list;
  ASSERT_EQ(discover->GetPluginList(list.Put()), S_OK);
  ASSERT_EQ(list.vt(), VT_ARRAY | VT_BSTR);
  LONG lower = 0, upper = 0;
  SafeArrayGetLBound(list.Array(), 1, &lower);
  SafeArrayGetUBound(list.Array(), 1, &upper);
  ASSERT_EQ(lower, 1);
  ASSERT_EQ(upper, 8);
  for (LONG i = 1; i <= 8; ++i) {
    BSTR text = nullptr;
    ASSERT_EQ(SafeArrayGetElement(list.Array(), &i, &text), S_OK);
    EXPECT_EQ(BStr::Attach(text).ToUtf8(), kPlugins[i - 1].clsid) << "element " << i;
  }
  int32_t major = 0, minor = 0, release = 0;
  ASSERT_EQ(discover->GetInterfaceVersion(&major, &minor, &release), S_OK);
  EXPECT_EQ(std::vector<int32_t>({major, minor, release}), std::vector<int32_t>({1, 2, 0}));
  const char* version = nullptr;
  ASSERT_EQ(discover->GetVersionText(&version), S_OK);
  EXPECT_STREQ(version, "1.0.0");
  // A live object holds the library (TearDown checks it may go once released;
  // locks and counting are the class factory's own tests).
  EXPECT_EQ(Library().DllCanUnloadNow(), S_FALSE);
}

TEST_F(LoadedLibrary, EveryPluginAnswersItsInitialValuesAndTakesAnyNonZeroAsEnabled) {
  for (const Expected& expected : kPlugins) {
    SCOPED_TRACE(expected.description);
    auto object = Create<IUnknown>(Clsid(expected), IID_IUnknown);
    ASSERT_TRUE(object);
    EXPECT_TRUE(object.As<IUnknown>(*expected.mainInterface));
    auto plugin = object.As<IPlugin>(IID_IPlugin);
    ASSERT_TRUE(plugin);

    const char* description = nullptr;
    GUID guid{};
    int32_t priority = -1;
    WordBool enabled = 0;
    ASSERT_EQ(plugin->Get_Description(&description), S_OK);
    ASSERT_EQ(plugin->Get_GUID(&guid), S_OK);
    ASSERT_EQ(plugin->Get_Priority(&priority), S_OK);
    ASSERT_EQ(plugin->Get_Enabled(&enabled), S_OK);
    EXPECT_STREQ(description, expected.description);
    EXPECT_EQ(guid, Clsid(expected));
    EXPECT_EQ(priority, 0);
    EXPECT_EQ(enabled, -1);
    for (WordBool given : {WordBool{0}, WordBool{1}}) {  // any non-zero is true
      ASSERT_EQ(plugin->Set_Enabled(given), S_OK);
      ASSERT_EQ(plugin->Get_Enabled(&enabled), S_OK);
      EXPECT_EQ(enabled, given == 0 ? 0 : -1) << "given " << given;
    }

    auto boPlugin = object.As<IBOPlugin>(IID_IBOPlugin);
    EXPECT_EQ(static_cast<bool>(boPlugin), expected.kind.has_value());
    if (boPlugin) {
      int32_t kind = -1;
      ASSERT_EQ(boPlugin->Get_BOKind(&kind), S_OK);
      EXPECT_EQ(kind, *expected.kind);
    }

    auto button = object.As<ISideButtonPlugin>(IID_ISideButtonPlugin);
    EXPECT_EQ(static_cast<bool>(button), expected.caption != nullptr);
    if (button) {
      const char* caption = nullptr;
      const char* hint = nullptr;
      const char* bitmap = nullptr;
      const char* fourth = nullptr;
      ASSERT_EQ(button->Get_Caption(&caption), S_OK);
      ASSERT_EQ(button->Get_Hint(&hint), S_OK);
      ASSERT_EQ(button->Get_BitmapFile(&bitmap), S_OK);
      ASSERT_EQ(button->Get_FourthText(&fourth), S_OK);
      ASSERT_TRUE(caption && hint && bitmap && fourth) << "texts are never null";
      EXPECT_STREQ(caption, expected.caption);
      EXPECT_STREQ(hint, expected.hint);
      EXPECT_STREQ(bitmap, expected.bitmap);
      EXPECT_STREQ(fourth, "");
      WordBool first = 0, second = 1;
      ASSERT_EQ(button->Get_TrueFlag(&first), S_OK);
      ASSERT_EQ(button->Get_FalseFlag(&second), S_OK);
      EXPECT_EQ(first, -1);
      EXPECT_EQ(second, 0);
    }
  }
}

TEST_F(LoadedLibrary, PrepareWithTheAdapterThenCleanUpTwiceReleasesIt) {
  ComPtr<hostsim::HostAdapter> adapter = MakeComObject<hostsim::HostAdapter>();
  for (const Expected& expected : kPlugins) {
    SCOPED_TRACE(expected.description);
    auto plugin = Create<IPlugin>(Clsid(expected), IID_IPlugin);
    ASSERT_TRUE(plugin);
    ASSERT_EQ(plugin->Set_Adapter(adapter.Get()), S_OK);
    WordBool prepared = 0;
    ASSERT_EQ(plugin->Prepare(&prepared), S_OK);
    EXPECT_EQ(prepared, -1);
    // The receipt processors of the invoice plug-in and the e-mail and
    // sales-order buttons hold the adapter as well.
    const std::string description = expected.description;
    const bool withProcessor =
        (expected.mainInterface == &IID_IEntityUpdatePlugin && expected.kind == kBOKindInvoice) ||
        description == "Norvane Email Sidebutton" || description == "veskRcptSOSB";
    EXPECT_EQ(OtherReferences(adapter->GetUnknown()), withProcessor ? 2u : 1u);
    EXPECT_EQ(plugin->CleanUp(), S_OK);
    EXPECT_EQ(plugin->CleanUp(), S_OK);
    EXPECT_EQ(OtherReferences(adapter->GetUnknown()), 0u);
  }
}

TEST_F(LoadedLibrary, ValuesServerAnswersTheDefaultCustomerTypeOnly) {
  auto server = Create<IServerPlugin>(Clsid(kPlugins[5]), IID_IServerPlugin);
  ASSERT_TRUE(server);
  BStr exact("DEFAULTCUSTOMERTYPE");
  BStr otherCase("defaultcustomertype");
  Variant value;
  WordBool found = 0, result = -1;
  ASSERT_EQ(server->GetValue(0, otherCase.Get(), 0, value.Put(), &found, &result), S_OK);
  EXPECT_TRUE(value.IsEmpty());
  EXPECT_EQ(found, 0);
  EXPECT_EQ(result, 0);

  ASSERT_EQ(server->GetValue(0, exact.Get(), 0, value.Put(), &found, &result), S_OK);
  EXPECT_EQ(found, -1);
  EXPECT_EQ(result, 0);
  ASSERT_EQ(value.vt(), VT_ARRAY | VT_I4);
  LONG lower = 0, upper = 0, index = 1;
  int32_t element = 7;
  SafeArrayGetLBound(value.Array(), 1, &lower);
  SafeArrayGetUBound(value.Array(), 1, &upper);
  ASSERT_EQ(SafeArrayGetElement(value.Array(), &index, &element), S_OK);
  EXPECT_EQ(lower, 1);
  EXPECT_EQ(upper, 1);
  EXPECT_EQ(element, 0);

  Variant names;
  ASSERT_EQ(server->GetValueNames(names.Put()), S_OK);
  ASSERT_EQ(names.vt(), VT_ARRAY | VT_BSTR);
  BSTR name = nullptr;
  ASSERT_EQ(SafeArrayGetElement(names.Array(), &index, &name), S_OK);
  EXPECT_EQ(BStr::Attach(name).ToUtf8(), ".DEFAULTCUSTOMERTYPE.");

  WordBool supports = 0;
  ASSERT_EQ(server->Supports(0, &supports), S_OK);
  EXPECT_EQ(supports, -1);
  ASSERT_EQ(server->Supports(1, &supports), S_OK);
  EXPECT_EQ(supports, 0);
}

TEST_F(LoadedLibrary, ValuesServerKeepsItsDataText) {
  auto server = Create<Ivk9ValuesServer>(Clsid(kPlugins[5]), IID_Ivk9ValuesServer);
  ASSERT_TRUE(server);
  BStr data;
  ASSERT_EQ(server->Get_Data(data.Put()), S_OK);
  EXPECT_EQ(data.Length(), 0u);
  BStr given("Zoë; x");
  ASSERT_EQ(server->Set_Data(given.Get()), S_OK);
  ASSERT_EQ(server->Get_Data(data.Put()), S_OK);
  EXPECT_EQ(data.ToUtf8(), "Zoë; x");
  WordBool supports = 0;
  ASSERT_EQ(server->SupportsValueContext(0, &supports), S_OK);
  EXPECT_EQ(supports, -1);
  ASSERT_EQ(server->SupportsValueContext(2, &supports), S_OK);
  EXPECT_EQ(supports, 0);
  EXPECT_EQ(server.As<IUnknown>(IID_IUnknown),
            server.As<IServerPlugin>(IID_IServerPlugin).As<IUnknown>(IID_IUnknown));
}

// What registration writes and removes is checked on the class table; here,
// that the library registers its own absolute path for every class.
TEST_F(LoadedLibrary, RegistersItsOwnPathForEveryClassAndUnregistersThem) {
  ASSERT_EQ(Library().DllRegisterServer(), S_OK);
  EXPECT_EQ(reg::SubKeyNames(reg::Root::ClassesRoot, "CLSID").size(), 9u);
  for (const Expected& expected : kPlugins) {
    const std::string server = std::string("CLSID\\") + expected.clsid + "\\InprocServer32";
    EXPECT_EQ(
        std::filesystem::path(reg::ReadString(reg::Root::ClassesRoot, server, "").value_or("")),
        std::filesystem::absolute(NORVANE94_LIBRARY));
  }
  ASSERT_EQ(Library().DllUnregisterServer(), S_OK);
  EXPECT_TRUE(reg::SubKeyNames(reg::Root::ClassesRoot, "CLSID").empty());
}

// Whether the process has `file` mapped now.
bool Mapped(const std::string& file) {
  const std::string wanted = " " + std::filesystem::canonical(file).string();
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    if (line.size() >= wanted.size() &&
        line.compare(line.size() - wanted.size(), wanted.size(), wanted) == 0) {
      return true;
    }
  }
  return false;
}

// An invoice the invoice plug-in takes to the host database and then leaves
// (its type asks for no receipt, so no dialog is shown).
constexpr const char* kUnqualifiedSale = R"(
document:
  invoice: {Invoice SID: 7100, Invoice Number: 401, Invoice Type: 1, Status: 0,
            Subsidiary Number: 1}
)";

class OracleClientAtUnload : public e2e::FreshRegistry {
 protected:
  void SetUp() override {
    FreshRegistry::SetUp();
    database_.emplace(HOST_DB_FIXTURE, (Scratch() / "host.sqlite").string());
    hostsim::StageHost(hostsim::ParseScenario(kUnqualifiedSale, "sale.yaml"), *adapter_,
                       *database_);
    hostsim::StageOracleHome(Scratch(), OCI_CLIENT, *database_);
  }

  // The invoice plug-in of `library` takes the sale to the database; with
  // `cleanUp` the host then cleans the plug-in up, else it only releases it.
  void Sell(const PluginLibrary& library, bool cleanUp) {
    auto plugin = library.Create<IPlugin>(Clsid(kPlugins[1]), IID_IPlugin);
    ASSERT_TRUE(plugin);
    ASSERT_EQ(plugin->Set_Adapter(adapter_.Get()), S_OK);
    WordBool answer = 0;
    ASSERT_EQ(plugin->Prepare(&answer), S_OK);
    auto update = plugin.As<IEntityUpdatePlugin>(IID_IEntityUpdatePlugin);
    ASSERT_EQ(update->BeforeUpdate(&answer), S_OK);
    EXPECT_EQ(answer, -1);
    EXPECT_TRUE(Mapped(OCI_CLIENT)) << "the sale did not reach the database";
    if (cleanUp) {
      EXPECT_EQ(plugin->CleanUp(), S_OK);
    }
  }

  testsupport::ScopedEnv home_{"ORACLE_HOME", nullptr};
  testsupport::ScopedEnv config_{"NORVANE_OCI_CONFIG", nullptr};
  std::optional<hostsim::HostDatabase> database_;
  ComPtr<hostsim::HostAdapter> adapter_ = MakeComObject<hostsim::HostAdapter>();
};

// Each load of the library opens the Oracle client when a sale needs the
// host database, and each unload closes it again, whether the host cleaned
// the plug-in up or only released it: none is left after the last unload.
TEST_F(OracleClientAtUnload, EveryUnloadClosesTheClientTheLoadOpened) {
  ASSERT_FALSE(Mapped(OCI_CLIENT));
  for (const bool cleanUp : {true, false, true}) {
    SCOPED_TRACE(cleanUp ? "cleaned up" : "released only");
    PluginLibrary library(NORVANE94_LIBRARY);
    Sell(library, cleanUp);
    EXPECT_EQ(library.DllCanUnloadNow(), S_OK);
    library.Unload();
    EXPECT_FALSE(Mapped(NORVANE94_LIBRARY));
    EXPECT_FALSE(Mapped(OCI_CLIENT));
  }
}

// A host that ends its process with the library still loaded (and the
// client open) ends cleanly.
TEST_F(OracleClientAtUnload, AProcessEndingWithTheLibraryLoadedEndsCleanly) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        auto* library = new PluginLibrary(NORVANE94_LIBRARY);
        Sell(*library, false);
        std::exit(Mapped(OCI_CLIENT) ? 0 : 3);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(LibraryExports, OnlyTheFourEntryPointsAreVisible) {
  void* handle = ::dlopen(NORVANE94_LIBRARY, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(handle, nullptr) << ::dlerror();
  for (const char* name :
       {"DllGetClassObject", "DllCanUnloadNow", "DllRegisterServer", "DllUnregisterServer"}) {
    EXPECT_NE(::dlsym(handle, name), nullptr) << name;
  }
  // Internal names stay inside the library, so the host's own copies of the
  // same code never mix with the library's.
  for (const char* name :
       {"_Z15ComCanUnloadNowv", "_Z16ComObjectCreatedv",
        "_ZN10hostplugin23RegisterPluginFactoriesERKSt5arrayINS_14PluginClassRowELm9EE"}) {
    EXPECT_EQ(::dlsym(handle, name), nullptr) << name;
  }
  ::dlclose(handle);
}

}  // namespace
