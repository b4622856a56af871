// The host calls every interface by vtable slot. These tests call each slot
// the way the host (or, for the adapter, a plug-in) does, through the raw
// vtable, and check that the intended operation ran.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "host_adapter.h"
#include "hostplugin/custom_configure_plugin.h"
#include "hostplugin/custom_entity_update_plugin.h"
#include "hostplugin/custom_print_plugin.h"
#include "hostplugin/custom_server_plugin.h"
#include "hostplugin/custom_side_button_plugin.h"

namespace {

using namespace hostplugin;

// Calls vtable slot `slot` of the interface pointer `itf` as a COM client
// does: the interface pointer first, then the arguments.
template <class... Args>
HRESULT CallSlot(void* itf, int slot, Args... args) {
  using Method = HRESULT (*)(void*, Args...);
  void** vtable = *static_cast<void***>(itf);
  return reinterpret_cast<Method>(vtable[slot])(itf, args...);
}

// Every overridable operation of the root records its name when it runs.
template <class Base>
class RecordingRoot : public Base {
 public:
  std::vector<std::string> calls;

 protected:
  ComPtr<IPluginAdapter> Get_AdapterImpl() override {
    return Note("Get_Adapter", Base::Get_AdapterImpl());
  }
  const char* Get_DescriptionImpl() override {
    return Note("Get_Description", Base::Get_DescriptionImpl());
  }
  bool Get_EnabledImpl() override { return Note("Get_Enabled", Base::Get_EnabledImpl()); }
  GUID Get_GUIDImpl() override { return Note("Get_GUID", Base::Get_GUIDImpl()); }
  int32_t Get_PriorityImpl() override { return Note("Get_Priority", Base::Get_PriorityImpl()); }
  void Set_AdapterImpl(IPluginAdapter* adapter) override {
    calls.push_back("Set_Adapter");
    Base::Set_AdapterImpl(adapter);
  }
  void Set_EnabledImpl(bool enabled) override {
    calls.push_back("Set_Enabled");
    Base::Set_EnabledImpl(enabled);
  }
  bool HandleEventImpl() override { return Note("HandleEvent", Base::HandleEventImpl()); }
  bool PrepareImpl() override { return Note("Prepare", Base::PrepareImpl()); }
  void CleanUpImpl() override {
    calls.push_back("CleanUp");
    Base::CleanUpImpl();
  }
  bool SupportsImpl(int32_t what) override { return Note("Supports", Base::SupportsImpl(what)); }

  template <class T>
  T Note(const char* name, T value) {
    calls.push_back(name);
    return value;
  }
};

template <class Base>
class RecordingBO : public RecordingRoot<Base> {
 protected:
  int32_t Get_BOKindImpl() override { return this->Note("Get_BOKind", Base::Get_BOKindImpl()); }
};

class RecordingEntity : public RecordingBO<TCustomEntityUpdatePlugin> {
 protected:
  bool BeforeUpdateImpl() override { return Note("BeforeUpdate", true); }
  void AfterUpdateImpl() override { calls.push_back("AfterUpdate"); }
  void OnCancelImpl() override { calls.push_back("OnCancel"); }
  bool BeforeInsertImpl() override { return Note("BeforeInsert", true); }
  void AfterInsertImpl() override { calls.push_back("AfterInsert"); }
  bool BeforeEditImpl() override { return Note("BeforeEdit", true); }
  void AfterEditImpl() override { calls.push_back("AfterEdit"); }
  bool BeforeDeleteImpl() override { return Note("BeforeDelete", true); }
  void AfterDeleteImpl() override { calls.push_back("AfterDelete"); }
  bool BeforeReversalImpl(int32_t emplId, const std::string& comment,
                          const std::string& comment2) override {
    return Note(
        ("BeforeReversal " + std::to_string(emplId) + " " + comment + " " + comment2).c_str(),
        true);
  }
  void AfterReversalImpl(const std::string& newDocSid) override {
    calls.push_back("AfterReversal " + newDocSid);
  }
  bool BeforeCopyImpl() override { return Note("BeforeCopy", true); }
  void AfterCopyImpl() override { calls.push_back("AfterCopy"); }
};

class RecordingSideButton : public RecordingBO<TCustomSideButtonPlugin> {
 protected:
  bool Get_ButtonEnabledImpl() override { return Note("Get_ButtonEnabled", true); }
  const char* Get_CaptionImpl() override { return Note("Get_Caption", ""); }
  bool Get_FalseFlagImpl() override { return Note("Get_FalseFlag", false); }
  const char* Get_HintImpl() override { return Note("Get_Hint", ""); }
  const char* Get_FourthTextImpl() override { return Note("Get_FourthText", ""); }
  const char* Get_BitmapFileImpl() override { return Note("Get_BitmapFile", ""); }
  bool Get_TrueFlagImpl() override { return Note("Get_TrueFlag", true); }
  Variant Get_BOUIEventsImpl() override { return Note("Get_BOUIEvents", Variant()); }
  bool HandleBOUIEventImpl(int32_t handle, const std::string& eventType, const VARIANT&, VARIANT&,
                           WordBool&) override {
    calls.push_back("HandleBOUIEvent " + std::to_string(handle) + " " + eventType);
    return false;
  }
};

class RecordingPrint : public RecordingBO<TCustomPrintPlugin> {
 protected:
  ComPtr<IUnknown> Get_PrintContextImpl() override {
    return Note("Get_PrintContext", ComPtr<IUnknown>());
  }
  void Set_PrintContextImpl(IUnknown*) override { calls.push_back("Set_PrintContext"); }
};

class RecordingServer : public RecordingBO<TCustomServerPlugin> {
 protected:
  bool GetValueImpl(int32_t, const std::string& name, int32_t, VARIANT*, WordBool*) override {
    calls.push_back("GetValue " + name);
    return false;
  }
  Variant GetValueNamesImpl() override { return Note("GetValueNames", Variant()); }
};

class RecordingConfigure : public RecordingRoot<TCustomConfigurePlugin> {
 protected:
  void ConfigureAllImpl() override { calls.push_back("ConfigureAll"); }
};

struct SlotCall {
  int slot;
  std::string expected;  // empty: no operation of the plug-in may run
  std::function<HRESULT(void*)> call;
};

template <class Recorder>
void ExpectSlots(Recorder& plugin, void* itf, const std::vector<SlotCall>& slots) {
  for (const SlotCall& entry : slots) {
    plugin.calls.clear();
    EXPECT_EQ(entry.call(itf), S_OK) << "slot " << entry.slot;
    std::vector<std::string> expected;
    if (!entry.expected.empty()) expected.push_back(entry.expected);
    EXPECT_EQ(plugin.calls, expected) << "slot " << entry.slot;
  }
}

// IPlugin's slots 7..16, common to every plug-in interface.
std::vector<SlotCall> PluginSlots() {
  static WordBool flag;
  static const char* text;
  static GUID guid;
  static int32_t number;
  static IPluginAdapter* adapter;
  return {
      {7, "Get_Description", [](void* p) { return CallSlot(p, 7, &text); }},
      {8, "Get_GUID", [](void* p) { return CallSlot(p, 8, &guid); }},
      {9, "HandleEvent", [](void* p) { return CallSlot(p, 9, &flag); }},
      {10, "CleanUp", [](void* p) { return CallSlot(p, 10); }},
      {11, "Get_Adapter", [](void* p) { return CallSlot(p, 11, &adapter); }},
      {12, "Set_Adapter",
       [](void* p) { return CallSlot(p, 12, static_cast<IPluginAdapter*>(nullptr)); }},
      {13, "Prepare", [](void* p) { return CallSlot(p, 13, &flag); }},
      {14, "Get_Priority", [](void* p) { return CallSlot(p, 14, &number); }},
      {15, "Get_Enabled", [](void* p) { return CallSlot(p, 15, &flag); }},
      {16, "Set_Enabled", [](void* p) { return CallSlot(p, 16, WordBool{-1}); }},
  };
}

std::vector<SlotCall> BOPluginSlots() {
  static int32_t kind;
  auto slots = PluginSlots();
  slots.push_back({17, "Get_BOKind", [](void* p) { return CallSlot(p, 17, &kind); }});
  return slots;
}

template <class T>
ComPtr<T> Fresh() {
  ComPtr<T> plugin = MakeComObject<T>();
  plugin->Initialize();
  return plugin;
}

TEST(SlotOrder, EntityUpdatePlugin) {
  auto plugin = Fresh<RecordingEntity>();
  ComPtr<IEntityUpdatePlugin> itf = plugin.As<IEntityUpdatePlugin>(IID_IEntityUpdatePlugin);
  static WordBool flag;
  static BStr comment("c1"), comment2("c2"), docSid("D9");
  auto slots = BOPluginSlots();
  slots.insert(slots.end(),
               {
                   {18, "BeforeUpdate", [](void* p) { return CallSlot(p, 18, &flag); }},
                   {19, "AfterUpdate", [](void* p) { return CallSlot(p, 19); }},
                   {20, "OnCancel", [](void* p) { return CallSlot(p, 20); }},
                   {21, "BeforeInsert", [](void* p) { return CallSlot(p, 21, &flag); }},
                   {22, "AfterInsert", [](void* p) { return CallSlot(p, 22); }},
                   {23, "BeforeEdit", [](void* p) { return CallSlot(p, 23, &flag); }},
                   {24, "AfterEdit", [](void* p) { return CallSlot(p, 24); }},
                   {25, "BeforeDelete", [](void* p) { return CallSlot(p, 25, &flag); }},
                   {26, "AfterDelete", [](void* p) { return CallSlot(p, 26); }},
                   {27, "Supports", [](void* p) { return CallSlot(p, 27, int32_t{0}, &flag); }},
                   {28, "BeforeReversal 5 c1 c2",
                    [](void* p) {
                      return CallSlot(p, 28, int32_t{5}, comment.Get(), comment2.Get(), &flag);
                    }},
                   {29, "AfterReversal D9", [](void* p) { return CallSlot(p, 29, docSid.Get()); }},
                   {30, "BeforeCopy", [](void* p) { return CallSlot(p, 30, &flag); }},
                   {31, "AfterCopy", [](void* p) { return CallSlot(p, 31); }},
               });
  ExpectSlots(*plugin, itf.Get(), slots);
}

TEST(SlotOrder, SideButtonPlugin) {
  auto plugin = Fresh<RecordingSideButton>();
  ComPtr<ISideButtonPlugin> itf = plugin.As<ISideButtonPlugin>(IID_ISideButtonPlugin);
  static WordBool flag, handled, result;
  static const char* text;
  static BStr event("SALERECORDED");
  auto slots = BOPluginSlots();
  slots.insert(slots.end(),
               {
                   {18, "Get_Caption", [](void* p) { return CallSlot(p, 18, &text); }},
                   {19, "Get_BitmapFile", [](void* p) { return CallSlot(p, 19, &text); }},
                   {20, "Get_ButtonEnabled", [](void* p) { return CallSlot(p, 20, &flag); }},
                   {21, "Get_TrueFlag", [](void* p) { return CallSlot(p, 21, &flag); }},
                   {22, "Get_FalseFlag", [](void* p) { return CallSlot(p, 22, &flag); }},
                   {23, "Get_Hint", [](void* p) { return CallSlot(p, 23, &text); }},
                   {24, "Get_FourthText", [](void* p) { return CallSlot(p, 24, &text); }},
                   {25, "Supports", [](void* p) { return CallSlot(p, 25, int32_t{0}, &flag); }},
                   {26, "HandleBOUIEvent 3 SALERECORDED",
                    [](void* p) {
                      Variant parameters;
                      Variant returnValues;
                      return CallSlot(p, 26, int32_t{3}, event.Get(), &parameters.Get(),
                                      returnValues.Put(), &handled, &result);
                    }},
                   {27, "Get_BOUIEvents",
                    [](void* p) {
                      Variant events;
                      return CallSlot(p, 27, events.Put());
                    }},
               });
  ExpectSlots(*plugin, itf.Get(), slots);
}

TEST(SlotOrder, PrintPlugin) {
  auto plugin = Fresh<RecordingPrint>();
  ComPtr<IPrintPlugin> itf = plugin.As<IPrintPlugin>(IID_IPrintPlugin);
  static IUnknown* context;
  static WordBool flag;
  auto slots = BOPluginSlots();
  slots.insert(slots.end(),
               {
                   {18, "Get_PrintContext", [](void* p) { return CallSlot(p, 18, &context); }},
                   {19, "Set_PrintContext",
                    [](void* p) { return CallSlot(p, 19, static_cast<IUnknown*>(nullptr)); }},
                   {20, "Supports", [](void* p) { return CallSlot(p, 20, int32_t{0}, &flag); }},
               });
  ExpectSlots(*plugin, itf.Get(), slots);
}

TEST(SlotOrder, ServerPlugin) {
  auto plugin = Fresh<RecordingServer>();
  ComPtr<IServerPlugin> itf = plugin.As<IServerPlugin>(IID_IServerPlugin);
  static WordBool flag, found;
  static BStr name("X");
  auto slots = BOPluginSlots();
  slots.insert(slots.end(),
               {
                   {18, "Supports", [](void* p) { return CallSlot(p, 18, int32_t{0}, &flag); }},
                   {19, "GetValue X",
                    [](void* p) {
                      Variant value;
                      return CallSlot(p, 19, int32_t{0}, name.Get(), int32_t{0}, value.Put(),
                                      &found, &flag);
                    }},
                   {20, "GetValueNames",
                    [](void* p) {
                      Variant names;
                      return CallSlot(p, 20, names.Put());
                    }},
               });
  ExpectSlots(*plugin, itf.Get(), slots);
}

TEST(SlotOrder, ConfigurePluginAnswersBothOfItsInterfaces) {
  auto plugin = Fresh<RecordingConfigure>();
  ComPtr<IPlugin> common = plugin.As<IPlugin>(IID_IPlugin);
  ExpectSlots(*plugin, common.Get(), PluginSlots());

  ComPtr<IConfigurePlugin> itf = plugin.As<IConfigurePlugin>(IID_IConfigurePlugin);
  static WordBool flag;
  ExpectSlots(*plugin, itf.Get(),
              {
                  {7, "ConfigureAll", [](void* p) { return CallSlot(p, 7); }},
                  {8, "", [](void* p) { return CallSlot(p, 8, int32_t{1}); }},
                  {9, "Supports", [](void* p) { return CallSlot(p, 9, int32_t{0}, &flag); }},
              });
}

TEST(SlotOrder, PlainBusinessObjectPlugin) {
  auto plugin = Fresh<RecordingBO<TCustomBOPluginT<IBOPlugin>>>();
  ComPtr<IBOPlugin> itf = plugin.As<IBOPlugin>(IID_IBOPlugin);
  ExpectSlots(*plugin, itf.Get(), BOPluginSlots());
}

// The adapter's methods as a plug-in calls them: method number -> the name the
// host records for it.
TEST(SlotOrder, PluginAdapterNamedMethodsSitAtTheirNumbers) {
  ComPtr<hostsim::HostAdapter> host = MakeComObject<hostsim::HostAdapter>();
  IPluginAdapter* itf = host.Get();
  int32_t status = 0, handle = 0, code = 0;
  WordBool flag = 0;
  BStr name("Cust Sid");
  Variant value("v");
  struct Named {
    int number;
    const char* recorded;
    std::function<HRESULT()> call;
  };
  auto slot = [&](int number) { return AdapterSlot(number); };
  std::vector<Named> named = {
      {1, "BOSetAttrValue(",
       [&] { return CallSlot(itf, slot(1), 0, name.Get(), &value.Get(), &status); }},
      {2, "BOGetAttrValue(",
       [&] {
         Variant v;
         return CallSlot(itf, slot(2), 0, name.Get(), v.Put());
       }},
      {6, "BOIsOpen(", [&] { return CallSlot(itf, slot(6), 0, &status); }},
      {11, "BOIsActive(", [&] { return CallSlot(itf, slot(11), 0, &flag); }},
      {17, "BOOperation17(",
       [&] { return CallSlot(itf, slot(17), 0, VARIANT_TRUE, &value.Get(), &status); }},
      {26, "BOOpen(", [&] { return CallSlot(itf, slot(26), 0, &status); }},
      {28, "BOClose(", [&] { return CallSlot(itf, slot(28), 0, &status); }},
      {30, "BOEdit(", [&] { return CallSlot(itf, slot(30), 0, &status); }},
      {31, "BOInsert(", [&] { return CallSlot(itf, slot(31), 0, &status); }},
      {33, "BOPost(", [&] { return CallSlot(itf, slot(33), 0, &status); }},
      {37, "BOFirst(", [&] { return CallSlot(itf, slot(37), 0, &status); }},
      {38, "BONext(", [&] { return CallSlot(itf, slot(38), 0, &status); }},
      {43, "BOEof(", [&] { return CallSlot(itf, slot(43), 0, &flag); }},
      {66, "BOCreate(", [&] { return CallSlot(itf, slot(66), int32_t{5}, &handle, &status); }},
      {78, "BOGetChild(", [&] { return CallSlot(itf, slot(78), 0, name.Get(), &handle, &status); }},
      {79, "GetPreference(",
       [&] {
         Variant v;
         return CallSlot(itf, slot(79), int32_t{745}, int32_t{1}, v.Put());
       }},
      {83, "BOIncludeAttrForced(",
       [&] { return CallSlot(itf, slot(83), 0, name.Get(), VARIANT_TRUE, &status); }},
      {91, "BOSetFilterAttr(",
       [&] { return CallSlot(itf, slot(91), 0, name.Get(), &value.Get(), 1, -1, -1, &status); }},
      {95, "BOOperation95(", [&] { return CallSlot(itf, slot(95), 0, &value.Get(), &status); }},
      {122, "GetLastErrorMessage(",
       [&] {
         BStr t;
         return CallSlot(itf, slot(122), t.Put());
       }},
      {123, "GetLastErrorCode(", [&] { return CallSlot(itf, slot(123), &code); }},
      {124, "GetLastErrorFunction(",
       [&] {
         BStr t;
         return CallSlot(itf, slot(124), t.Put());
       }},
      {125, "Operation125(", [&] { return CallSlot(itf, slot(125), &status); }},
      {126, "BOReprint(",
       [&] {
         BStr t;
         return CallSlot(itf, slot(126), 0, 0, t.Get(), &status);
       }},
  };
  host->Store().SetDocument(hostsim::BusinessObject(kBOKindInvoice));
  std::vector<bool> isNamed(127, false);
  for (const Named& entry : named) {
    isNamed[static_cast<size_t>(entry.number)] = true;
    host->ClearTrace();
    EXPECT_TRUE(SUCCEEDED(entry.call())) << "method " << entry.number;
    ASSERT_EQ(host->Trace().size(), 1u) << "method " << entry.number;
    EXPECT_EQ(host->Trace()[0].rfind(entry.recorded, 0), 0u)
        << "method " << entry.number << " reached " << host->Trace()[0];
  }
  // Every other number is a placeholder that knows its own number.
  for (int number = 0; number <= 126; ++number) {
    if (isNamed[static_cast<size_t>(number)]) continue;
    host->ClearTrace();
    EXPECT_EQ(CallSlot(itf, slot(number)), E_NOTIMPL) << "method " << number;
    char expected[32];
    std::snprintf(expected, sizeof expected, "Reserved%03d()", number);
    ASSERT_EQ(host->Trace().size(), 1u);
    EXPECT_EQ(host->Trace()[0], expected);
  }
}

}  // namespace
