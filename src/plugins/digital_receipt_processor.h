#pragma once
// TDigitalReceiptProcessor: the flow of one sale on behalf of the receipt
// plug-in that owns it. Before the invoice is saved it prepares the sale's
// environment (database connection, print flags, invoice checks, settings,
// business-object handles), decides whether the customer pop-up is shown,
// reads the bill-to customer and authenticates it with the receipt service,
// shows the e-mail capture or resend dialog, writes a changed e-mail back to
// the host customer and re-authenticates the customer after a change. After
// the save it sends the receipt of the posted document, shows how that ended
// (sent, queued or failed) and leaves the print flags and receipt ID the
// print event answers from.
//
// The processor runs on the host's calling thread only; every dialog it opens
// is modal there. Its fields are read and set by the plug-ins that own it
// (the e-mail side button puts its own invoice object in intInvcBO and turns
// on resend mode), so they are public.

#include <cstdint>
#include <optional>
#include <string>

#include "host_interfaces/host_interfaces.h"
#include "platform/com/com_ptr.h"
#include "plugins/sale_object_includes.h"
#include "receipt/document_extraction.h"

namespace plugins {

// Process-wide flags of the receipt plug-ins. The configuration-checked flag
// is cleared by the invoice plug-in at each before-update event and by the
// configure plug-in once the setup dialog closed, and set once the settings
// were read, so the settings are read at most once per event. Settings files
// changed since they were read are read again at the next check, whatever
// the flag says.
// The system-preferences-logged flag is set by the first road that logs the
// host's preferences and never cleared.
extern bool ConfigurationChecked;
extern bool SystemPreferencesLogged;

// The two attributes of a sale document that name its bill-to customer: the
// one the processor reads and the one the customer dialogs link.
inline constexpr const char* kBillToCustSidAttr = "Bill To Cust Sid";
inline constexpr const char* kDialogCustSidAttr = "Bill To Cust SID";
// The attribute naming an invoice.
inline constexpr const char* kInvoiceSidAttr = "Invoice SID";

// Creates the process-wide data module when missing and connects it. On
// failure: "Cannot connect to RPro: " and the error in the message form, the
// same after "OnUpdate Connect: " in the service log, and false.
bool ConnectHostDatabase(const std::string& tag);
// Reads the main, workstation and store settings and sets
// ConfigurationChecked.
void ReadSettings();
// The sales-order roads' settings check: unless the settings were read and
// have not changed since, both the main and the store settings file must
// exist ("Setup has not been done." and false otherwise), then the settings
// are read.
bool CheckBothSettingsFiles(const std::string& tag);
// Reads the settings when they were not read or changed since and both the
// main and the store settings file exist, without a message: the sales-order
// roads call it before they ask whether the plug-in is switched off. With
// only one of the two files, the main settings alone are read (a missing
// main file reads as defaults) and the settings stay unchecked, so the
// switched-off setting is known while the settings check still reports the
// unfinished setup. A failing read is logged under `tag`; the settings check
// reports it again.
void ReadChangedSettings(const std::string& tag);

// The print decision of a sale the plug-in, switched off, leaves to the till,
// as the invoice road decides it then: the paper receipt prints, and each
// card slip of the tenders `tendersBO` holds as the workstation's default for
// card receipts says. The tenders are counted on the host object; a failed
// read raises.
void PrintSwitchedOffSale(IPluginAdapter& adapter, int32_t tendersBO, const std::string& tag);

// The failed notice; paper and the card slip are printed then, without the
// receipt-ID message.
void ShowFailedOutcome();

class TDigitalReceiptProcessor {
 public:
  explicit TDigitalReceiptProcessor(IPluginAdapter* adapter);
  TDigitalReceiptProcessor(const TDigitalReceiptProcessor&) = delete;
  TDigitalReceiptProcessor& operator=(const TDigitalReceiptProcessor&) = delete;

  // Before the invoice is saved. Always True: the save is never blocked.
  bool ProcessUnpostedInvoice();
  // True when the sale may be processed: connected, the invoice's type and
  // status 0 or 2, settings read, business objects ready.
  bool InitializeEnvironment();
  bool CheckConfiguration();
  void CheckBOHandles();
  // Reads the customer and shows the dialog (`inBefore`: the document is not
  // saved yet). True when a dialog was shown.
  bool PopupWindow(bool inBefore);
  void ReadCustomerInformation();
  void SaveCustomerIfNeeded();
  // After the save: the late pop-up, the send and its outcome. The sale's
  // flags (FTransControl) are left for the print event; the customer's
  // authentication and the receipt record are cleared on every path that got
  // past the pop-up decision. `expectedInvoiceSid`, when given, is the
  // invoice the caller loaded: when the invoice object holds another one,
  // nothing is extracted or sent, no outcome is shown and the answer is
  // false, so the caller chooses what the cashier sees. True otherwise.
  bool ProcessPostedInvoice(const std::string& expectedInvoiceSid = {});
  // Points the processor at a sale its owner loaded: the invoice, its items,
  // item reference and tenders, the customer object and the customer as
  // read and captured.
  void LoadSale(int32_t invoiceBO, int32_t itemsBO, int32_t itemRefBO, int32_t tendersBO,
                int32_t customerBO, const receipt::TCapturedCustomer& customer);
  // The send of the document on the processor's handles and its outcome:
  // the failed notice at once when NoVesk is set, else extraction, the send
  // and the notice it ends with. False, with nothing sent or shown, when the
  // invoice object does not hold `expectedInvoiceSid`.
  bool SendWithOutcome(const std::string& expectedInvoiceSid);

  ComPtr<IPluginAdapter> FAdapter;
  int32_t intInvcBO = 0;  // 0: the document of the current event
  int32_t intCustBO = -1;
  int32_t intItemsBO = -1;
  int32_t intItemRefBO = -1;
  int32_t intTenderBO = -1;
  bool WindowDisplayed = false;  // a customer dialog was shown for this sale
  std::string FBillToCustSid;
  bool fOkToPop = false;           // the sale qualifies for the customer pop-up
  bool FCustomerModified = false;  // the captured e-mail differs from the stored one
  bool fAuthCustomer = true;       // authenticate the bill-to customer
  bool fResend = false;            // the resend dialog replaces the capture dialog
  bool FUpdateCustomer = false;    // a changed e-mail may be written to the customer
  // The subsidiary number the customer object is filtered on; none while
  // not known (not filtered yet, or the host refused the filter).
  std::optional<std::string> FCustSbsFilter;
  // The attributes included in the customer object so far.
  TIncludedAttributes FCustomerIncludes;
  // The bill-to customer as read and captured, for the receipt.
  receipt::TCapturedCustomer FCustomer;

 private:
  // Extracts, prepares, sends and reads the answer behind the progress
  // window, which is closed on every path; a failure sets NoVesk. False when
  // the invoice object does not hold `expectedInvoiceSid`.
  bool SendPostedDocument(const std::string& expectedInvoiceSid);
  // The dialog and print flags of the ended send.
  void ShowOutcome();
  // The print flags of a sale for which nothing is sent.
  void PrintAsTheTill(const char* routine);
  // The capture or resend dialog; true (a dialog was shown).
  bool DialogStep(bool inBefore);
  IPluginAdapter& Adapter();
  // Filters the customer object on "Cust Sid" = FBillToCustSid: the host's
  // status.
  int32_t FilterOnCustSid();
};

}  // namespace plugins
