#include "hostplugin/bo_fields.h"

#include <array>
#include <charconv>
#include <cstdio>

#include "foundation/customer_field_names.h"
#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "foundation/text_convert.h"
#include "foundation/variant_text.h"
#include "platform/com/com_error.h"
#include "platform/com/variant.h"

namespace hostplugin {

namespace {

std::string HexStatus(HRESULT hr) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

// Reads one attribute; a failure status from the host becomes ComError.
Variant ReadField(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  BStr name(fieldName);
  Variant value;
  const HRESULT hr = adapter.BOGetAttrValue(boHandle, name.Get(), value.Put());
  if (FAILED(hr)) {
    throw ComError(hr, "The host could not read the field \"" + fieldName +
                           "\" of business object " + std::to_string(boHandle) + " (" +
                           HexStatus(hr) + ")");
  }
  return value;
}

// Decimal integer text (sign allowed, blanks around it ignored), else 0.
int32_t TextToIntOrZero(const std::string& text) {
  const std::string trimmed = foundation::helpers::TrimText(text);
  const char* first = trimmed.data();
  const char* last = first + trimmed.size();
  if (first != last && *first == '+') ++first;
  int32_t value = 0;
  auto [end, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || end != last || first == last) return 0;
  return value;
}

bool FieldSaysYes(IPluginAdapter& adapter, int32_t boHandle, const std::string& field) {
  const std::string text = GetBOFieldValue(adapter, boHandle, field);
  return foundation::helpers::UpperAscii(foundation::helpers::TrimText(text)) == "YES";
}

constexpr size_t kPrefLineWidth = 38;

int32_t CurrentSubsidiary() {
  const int32_t sbs = TextToIntOrZero(foundation::MainPrefs.SBS);
  const std::string trimmed = foundation::helpers::TrimText(foundation::MainPrefs.SBS);
  return (sbs == 0 && trimmed != "0") ? 1 : sbs;
}

void LogSystemPrefsLine(const std::string& text) {
  foundation::KWLog(0, text, foundation::kLevelInfo, "LogSystemPrefs");
}

extern const std::array<BusinessPref, 561> kLoggedPrefs;

}  // namespace

std::string GetBOFieldValue(IPluginAdapter& adapter, int32_t boHandle,
                            const std::string& fieldName) {
  return ReadField(adapter, boHandle, fieldName).ToString();
}

int32_t GetBOFieldInt(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  return TextToIntOrZero(GetBOFieldValue(adapter, boHandle, fieldName));
}

double GetBOFieldFloat(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  return foundation::StrToFloatDefault(GetBOFieldValue(adapter, boHandle, fieldName), 0.0);
}

double GetBOFieldDateTime(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName) {
  const Variant value = ReadField(adapter, boHandle, fieldName);
  VARIANT date;
  VariantInit(&date);
  const HRESULT hr = VariantChangeType(&date, &value.Get(), 0, VT_DATE);
  if (FAILED(hr)) {
    throw ComError(hr, "The field \"" + fieldName + "\" of business object " +
                           std::to_string(boHandle) + " holds no date");
  }
  return date.date;
}

bool CustomerAllowsEmail(IPluginAdapter& adapter, int32_t custBO) {
  const std::string& field = foundation::MainPrefs.EmailOptInField;
  if (field == "Allow Email") return GetBOFieldInt(adapter, custBO, field) == 1;
  if (field.empty()) return false;
  return FieldSaysYes(adapter, custBO, field);
}

bool CustomerIsLoyaltyMember(IPluginAdapter& adapter, int32_t custBO) {
  const std::string field =
      foundation::LoyaltyStatusHostField(foundation::MainPrefs.LoyaltyStatusField);
  if (field.empty()) return false;
  return FieldSaysYes(adapter, custBO, field);
}

std::span<const BusinessPref> LoggedBusinessPrefs() {
  return kLoggedPrefs;
}

std::string PrefLogLine(std::string_view name, const VARIANT& value) {
  std::string line(kPrefLineWidth, '.');
  line.replace(0, std::min(name.size(), kPrefLineWidth), name);
  if (value.vt == VT_EMPTY || value.vt == VT_NULL) {
    line += "[null]";
  } else {
    line += foundation::VariantToText(value, 0, 0, 0);
  }
  return line;
}

void VariantToLogText(int32_t index, const std::string& name, IPluginAdapter& adapter) {
  Variant value;
  const HRESULT hr = adapter.GetPreference(index, CurrentSubsidiary(), value.Put());
  if (FAILED(hr)) {
    throw ComError(hr, "The host could not read the preference " + name + " (" +
                           std::to_string(index) + ", " + HexStatus(hr) + ")");
  }
  foundation::KWLog(0, PrefLogLine(name, value.Get()), foundation::kLevelInfo, "");
}

void LogSystemPrefs(int level, IPluginAdapter& adapter) {
  if (level > foundation::GetLogLevel()) return;
  const std::string rule(58, '=');
  LogSystemPrefsLine("");
  LogSystemPrefsLine(rule);
  LogSystemPrefsLine("System preferences");
  LogSystemPrefsLine(rule);
  LogSystemPrefsLine("");
  for (const BusinessPref& pref : kLoggedPrefs) VariantToLogText(pref.index, pref.name, adapter);
}

namespace {

// Names and host numbers, in the order the dump writes them.
const std::array<BusinessPref, 561> kLoggedPrefs{{{"bpCustFullName", 0},
                                                  {"bpUseVat", 1},
                                                  {"bpVatOpts", 2},
                                                  {"bpEncryptSchema", 3},
                                                  {"bpDefaultCommCod", 4},
                                                  {"bpInvenPriceMethod", 5},
                                                  {"bpInvenPriceMethodAffectManual", 6},
                                                  {"bpAccessInactive", 7},
                                                  {"bpGMAffectCost", 8},
                                                  {"bpTaxedMargin", 9},
                                                  {"bpTaxedCoeff", 11},
                                                  {"bpDefaultStore", 12},
                                                  {"bpAllowDuplicateALU", 13},
                                                  {"bpUseNCharsForStyleSid", 14},
                                                  {"bpNotConsolidateDocItems", 15},
                                                  {"bpEnableSerialNoTrack", 16},
                                                  {"bpDefaultSerialNoTrackLevel", 17},
                                                  {"bpRecordVendNameToDescr2", 18},
                                                  {"bpItemDocLookupItemNo", 19},
                                                  {"bpItemDocLookupUPC", 20},
                                                  {"bpItemDocLookupALU", 21},
                                                  {"bpItemLookupMode", 22},
                                                  {"bpNegValueFormat", 23},
                                                  {"bpUseThousandSeparatorForQuantity", 24},
                                                  {"bpUseThousandSeparatorForCurrency", 25},
                                                  {"bpUseQtyDecimals", 26},
                                                  {"bpUseCurrencySymbol", 27},
                                                  {"bpPriceDecimals", 28},
                                                  {"bpCostDecimals", 29},
                                                  {"bpTaxAmtDecimals", 30},
                                                  {"bpASNChooseEditItems", 31},
                                                  {"bpASNMakeReturn", 32},
                                                  {"bpItemsNegativeQty", 33},
                                                  {"bpAddrLookupByZIP", 34},
                                                  {"bpZipLookupAddyMask", 35},
                                                  {"bpStyleSidGenSource", 36},
                                                  {"bpCharsInStyleSidGen", 37},
                                                  {"bpNextASNSeqNo", 38},
                                                  {"bpNextPOSeqNo", 39},
                                                  {"bpDefaultStoreDocShip", 40},
                                                  {"bpDefaultStoreDocBill", 41},
                                                  {"bpCurrentUserEmplId", 42},
                                                  {"bpPO_Inst1", 43},
                                                  {"bpPO_Inst2", 44},
                                                  {"bpPO_Inst3", 45},
                                                  {"bpPO_Inst4", 46},
                                                  {"bpPO_Inst5", 47},
                                                  {"bpDuplicateCustId", 48},
                                                  {"bpDuplicateCustName", 49},
                                                  {"bpNextCustIDSeqNo", 50},
                                                  {"bpMultiVendorDoc", 51},
                                                  {"bpWarningWhenNewCostGreaterThanOld", 52},
                                                  {"bpNewCostWarningThresholdPerc", 53},
                                                  {"bpDefaultStoreDoc", 54},
                                                  {"bpDontUseLastCost", 55},
                                                  {"bpOrdrCaseOnly", 56},
                                                  {"bpCaseQtyRoundMethod", 57},
                                                  {"bpAllwEdtCustID", 58},
                                                  {"bpUseTradeDiscount", 59},
                                                  {"bpAdjMemoOnQty", 60},
                                                  {"bpAdjMemoOnPrice", 61},
                                                  {"bpAdjMemoOnCost", 62},
                                                  {"bpAdjQtyStored", 63},
                                                  {"bpCommentRequired", 64},
                                                  {"bpPOPrefix", 65},
                                                  {"bpCheckitemSerialNumber", 66},
                                                  {"bpNextAdjMemoSeqNo", 67},
                                                  {"bpUpdateOrderCost", 68},
                                                  {"bpUpdatePrice", 69},
                                                  {"bpCostMethod", 70},
                                                  {"bpNextTOSeqNo", 71},
                                                  {"bpLedgerItemInfo", 72},
                                                  {"bpUserName", 73},
                                                  {"bpDataBaseName", 74},
                                                  {"bpUserId", 75},
                                                  {"bpUserEmplId", 76},
                                                  {"bpUseTax2", 77},
                                                  {"bpUsePWTForTax2", 78},
                                                  {"bpNextReturnVouSeqNo", 79},
                                                  {"bpNextReceiveVouSeqNo", 80},
                                                  {"bpNextStoreCreditSeqNo", 81},
                                                  {"bpNextSlipSeqNo", 82},
                                                  {"bpUseSeparateVouSeq", 83},
                                                  {"bpReqVouRefToPO", 84},
                                                  {"bpTaxedMarkup", 10},
                                                  {"bpTwoStepApproval", 85},
                                                  {"bpUseVendorInvoice", 86},
                                                  {"bpAutoRetrieveLedger", 87},
                                                  {"bpCheckAvailQty", 88},
                                                  {"bpAllowPOPastCancelDate", 89},
                                                  {"bpAllowUpdateDoc", 90},
                                                  {"bpAllowReverseDoc", 91},
                                                  {"bpAutoGenSlipSetup", 92},
                                                  {"bpUseAutoUPC", 93},
                                                  {"bpUseAutoALU", 94},
                                                  {"bpNextAutoUPC", 95},
                                                  {"bpNextAutoALU", 96},
                                                  {"bpAutoALUMask", 97},
                                                  {"bpAllowPackageItemsInDoc", 98},
                                                  {"bpAllowDuplicateItemsInDoc", 99},
                                                  {"bpPOMask", 100},
                                                  {"bpAutoPONoGen", 101},
                                                  {"bpUseMultiTax", 102},
                                                  {"bpPreventNegativeCost", 103},
                                                  {"bpOverwriteCustTitle", 104},
                                                  {"bpOverwriteVendTitle", 105},
                                                  {"bpNextSOSeqNo", 106},
                                                  {"bpNextReturnInvSeqNo", 107},
                                                  {"bpNextInvSeqNo", 108},
                                                  {"bpUseSeparateInvSeq", 109},
                                                  {"bpPIType", 110},
                                                  {"bpPIInitBy", 111},
                                                  {"bpPIThresholdCost", 112},
                                                  {"bpPIUseFilters", 113},
                                                  {"bpPIStripZeroes", 114},
                                                  {"bpPIAutoUpdateVariance", 115},
                                                  {"bpUseSmartScan", 116},
                                                  {"bpSmartscanGroup1", 117},
                                                  {"bpSmartscanGroup2", 118},
                                                  {"bpSmartscanGroup3", 119},
                                                  {"bpMultiVendorPO", 120},
                                                  {"bpAllwSprdGlobDisc", 121},
                                                  {"bpPOSFlagDefMnu1", 122},
                                                  {"bpPOSFlagDefMnu2", 123},
                                                  {"bpPOSFlagDefMnu3", 124},
                                                  {"bpRndTenderTypes", 125},
                                                  {"bpRndBasCurHow", 126},
                                                  {"bpRndBasCurLvl", 127},
                                                  {"bpUseDesc2DefinitionByUDFs", 128},
                                                  {"bpDefDesc2ByUDFsAppBlanks", 129},
                                                  {"bpRI_DefaultForNewItems", 130},
                                                  {"bpMinSODeposit4CustomerOrder", 131},
                                                  {"bpMinSODeposit4SpecialOrder", 132},
                                                  {"bpMinSODeposit4Layaway", 133},
                                                  {"bpAllwIntrCompXFer", 137},
                                                  {"bpUse_Price_Based_Stores", 138},
                                                  {"bpBring_Orig_Price", 139},
                                                  {"bpACD", 140},
                                                  {"bpQty_Pricing", 141},
                                                  {"bpBackorderMessage", 142},
                                                  {"bpZOutPurgeDays", 143},
                                                  {"bpZOutReqEntryOpenAndCloseAmounts", 144},
                                                  {"bpZOutAllowZeroOpenAmount", 145},
                                                  {"bpPOSAutoCreateNextOpen", 146},
                                                  {"bpZOutRptCombineSalesTaxVat", 147},
                                                  {"bpZOutRequireManualCount", 148},
                                                  {"bpZOutRptSortBy", 149},
                                                  {"bpWarnCostHigherPrice", 150},
                                                  {"bpRequireMinPercCustOrder", 134},
                                                  {"bpRequireMinPercSpecOrder", 135},
                                                  {"bpRequireMinPercLayawayOrder", 136},
                                                  {"bpAccum_Discount", 154},
                                                  {"bpLocalController", 210},
                                                  {"bpUseSepPOSeq", 200},
                                                  {"bpAllowPoSpreadFees", 201},
                                                  {"bpNextMultiPOSeqNo", 202},
                                                  {"bpDefaultLNTrackingLevel", 203},
                                                  {"bpDeactivateLNOnDepleted", 204},
                                                  {"bpAlertUserOnLnExpiryDate", 226},
                                                  {"bpBlockSaleOnLnExpiryDate", 227},
                                                  {"bpReqCustOnRet", 228},
                                                  {"bpDefSOProcAtStoreNo", 229},
                                                  {"bpDefaultShipMethod", 230},
                                                  {"bpWorkstationID", 231},
                                                  {"bpPromptForSNPartCtlRcpt", 232},
                                                  {"bpPromptForSNPartCtlVchr", 233},
                                                  {"bpPromptForSNPartCtlSlip", 234},
                                                  {"bpPromptForSNPartCtlMemo", 235},
                                                  {"bpPromptForSNPartCtlInvn", 236},
                                                  {"bpUpdatePICountsOnRemote", 252},
                                                  {"bpNoteFldsOn", 237},
                                                  {"bpHiSecSet", 238},
                                                  {"bpAuditMode", 239},
                                                  {"bpAuditClass", 240},
                                                  {"bpReqPOSFlagFor", 241},
                                                  {"bpPromptForSNPartCtlSO", 242},
                                                  {"bpPromptForSNPartCtlASN", 243},
                                                  {"bpPromptForSNPartCtl", 244},
                                                  {"bpEFTUseGlobalCreditCardGateway", 245},
                                                  {"bpEFTCreditCardGateway", 246},
                                                  {"bpEFTCheckVerificationGateway", 248},
                                                  {"bpEFTGiftCardGateway", 249},
                                                  {"bpEFTDebitCardGateway", 247},
                                                  {"bpFrwdQtyPricing", 250},
                                                  {"bpAfterUpdateInvcGoTo", 251},
                                                  {"bpAllowNonInvnItemsInDoc", 253},
                                                  {"bpXZRequireBlindClose", 254},
                                                  {"bpXZNumberofAttempts", 255},
                                                  {"bpXZReconcileVarianceAmount", 256},
                                                  {"bpUserMaxDiscPerc", 257},
                                                  {"bpUseWSReceiptSeqs", 258},
                                                  {"bpUseWSSOSeqs", 259},
                                                  {"bpUseWSVoucherSeqs", 260},
                                                  {"bpUseWSSlipSeqs", 261},
                                                  {"bpUseWSAdjMemoSeqs", 262},
                                                  {"bpPOSNoFlag", 263},
                                                  {"bpPOSLastFlag", 264},
                                                  {"bpZOutRequireRegisterLevel", 270},
                                                  {"bpNextGiftCertSeqNumber", 271},
                                                  {"bpUseSeqGiftCertChg", 272},
                                                  {"bpUseSeqStorCrdId", 273},
                                                  {"bpPOSPPSCAutoGenerateIDNum", 170},
                                                  {"bpEFTCCVerificationMethod", 279},
                                                  {"bpEFTCCRequireCardVerification", 280},
                                                  {"bpEFTCCAllowCardToBeKeyed", 281},
                                                  {"bpEFTCCCloseCCDlgOnApproval", 282},
                                                  {"bpEFTCCAutoUpdatePrintOnApproval", 283},
                                                  {"bpEFTCCAutoAuthAfterSwipe", 284},
                                                  {"bpEFTCCAllowClerkToForceDupTrans", 285},
                                                  {"bpEFTCCPrintOnAuth", 286},
                                                  {"bpEFTCCPrintOnPrintUpdate", 287},
                                                  {"bpEFTCCCVV2CVC2CIDVerification", 288},
                                                  {"bpEFTCCAVSVerification", 289},
                                                  {"bpEFTDbtAllowCashBack", 307},
                                                  {"bpAllowGiftInDoc", 274},
                                                  {"bpEFTIdentity", 275},
                                                  {"bpChangePriceLevel", 276},
                                                  {"bpPIIncludeLotSerialInCount", 277},
                                                  {"bpAllowPIUpdateWithDiscrcies", 278},
                                                  {"bpLostSaleSO", 290},
                                                  {"bpSuggestSC", 291},
                                                  {"bpCopyDescToALU", 292},
                                                  {"bpForceAssociateOnNewReciept", 293},
                                                  {"bpForceAssociateOnNewSO", 294},
                                                  {"bpHighSecurityInvoices", 295},
                                                  {"bpHighSecurityVouchers", 296},
                                                  {"bpHighSecurityTransferSlips", 297},
                                                  {"bpHighSecurityAdjustmentMemos", 298},
                                                  {"bpDefaultAssociateForNewReceipts", 299},
                                                  {"bpDefaultAssociateForNewSO", 300},
                                                  {"bpDefaultCustomerSecurityLevel", 301},
                                                  {"bpNextEFTInvSeqNo", 302},
                                                  {"bpNextWSInvSeqNo", 303},
                                                  {"bpNextWSReturnInvSeqNo", 304},
                                                  {"bpNextWSCashDropSeqNo", 305},
                                                  {"bpNextWSDepositSeqNo", 306},
                                                  {"bpItemsZeroQty", 308},
                                                  {"bpTransOrdNo", 309},
                                                  {"bpDocSequenceOnSecurityReceipt", 310},
                                                  {"bpDefaultCustomerType", 311},
                                                  {"bpNewDeptEnabledAsRgnl", 312},
                                                  {"bpNewVendEnabledAsRgnl", 313},
                                                  {"bpLimitItemsAgainstPO", 314},
                                                  {"bpItemHeaderInTO", 315},
                                                  {"bpRequireRecordSale", 316},
                                                  {"bpAlertPriceDiff", 317},
                                                  {"bpCopyDocPriceToNewItem", 318},
                                                  {"bpCopyDocCostToNewItem", 319},
                                                  {"bpCurrencyId", 320},
                                                  {"bpMarkNewInventoryItemsAsProposed", 321},
                                                  {"bpMarkNewPOItemsAsProposed", 322},
                                                  {"bpUseExRateforPrice", 323},
                                                  {"bpRoundPriceConversion", 324},
                                                  {"bpRoundPrice", 325},
                                                  {"bpUseExRateforCost", 326},
                                                  {"bpRoundCostConversion", 327},
                                                  {"bpRoundCost", 328},
                                                  {"bpAutoPromotions", 329},
                                                  {"bpRequireItemVoidsReason", 330},
                                                  {"bpDefaultItemVoidsReason", 331},
                                                  {"bpRequireItemReturnsReason", 332},
                                                  {"bpDefaultItemReturnsReason", 333},
                                                  {"bpCentralsActive", 334},
                                                  {"bpCentralsServer", 335},
                                                  {"bpCentralsPort", 336},
                                                  {"bpCentralsCustomerLookupMode", 337},
                                                  {"bpCentralsTimeout", 338},
                                                  {"bpCentralsMaxRecords", 339},
                                                  {"bpCalculateChkDigit", 340},
                                                  {"bpDisplayChkDigit", 341},
                                                  {"bpCustomerLookUpBy", 342},
                                                  {"bpTax_On_Shipping_Percent", 151},
                                                  {"bpUse_Shipping_Percent", 152},
                                                  {"bpShipping_Percent", 153},
                                                  {"bpPOSIssueGiftCardAmtExceed", 155},
                                                  {"bpPOSIssueGiftCertAmtExceed", 156},
                                                  {"bpPOSIssueStoreCreditAmtExceed", 157},
                                                  {"bpPOSExceededAmtGiftCard", 158},
                                                  {"bpPOSExceededAmtGiftCert", 159},
                                                  {"bpPOSExceededAmtStoreCredit", 160},
                                                  {"bpPOSPPSCExpireAfterVal", 161},
                                                  {"bpPOSPPSCExpireAfterEnabled", 162},
                                                  {"bpPOSPPSCExpireAfterOpt", 163},
                                                  {"bpPOSPPSCOfflineFloorLimit", 164},
                                                  {"bpPOSPPSCReuseStoreCredit", 165},
                                                  {"bpPOSPPSCReuseMaximumuExceedAmt", 166},
                                                  {"bpPOSPPSCAlwaysIssueChange", 167},
                                                  {"bpPOSPPSCIssueChangeExceed", 168},
                                                  {"bpPOSPPSCChangeAmountExceed", 169},
                                                  {"bpPOSPPGiftCrdExpireAfterVal", 171},
                                                  {"bpPOSPPGiftCrdExpireAfterEnabled", 172},
                                                  {"bpPOSPPGiftCrdExpireAfterOpt", 173},
                                                  {"bpPOSPPGiftCrdOfflineFloorLimit", 174},
                                                  {"bpPOSPPGiftCrdReuse", 175},
                                                  {"bpPOSPPGiftCrdReuseMaximumExceedAmt", 176},
                                                  {"bpPOSPPGiftCrdAlwaysIssueChange", 177},
                                                  {"bpPOSPPGiftCrdChangeAmountExceed", 179},
                                                  {"bpPOSPPGiftCrdAutoGenerateIDNum", 180},
                                                  {"bpPOSPPGiftCrUseSeqCrdId", 181},
                                                  {"bpPOSPPGiftCrdIssueChangeExceed", 178},
                                                  {"bpPOSPPGiftCardSuggestAsTender", 182},
                                                  {"bpPOSPPGiftCardAllowAmtToExceedAvail", 183},
                                                  {"bpPOSPPGiftCertExpireAfterVal", 184},
                                                  {"bpPOSPPGiftCertExpreAfterEnable", 185},
                                                  {"bpPOSPPGiftCertExpireAfterOpt", 186},
                                                  {"bpPOSPPGiftCertOfflineFloorLimit", 187},
                                                  {"bpPOSPPGiftCertReuse", 188},
                                                  {"bpPOSPPGiftCertReuseMaximumExceedAmt", 189},
                                                  {"bpPOSPPGiftCertAlwaysIssueChange", 190},
                                                  {"bpPOSPPGiftCertIssueChangeExceed", 191},
                                                  {"bpPOSPPGiftCertChangeAmountExceed", 192},
                                                  {"bpPOSPPGiftCertAutoGenerateIDNum", 193},
                                                  {"bpPOSPPGiftCertSuggestAsTender", 194},
                                                  {"bpPOSPPGiftCertAllowAmtToExceedAvail", 195},
                                                  {"bpPOSDefComment1", 196},
                                                  {"bpPOSDefComment2", 197},
                                                  {"bpPOSPromptSpreadTender", 198},
                                                  {"bpPOSPromptSpreadSO", 199},
                                                  {"bpPrintZeroQtyItems", 205},
                                                  {"bpCheckItemLotNumber", 206},
                                                  {"bpDrawerNumber", 207},
                                                  {"bpTillID", 208},
                                                  {"bpRequireInvnAdjustReason", 211},
                                                  {"bpDefaultInvnAdjustReason", 212},
                                                  {"bpSODefaultInstruction1", 213},
                                                  {"bpSODefaultInstruction2", 214},
                                                  {"bpPrintPkgOnRcptSO", 215},
                                                  {"bpPrintPkgPrcOnRcptSO", 216},
                                                  {"bpPrintKitOnRcptSO", 217},
                                                  {"bpTillName", 209},
                                                  {"bpPrintKitPrcOnRcptSO", 218},
                                                  {"bpUseSeparateSOSeq", 219},
                                                  {"bpNextCashDropSeqNo", 220},
                                                  {"bpNextDepositSeqNo", 221},
                                                  {"bpNextCustomerOrderSeqNo", 222},
                                                  {"bpNextRegistrySeqNo", 223},
                                                  {"bpNextLayawaySeqNo", 224},
                                                  {"bpUserEmplName", 225},
                                                  {"bpLimitItemsAgainstSO", 265},
                                                  {"bpwsReceiptUseSingleSequenceNo", 266},
                                                  {"bpwsSOUseSingleSequenceNo", 267},
                                                  {"bpwsVouchersUseSingleSequenceNo", 268},
                                                  {"bpWorkstation_Number", 269},
                                                  {"bpMaxDiscAllowedForNewItems", 343},
                                                  {"bpMaxAccumDiscAllowedForNewItems", 344},
                                                  {"bpSeasonalPricing", 345},
                                                  {"bpAllowLevel2CreditCardProcessing", 346},
                                                  {"bpPromptZeroPrice", 347},
                                                  {"bpEnableSubAndStore", 348},
                                                  {"bpDefaultSubsidiary", 349},
                                                  {"bpWSDefaultStore", 350},
                                                  {"bpWSDefaultStorePOShip", 351},
                                                  {"bpWSDefaultStorePOBill", 352},
                                                  {"bpWSDefaultStoreSOShipForm", 353},
                                                  {"bpWSDefaultStoreSOSellForm", 354},
                                                  {"bpNotConsolidateItems", 355},
                                                  {"bpECommercePriceLevel", 356},
                                                  {"bpECommerceSalePriceLevel", 357},
                                                  {"bpCustomFileExtension", 358},
                                                  {"bpFillFormulaWebProductName", 359},
                                                  {"bpFillFormulaWebShortDesc", 360},
                                                  {"bpFillFormulaWebLongDesc", 361},
                                                  {"bpOverwriteExistingWPN", 362},
                                                  {"bpOverwriteExistingWSD", 363},
                                                  {"bpOverwriteExistingWLD", 364},
                                                  {"bpUseFilterForStart", 365},
                                                  {"bpAllowFreeFormAttr", 366},
                                                  {"bpAllowFreeFormSize", 367},
                                                  {"bpProductAvailability", 368},
                                                  {"bpAvailabilityThreshold", 369},
                                                  {"bpUserIsSysadmin", 370},
                                                  {"bpAfterUpdateVouGoTo", 371},
                                                  {"bpAfterUpdateSlipGoTo", 372},
                                                  {"bpAfterUpdateAdjMemoGoTo", 373},
                                                  {"bpXZDrawerDefaultLeaveAmount", 374},
                                                  {"bpHighSecuritySalesOrders", 375},
                                                  {"bpChoosePOType", 376},
                                                  {"bpAskCentralProcessing", 377},
                                                  {"bpZOutCountOpenCurrency", 379},
                                                  {"bpAvailabilityQuantitySource", 380},
                                                  {"bpStoreCCNumbers", 381},
                                                  {"bpUsePendingPO", 382},
                                                  {"bpMultiLvlPOApprovalReqd", 383},
                                                  {"bpPOApprovalLvl1", 384},
                                                  {"bpPOApprovalLvl2", 385},
                                                  {"bpPOApprovalLvl3", 386},
                                                  {"bpPOApprovalLvl4", 387},
                                                  {"bpPOApprovalLvl1AmtFrom", 388},
                                                  {"bpPOApprovalLvl2AmtFrom", 389},
                                                  {"bpPOApprovalLvl3AmtFrom", 390},
                                                  {"bpPOApprovalLvl4AmtFrom", 391},
                                                  {"bpPOApprovalLvl1AmtTo", 392},
                                                  {"bpPOApprovalLvl2AmtTo", 393},
                                                  {"bpPOApprovalLvl3AmtTo", 394},
                                                  {"bpPOApprovalLvl4AmtTo", 395},
                                                  {"bpUsePendingVouchers", 396},
                                                  {"bpMultiLvlVouApprovalReqd", 397},
                                                  {"bpPendingVouAllowOverages", 398},
                                                  {"bpVouApprovalLvl1", 399},
                                                  {"bpVouApprovalLvl2", 400},
                                                  {"bpVouApprovalLvl3", 401},
                                                  {"bpVouApprovalLvl4", 402},
                                                  {"bpVouApprovalLvl1AmtFrom", 403},
                                                  {"bpVouApprovalLvl2AmtFrom", 404},
                                                  {"bpVouApprovalLvl3AmtFrom", 405},
                                                  {"bpVouApprovalLvl4AmtFrom", 406},
                                                  {"bpVouApprovalLvl1AmtTo", 407},
                                                  {"bpVouApprovalLvl2AmtTo", 408},
                                                  {"bpVouApprovalLvl3AmtTo", 409},
                                                  {"bpVouApprovalLvl4AmtTo", 410},
                                                  {"bpVouApprovalLvl1Diff", 411},
                                                  {"bpVouApprovalLvl2Diff", 412},
                                                  {"bpVouApprovalLvl3Diff", 413},
                                                  {"bpVouApprovalLvl4Diff", 414},
                                                  {"bpItemNoteMapAssignedTo1", 415},
                                                  {"bpItemNoteMapAssignedTo2", 416},
                                                  {"bpItemNoteMapAssignedTo3", 417},
                                                  {"bpItemNoteMapAssignedTo4", 418},
                                                  {"bpItemNoteMapAssignedTo5", 419},
                                                  {"bpItemNoteMapAssignedTo6", 420},
                                                  {"bpItemNoteMapAssignedTo7", 421},
                                                  {"bpItemNoteMapAssignedTo8", 422},
                                                  {"bpItemNoteMapAssignedTo9", 423},
                                                  {"bpItemNoteMapAssignedTo10", 424},
                                                  {"bpAllowPIReactivateItems", 425},
                                                  {"bpCustReqFields", 426},
                                                  {"bpChooseTOType", 427},
                                                  {"bpUseEFTRes", 428},
                                                  {"bpFloorLimit", 429},
                                                  {"bpSpreadAsGlobalDiscount", 430},
                                                  {"bpDefaultDiscType", 431},
                                                  {"bpCreatePricedAdjForZeroOHQty", 432},
                                                  {"bpZOutMaximumCash", 433},
                                                  {"bpIntraCompanyTransferOption", 434},
                                                  {"bpInterCompanyTransferOption", 435},
                                                  {"bpNextZOutSeqNo", 436},
                                                  {"bpCustAddrLocationTypeRequires", 437},
                                                  {"bpDefaultAddressLocationType", 438},
                                                  {"bpDefaultCustomerStore", 439},
                                                  {"bpWSDefaultStoreCustomer", 440},
                                                  {"bpTwoStepApprovalForVouchers", 441},
                                                  {"bpCloseMultiSbsPeriods", 442},
                                                  {"bpSODefShippingAddrSelection", 443},
                                                  {"bpReceiptDefShippingAddrSelection", 444},
                                                  {"bpEnforceSingleRegOpenForWS", 445},
                                                  {"bpCentralsReturns", 446},
                                                  {"bpEFTDbtMaximumCashBack", 447},
                                                  {"bpZeroOutCustomer", 448},
                                                  {"bpExcludeItemswMaxDiscFrmGlobalDisc", 449},
                                                  {"bpEFTMagStripeEnterCount", 450},
                                                  {"bpNotChkRuleForLocalTransfer", 451},
                                                  {"bpNotChkRuleForInterCoTransfer", 452},
                                                  {"bpAlrtreciptCostgreaterthanprice", 453},
                                                  {"bpZOutMinimumCash", 454},
                                                  {"bpAutoRecSaleAfterFinalDeposit", 455},
                                                  {"bpEFTChkAllowCashBack", 456},
                                                  {"bpEFTChkMaximumCashBack", 457},
                                                  {"bpRegionSalesTarget", 458},
                                                  {"bpDistrictSalesTarget", 459},
                                                  {"bpDeptSalesTarget", 460},
                                                  {"bpTaxRebOk", 461},
                                                  {"bpTaxRebPer", 462},
                                                  {"bpTaxRebMin", 463},
                                                  {"bpLimitSlipItemsWithTOItems", 464},
                                                  {"bpLocCurrDenomListingOrder", 465},
                                                  {"bpSourceOfPackageTaxInfo", 466},
                                                  {"bpEnableNewItemAsWebItem", 467},
                                                  {"bpTaxRcptSORound", 468},
                                                  {"bpTaxRcptSORoundMethod", 469},
                                                  {"bpCopyQtyOnASNVoucher", 470},
                                                  {"bpViewOtherSbs", 471},
                                                  {"bpICTAllowImportRules", 472},
                                                  {"bpICTSingleRuleForStores", 473},
                                                  {"bpICTUniqueRuleForStores", 474},
                                                  {"bpCreditCardAllowCashBack", 475},
                                                  {"bpCreditCardMaximumCashBack", 476},
                                                  {"bpInclude1stTaxIn2nd", 477},
                                                  {"bpAllowNegativeQtyOnVouchers", 478},
                                                  {"bpDefaultPriceLevel", 479},
                                                  {"bpDefaultTaxAreaOnAdjustment", 480},
                                                  {"bpDefaultTaxArea2OnAdjustment", 481},
                                                  {"bpDefaultCustomerDistrict", 482},
                                                  {"bpDefaultCustomerRegion", 483},
                                                  {"bpAutoPrintOnRecSale", 484},
                                                  {"bpDefaultStoreForUI", 485},
                                                  {"bpWSDefaultStoreForUI", 486},
                                                  {"bpPIRecognizeZeroAsCountInMap", 487},
                                                  {"bpGiftCardEnableCentrals", 488},
                                                  {"bpGiftCardMngIDsBy", 489},
                                                  {"bpGiftCardPrmptForCash", 490},
                                                  {"bpGiftCardPrmptForCashValue", 491},
                                                  {"bpGiftCardRestrictChngTo", 492},
                                                  {"bpGiftCardRestrictChngToValue", 493},
                                                  {"bpGiftCardTotalNegBalPerm", 494},
                                                  {"bpGiftCardCentOffLimit", 495},
                                                  {"bpGiftCardGenCentID", 496},
                                                  {"bpGiftCardVerCentAgnstRange", 497},
                                                  {"bpGiftCertEnableCentrals", 498},
                                                  {"bpGiftCertMngIDsBy", 499},
                                                  {"bpGiftCertPrmptForCash", 500},
                                                  {"bpGiftCertPrmptForCashValue", 501},
                                                  {"bpGiftCertRestrictChngTo", 502},
                                                  {"bpGiftCertRestrictChngToValue", 503},
                                                  {"bpGiftCertCentOffLimit", 504},
                                                  {"bpGiftCertGenCentID", 505},
                                                  {"bpGiftCertVerCentAgnstRange", 506},
                                                  {"bpCentCrdEnableCentrals", 507},
                                                  {"bpCentCrdMngIDsBy", 508},
                                                  {"bpCentCrdPrmptForCash", 509},
                                                  {"bpCentCrdPrmptForCashValue", 510},
                                                  {"bpCentCrdRestrictChngTo", 511},
                                                  {"bpCentCrdRestrictChngToValue", 512},
                                                  {"bpCentCrdTotalNegBalPerm", 513},
                                                  {"bpCentCrdCentOffLimit", 514},
                                                  {"bpEnbSubLocations", 515},
                                                  {"bpDefSubLocQtyLimitTo", 516},
                                                  {"bpDefSubLocQtyLimitToVal", 517},
                                                  {"bpDefSubLocToManaged", 518},
                                                  {"bpDefNewItemsToSubLoc", 519},
                                                  {"bpReqReturnVouRefToPO", 520},
                                                  {"bpCenCustCreditEnable", 521},
                                                  {"bpCenCustCreditServer", 522},
                                                  {"bpCenCustCreditPort", 523},
                                                  {"bpCenCustCreditTimeout", 524},
                                                  {"bpCenCustCreditLoggingLvl", 525},
                                                  {"bpCenCustCreditLogBuffer", 526},
                                                  {"bpCenCustCreditPlugTimeout", 527},
                                                  {"bpCenGiftCardEnable", 528},
                                                  {"bpCenGiftCardServer", 529},
                                                  {"bpCenGiftCardPort", 530},
                                                  {"bpCenGiftCardTimeout", 531},
                                                  {"bpCenGiftCardLoggingLvl", 532},
                                                  {"bpCenGiftCardLogBuffer", 533},
                                                  {"bpCenGiftCardPlugTimeout", 534},
                                                  {"bpCenGiftCertEnable", 535},
                                                  {"bpCenGiftCertServer", 536},
                                                  {"bpCenGiftCertPort", 537},
                                                  {"bpCenGiftCertTimeout", 538},
                                                  {"bpCenGiftCertLoggingLvl", 539},
                                                  {"bpCenGiftCertLogBuffer", 540},
                                                  {"bpCenGiftCertPlugTimeout", 541},
                                                  {"bpCenCustLoyaltyEnable", 542},
                                                  {"bpCenCustLoyaltyServer", 543},
                                                  {"bpCenCustLoyaltyPort", 544},
                                                  {"bpCenCustLoyaltyTimeout", 545},
                                                  {"bpCenCustLoyaltyLoggingLvl", 546},
                                                  {"bpCenCustLoyaltyLogBuffer", 547},
                                                  {"bpCenCustLoyaltyPlugTimeout", 548},
                                                  {"bpMultiTaxVAT", 549},
                                                  {"bpCalcTax2FromTax1", 550},
                                                  {"bpSubLocationData", 551},
                                                  {"bpCheckPrintEFTWhenNoEFT", 552},
                                                  {"bpGiftCardPrintEFTWhenNoEFT", 553},
                                                  {"bpNotAllowSubLocQtyToGoNegative", 554},
                                                  {"bpPmptForCorrSubLocs", 555},
                                                  {"bpSuggestCentralCredit", 556},
                                                  {"bpUserHomeStore", 557},
                                                  {"bpRequireRecordSaleSpecialSO", 558},
                                                  {"bpRequireRecordSaleLayawaySO", 559},
                                                  {"bpRequireRecordSaleWebSO", 560},
                                                  {"bpUpdateAdditionalInfoInDeltaBuild", 561}}};

}  // namespace

}  // namespace hostplugin
