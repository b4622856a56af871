#include "errors.h"

#include <cctype>
#include <cstdio>
#include <mutex>
#include <optional>

namespace ocistandin {
namespace {

std::optional<OraError>& injected() {
  static std::optional<OraError> error;
  return error;
}

struct StatementFault {
  std::string fragment;  // upper case
  OraError error;
};

std::optional<StatementFault>& statementFault() {
  static std::optional<StatementFault> fault;
  return fault;
}

std::string upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

std::string standardText(sb4 code) {
  switch (code) {
    case kResourceBusy:
      return "resource busy and acquire with NOWAIT specified or timeout expired";
    case kInvalidSqlStatement:
      return "invalid SQL statement";
    case kInconsistentTypes:
      return "inconsistent datatypes";
    case kNotProperlyEnded:
      return "SQL command not properly ended";
    case kTableNotFound:
      return "table or view does not exist";
    case kInvalidCursor:
      return "invalid cursor";
    case kFetchOutOfSequence:
      return "fetch out of sequence";
    case kVariablesNotBound:
      return "not all variables bound";
    case kNotLoggedOn:
      return "not logged on";
    case kInvalidLogon:
      return "invalid username/password; logon denied";
    case kInsufficientPrivileges:
      return "insufficient privileges";
    case kIllegalVariable:
      return "illegal variable name/number";
    case kNullFetched:
      return "fetched column value is NULL";
    case kInvalidRowid:
      return "invalid ROWID";
    case kTruncated:
      return "fetched column value was truncated";
    case kIntegerOverflow:
      return "converting column overflows integer datatype";
    case kTrailingNullMissing:
      return "trailing null missing from STR bind value";
    case kInvalidNumber:
      return "invalid number";
    case kLiteralMismatch:
      return "literal does not match format string";
    case kUnimplemented:
      return "unimplemented feature";
    case kNotConnected:
      return "not connected to ORACLE";
    case kTnsNoListener:
      return "TNS:no listener";
    case kTnsUnresolved:
      return "TNS:could not resolve the connect identifier specified";
    case kIllegalAttribute:
      return "illegal attribute type";
    case kInvalidCharset:
      return "invalid character set specified";
    case kZeroIterations:
      return "zero iteration count";
    case kNotExecuted:
      return "statement handle not executed";
    case kTruncationOrNull:
      return "A Truncation or null fetch error occurred";
    case kAccountLocked:
      return "the account is locked";
    default:
      return "internal error code, arguments: [" + std::to_string(code) + "]";
  }
}

std::string formatMessage(sb4 code, const std::string& text) {
  char prefix[32];
  std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", static_cast<int>(code));
  return prefix + text + "\n";
}

void setError(ErrorHandle* err, sb4 code, const std::string& text) {
  if (err != nullptr) err->record = ErrorRecord{code, formatMessage(code, text)};
}

void setError(ErrorHandle* err, sb4 code) {
  setError(err, code, standardText(code));
}

void setEnvError(EnvHandle* env, sb4 code, const std::string& text) {
  if (env != nullptr) env->record = ErrorRecord{code, formatMessage(code, text)};
}

sword fail(ErrorHandle* err, const OraError& error) {
  setError(err, error.code, error.text);
  return OCI_ERROR;
}

sword fail(ErrorHandle* err, sb4 code) {
  setError(err, code);
  return OCI_ERROR;
}

bool takeInjectedError(OraError& out) {
  auto& slot = injected();
  if (!slot) return false;
  out = *slot;
  slot.reset();
  return true;
}

void injectError(sb4 code, const std::string& text) {
  injected() = OraError{code, text};
}
void clearInjectedError() {
  injected().reset();
  statementFault().reset();
}

bool takeStatementError(const std::string& sql, OraError& out) {
  const auto& fault = statementFault();
  if (!fault || upper(sql).find(fault->fragment) == std::string::npos) return false;
  out = fault->error;
  return true;
}

void injectStatementError(const std::string& fragment, sb4 code, const std::string& text) {
  if (fragment.empty()) {
    statementFault().reset();
  } else {
    statementFault() = StatementFault{upper(fragment), OraError{code, text}};
  }
}

}  // namespace ocistandin
