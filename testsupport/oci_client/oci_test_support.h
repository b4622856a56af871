// Shared helpers of the stand-in client's tests: the library opened with
// dlopen and its entry points, a private copy of the host database named
// "RPROODS" by a private configuration, and logon/statement shortcuts.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ociclient_testing.h"
#include "platform/oci/oci_api.h"

namespace ocitest {

struct Api {
#define OCITEST_MEMBER(name) PFN_##name name = nullptr;
  OCI_FOR_EACH_OCI8(OCITEST_MEMBER)
  OCI_FOR_EACH_ERROR_FUNCTIONS(OCITEST_MEMBER)
  OCI_FOR_EACH_OCI81(OCITEST_MEMBER)
  OCI_FOR_EACH_OCI9(OCITEST_MEMBER)
  PFN_OCIStmtPrepare2 OCIStmtPrepare2 = nullptr;
  PFN_OCIStmtRelease OCIStmtRelease = nullptr;
#undef OCITEST_MEMBER
  PFN_ociStandin_JournalSize journalSize = nullptr;
  PFN_ociStandin_JournalSql journalSql = nullptr;
  PFN_ociStandin_JournalBindCount journalBindCount = nullptr;
  PFN_ociStandin_JournalBind journalBind = nullptr;
  PFN_ociStandin_JournalClear journalClear = nullptr;
  PFN_ociStandin_FailNextCall failNextCall = nullptr;
  PFN_ociStandin_FailStatements failStatements = nullptr;
  PFN_ociStandin_ClearFailure clearFailure = nullptr;
  void* library = nullptr;
};

// The library, opened once per test program.
const Api& api();

// Makes a fresh copy of the host fixture and a configuration naming it
// "RPROODS"; NORVANE_OCI_CONFIG points at it until the object goes.
class FixtureDatabase {
 public:
  FixtureDatabase();
  ~FixtureDatabase();
  const std::string& path() const { return dbPath_; }

 private:
  std::string dir_, dbPath_;
};

struct ErrorInfo;

// One environment, error handle, server, service context and session.
struct Session {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCIServer* server = nullptr;
  OCISvcCtx* svc = nullptr;
  OCISession* user = nullptr;
  sword logonStatus = OCI_ERROR;
  sb4 logonCode = 0;  // error record left by the logon
  std::string logonText;

  Session(const std::string& user, const std::string& password,
          const std::string& alias = "RPROODS");
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;
  void end();  // OCISessionEnd
};

// Error code and text of record 1 of an error handle (code 0 when none).
struct ErrorInfo {
  sb4 code = 0;
  std::string text;
};
ErrorInfo lastError(OCIError* err);

// A prepared statement on its own handle.
struct Statement {
  Statement(Session& session, const std::string& sql);
  ~Statement();
  sword execute(ub4 iters = 1, ub4 mode = OCI_DEFAULT, ub4 rowoff = 0);
  ErrorInfo error() const { return lastError(session.err); }
  Session& session;
  OCIStmt* stmt = nullptr;
};

// A test on a fresh copy of the host fixture with one session logged on
// with the plug-in's account.
class PluginAccountTest : public ::testing::Test {
 protected:
  FixtureDatabase db;
  Session s{"VESKDATA", "plimsy"};
};

// Runs a statement that changes data; fails the test on error.
void run(Session& session, const std::string& sql);

// Runs a query and returns every row, each column as text ("<null>" for
// NULL), fetched 7 rows per call. Binds are (name, text value) pairs.
using Rows = std::vector<std::vector<std::string>>;
Rows query(Session& session, const std::string& sql,
           const std::vector<std::pair<std::string, std::string>>& binds = {});

}  // namespace ocitest
