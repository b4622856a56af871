#pragma once
// The logon text "user/password@database as role": splitting it into its
// parts and composing the connect text of the OCI7 logon calls.

#include <string>
#include <string_view>

namespace oracle {

enum class TConnectAs { caNormal, caSYSDBA, caSYSOPER };

struct TLogonParts {
  std::string user;
  std::string password;
  std::string database;
  TConnectAs connectAs = TConnectAs::caNormal;
  bool hasPassword = false;  // a "/" started a password part
  bool hasDatabase = false;  // an "@" started a database part
  bool hasRole = false;      // " as " was found
  // Whether the text was split at all: a password, a database or a role was
  // found, or the text is exactly "/".
  bool split = false;
};

// Splits a logon text. Tabs count as blanks; " AS " (any letter case, outside
// double quotes) separates the role, "SYSDBA" or "SYSOPER" in any letter case
// (anything else is a normal logon); in the rest, outside double quotes, the
// first "/" of the user part starts the password and the first "@" starts the
// database. Double quotes toggle the quoted state and stay in the part.
TLogonParts ParseLogonText(std::string_view text);

// user, "/" + password when not empty, "@" + database when not empty, and
// " as SYSDBA" or " as SYSOPER" for a privileged logon. Holds the password:
// never log it.
std::string ComposeConnectText(const std::string& user, const std::string& password,
                               const std::string& database, TConnectAs connectAs);

}  // namespace oracle
