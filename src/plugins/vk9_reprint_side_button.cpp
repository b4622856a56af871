#include "plugins/vk9_reprint_side_button.h"

#include "hostplugin/plugin_class_table.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "receipt/records.h"

namespace plugins {

namespace {

IPluginAdapter& Adapter(const ComPtr<IPluginAdapter>& adapter) {
  if (!adapter) throw ComError(E_POINTER, "The reprint button has no host adapter");
  return *adapter;
}

}  // namespace

void Tvk9ReprintSideButton::Initialize() {
  TCustomSideButtonPlugin::Initialize();
  FDescription = "Quenlos Reprint Sidebutton";
  FEnabled = true;
  FGUID = hostplugin::CLSID_vk9ReprintSideButton;
  FBOKind = kBOKindInvoice;
  FCaption = "vesk Print";
  FHint = "Reprint receipt";
  FBitmapFile = "veskPrinter.bmp";
  FFourthText.clear();
}

bool Tvk9ReprintSideButton::Get_ButtonEnabledImpl() {
  WordBool active = 0;
  const HRESULT hr = Adapter(FAdapter).BOIsActive(0, &active);
  if (FAILED(hr)) throw ComError(hr, "The host failed to tell whether the document is active");
  return active == 1;
}

void Tvk9ReprintSideButton::HandleEventInto(WordBool& /*result*/) {
  receipt::TransControl& c = receipt::FTransControl;
  c.PrintingPaper = true;
  c.PrintPaper = true;
  // A reprint is paper: no card slip of an earlier road is pending (the
  // e-mail button marks its invoice's, which the host never prints), so
  // every document the host prints for the reprint, the paper receipt and a
  // card slip should it reprint one, answers the paper decision and prints.
  c.PrintingEFT = false;
  c.CardSlipsPrinted = 0;
  BStr none("");
  int32_t status = 0;
  // The reprint's own status is not used; only a failing call is.
  const HRESULT hr = Adapter(FAdapter).BOReprint(0, 0, none.Get(), &status);
  if (FAILED(hr)) throw ComError(hr, "The host failed to reprint");
}

}  // namespace plugins
