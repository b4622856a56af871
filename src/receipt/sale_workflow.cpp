#include "receipt/sale_workflow.h"

#include <exception>
#include <utility>

#include "foundation/log.h"
#include "foundation/message_form.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "foundation/vesk_log.h"
#include "hostplugin/bo_fields.h"
#include "receipt/card_masking.h"
#include "receipt/debug_emv_dialog.h"
#include "receipt/https_transport.h"
#include "receipt/progress_window.h"
#include "receipt/queue_files.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "receipt/soap_responses.h"
#include "receipt/xml_reader.h"

namespace receipt {

namespace {

constexpr const char* kAuthTag = "AuthenticateUser";
constexpr const char* kSendTag = "SendDigitalReceipt";
constexpr const char* kAuthBillToTag = "AuthBillToCustomer";
constexpr const char* kReAuthTag = "ReAuthCustomer";
constexpr const char* kTenderTag = "InvoiceHasTenderType2";
constexpr const char* kEmvTag = "GetEMV";

// The separator of the card text: backslash and n, two characters.
constexpr const char* kTextBreak = "\\n";

bool IsTlsFailure(const std::string& error) {
  return error.find("SSL") != std::string::npos;
}

void Log(int level, const std::string& text, const char* tag,
         const char* levelText = foundation::kLevelInfo) {
  foundation::KWLog(level, text, levelText, tag);
}

// The lines of one failed exchange in the traffic log; the address without
// its credentials and the request with its card numbers masked.
void WriteErrorLines(const char* heading, const std::string& url, const std::string& detail,
                     const std::string& request) {
  foundation::AppendVeskLog(heading);
  foundation::AppendVeskLog("URL:" + LoggableUrl(url));
  foundation::AppendVeskLog(detail);
  foundation::AppendVeskLog("Request:" + MaskCardNumbers(request));
}

void WriteExchangeErrorLines(const char* heading, const std::string& url,
                             const std::string& request) {
  foundation::AppendVeskLog(heading);
  foundation::AppendVeskLog("URL:" + LoggableUrl(url));
  foundation::AppendVeskLog("HTTP Response=" + std::to_string(FTransControl.HTTPCode));
  foundation::AppendVeskLog("Error:" + LastCommError);
  foundation::AppendVeskLog("Request:" + MaskCardNumbers(request));
}

// The folder queue files go to: the one of the main settings, else the
// default queue folder.
std::string QueueDirectory() {
  const std::string& configured = foundation::MainPrefs.QueueDirectory;
  return configured.empty() ? foundation::QueueFolder() : configured;
}

// The sale's workstation number as the host keeps it: the receipt's POS
// identifier is the same number zero-padded for the service, so the padding
// is taken off again for the queue file name ("03" -> "WS3").
std::string WorkstationNumber() {
  const std::string& padded = fDRcpt.POSID;
  size_t first = padded.find_first_not_of('0');
  if (first == std::string::npos) return padded.empty() ? padded : "0";
  return padded.substr(first);
}

void Queue(const std::string& request) {
  QueueRequest(QueueDirectory(), request, WorkstationNumber());
}

void ShowMessage(const std::string& text, const char* tag) {
  if (foundation::UiAvailableOnThisThread()) {
    try {
      foundation::DisplayMessage(foundation::kMessageCaption, text);
      return;
    } catch (const std::exception&) {
      // Falls through to the log line below.
    }
  }
  Log(0, text, tag, foundation::kLevelError);
}

// Steps 1 to 3 of both authentication roads: the exchange behind the progress
// window, then the answer read unless the exchange failed.
void AuthenticateBehindProgressWindow(const char* tag) {
  ShowNM(kProgressCaption, kAuthenticatingText);
  std::string response;
  AuthenticateUser(response);
  TransControl& control = FTransControl;
  if (control.CommError) {
    // A failure that queues the receipt still allows the digital receipt.
    control.NoVesk = !control.QueueDueToCommsFailure;
    if (control.QueueDueToCommsFailure) {
      Log(1, "Comms failure, message to be queued, disabling vesk", tag, foundation::kLevelWarning);
    }
  } else if (!control.QueueDueToCommsFailure) {
    if (!ParseAuthResponse(response)) control.NoVesk = true;
  }
}

void ReportAuthFailure(const std::exception& e, const char* tag) {
  foundation::LogException(e, tag);
  CloseNM();
  ShowMessage(std::string("AuthBillToEx: ") + e.what(), tag);
  FTransControl.NoVesk = true;
}

}  // namespace

bool AnswerReadable(int32_t httpCode, std::string_view commError) {
  return httpCode >= 200 && httpCode < 299 && commError.empty();
}

void AuthenticateUser(std::string& response) {
  foundation::LogEnter(7, kAuthTag);
  TransControl& control = FTransControl;
  response.clear();
  control.QueueDueToCommsFailure = false;
  control.CommError = false;
  control.ErrorText.clear();
  const std::string url = foundation::MainPrefs.URL;
  std::string request;
  try {
    request = AuthenticateUserPOSRequest();
    control.HTTPCode = -1;
    for (int attempt = 1;
         attempt <= kMaxAttempts && control.HTTPCode == -1 && !control.QueueDueToCommsFailure;
         ++attempt) {
      LastCommError.clear();
      response = SendXML(url, request);
      control.HTTPCode = LastHTTPCode;
      if (control.HTTPCode == -1 && !LastCommError.empty() && !IsTlsFailure(LastCommError)) {
        control.QueueDueToCommsFailure = true;
        Log(1,
            "Error detected in communications, not HTTP, not SSL -- flagging message to be queued",
            kAuthTag, foundation::kLevelWarning);
      }
      if (control.HTTPCode == 404) {
        control.QueueDueToCommsFailure = true;
        Log(1, "HTTP error 404 -- flagging message to be queued", kAuthTag,
            foundation::kLevelWarning);
      }
    }
    if (control.HTTPCode >= 299 || !LastCommError.empty()) {
      control.CommError = true;
      if (!LastCommError.empty()) control.ErrorText = LastCommError;
      WriteExchangeErrorLines("AuthenticateUserPOSRequest Error", url, request);
    }
  } catch (const std::exception& e) {
    control.CommError = true;
    control.HTTPCode = LastHTTPCode;
    control.ErrorText = e.what();
    if (LastHTTPCode == 404) control.QueueDueToCommsFailure = true;
    Log(0,
        std::string(e.what()) +
            " exception occurred during communications -- flagging message to be queued",
        kAuthTag, foundation::kLevelError);
    WriteErrorLines("AuthenticateUserPOSRequest Exception", url,
                    std::string("Exception:") + e.what(), request);
  }
  foundation::LogExit(7, kAuthTag);
}

void SendDigitalReceipt(const std::string& request, std::string& response) {
  foundation::LogEnter(7, kSendTag);
  TransControl& control = FTransControl;
  const std::string url = foundation::MainPrefs.URL;
  response.clear();
  try {
    LastRequest = request;
    Log(5, "SendDigitalReceipt: Transmitting [ " + MaskCardNumbers(request) + " ]", kSendTag);

    if (control.QueueDueToCommsFailure) {
      // The authentication could not reach the service: nothing is sent.
      Log(1, "Calling QueueRequest", kSendTag);
      Queue(request);
    } else {
      control.HTTPCode = -1;
      for (int attempt = 1; attempt <= kMaxAttempts && control.HTTPCode == -1; ++attempt) {
        LastCommError.clear();
        Log(5, "Attempt #" + std::to_string(attempt) + "...", kSendTag);
        response = SendXML(url, request);
        control.HTTPCode = LastHTTPCode;
        if (foundation::GetLogLevel() >= 5) {
          Log(5,
              "Response code: " + std::to_string(control.HTTPCode) +
                  ", response: " + MaskCardNumbers(XmlTextAsUtf8(response)),
              kSendTag);
        }
        // Only a failed handshake is tried again: once the connection stood,
        // the request may have reached the service, and a second copy would
        // be a second receipt.
        if (!LastCommError.empty() && !(IsTlsFailure(LastCommError) && !LastRequestSent)) break;
      }
      if (!LastCommError.empty() || control.HTTPCode == 404) {
        Log(1, "Error message was set, HTTPCode set to error code -- queuing message", kSendTag,
            foundation::kLevelWarning);
        Queue(request);
      }
      if (!AnswerReadable(control.HTTPCode, LastCommError)) {
        WriteExchangeErrorLines("sendDigitalReceiptRequest Error", url, request);
        control.CommError = true;
        control.ErrorText = LastCommError;
      }
    }
  } catch (const std::exception& e) {
    control.CommError = true;
    control.DigitalSendOK = false;
    control.HTTPCode = LastHTTPCode;
    control.ErrorText = e.what();
    foundation::LogException(e, kSendTag);
    WriteErrorLines("sendDigitalReceiptRequest Exception", url,
                    std::string("Exception:") + e.what(), request);
  }
  foundation::LogExit(7, kSendTag);
}

void AuthBillToCustomer() {
  foundation::LogEnter(7, kAuthBillToTag);
  try {
    AuthenticateBehindProgressWindow(kAuthBillToTag);
  } catch (const std::exception& e) {
    ReportAuthFailure(e, kAuthBillToTag);
  }
  CloseNM();
  FTransControl.CustomerDone = true;
  FTransControl.IsAuth = fAuth.IsAuth;
  foundation::LogExit(7, kAuthBillToTag);
}

void ReAuthCustomer() {
  foundation::LogEnter(7, kReAuthTag);
  try {
    AuthenticateBehindProgressWindow(kReAuthTag);
  } catch (const std::exception& e) {
    ReportAuthFailure(e, kReAuthTag);
  }
  CloseNM();
  foundation::LogExit(7, kReAuthTag);
}

bool InvoiceHasTenderType2(IPluginAdapter& adapter, int32_t tendersBO) {
  FTransControl.HasCardTender = false;
  // Every card tender is counted: the host prints a card slip for each.
  int32_t& cards = FTransControl.CardTenders;
  cards = 0;
  int32_t status = 0;
  if (FAILED(adapter.BOFirst(tendersBO, &status))) {
    Log(1, "The host could not position the tenders on their first record", kTenderTag,
        foundation::kLevelWarning);
    return false;
  }
  for (;;) {
    WordBool atEnd = 0;
    if (FAILED(adapter.BOEof(tendersBO, &atEnd))) {
      Log(1, "The host could not tell the end of the tenders", kTenderTag,
          foundation::kLevelWarning);
      return cards > 0;
    }
    if (atEnd != 0) return cards > 0;
    if (hostplugin::GetBOFieldInt(adapter, tendersBO, "TENDER_TYPE") == 2) ++cards;
    if (FAILED(adapter.BONext(tendersBO, &status))) {
      Log(1, "The host could not move to the next tender", kTenderTag, foundation::kLevelWarning);
      return cards > 0;
    }
  }
}

std::string GetEMV(const TContainer& tender) {
  std::string cvm = tender.AsString("emv_pin_statement");
  std::string auth = tender.AsString("Auth");
  const std::string docNo = tender.AsString("Doc_No");
  std::string aid = tender.AsString("emv_aid");
  std::string appLabel = tender.AsString("emv_applabel");
  std::string expDate = tender.AsString("emv_card_exp_date");
  std::string cryptoType = tender.AsString("emv_cyrpto_type");
  std::string crypto = tender.AsString("emv_cryptogram");
  std::string last4 = docNo.size() > 4 ? docNo.substr(docNo.size() - 4) : docNo;

  if (DebugEMV) {
    if (foundation::UiAvailableOnThisThread()) {
      ShowDebugEMV(auth, last4, cvm, aid, appLabel, expDate, cryptoType, crypto);
    } else {
      Log(1, "No user interface on this thread; card-data dialog not shown", kEmvTag,
          foundation::kLevelWarning);
    }
  }
  if (auth.empty()) return "";

  std::string text = "=== EMV DATA ===";
  const std::pair<const char*, const std::string*> lines[] = {{"Auth Code:", &auth},
                                                              {"Last 4#:", &last4},
                                                              {"EMV CVM:", &cvm},
                                                              {"EMV AID:", &aid},
                                                              {"EMV APP LBL:", &appLabel},
                                                              {"EMV EXP DATE:", &expDate},
                                                              {"EMV Crypt Type:", &cryptoType},
                                                              {"EMV Crypto:", &crypto}};
  for (const auto& [label, value] : lines) {
    text += kTextBreak;
    text += label;
    text += *value;
  }
  text += kTextBreak;
  text += kTextBreak;
  return text;
}

void IgnoreBO(IPluginAdapter* /*adapter*/, int32_t /*salesOrderBO*/, int32_t /*tendersBO*/,
              int32_t /*customerBO*/) {}

}  // namespace receipt
