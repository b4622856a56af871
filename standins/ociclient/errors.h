// Oracle error numbers and texts, and the diagnostic records of error and
// environment handles.
#pragma once

#include <string>

#include "handles.h"

namespace ocistandin {

// Oracle error numbers the stand-in raises.
enum OraCode : sb4 {
  kUniqueViolated = 1,
  kResourceBusy = 54,
  kInvalidSqlStatement = 900,
  kInvalidIdentifier = 904,
  kInconsistentTypes = 932,
  kNotProperlyEnded = 933,
  kTableNotFound = 942,
  kInvalidCursor = 1001,
  kFetchOutOfSequence = 1002,
  kVariablesNotBound = 1008,
  kNotLoggedOn = 1012,
  kInvalidLogon = 1017,
  kInsufficientPrivileges = 1031,
  kIllegalVariable = 1036,
  kCannotInsertNull = 1400,
  kNullFetched = 1405,
  kInvalidRowid = 1410,
  kTruncated = 1406,
  kIntegerOverflow = 1455,
  kTrailingNullMissing = 1480,
  kInvalidNumber = 1722,
  kLiteralMismatch = 1861,
  kUnimplemented = 3001,
  kNotConnected = 3114,
  kPlsqlError = 6550,
  kTnsNoListener = 12541,
  kTnsUnresolved = 12154,
  kValueTooLarge = 12899,
  kIllegalAttribute = 24315,
  kInvalidCharset = 12715,
  kZeroIterations = 24333,
  kNotExecuted = 24338,
  kTruncationOrNull = 24345,
  kAccountLocked = 28000,
  kPasswordExpiring = 28002,
  kInternalError = 600,
};

// Oracle's text for `code` (without the "ORA-nnnnn: " prefix).
std::string standardText(sb4 code);
// "ORA-00942: table or view does not exist\n" style message.
std::string formatMessage(sb4 code, const std::string& text);

// Stores a record on an error handle (or environment handle).
void setError(ErrorHandle* err, sb4 code, const std::string& text);
void setError(ErrorHandle* err, sb4 code);
void setEnvError(EnvHandle* env, sb4 code, const std::string& text);

// An Oracle error travelling through the stand-in's own code.
struct OraError {
  sb4 code;
  std::string text;
};

// Stores `error` on `err` and answers OCI_ERROR.
sword fail(ErrorHandle* err, const OraError& error);
sword fail(ErrorHandle* err, sb4 code);

// Error injected by a test for the next database call, if any (consumed).
bool takeInjectedError(OraError& out);
void injectError(sb4 code, const std::string& text);
void clearInjectedError();
// Error injected by a test for every statement whose text holds a fragment
// (matched without regard to case); empty fragment: none.
bool takeStatementError(const std::string& sql, OraError& out);
void injectStatementError(const std::string& fragment, sb4 code, const std::string& text);

}  // namespace ocistandin
