#include <gtest/gtest.h>

#include <stdexcept>

#include "host_adapter.h"
#include "hostplugin/custom_abstract_plugin.h"
#include "hostplugin/custom_configure_plugin.h"
#include "hostplugin/custom_entity_update_plugin.h"
#include "hostplugin/custom_print_plugin.h"
#include "hostplugin/custom_side_button_plugin.h"

namespace {

using hostplugin::TCustomAbstractPlugin;
using hostplugin::TCustomConfigurePlugin;
using hostplugin::TCustomEntityUpdatePlugin;
using hostplugin::TCustomPrintPlugin;
using hostplugin::TCustomSideButtonPlugin;

template <class T>
ComPtr<T> Fresh() {
  ComPtr<T> plugin = MakeComObject<T>();
  plugin->Initialize();
  return plugin;
}

// References held on `object` besides the caller's own one.
ULONG OtherReferences(IUnknown* object) {
  object->AddRef();
  return object->Release() - 1;
}

// Enabled, priority, preparation and the side-button texts and flags are
// checked on every plug-in of the loaded library; here, what no plug-in
// overrides there.
TEST(PluginBase, FreshRootHandlesEventsAndHasNoAdapter) {
  auto plugin = Fresh<TCustomAbstractPlugin>();
  ComPtr<IPluginAdapter> adapter;
  WordBool handled = 0;
  EXPECT_EQ(plugin->Get_Adapter(adapter.Put()), S_OK);
  EXPECT_EQ(plugin->HandleEvent(&handled), S_OK);
  EXPECT_FALSE(adapter);
  EXPECT_EQ(handled, -1);
  EXPECT_EQ(plugin->LogLevel(), 0);
  const char* first = nullptr;
  const char* second = nullptr;  // the description is the object's own, stable text
  ASSERT_EQ(plugin->Get_Description(&first), S_OK);
  ASSERT_EQ(plugin->Get_Description(&second), S_OK);
  EXPECT_EQ(first, second);
}

class OutOfRangePriority : public hostplugin::TCustomAbstractPluginT<IPlugin> {
 public:
  void Initialize() override {
    TCustomAbstractPluginT::Initialize();
    FPriority = 3;
  }
};

TEST(PluginBase, PriorityOutsideItsRangeFailsWithoutAnswering) {
  auto plugin = Fresh<OutOfRangePriority>();
  int32_t priority = 42;
  EXPECT_TRUE(FAILED(plugin->Get_Priority(&priority)));
  EXPECT_EQ(priority, 42);
}

TEST(PluginBase, NullOutParametersAreRefused) {
  auto entity = Fresh<TCustomEntityUpdatePlugin>();
  auto button = Fresh<TCustomSideButtonPlugin>();
  EXPECT_EQ(entity->Get_Description(nullptr), E_POINTER);
  EXPECT_EQ(entity->Get_BOKind(nullptr), E_POINTER);
  EXPECT_EQ(entity->BeforeUpdate(nullptr), E_POINTER);
  EXPECT_EQ(button->Get_Caption(nullptr), E_POINTER);
  EXPECT_EQ(button->HandleBOUIEvent(0, nullptr, nullptr, nullptr, nullptr, nullptr), E_POINTER);
}

TEST(PluginBase, SideButtonIsDisabledWithoutEvents) {
  auto button = Fresh<TCustomSideButtonPlugin>();
  WordBool enabled = 5;
  EXPECT_EQ(button->Get_ButtonEnabled(&enabled), S_OK);
  EXPECT_EQ(enabled, 0);
  Variant events(int32_t{9});
  EXPECT_EQ(button->Get_BOUIEvents(events.Put()), S_OK);
  EXPECT_TRUE(events.IsEmpty());
}

TEST(PluginBase, HandleBOUIEventDefaultAnswersFalseAndLeavesTheInOutsAlone) {
  auto button = Fresh<TCustomSideButtonPlugin>();
  BStr event("SALERECORDED");
  Variant parameters("p");
  Variant returnValues(int32_t{4});
  WordBool handled = VARIANT_TRUE;
  WordBool result = VARIANT_TRUE;
  VARIANT returned = returnValues.Detach();
  EXPECT_EQ(
      button->HandleBOUIEvent(7, event.Get(), &parameters.Get(), &returned, &handled, &result),
      S_OK);
  Variant back = Variant::Attach(returned);
  EXPECT_EQ(result, 0);
  EXPECT_EQ(handled, VARIANT_TRUE);
  EXPECT_EQ(back.ToInt(), 4);
}

TEST(PluginBase, PrintContextIsKeptAsACountedReference) {
  auto print = Fresh<TCustomPrintPlugin>();
  ComPtr<hostsim::HostAdapter> document = MakeComObject<hostsim::HostAdapter>();
  ASSERT_EQ(print->Set_PrintContext(document->GetUnknown()), S_OK);
  EXPECT_EQ(OtherReferences(document->GetUnknown()), 1u);
  ComPtr<IUnknown> back;
  ASSERT_EQ(print->Get_PrintContext(back.Put()), S_OK);
  EXPECT_EQ(back.Get(), document->GetUnknown());
  back.Reset();
  ASSERT_EQ(print->Set_PrintContext(nullptr), S_OK);
  EXPECT_EQ(OtherReferences(document->GetUnknown()), 0u);
}

TEST(PluginBase, EachPluginAnswersItsInterfaceChainWithOneIdentity) {
  auto entity = Fresh<TCustomEntityUpdatePlugin>();
  ComPtr<IUnknown> unknown = entity.As<IUnknown>(IID_IUnknown);
  for (const IID& iid : {IID_IDispatch, IID_IPlugin, IID_IBOPlugin, IID_IEntityUpdatePlugin}) {
    ComPtr<IUnknown> itf = entity.As<IUnknown>(iid);
    ASSERT_TRUE(itf) << GuidToString(iid);
    EXPECT_EQ(itf.As<IUnknown>(IID_IUnknown), unknown);
  }
  EXPECT_FALSE(entity.As<IUnknown>(IID_ISideButtonPlugin));
  EXPECT_FALSE(entity.As<IUnknown>(IID_IConfigurePlugin));

  auto configure = Fresh<TCustomConfigurePlugin>();
  ComPtr<IPlugin> asPlugin = configure.As<IPlugin>(IID_IPlugin);
  ComPtr<IConfigurePlugin> asConfigure = configure.As<IConfigurePlugin>(IID_IConfigurePlugin);
  ASSERT_TRUE(asPlugin);
  ASSERT_TRUE(asConfigure);
  EXPECT_EQ(asPlugin.As<IUnknown>(IID_IUnknown), asConfigure.As<IUnknown>(IID_IUnknown));
  EXPECT_FALSE(configure.As<IUnknown>(IID_IBOPlugin));
  EXPECT_EQ(asConfigure->ConfigureAll(), S_OK);
  EXPECT_EQ(asConfigure->ConfigureReserved(12), S_OK);
}

// A plug-in whose operations fail the way a concrete plug-in's can.
class FailingPlugin : public TCustomEntityUpdatePlugin {
 protected:
  bool PrepareImpl() override { throw std::runtime_error("no database"); }
  bool BeforeUpdateImpl() override {
    throw ComError(static_cast<HRESULT>(0x80070005u), "access denied");
  }
  void CleanUpImpl() override {
    TCustomEntityUpdatePlugin::CleanUpImpl();
    throw 17;  // not even an exception class
  }
};

TEST(SafeCallGuard, ExceptionsBecomeFailureCodesAndLeaveResultsAlone) {
  auto plugin = Fresh<FailingPlugin>();
  WordBool result = 3;
  EXPECT_EQ(plugin->Prepare(&result), E_UNEXPECTED);
  EXPECT_EQ(result, 3);
  EXPECT_EQ(plugin->BeforeUpdate(&result), static_cast<HRESULT>(0x80070005u));
  EXPECT_EQ(result, 3);
  EXPECT_EQ(plugin->CleanUp(), E_UNEXPECTED);

  // The object stays usable after a failing call.
  const char* description = nullptr;
  EXPECT_EQ(plugin->Get_Description(&description), S_OK);
  EXPECT_EQ(plugin->AfterUpdate(), S_OK);
}

}  // namespace
