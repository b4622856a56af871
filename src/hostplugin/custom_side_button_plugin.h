#pragma once
// Side-button plug-in base: a button in the host's side bar, with its texts,
// enabled state and the business-object UI events it subscribes to.

#include <cstdint>
#include <string>

#include "hostplugin/custom_abstract_plugin.h"

namespace hostplugin {

class TCustomSideButtonPlugin : public TCustomBOPluginT<ISideButtonPlugin> {
 public:
  const char* ClassName() const override { return "TCustomSideButtonPlugin"; }

  // ISideButtonPlugin
  HRESULT Get_Caption(const char** value) final;
  HRESULT Get_BitmapFile(const char** value) final;
  HRESULT Get_ButtonEnabled(WordBool* value) final;
  HRESULT Get_TrueFlag(WordBool* value) final;
  HRESULT Get_FalseFlag(WordBool* value) final;
  HRESULT Get_Hint(const char** value) final;
  HRESULT Get_FourthText(const char** value) final;
  HRESULT Supports(int32_t what, WordBool* result) final;
  HRESULT HandleBOUIEvent(int32_t ABOHandle, BSTR AEventType, const VARIANT* AParameters,
                          VARIANT* AReturnValues, WordBool* AHandled, WordBool* result) final;
  HRESULT Get_BOUIEvents(VARIANT* value) final;

 protected:
  void* FindInterface(const IID& iid) override;

  // Operations in the order of the class's virtual slots.
  virtual bool Get_ButtonEnabledImpl() { return FButtonEnabled != 0; }
  virtual const char* Get_CaptionImpl() { return FCaption.c_str(); }
  virtual bool Get_FalseFlagImpl() { return false; }
  virtual const char* Get_HintImpl() { return FHint.c_str(); }
  virtual const char* Get_FourthTextImpl() { return FFourthText.c_str(); }
  virtual const char* Get_BitmapFileImpl() { return FBitmapFile.c_str(); }
  virtual bool Get_TrueFlagImpl() { return true; }
  // A copy of FBOUIEvents.
  virtual Variant Get_BOUIEventsImpl() { return FBOUIEvents; }
  // A business-object UI event the button subscribed to; answers False and
  // leaves the return values and the handled flag alone by default.
  virtual bool HandleBOUIEventImpl(int32_t ABOHandle, const std::string& AEventType,
                                   const VARIANT& AParameters, VARIANT& AReturnValues,
                                   WordBool& AHandled);

  std::string FCaption;
  std::string FHint;
  std::string FBitmapFile;
  std::string FFourthText;  // nothing sets it
  uint8_t FButtonEnabled = 0;
  Variant FBOUIEvents;
};

}  // namespace hostplugin
