// The host's vocabulary carried as constant data: its preference names with
// the host's number for each, and its point-delimited attribute-name lists
// with their membership test.
//
// Carried are the rows and lists the host's documentation was available for:
// the business-preference table whole (the first 151 rows of the preference
// dump), of the 886-row system-preference table the three rows known by name
// and number, and of the attribute-name lists the coupon and transfer-slip
// lists whole. The other fifteen attribute-name lists and the other 883
// system-preference rows are not carried; nothing in the plug-ins reads them
// (they read attributes by name and preferences by number through the
// adapter).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace hostplugin {

// One host preference: its name and the host's number for it, as passed to the
// adapter's preference read.
struct BusinessPref {
  const char* name;
  int32_t index;
};

// The 561 preferences LogSystemPrefs writes, in the order written.
std::span<const BusinessPref> LoggedBusinessPrefs();

// The host's business-preference table: the first 151 rows of
// LoggedBusinessPrefs() (the same storage). Its numbers are 0..150, each once,
// but not always at their own row.
std::span<const BusinessPref> BusinessPrefNames();

// The number of the first business-preference row whose name equals `name`
// exactly (letter case included); none when no row matches.
std::optional<int32_t> BusinessPrefValue(std::string_view name);

// The number of rows of the host's system-preference table.
inline constexpr int32_t kSystemPrefRowCount = 886;

// A row of the system-preference table: its place in the table, its name
// and the host's number for it.
struct SystemPrefRow {
  int32_t row;
  const char* name;
  int32_t value;
};

// The system-preference rows carried, in table order.
std::span<const SystemPrefRow> KnownSystemPrefRows();

// The number of the first carried system-preference row whose name equals
// `name` exactly; none when no carried row matches.
std::optional<int32_t> SystemPrefValue(std::string_view name);

// Attribute-name lists: every name preceded by a point, the text ending with
// one. Names keep the host's letter case.
enum class AttributeList { Coupon, TransferSlip };

inline constexpr std::string_view kCouponAttributes = ".Invc SID.Coupon #.Status.Promo Name.";
inline constexpr std::string_view kTransferSlipAttributes = ".Slip SID.Slip Items.From SbsNo.";

// The list's text as written above.
std::string_view AttributeNames(AttributeList list);

// Whether `name` is in the list; with `ignoreCase` the test runs on the
// list's upper-case copy (made on the spot when the copies do not exist).
bool IsAttributeOf(AttributeList list, std::string_view name, bool ignoreCase);

// The upper-case copies of the lists written in mixed case (both carried
// lists are), made at library start-up and released at its shutdown.
void MakeUpperCaseAttributeLists();
void ReleaseUpperCaseAttributeLists();
// Whether the copies exist.
bool UpperCaseAttributeListsMade();

// Whether `name` stands in `list`, a text in which every name is preceded by a
// point and which ends with one: "." + name + "." occurs in it. An empty name,
// or one holding a point, is never a member.
bool NameInList(std::string_view list, std::string_view name);
// The same with both texts upper-cased (ASCII letters only).
bool NameInListIgnoringCase(std::string_view list, std::string_view name);

}  // namespace hostplugin
