#pragma once
// Server plug-in base: answers named values to the host. Extra lists further
// interfaces a concrete server implements.

#include "hostplugin/custom_abstract_plugin.h"

namespace hostplugin {

template <class... Extra>
class TCustomServerPluginT : public TCustomBOPluginT<IServerPlugin, Extra...> {
  using Base = TCustomBOPluginT<IServerPlugin, Extra...>;

 public:
  const char* ClassName() const override { return "TCustomServerPlugin"; }

  // IServerPlugin
  HRESULT Supports(int32_t what, WordBool* result) final {
    return SafeCall([&] {
      auto& out = OutArg(result);
      out = ToWordBool(this->SupportsImpl(what));
    });
  }
  HRESULT GetValue(int32_t handle, BSTR valueName, int32_t valueContext, VARIANT* value,
                   WordBool* found, WordBool* result) final {
    return SafeCall([&] {
      auto& out = OutArg(result);
      OutArg(value);
      OutArg(found);
      out = ToWordBool(GetValueImpl(handle, Utf8FromBstr(valueName), valueContext, value, found));
    });
  }
  HRESULT GetValueNames(VARIANT* names) final {
    return SafeCall([&] {
      auto& out = OutArg(names);
      Variant copy = GetValueNamesImpl();
      out = copy.Detach();
    });
  }

 protected:
  void* FindInterface(const IID& iid) override {
    if (iid == IID_IServerPlugin) return static_cast<IServerPlugin*>(this);
    return Base::FindInterface(iid);
  }

  // Answers the named value through `value` and `found`; the default leaves
  // both untouched and answers False.
  virtual bool GetValueImpl(int32_t /*handle*/, const std::string& /*valueName*/,
                            int32_t /*valueContext*/, VARIANT* /*value*/, WordBool* /*found*/) {
    return false;
  }
  // A copy of FValueNames.
  virtual Variant GetValueNamesImpl() { return FValueNames; }

  // The names of the values the server answers.
  Variant FValueNames;
};

using TCustomServerPlugin = TCustomServerPluginT<>;

}  // namespace hostplugin
