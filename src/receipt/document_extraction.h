#pragma once
// ExtractDocument: copies a posted invoice out of the host into a new invoice
// container (header values, one container per item, one per tender), adding
// what only the host database knows: each item's vendor name, a deposit's
// sales-order balance and card names. Business objects are read through the
// host's adapter, the database through the process-wide data module.

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "host_interfaces/host_interfaces.h"
#include "receipt/containers.h"

namespace receipt {

// The bill-to customer as the sale captured it; the processor fills it, the
// loyalty number from the customer attribute the main settings name.
struct TCapturedCustomer {
  std::string CustId;  // the host's "Cust Id"
  std::string FirstName;
  std::string LastName;
  std::string LoyaltyNumber;
  std::string Email;
  std::string Phone1;
};

// Raised when the invoice object is not the invoice to extract: it holds no
// record, or another invoice than the one the caller loaded.
class EExtractAssertion : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The statements extraction runs, with their bind variables.
inline constexpr const char* kVendorSQL =
    "select v.Vend_Name, v.Vend_Code from vendor_v v join invn_sbs_v i on i.sbs_no=v.Sbs_No and "
    "v.Vend_Code=i.vend_code where i.Item_Sid=:item_sid and i.sbs_no=:sbs_no";
// The balance of a sales order: a discount percentage or amount the order
// does not carry (Null) counts as none.
inline constexpr const char* kSalesOrderBalanceSQL =
    "select Disc_Perc, Disc_Amt, ExtPrc, ExtTax, TotTax, TotDep, ( ( ( ExtPrc + TotTax + TotFee ) "
    "- Disc_Amt ) - TotDep ) as BalDue from ( select nvl( s.Disc_Perc,0 ) as Disc_Perc, nvl( "
    "s.Disc_Amt,0 ) as Disc_Amt, ExtPrc, ExtTax, ( ExtTax * ( 1-( nvl( s.Disc_Perc,0 )/100 ) ) ) "
    "as TotTax, ( select nvl( sum( nvl( sf.amt,0 ) ),0 ) from "
    "SO_Fee sf where sf.so_sid=s.so_sid ) as TotFee, ( select nvl( sum( nvl( rf.amt * "
    "r.Modifier,0 ) ),0 ) from invoice_v r, invc_fee rf, so_depst sd where sd.so_sid=s.so_sid and "
    "rf.invc_sid=sd.invc_sid and rf.fee_type=-2 and r.invc_sid=rf.invc_sid ) as TotDep from so_v "
    "s, ( ( select si.SO_SID, sum( si.PRICE * si.ORD_QTY ) as ExtPrc, sum( ( nvl( si.TAX_AMT,0 ) "
    "+ nvl( si.TAX_AMT2,0 ) ) * si.ORD_QTY ) as ExtTax from so_item_v si where si.SO_SID=:so_sid "
    "group by so_sid  ) a  ) where s.SO_Sid=a.SO_SID  )";
inline constexpr const char* kCardNameSQL =
    "select crd_name from credit_card_v where sbs_no=:sbs_no and crd_type=:crd_type";

// Extracts the invoice behind `invoiceBO` with its items (`itemsBO`, each
// item's inventory record on `itemRefBO`) and tenders (`tendersBO`).
// `customerBO` and `resend` are passed on by the callers and not read here.
// `loadedInvoiceSid` names the invoice the caller loaded into `invoiceBO`
// (empty for the document of the current event).
//
// "Store Name", "Barcode Type", the card list and the subsidiary of the card
// names come from the settings records as they stand.
//
// Any failure (EExtractAssertion, a host read the host refuses, a statement
// the database refuses) is logged as "ExtractDocument while " + the step and
// raised again: there is no container, so nothing is sent.
std::unique_ptr<TInvoiceContainer> ExtractDocument(IPluginAdapter& adapter, int32_t invoiceBO,
                                                   int32_t itemsBO, int32_t itemRefBO,
                                                   int32_t tendersBO, int32_t customerBO,
                                                   const TCapturedCustomer& customer, bool resend,
                                                   const std::string& loadedInvoiceSid = {});

}  // namespace receipt
