#include "dialogs/vk9_values_server.h"

#include <QMessageBox>
#include <QPushButton>
#include <climits>
#include <optional>
#include <stdexcept>

#include "foundation/helpers_text.h"
#include "foundation/log.h"
#include "foundation/main_window.h"
#include "foundation/ui_guard.h"
#include "hostplugin/bo_fields.h"
#include "hostplugin/plugin_class_table.h"
#include "platform/com/ole_date.h"
#include "platform/com/safearray.h"
#include "receipt/host_data_module.h"

namespace dialogs {

using hostplugin::OutArg;

namespace {

constexpr const char kDefaultCustomerType[] = "DEFAULTCUSTOMERTYPE";
constexpr const char kCreateTag[] = "Tvk9ValuesServer.CreateNewCustomer";
constexpr const char kUpdateTag[] = "Tvk9ValuesServer.UpdateExistingCustomer";
constexpr int32_t kRequiredCustomerFieldsPreference = 745;

using foundation::helpers::TrimText;
using foundation::helpers::UpperAscii;

Tvk9ValuesServer* g_prepared = nullptr;

void Trace(const std::string& text, const char* tag) {
  foundation::KWLog(9, text, foundation::kLevelInfo, tag);
}

void Warn(const std::string& text, const char* tag) {
  foundation::KWLog(1, text, foundation::kLevelWarning, tag);
}

// The value of the first line named `name` (without regard to case).
std::string ValueOf(const foundation::StringList& values, const std::string& name) {
  const std::string wanted = UpperAscii(name);
  for (const std::string& line : values) {
    if (UpperAscii(foundation::NameOfLine(line)) == wanted) return foundation::ValueOfLine(line);
  }
  return {};
}

// A decimal 32-bit integer, or nothing.
std::optional<int32_t> IntegerOf(const std::string& text) {
  const std::string trimmed = TrimText(text);
  if (trimmed.empty() || trimmed.size() > 11) return std::nullopt;
  size_t used = 0;
  try {
    const long long value = std::stoll(trimmed, &used);
    if (used != trimmed.size() || value < INT32_MIN || value > INT32_MAX) return std::nullopt;
    return static_cast<int32_t>(value);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// The value a "name=value" line is written to the host as; nothing for a
// date field whose text is no date.
std::optional<Variant> HostValue(const std::string& name, const std::string& value,
                                 bool integerValueIds) {
  if (name == "Allow Email") return Variant(value == "YES");
  if (name == "UDF1 Date" || name == "UDF2 Date") {
    // The date typed for the field (the loyalty tracking date is written as
    // the current time).
    if (const std::optional<double> date = CustomerDateOfText(value)) return Variant::Date(*date);
    return std::nullopt;
  }
  if (integerValueIds && name.size() >= 3 && name.compare(0, 3, "UDF") == 0 &&
      UpperAscii(name.substr(name.size() - 3)) == " ID") {
    if (const auto number = IntegerOf(value)) return Variant(*number);
  }
  return Variant(value);
}

// Shows the failed post to the cashier: a modal message box with plain text.
void ShowPostFailure(const std::string& text) {
  if (!foundation::UiAvailableOnThisThread()) {
    Warn(text, kUpdateTag);
    return;
  }
  QMessageBox box(QMessageBox::Warning, "Norvane", QString::fromStdString(text),
                  QMessageBox::NoButton, foundation::HostMainWindow());
  box.setObjectName("ShowMessage");
  box.setTextFormat(Qt::PlainText);
  box.addButton(QMessageBox::Ok)->setObjectName("btnOK");
  box.exec();
}

}  // namespace

std::string UdfAttributeName(int udfNumber) {
  const std::string n = std::to_string(udfNumber);
  if (udfNumber < 3) return "UDF" + n + " Date";
  if (udfNumber <= 8) return "UDF " + n + " Val Id";
  return "Aux " + std::to_string(udfNumber - 8) + " Val Id";
}

std::optional<double> CustomerDateOfText(const std::string& text) {
  const std::string trimmed = TrimText(text);
  if (trimmed.size() < 10 || trimmed[4] != '-') return std::nullopt;
  return ParseOleDate(trimmed);
}

std::string NextField(std::string& list) {
  const size_t start = list.find_first_not_of(';');
  if (start == std::string::npos) {
    list.clear();
    return {};
  }
  list.erase(0, start);
  const size_t semicolon = list.find(';');
  std::string field = list.substr(0, semicolon);
  list = semicolon == std::string::npos ? std::string() : list.substr(semicolon + 1);
  return field;
}

Tvk9ValuesServer* ValuesServer() {
  return g_prepared;
}

Tvk9ValuesServer::~Tvk9ValuesServer() {
  if (g_prepared == this) g_prepared = nullptr;
}

bool Tvk9ValuesServer::PrepareImpl() {
  const bool result = TCustomServerPluginT::PrepareImpl();
  g_prepared = this;
  FPopupActive = false;
  FCustomerBO = -1;
  FIncluded.clear();
  return result;
}

void Tvk9ValuesServer::CleanUpImpl() {
  if (g_prepared == this) g_prepared = nullptr;
  FCustSbsNo.clear();
  TCustomServerPluginT::CleanUpImpl();
}

int32_t Tvk9ValuesServer::Status(const char* what, HRESULT hr, const int32_t& status) {
  if (FAILED(hr)) {
    throw ComError(hr, std::string("The host failed to ") + what + " the customer object");
  }
  return status;
}

int32_t Tvk9ValuesServer::Filter(const std::string& attribute, const std::string& value) {
  BStr name(attribute);
  Variant v(value);
  int32_t status = 0;
  return Status("filter",
                FAdapter->BOSetFilterAttr(FCustomerBO, name.Get(), &v.Get(), 1, -1, -1, &status),
                status);
}

int32_t Tvk9ValuesServer::ClearFilter(const std::string& attribute, int32_t mode1) {
  BStr name(attribute);
  Variant empty(std::string{});
  int32_t status = 0;
  return Status(
      "clear a filter of",
      FAdapter->BOSetFilterAttr(FCustomerBO, name.Get(), &empty.Get(), 0, mode1, -1, &status),
      status);
}

void Tvk9ValuesServer::OpenWhenClosed() {
  int32_t open = 0;
  Status("tell whether it opened", FAdapter->BOIsOpen(FCustomerBO, &open), open);
  if (open != 0) return;
  int32_t status = 0;
  if (Status("open", FAdapter->BOOpen(FCustomerBO, &status), status) != kAdapterSuccess) {
    Warn("     LastError = \"" + LastErrorText() + "\"", kUpdateTag);
  }
}

std::string Tvk9ValuesServer::LastErrorText() {
  BStr text;
  if (FAILED(FAdapter->GetLastErrorMessage(text.Put()))) return {};
  return text.ToUtf8();
}

void Tvk9ValuesServer::EnsureCustomerObject(const std::vector<std::string>& includes,
                                            bool announce) {
  if (FCustomerBO != -1) return;
  if (FAdapter == nullptr) throw std::runtime_error("The values server has no host adapter");
  int32_t handle = -1;
  int32_t status = 0;
  Status("create", FAdapter->BOCreate(kBOKindCustomer, &handle, &status), status);
  if (status != kAdapterSuccess || handle == -1) return;
  FCustomerBO = handle;
  if (announce) {
    Variant none;
    Status("announce", FAdapter->BOOperation17(FCustomerBO, ToWordBool(true), &none.Get(), &status),
           status);
  }
  FIncluded.clear();
  for (const std::string& attribute : includes) {
    BStr name(attribute);
    Status("include an attribute in",
           FAdapter->BOIncludeAttrForced(FCustomerBO, name.Get(), ToWordBool(true), &status),
           status);
    FIncluded.insert(attribute);
  }
}

void Tvk9ValuesServer::IncludeMissing(const std::vector<std::string>& names) {
  if (FCustomerBO == -1) return;
  bool included = false;
  for (const std::string& attribute : names) {
    if (attribute.empty() || FIncluded.count(attribute) != 0) continue;
    BStr name(attribute);
    int32_t status = 0;
    Status("include an attribute in",
           FAdapter->BOIncludeAttrForced(FCustomerBO, name.Get(), ToWordBool(true), &status),
           status);
    FIncluded.insert(attribute);
    Trace("     Included \"" + attribute + "\", which the settings now name",
          "Tvk9ValuesServer.IncludeMissing");
    included = true;
  }
  if (!included) return;
  int32_t open = 0;
  Status("tell whether it opened", FAdapter->BOIsOpen(FCustomerBO, &open), open);
  if (open == 0) return;
  int32_t status = 0;
  Status("close", FAdapter->BOClose(FCustomerBO, &status), status);
  FCustSbsNo.clear();
}

void Tvk9ValuesServer::SetValues(const foundation::StringList& values, bool integerValueIds) {
  for (const std::string& line : values) {
    const std::string name = foundation::NameOfLine(line);
    const std::string value = ValueOf(values, name);
    BStr attribute(name);
    const std::optional<Variant> hostValue = HostValue(name, value, integerValueIds);
    if (!hostValue) {
      Warn("     " + name + " = [" + value + "] is no date; it is not stored.",
           integerValueIds ? kUpdateTag : kCreateTag);
      continue;
    }
    int32_t status = 0;
    Status("set a value of",
           FAdapter->BOSetAttrValue(FCustomerBO, attribute.Get(), &hostValue->Get(), &status),
           status);
    Trace("     " + name + " = [" + value + "], value set [" + std::to_string(status) + "].",
          integerValueIds ? kUpdateTag : kCreateTag);
  }
}

void Tvk9ValuesServer::CloseAndClearFilters() {
  if (FCustomerBO == -1 || FAdapter == nullptr) return;
  try {
    int32_t status = 0;
    FAdapter->BOClose(FCustomerBO, &status);
    ClearFilter("Sbs No", -1);
  } catch (const std::exception&) {
    // Cleaning up after a failure: nothing more can be done.
  }
  FCustSbsNo.clear();
}

std::string Tvk9ValuesServer::CreateNewCustomer(const std::string& sbsNo,
                                                const foundation::StringList& values) {
  foundation::LogEnter(7, kCreateTag);
  std::string sid;
  try {
    std::vector<std::string> includes = {"Sbs No",     "Cust Id", "Last Name",
                                         "First Name", "Active",  "Supplements"};
    for (const std::string& line : values) includes.push_back(foundation::NameOfLine(line));
    // The object serves the updates that may follow, which read these two.
    includes.push_back("Cust Sid");
    const std::string noUpdate = NoUpdateAttributeName(foundation::MainPrefs.CustNoUpdateField);
    if (!noUpdate.empty()) includes.push_back(noUpdate);
    if (FCustomerBO == -1) {
      EnsureCustomerObject(includes, true);
    } else {
      IncludeMissing(includes);
    }
    if (FCustomerBO != -1) {
      Trace("     Inserting new customer...", kCreateTag);
      if (sbsNo != FCustSbsNo) {
        Filter("Sbs No", sbsNo);
        FCustSbsNo = sbsNo;
      } else {
        Trace("     Subsidiary [" + sbsNo + "], leaving filter for subsidiary in place",
              kCreateTag);
      }
      OpenWhenClosed();
      int32_t status = 0;
      Status("insert into", FAdapter->BOInsert(FCustomerBO, &status), status);
      Trace("     Insert [" + std::to_string(status) + "]", kCreateTag);
      const std::string before = hostplugin::GetBOFieldValue(*FAdapter, FCustomerBO, "Cust Sid");
      Trace(before.empty() ? "     Following insert, the SID value was Null"
                           : "     Following insert, the SID is " + before,
            kCreateTag);
      SetValues(values, false);
      const int32_t posted = Status("post", FAdapter->BOPost(FCustomerBO, &status), status);
      Trace("     Post [" + std::to_string(posted) + "]", kCreateTag);
      const std::string after =
          TrimText(hostplugin::GetBOFieldValue(*FAdapter, FCustomerBO, "Cust Sid"));
      if (posted == kAdapterSuccess && !after.empty()) {
        sid = after;
        Trace("     SID = " + sid, kCreateTag);
      } else {
        Warn("     The post failed or gave no SID (" + LastErrorText() +
                 "); returning empty string.",
             kCreateTag);
      }
    }
  } catch (const std::exception& e) {
    foundation::LogException(e, kCreateTag);
    sid.clear();
    CloseAndClearFilters();
  }
  foundation::LogExit(7, kCreateTag);
  return sid;
}

std::vector<std::string> Tvk9ValuesServer::UpdateIncludes(const std::string& sbsNo,
                                                          const foundation::StringList& values) {
  std::vector<std::string> includes = {"Sbs No",     "Cust Sid", "Last Name",
                                       "First Name", "Active",   "Supplements"};
  const std::optional<int32_t> subsidiary = IntegerOf(sbsNo);
  if (!subsidiary) throw std::invalid_argument("'" + sbsNo + "' is not a valid integer value");
  Variant required;
  Status("read the required fields for",
         FAdapter->GetPreference(kRequiredCustomerFieldsPreference, *subsidiary, required.Put()),
         0);
  if (!required.IsNull() && !required.IsEmpty()) {
    std::string list = required.ToString();
    for (const char* name : {"EMail", "Sbs No", "Cust Sid", "Cust Id", "Last Name", "First Name",
                             "Active", "Supplements"}) {
      for (size_t at = list.find(name); at != std::string::npos; at = list.find(name, at)) {
        list.erase(at, std::string(name).size());
      }
    }
    for (size_t at = list.find(";;"); at != std::string::npos; at = list.find(";;", at)) {
      list.replace(at, 2, ";");
    }
    if (list.size() >= 2) {
      while (!list.empty()) {
        const std::string field = NextField(list);
        if (!field.empty()) includes.push_back(field);
      }
    }
  }
  receipt::TdQ& dq = receipt::EnsureDataModule();
  if (!dq.Connect()) throw std::runtime_error(dq.LastError());
  if (dq.OpenDS1(kRequiredUdfSQL, {{"sbs_no", sbsNo}})) {
    for (; !dq.ds1.Eof(); dq.ds1.Next()) {
      includes.push_back(UdfAttributeName(dq.ds1.FieldByName("udf_no").AsInteger()));
    }
  }
  const std::string noUpdate = NoUpdateAttributeName(foundation::MainPrefs.CustNoUpdateField);
  if (!noUpdate.empty()) {
    includes.push_back(noUpdate);
  } else if (foundation::CustomerFieldConfigured(foundation::MainPrefs.CustNoUpdateField)) {
    Warn("The no-update field \"" + foundation::MainPrefs.CustNoUpdateField +
             "\" names no customer field; it is not used",
         kUpdateTag);
  }
  for (const std::string& line : values) includes.push_back(foundation::NameOfLine(line));
  return includes;
}

bool Tvk9ValuesServer::UpdateExistingCustomer(const std::string& sbsNo, const std::string& custSid,
                                              const foundation::StringList& values) {
  foundation::LogEnter(7, kUpdateTag);
  std::string step = "processing UDF fields";
  bool right = false;
  try {
    if (FCustomerBO == -1) {
      EnsureCustomerObject(UpdateIncludes(sbsNo, values), false);
    } else {
      // What the settings name now: the no-update field read below and the
      // fields the values are written to.
      std::vector<std::string> named = {
          NoUpdateAttributeName(foundation::MainPrefs.CustNoUpdateField)};
      for (const std::string& line : values) named.push_back(foundation::NameOfLine(line));
      IncludeMissing(named);
    }
    if (FCustomerBO != -1) {
      step = "filtering the customer";
      Trace("Updating existing customer...", kUpdateTag);
      if (sbsNo != FCustSbsNo) {
        Trace("Setting filter on subsidiary number [" + sbsNo + "]...", kUpdateTag);
        if (Filter("Sbs No", sbsNo) != kAdapterSuccess) {
          Warn("     LastError = \"" + LastErrorText() + "\"", kUpdateTag);
        }
        FCustSbsNo = sbsNo;
      }
      OpenWhenClosed();
      Trace("Refiltering the customer BO using SID [" + custSid + "]...", kUpdateTag);
      const int32_t found = Filter("Cust Sid", custSid);
      Trace("Refilter complete.", kUpdateTag);
      if (found != kAdapterSuccess)
        Warn("     LastError = \"" + LastErrorText() + "\"", kUpdateTag);
      WordBool atEnd = 0;
      Status("tell the end of", FAdapter->BOEof(FCustomerBO, &atEnd), 0);
      const std::string current =
          found == kAdapterSuccess && atEnd == 0
              ? TrimText(hostplugin::GetBOFieldValue(*FAdapter, FCustomerBO, "Cust Sid"))
              : std::string();
      if (current.empty() || current != TrimText(custSid)) {
        Trace("Customer record was not found.", kUpdateTag);
      } else if (step = "checking the no-update field";
                 hostplugin::CustomerMarkedNoUpdate(*FAdapter, FCustomerBO, kUpdateTag)) {
        right = true;
      } else {
        step = "setting the values";
        Trace("Putting customer BO in edit mode.", kUpdateTag);
        int32_t status = 0;
        Status("edit", FAdapter->BOEdit(FCustomerBO, &status), status);
        SetValues(values, true);
        step = "posting";
        Trace("Values set, posting...", kUpdateTag);
        Status("call operation 125 for", FAdapter->Operation125(&status), status);
        const int32_t posted = Status("post", FAdapter->BOPost(FCustomerBO, &status), status);
        Trace("Post complete [" + std::to_string(posted) + "].", kUpdateTag);
        right = posted == kAdapterSuccess;
        if (!right) {
          const std::string error = LastErrorText();
          Warn("     LastError = \"" + error + "\"", kUpdateTag);
          if (!error.empty()) {
            ShowPostFailure(
                "The receipt will be transmitted, but the customer record cannot be updated\r" +
                error);
            Status("call operation 125 for", FAdapter->Operation125(&status), status);
          }
        }
      }
    }
  } catch (const std::exception& e) {
    foundation::LogException(e, std::string(kUpdateTag) + " while " + step);
    right = false;
    Trace("Closing customer BO and clearing filters...", kUpdateTag);
    CloseAndClearFilters();
    Trace("BO closed, filters cleared.", kUpdateTag);
  }
  if (FCustomerBO != -1 && FAdapter != nullptr) {
    try {
      ClearFilter("Cust Sid", -1);
    } catch (const std::exception& e) {
      foundation::LogException(e, std::string(kUpdateTag) + " while clearing the SID filter");
    }
  }
  foundation::LogExit(7, kUpdateTag);
  return right;
}

void Tvk9ValuesServer::Initialize() {
  TCustomServerPluginT::Initialize();
  FDescription = "Norvane Values Server";
  FGUID = hostplugin::CLSID_vk9ValuesServer;
  FData.clear();
}

HRESULT Tvk9ValuesServer::Get_Data(BSTR* value) {
  return SafeCall([&] {
    auto& out = OutArg(value);
    BSTR text = SysAllocStringLen(FData.data(), static_cast<uint32_t>(FData.size()));
    if (text == nullptr) throw ComError(E_OUTOFMEMORY);
    out = text;
  });
}

HRESULT Tvk9ValuesServer::Set_Data(BSTR value) {
  return SafeCall([&] { FData.assign(value != nullptr ? value : u"", SysStringLen(value)); });
}

HRESULT Tvk9ValuesServer::SupportsValueContext(int32_t context, WordBool* result) {
  return SafeCall([&] {
    auto& out = OutArg(result);
    out = ToWordBool(context == 0);
  });
}

void* Tvk9ValuesServer::FindInterface(const IID& iid) {
  if (iid == IID_Ivk9ValuesServer) return static_cast<Ivk9ValuesServer*>(this);
  return TCustomServerPluginT::FindInterface(iid);
}

bool Tvk9ValuesServer::GetValueImpl(int32_t /*handle*/, const std::string& valueName,
                                    int32_t /*valueContext*/, VARIANT* value, WordBool* found) {
  if (valueName == kDefaultCustomerType) {
    int32_t customerType = 0;
    Variant answer = SingleElementArray(VT_I4, 1, &customerType);
    *value = answer.Detach();
    *found = VARIANT_TRUE;
  }
  return false;
}

Variant Tvk9ValuesServer::GetValueNamesImpl() {
  BStr name(std::string(".") + kDefaultCustomerType + ".");
  return SingleElementArray(VT_BSTR, 1, name.Get());
}

}  // namespace dialogs
