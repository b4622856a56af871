#pragma once
// Tvk9ValuesServer: the values-server plug-in. It answers the host's question
// for named values (the default customer type), carries a data text behind
// its own interface and is the one place where host customer records are
// created and updated: the customer dialogs call CreateNewCustomer and
// UpdateExistingCustomer on the prepared instance (ValuesServer()), which
// work on a customer business object of their own through the plug-in's
// adapter. Values come as "name=value" lines; for each line the value of the
// first line with that name is used.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "foundation/customer_field_names.h"
#include "foundation/prefs_records.h"
#include "hostplugin/custom_server_plugin.h"

namespace dialogs {

class Tvk9ValuesServer : public hostplugin::TCustomServerPluginT<Ivk9ValuesServer> {
 public:
  ~Tvk9ValuesServer() override;
  const char* ClassName() const override { return "Tvk9ValuesServer"; }
  void Initialize() override;

  // Raised by the receipt processor around its customer pop-up; not read here.
  void SetPopupActive(bool active) { FPopupActive = active; }
  bool PopupActive() const { return FPopupActive; }

  // Inserts a customer of subsidiary `sbsNo` with `values` and posts it. The
  // new "Cust Sid" when the post succeeded and the host gave one, else ''.
  // Nothing is raised: a failure is logged, the object closed and its
  // filters cleared.
  std::string CreateNewCustomer(const std::string& sbsNo, const foundation::StringList& values);

  // Writes `values` into the customer `custSid` of subsidiary `sbsNo` and
  // posts it. True when the record is right: the post succeeded, or the
  // customer's no-update field asked for no update. False when the customer
  // was not found (no edit then), the post failed (the cashier is told in a
  // message box with the host's error text) or anything else failed (logged,
  // object closed, filters cleared). Nothing is raised.
  bool UpdateExistingCustomer(const std::string& sbsNo, const std::string& custSid,
                              const foundation::StringList& values);

  // Ivk9ValuesServer
  HRESULT Get_Data(BSTR* value) override;
  HRESULT Set_Data(BSTR value) override;
  HRESULT SupportsValueContext(int32_t context, WordBool* result) override;

 protected:
  void* FindInterface(const IID& iid) override;

  bool PrepareImpl() override;
  void CleanUpImpl() override;
  bool SupportsImpl(int32_t what) override { return what == 0; }
  bool GetValueImpl(int32_t handle, const std::string& valueName, int32_t valueContext,
                    VARIANT* value, WordBool* found) override;
  Variant GetValueNamesImpl() override;

  // Raised by the receipt processor around its customer pop-up.
  bool FPopupActive = false;
  // The customer business object worked on; -1 while none was created.
  int32_t FCustomerBO = -1;
  // Subsidiary number of the filter last set on that object.
  std::string FCustSbsNo;
  // The attributes included in that object so far.
  std::set<std::string> FIncluded;
  std::u16string FData;

 private:
  // Creates the customer object when there is none yet and includes
  // `includes` in it (operation 17 first when `announce`).
  void EnsureCustomerObject(const std::vector<std::string>& includes, bool announce);
  // Includes those of `names` the existing object has not included yet: the
  // settings may name another field mid-day, and the host fetches and writes
  // an attribute only once it is included and the object opened after that.
  // When it included any, an open object is closed (and its subsidiary
  // filter set again) so that the next open fetches them.
  void IncludeMissing(const std::vector<std::string>& names);
  std::vector<std::string> UpdateIncludes(const std::string& sbsNo,
                                          const foundation::StringList& values);
  // `status` as the call left it (read after the call); a failed call raises.
  int32_t Status(const char* what, HRESULT hr, const int32_t& status);
  int32_t Filter(const std::string& attribute, const std::string& value);
  int32_t ClearFilter(const std::string& attribute, int32_t mode1);
  void OpenWhenClosed();
  void SetValues(const foundation::StringList& values, bool integerValueIds);
  std::string LastErrorText();
  // After a failure: close the object and clear its filters, errors ignored.
  void CloseAndClearFilters();
};

// The prepared values server; null while none is prepared.
Tvk9ValuesServer* ValuesServer();

// The required user-defined fields of a subsidiary with their active values
// (fields without values come back once, with NULL values).
inline constexpr const char* kRequiredUdfSQL =
    "select u.udf_name, u.udf_no, v.udf_value, v.udf_val_id from udf u left join udf_val v on "
    "v.udf_id=u.udf_id and v.active=1 where u.sbs_no=:sbs_no and u.udf_type=1 and u.required=1 "
    "order by u.udf_no asc";

// The host attribute a user-defined field number stands for: "UDF<n> Date"
// below 3, "UDF <n> Val Id" for 3 to 8, "Aux <n-8> Val Id" from 9.
std::string UdfAttributeName(int udfNumber);

// The host attribute the no-update setting names (shared with the receipt
// plug-ins' own address save).
using foundation::NoUpdateAttributeName;

// The date a customer's date field is given as text: "yyyy-mm-dd",
// optionally followed by a blank or "T" and "hh:nn[:ss]" (blanks around
// ignored); nothing for any other text or an impossible date.
std::optional<double> CustomerDateOfText(const std::string& text);

// Takes the next name off a ';'-separated list: leading ';' are dropped, the
// text before the next ';' is returned and the rest kept.
std::string NextField(std::string& list);

}  // namespace dialogs
