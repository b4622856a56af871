#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "hostplugin/com_registration.h"
#include "hostplugin/custom_abstract_plugin.h"
#include "hostplugin/plugin_class_table.h"
#include "hostplugin/plugin_discover.h"
#include "platform/registry/registry.h"
#include "test_environment.h"

namespace {

namespace reg = platform::registry;
using namespace hostplugin;

ComPtr<IClassFactory> FailingFactory() {
  throw std::runtime_error("out of handles");
}

// Every row resolved to the base plug-in class, except those listed as failing.
PluginClassTable TestTable(std::set<size_t> failing = {}) {
  PluginClassTable table;
  for (size_t row = 0; row < table.size(); ++row) {
    table[row].info = &kPluginClassInfo[row];
    table[row].makeFactory =
        failing.count(row) ? &FailingFactory : &MakePluginFactory<TCustomAbstractPlugin>;
  }
  return table;
}

class ClassTable : public hostplugin_test::HostEnvironment {
 protected:
  void TearDown() override {
    RevokePluginFactories();
    HostEnvironment::TearDown();
  }
};

TEST_F(ClassTable, AFailingRowIsReportedAndTheOthersStillRegister) {
  EXPECT_EQ(RegisterPluginFactories(TestTable({3})), kPluginClassCount - 1);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0],
            "std::runtime_error exception registering the Tvk9SODepOnUpdate class: out of handles");

  std::vector<const PluginClassInfo*> rows = RegisteredPluginClasses();
  ASSERT_EQ(rows.size(), kPluginClassCount - 1);
  EXPECT_EQ(rows[2], &kPluginClassInfo[2]);
  EXPECT_EQ(rows[3], &kPluginClassInfo[4]) << "rows stay in table order";

  ComPtr<IClassFactory> factory;
  EXPECT_EQ(GetPluginClassObject(CLSID_vk9SODepOnUpdate, IID_IClassFactory, factory.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(GetPluginClassObject(CLSID_vk9SOSB, IID_IClassFactory, factory.PutVoid()), S_OK);
  EXPECT_TRUE(factory);
}

TEST_F(ClassTable, ClassObjectArgumentsAreChecked) {
  RegisterPluginFactories(TestTable());
  EXPECT_EQ(GetPluginClassObject(CLSID_vk9SOSB, IID_IClassFactory, nullptr), E_POINTER);
  ComPtr<IUnknown> object;
  EXPECT_EQ(GetPluginClassObject(IID_IPlugin, IID_IClassFactory, object.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(GetPluginClassObject(CLSID_vk9SOSB, IID_IPlugin, object.PutVoid()), E_NOINTERFACE);
  RevokePluginFactories();
  EXPECT_EQ(GetPluginClassObject(CLSID_vk9SOSB, IID_IClassFactory, object.PutVoid()),
            CLASS_E_CLASSNOTAVAILABLE);
}

class Registration : public ClassTable {
 protected:
  static constexpr reg::Root kClasses = reg::Root::ClassesRoot;
};

TEST_F(Registration, WritesTheClassServerProgIdAndTypeLibraryKeys) {
  RegisterPluginFactories(TestTable());
  ASSERT_EQ(RegisterPluginServer("/opt/pos/plugins/Norvane94.so"), S_OK);

  std::string cls = "CLSID\\{A3A70862-70B4-4E39-9D25-D53FE6C20E4B}";
  EXPECT_EQ(reg::ReadString(kClasses, cls + "\\InprocServer32", ""),
            "/opt/pos/plugins/Norvane94.so");
  EXPECT_EQ(reg::ReadString(kClasses, cls + "\\InprocServer32", "ThreadingModel"), "Apartment");
  EXPECT_EQ(reg::ReadString(kClasses, cls + "\\ProgID", ""), "Norvane94.vk9EmailSB");
  EXPECT_EQ(reg::ReadString(kClasses, cls + "\\TypeLib", ""),
            "{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}");
  EXPECT_EQ(reg::ReadString(kClasses, "Norvane94.plugin_discover\\CLSID", ""),
            "{C95595BB-0B8A-45D4-92E4-8B86DB870EAE}");
  EXPECT_EQ(reg::ReadString(kClasses, "TypeLib\\{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}\\1.0", ""),
            "Quenlos92 Library");
  EXPECT_EQ(reg::SubKeyNames(kClasses, "CLSID").size(), kPluginClassCount);
}

TEST_F(Registration, TwiceLeavesOneSetAndUnregisterLeavesOnlyOthersKeys) {
  reg::WriteString(kClasses, "CLSID\\{00000000-1111-2222-3333-444444444444}\\InprocServer32", "",
                   "/opt/other.so");
  reg::WriteString(kClasses, "TypeLib\\{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}\\2.0", "", "newer");
  reg::Tree before = reg::Snapshot();

  RegisterPluginFactories(TestTable());
  ASSERT_EQ(RegisterPluginServer("/opt/pos/Norvane94.so"), S_OK);
  reg::Tree once = reg::Snapshot();
  ASSERT_EQ(RegisterPluginServer("/opt/pos/Norvane94.so"), S_OK);
  EXPECT_EQ(reg::Snapshot(), once);

  ASSERT_EQ(UnregisterPluginServer(), S_OK);
  reg::Tree after = reg::Snapshot();
  EXPECT_TRUE(after.KeyExists(kClasses, "TypeLib\\{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}\\2.0"));
  EXPECT_FALSE(after.KeyExists(kClasses, "TypeLib\\{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}\\1.0"));
  EXPECT_FALSE(after.KeyExists(kClasses, "Norvane94.vk9SOSB"));
  EXPECT_EQ(after.SubKeyNames(kClasses, "CLSID"),
            std::vector<std::string>{"{00000000-1111-2222-3333-444444444444}"});
  // Only the empty parents the registration created remain.
  after.CreateKey(kClasses, "Interface");
  before.CreateKey(kClasses, "Interface");
  EXPECT_EQ(after, before);
}

TEST_F(Registration, OnlyRegisteredClassesAreWrittenAndAllAreRemoved) {
  RegisterPluginFactories(TestTable({5}));
  ASSERT_EQ(RegisterPluginServer("/opt/pos/Norvane94.so"), S_OK);
  EXPECT_FALSE(reg::KeyExists(kClasses, "Norvane94.vk9RcptOnPrint"));
  EXPECT_TRUE(reg::KeyExists(kClasses, "Norvane94.vk9ValuesServer"));
  EXPECT_EQ(RegisterPluginServer(""), E_FAIL);

  ASSERT_EQ(UnregisterPluginServer(), S_OK);
  EXPECT_TRUE(reg::SubKeyNames(kClasses, "CLSID").empty());
  EXPECT_FALSE(reg::KeyExists(kClasses, "TypeLib\\{BBA3F7E6-F2D5-4003-A40D-0A95E6B4560C}"));
}

TEST_F(Registration, UnwritableRegistryAnswersEFail) {
  RegisterPluginFactories(TestTable());
  std::filesystem::create_directories(Scratch() / "registry-dir");
  ::setenv("NORVANE_REGISTRY_FILE", (Scratch() / "registry-dir").c_str(), 1);
  EXPECT_EQ(RegisterPluginServer("/opt/pos/Norvane94.so"), E_FAIL);
  EXPECT_EQ(UnregisterPluginServer(), E_FAIL);
  EXPECT_EQ(Messages().size(), 2u);
}

}  // namespace
