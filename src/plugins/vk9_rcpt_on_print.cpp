#include "plugins/vk9_rcpt_on_print.h"

#include "dialogs/outcome_dialogs.h"
#include "foundation/log.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/bstr.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"
#include "receipt/records.h"

namespace plugins {

namespace {

constexpr const char* kTag = "TVK9RcptOnPrint.HandleEvent";

bool SaleOrReturn(int32_t value) {
  return value == 0 || value == 2;
}

void Check(HRESULT hr, const char* call) {
  if (FAILED(hr)) throw ComError(hr, std::string(call) + " failed");
}

}  // namespace

std::string ReceiptIdMessage() {
  return std::string("See a digital copy of this receipt at ") + dialogs::kCustomerWebSite +
         " and add this receipt ID to your account: ";
}

void TVK9RcptOnPrint::Initialize() {
  TCustomPrintPlugin::Initialize();
  FBOKind = kBOKindInvoice;
  FEnabled = true;
  FDescription = "Norvane Print Control";
  FGUID = hostplugin::CLSID_vk9RcptOnPrint;
  FPriority = ppNormal;
}

bool TVK9RcptOnPrint::HandleEventImpl() {
  receipt::TransControl& c = receipt::FTransControl;
  foundation::KWLog(9,
                    std::string("Flags: PrintingEFT=") + (c.PrintingEFT ? "True" : "False") +
                        " PrintEFT=" + (c.PrintEFT ? "True" : "False") +
                        " PrintingPaper=" + (c.PrintingPaper ? "True" : "False") +
                        " PrintPaper=" + (c.PrintPaper ? "True" : "False") +
                        " PrintVeskMessagePrint=" + (c.PrintVeskMessagePrint ? "True" : "False"),
                    foundation::kLevelDebug, kTag);
  bool result = true;
  if (c.PrintingEFT) {
    // A card slip: the host prints one for each card tender of the sale, and
    // each follows the same decision; the document after the last one is
    // the paper receipt.
    result = c.PrintEFT;
    if (++c.CardSlipsPrinted >= c.CardTenders) {
      c.PrintingEFT = false;
      c.CardSlipsPrinted = 0;
    }
  } else if (c.PrintingPaper) {
    result = c.PrintPaper;
    c.PrintPaper = true;
  } else {
    // No sale decided anything for this document (none since the load): it
    // prints, and paper printing is armed for the next.
    c.PrintingPaper = true;
    c.PrintPaper = true;
  }
  if (c.PrintVeskMessagePrint) {
    // The message is an extra: a failure to add it is logged and the
    // document's print decision still goes to the host.
    try {
      AddReceiptIdMessage();
    } catch (const std::exception& e) {
      foundation::KWLog(0, std::string("HandleEvent while ") + e.what(), foundation::kLevelError,
                        kTag);
    }
  }
  foundation::KWLog(7, std::string("Printing event: result=") + (result ? "True" : "False"),
                    foundation::kLevelInfo, kTag);
  return result;
}

void TVK9RcptOnPrint::AddReceiptIdMessage() {
  if (!FAdapter) throw ComError(E_POINTER, "no adapter");
  const int32_t type = hostplugin::GetBOFieldInt(*FAdapter, 0, "Invoice Type");
  const int32_t status = hostplugin::GetBOFieldInt(*FAdapter, 0, "Status");
  if (!SaleOrReturn(status) && !SaleOrReturn(type)) return;
  // The receipt ID is the sale's: a reprint of another invoice does not get
  // it.
  const std::string& owner = receipt::FTransControl.ReceiptIDInvoiceSid;
  const std::string printed = hostplugin::GetBOFieldValue(*FAdapter, 0, "Invoice SID");
  if (owner.empty() || printed != owner) {
    foundation::KWLog(7,
                      "The receipt ID belongs to invoice [" + owner + "], not to [" + printed +
                          "]: no receipt-ID message",
                      foundation::kLevelInfo, kTag);
    return;
  }
  ComPtr<IXMLDOMDocument> document;
  if (FPrintContext) document = FPrintContext.As<IXMLDOMDocument>(IID_IXMLDOMDocument);
  if (!document) {
    throw ComError(E_NOINTERFACE, "the print context is no XML document");
  }
  BStr tag("RootItemReceipt");
  ComPtr<IXMLDOMNodeList> list;
  Check(document->getElementsByTagName(tag.Get(), list.Put()), "getElementsByTagName");
  int32_t length = 0;
  Check(list->get_length(&length), "get_length");
  if (length <= 0) {
    foundation::KWLog(7, "No RootItemReceipt element: no receipt-ID message",
                      foundation::kLevelInfo, kTag);
    return;
  }
  ComPtr<IUnknown> node;
  Check(list->get_item(0, node.Put()), "get_item");
  ComPtr<IXMLDOMElement> element;
  if (node) element = node.As<IXMLDOMElement>(IID_IXMLDOMElement);
  if (!element) {
    throw ComError(E_NOINTERFACE, "item 0 is no element");
  }
  BStr name("VeskMess");
  Variant value(ReceiptIdMessage() + receipt::FTransControl.ReceiptID);
  Check(element->setAttribute(name.Get(), &value.Get()), "setAttribute");
}

}  // namespace plugins
