#include "oracle/session/logon_string.h"

#include "oracle/client/client_settings.h"
#include "platform/text.h"

namespace oracle {

namespace {

// Position of " AS " outside double quotes in the upper-cased text.
std::size_t FindRoleSeparator(const std::string& upper) {
  bool quoted = false;
  for (std::size_t i = 0; i < upper.size(); ++i) {
    if (upper[i] == '"') quoted = !quoted;
    if (!quoted && upper.compare(i, 4, " AS ") == 0) return i;
  }
  return std::string::npos;
}

}  // namespace

TLogonParts ParseLogonText(std::string_view input) {
  std::string text(input);
  for (char& c : text)
    if (c == '\t') c = ' ';
  TLogonParts parts;
  std::string rest = text;
  if (const std::size_t at = FindRoleSeparator(UpperCase(text)); at != std::string::npos) {
    parts.hasRole = true;
    const std::string role = UpperCase(platform::Trim(std::string_view(text).substr(at + 4), " "));
    if (role == "SYSDBA") {
      parts.connectAs = TConnectAs::caSYSDBA;
    } else if (role == "SYSOPER") {
      parts.connectAs = TConnectAs::caSYSOPER;
    }
    rest = text.substr(0, at);
  }
  enum class Part { User, Password, Database } part = Part::User;
  bool quoted = false;
  for (char c : rest) {
    if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == '/' && part == Part::User) {
      part = Part::Password;
      parts.hasPassword = true;
      continue;
    } else if (!quoted && c == '@' && part != Part::Database) {
      part = Part::Database;
      parts.hasDatabase = true;
      continue;
    }
    switch (part) {
      case Part::User:
        parts.user += c;
        break;
      case Part::Password:
        parts.password += c;
        break;
      case Part::Database:
        parts.database += c;
        break;
    }
  }
  parts.split = parts.hasPassword || parts.hasDatabase || parts.hasRole || text == "/";
  return parts;
}

std::string ComposeConnectText(const std::string& user, const std::string& password,
                               const std::string& database, TConnectAs connectAs) {
  std::string text = user;
  if (!password.empty()) text += "/" + password;
  if (!database.empty()) text += "@" + database;
  if (connectAs == TConnectAs::caSYSDBA) text += " as SYSDBA";
  if (connectAs == TConnectAs::caSYSOPER) text += " as SYSOPER";
  return text;
}

}  // namespace oracle
