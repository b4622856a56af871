#pragma once
// The root of the plug-in class tree and its business-object specialisation.
//
// A plug-in is one COM object implementing one host interface (Itf, an
// extension of IPlugin, or IPlugin itself) plus optional further interfaces
// (Extra). The host-facing methods are implemented here once, each running its
// body inside the safecall guard; what a plug-in does is in the protected
// "...Impl" operations, which concrete plug-ins override. Texts are answered
// as pointers to the plug-in's own strings.

#include <stdexcept>
#include <string>

#include "host_interfaces/host_interfaces.h"
#include "hostplugin/plugin_core.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/safecall.h"
#include "platform/com/variant.h"
#include "platform/com/vtable_dispatch.h"

namespace hostplugin {

// The caller's out parameter; a null pointer fails the call with E_POINTER.
template <class T>
T& OutArg(T* p) {
  if (p == nullptr) throw ComError(E_POINTER, "null out parameter");
  return *p;
}

template <class Itf, class... Extra>
class TCustomAbstractPluginT : public VtableDispatchObject<Itf, Extra...>, public PluginCore {
 public:
  // Run by the class factory after construction, before the host gets the
  // object. Concrete plug-ins call it first, then set their own values.
  virtual void Initialize() { InitializeFields(); }

  // IPlugin
  HRESULT Get_Description(const char** value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      out = Get_DescriptionImpl();
    });
  }
  HRESULT Get_GUID(GUID* value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      out = Get_GUIDImpl();
    });
  }
  HRESULT HandleEvent(WordBool* result) final {
    return SafeCall([&] { HandleEventInto(OutArg(result)); });
  }
  HRESULT CleanUp() final {
    return SafeCall([&] { CleanUpImpl(); });
  }
  HRESULT Get_Adapter(IPluginAdapter** value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      out = Get_AdapterImpl().Detach();
    });
  }
  HRESULT Set_Adapter(IPluginAdapter* value) final {
    return SafeCall([&] { Set_AdapterImpl(value); });
  }
  HRESULT Prepare(WordBool* result) final {
    return SafeCall([&] {
      auto& out = OutArg(result);
      out = ToWordBool(PrepareImpl());
    });
  }
  HRESULT Get_Priority(int32_t* value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      int32_t priority = Get_PriorityImpl();
      if (priority < ppNormal || priority > ppHigh) {
        throw std::out_of_range("Range check error: priority " + std::to_string(priority));
      }
      out = priority;
    });
  }
  HRESULT Get_Enabled(WordBool* value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      out = ToWordBool(Get_EnabledImpl());
    });
  }
  HRESULT Set_Enabled(WordBool value) final {
    return SafeCall([&] { Set_EnabledImpl(FromWordBool(value)); });
  }

 protected:
  TCustomAbstractPluginT() = default;

  void* FindInterface(const IID& iid) override {
    if (iid == IID_IDispatch) return static_cast<IDispatch*>(static_cast<Itf*>(this));
    if (iid == IID_IPlugin) return static_cast<IPlugin*>(static_cast<Itf*>(this));
    return nullptr;
  }

  // Operations in the order of the root's virtual slots.
  virtual ComPtr<IPluginAdapter> Get_AdapterImpl() { return FAdapter; }
  virtual const char* Get_DescriptionImpl() { return FDescription.c_str(); }
  virtual bool Get_EnabledImpl() { return FEnabled; }
  virtual GUID Get_GUIDImpl() { return FGUID; }
  virtual int32_t Get_PriorityImpl() { return FPriority; }
  virtual void Set_AdapterImpl(IPluginAdapter* adapter) {
    FAdapter = ComPtr<IPluginAdapter>(adapter);
  }
  virtual void Set_EnabledImpl(bool enabled) { FEnabled = enabled; }
  // The action entry of buttons and print control.
  virtual bool HandleEventImpl() { return true; }
  // Answers the event into the host's result; a plug-in that leaves the
  // host's initial value standing overrides this instead of HandleEventImpl.
  virtual void HandleEventInto(WordBool& result) { result = ToWordBool(HandleEventImpl()); }
  // Set-up once the adapter is known.
  virtual bool PrepareImpl() { return true; }
  // Releases what Prepare made and drops the adapter.
  virtual void CleanUpImpl() { CleanUpFields(); }
  virtual bool SupportsImpl(int32_t /*what*/) { return false; }
};

template <class Itf, class... Extra>
class TCustomBOPluginT : public TCustomAbstractPluginT<Itf, Extra...> {
 public:
  void Initialize() override {
    TCustomAbstractPluginT<Itf, Extra...>::Initialize();
    FBOKind = 0;
  }

  // IBOPlugin
  HRESULT Get_BOKind(int32_t* value) final {
    return SafeCall([&] {
      auto& out = OutArg(value);
      out = Get_BOKindImpl();
    });
  }

 protected:
  void* FindInterface(const IID& iid) override {
    if (iid == IID_IBOPlugin) return static_cast<IBOPlugin*>(static_cast<Itf*>(this));
    return TCustomAbstractPluginT<Itf, Extra...>::FindInterface(iid);
  }

  virtual int32_t Get_BOKindImpl() { return FBOKind; }

  // The host business-object kind the plug-in is bound to.
  int32_t FBOKind = 0;
};

// The plain root and business-object plug-ins (used as they are by tests).
class TCustomAbstractPlugin final : public TCustomAbstractPluginT<IPlugin> {};
class TCustomBOPlugin final : public TCustomBOPluginT<IBOPlugin> {
 public:
  const char* ClassName() const override { return "TCustomBOPlugin"; }
};

}  // namespace hostplugin
