#pragma once
// What the setup dialog reads from the host database: the payment-card names
// and the department (DCS) codes. The session comes from a replaceable
// opener; by default it logs on to the host database with the plug-in's
// built-in read account.

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace oracle {
class TOracleSession;
}

namespace dialogs {

// Gives a logged-on session or raises with the reason.
using HostSessionOpener = std::function<std::unique_ptr<oracle::TOracleSession>()>;

// Replaces the opener; an empty function restores the default.
void SetHostSessionOpener(HostSessionOpener opener);

// A logged-on session from the current opener. A logon failure raises an
// error whose message is "Logon Ex: " + the reason.
std::unique_ptr<oracle::TOracleSession> OpenHostSession();

// Card names of credit_card and invc_tender, upper case, distinct and sorted.
std::vector<std::string> ReadCardNames(oracle::TOracleSession& session);

// Active DCS codes of the master subsidiary; all active codes when the master
// has none. Empty codes are left out. Empty (and a warning logged) when there
// are none at all.
std::vector<std::string> ReadDcsCodes(oracle::TOracleSession& session);

}  // namespace dialogs
