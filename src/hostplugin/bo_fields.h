// Reading host business-object fields and preferences through the host's
// adapter: typed field readers, the customer's e-mail and loyalty flags, and
// the dump of the host's business preferences into the application log.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "host_interfaces/host_interfaces.h"
#include "hostplugin/host_constants.h"

namespace hostplugin {

// The field's value as text (the platform's usual variant-to-text form: empty
// and null give ""). Throws ComError carrying the host's status when the host
// answers a failure, naming the field and the business object.
std::string GetBOFieldValue(IPluginAdapter& adapter, int32_t boHandle,
                            const std::string& fieldName);
// The field's text as a decimal integer; 0 when it is not one.
int32_t GetBOFieldInt(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName);
// The field's text as a number; 0 when it is not one.
double GetBOFieldFloat(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName);
// The field's value converted directly to a date-time (OLE days). Throws
// ComError when the host fails or the value is no date.
double GetBOFieldDateTime(IPluginAdapter& adapter, int32_t boHandle, const std::string& fieldName);

// Whether a host Boolean read as text is true: 1, -1 or "True" (trimmed, any
// case), as hosts and databases hand a true flag back.
bool HostFlagIsTrue(const std::string& text);

// Whether a customer's yes/no value read as text says yes: "YES", trimmed and
// in any case, as stores spell their lists ("Yes", "yes ") and the plug-in
// writes them ("YES"). Every reader of the opt-in and loyalty values uses it.
bool TextSaysYes(const std::string& text);

// Whether the customer accepts e-mail, by MainPrefs.EmailOptInField (read as
// foundation::CustomerFieldSetting reads it, blanks and case aside): the host
// flag "Allow Email" must be true (HostFlagIsTrue); a user-defined field
// ("UDF<digit>") must hold the list entry "YES" in "UDF <digit> Value"; any
// other configured field must read "YES" (trimmed, any case); no field
// configured means no.
bool CustomerAllowsEmail(IPluginAdapter& adapter, int32_t custBO);

// Whether the customer is a loyalty member: the field named by
// MainPrefs.LoyaltyStatusField (a "UDF<digit>" setting reads "UDF <digit>
// Value") reads "YES" (trimmed, any case). False when nothing usable is
// configured.
bool CustomerIsLoyaltyMember(IPluginAdapter& adapter, int32_t custBO);

// Whether the customer on the object's current record is marked "No Update"
// and so must not be written: the field MainPrefs.CustNoUpdateField names
// (foundation::NoUpdateAttributeName) reads "NO UPDATE", trimmed and in any
// case (the skip is logged under `tag`). No usable setting, a Null value or a
// field the host does not know (an Empty value, logged as an error) is no
// mark. A failed read raises ComError, so a caller that writes only an
// unmarked customer writes nothing then. Every writer of an existing
// customer asks it: the values server's update and the receipt plug-ins'
// address save.
bool CustomerMarkedNoUpdate(IPluginAdapter& adapter, int32_t custBO, const std::string& tag);

// The log line of one preference: the name over a run of 38 dots, then
// "[null]" for an empty or null value, else its text.
std::string PrefLogLine(std::string_view name, const VARIANT& value);

// Logs one preference read from the host (level 0, " INFO    ", empty tag).
// Throws ComError when the host fails to answer.
void VariantToLogText(int32_t index, const std::string& name, IPluginAdapter& adapter);

// Writes a banner and every preference of LoggedBusinessPrefs() to the
// application log; nothing when `level` is above the log's level. Preferences
// are read for the subsidiary of the current document (MainPrefs.SBS, 1 when
// it is not a number).
void LogSystemPrefs(int level, IPluginAdapter& adapter);

}  // namespace hostplugin
