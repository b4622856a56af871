#include "hostplugin/custom_side_button_plugin.h"

namespace hostplugin {
namespace {

constexpr int kEventLogLevel = 5;

// A variant as one log value; arrays and objects are named by their type.
std::string VariantLogText(const VARIANT& value) {
  if ((value.vt & VT_ARRAY) != 0) return "(array)";
  if (value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) return "(object)";
  try {
    return Variant(value).ToString();
  } catch (const std::exception&) {
    return "(vt " + std::to_string(value.vt) + ")";
  }
}

}  // namespace

HRESULT TCustomSideButtonPlugin::Get_Caption(const char** value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = Get_CaptionImpl();
  });
}

HRESULT TCustomSideButtonPlugin::Get_BitmapFile(const char** value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = Get_BitmapFileImpl();
  });
}

HRESULT TCustomSideButtonPlugin::Get_ButtonEnabled(WordBool* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = ToWordBool(Get_ButtonEnabledImpl());
  });
}

HRESULT TCustomSideButtonPlugin::Get_TrueFlag(WordBool* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = ToWordBool(Get_TrueFlagImpl());
  });
}

HRESULT TCustomSideButtonPlugin::Get_FalseFlag(WordBool* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = ToWordBool(Get_FalseFlagImpl());
  });
}

HRESULT TCustomSideButtonPlugin::Get_Hint(const char** value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = Get_HintImpl();
  });
}

HRESULT TCustomSideButtonPlugin::Get_FourthText(const char** value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    out = Get_FourthTextImpl();
  });
}

HRESULT TCustomSideButtonPlugin::Supports(int32_t what, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(SupportsImpl(what));
  });
}

HRESULT TCustomSideButtonPlugin::HandleBOUIEvent(int32_t ABOHandle, BSTR AEventType,
                                                 const VARIANT* AParameters, VARIANT* AReturnValues,
                                                 WordBool* AHandled, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    auto& returnValues = OutArg(AReturnValues);
    auto& handled = OutArg(AHandled);
    Variant noParameters;
    const VARIANT& parameters = AParameters != nullptr ? *AParameters : noParameters.Get();
    out = ToWordBool(HandleBOUIEventImpl(ABOHandle, Utf8FromBstr(AEventType), parameters,
                                         returnValues, handled));
  });
}

HRESULT TCustomSideButtonPlugin::Get_BOUIEvents(VARIANT* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    Variant copy = Get_BOUIEventsImpl();
    out = copy.Detach();
  });
}

void* TCustomSideButtonPlugin::FindInterface(const IID& iid) {
  if (iid == IID_ISideButtonPlugin) return static_cast<ISideButtonPlugin*>(this);
  return TCustomBOPluginT::FindInterface(iid);
}

bool TCustomSideButtonPlugin::HandleBOUIEventImpl(int32_t ABOHandle, const std::string& AEventType,
                                                  const VARIANT& AParameters,
                                                  VARIANT& AReturnValues, WordBool& AHandled) {
  bool result = false;
  if (FLogLevel < kEventLogLevel) return result;
  std::string name = std::string(ClassName()) + ".HandleBOUIEvent";
  WriteLog(name + " BEGIN", ltMethod, kEventLogLevel);
  LogData("ABOHandle", ABOHandle, ltData, kEventLogLevel);
  LogData("AEventType", AEventType, ltData, kEventLogLevel);
  LogData("AParameters", VariantLogText(AParameters), ltData, kEventLogLevel);
  LogData("AReturnValues", VariantLogText(AReturnValues), ltData, kEventLogLevel);
  LogData("AHandled", FromWordBool(AHandled), ltData, kEventLogLevel);
  LogData("Result", result, ltData, kEventLogLevel);
  WriteLog(name + " END", ltMethod, kEventLogLevel);
  return result;
}

}  // namespace hostplugin
