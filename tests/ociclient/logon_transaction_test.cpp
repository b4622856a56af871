// Logon outcomes, server version and Oracle's transaction rules.
#include <cstring>
#include <string>
#include <vector>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

std::string single(Session& s, const std::string& sql) {
  const Rows rows = query(s, sql);
  return rows.size() == 1 && rows[0].size() == 1 ? rows[0][0]
                                                 : "<" + std::to_string(rows.size()) + " rows>";
}

TEST(OciLogon, SessionBeginsAreJournalledWithModeAndNeverThePassword) {
  FixtureDatabase db;
  api().journalClear();
  { Session denied("Veskdata", "wrong-secret"); }
  Session s("veskdata", "plimsy");
  ASSERT_EQ(OCI_SUCCESS, s.logonStatus);
  ASSERT_EQ(OCI_SUCCESS, api().OCISessionEnd(s.svc, s.err, s.user, OCI_DEFAULT));
  // Again as SYSDBA, refused to an account that is not privileged and taken
  // by one that is; then with external credentials and a password carried
  // in the user name (refused).
  auto set = [&s](const std::string& value, ub4 attribute) {
    api().OCIAttrSet(s.user, OCI_HTYPE_SESSION, const_cast<char*>(value.c_str()),
                     static_cast<ub4>(value.size()), attribute, s.err);
  };
  set("plimsy", OCI_ATTR_PASSWORD);
  EXPECT_EQ(OCI_ERROR, api().OCISessionBegin(s.svc, s.err, s.user, OCI_CRED_RDBMS, OCI_SYSDBA));
  EXPECT_EQ("ORA-01031: insufficient privileges\n", lastError(s.err).text);
  set("DBADMIN", OCI_ATTR_USERNAME);
  for (const ub4 role : {OCI_SYSDBA, OCI_SYSOPER}) {
    set("hedgerow", OCI_ATTR_PASSWORD);
    EXPECT_EQ(OCI_SUCCESS, api().OCISessionBegin(s.svc, s.err, s.user, OCI_CRED_RDBMS, role));
    ASSERT_EQ(OCI_SUCCESS, api().OCISessionEnd(s.svc, s.err, s.user, OCI_DEFAULT));
  }
  set("veskdata/plimsy", OCI_ATTR_USERNAME);
  EXPECT_EQ(OCI_ERROR, api().OCISessionBegin(s.svc, s.err, s.user, OCI_CRED_EXT, OCI_SYSOPER));

  const std::vector<std::string> expected = {
      "SESSION BEGIN user=VESKDATA credt=1 mode=0", "SESSION BEGIN user=VESKDATA credt=1 mode=0",
      "SESSION BEGIN user=VESKDATA credt=1 mode=2", "SESSION BEGIN user=DBADMIN credt=1 mode=2",
      "SESSION BEGIN user=DBADMIN credt=1 mode=4",  "SESSION BEGIN user=VESKDATA credt=2 mode=4"};
  ASSERT_EQ(static_cast<int>(expected.size()), api().journalSize());
  for (int i = 0; i < api().journalSize(); ++i) {
    EXPECT_EQ(expected[static_cast<size_t>(i)], api().journalSql(i));
    EXPECT_EQ(0, api().journalBindCount(i));
  }
}

TEST(OciLogon, AliasIsMatchedWithoutCaseAndServerVersionNamesRelease19) {
  FixtureDatabase db;
  Session s("VESKDATA", "plimsy", "rproods");
  ASSERT_EQ(OCI_SUCCESS, s.logonStatus);
  text version[501] = {};
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIServerVersion(s.server, s.err, version, sizeof version, OCI_HTYPE_SERVER));
  EXPECT_NE(nullptr, std::strstr(reinterpret_cast<char*>(version), "Release 19.0.0.0.0"));
  EXPECT_EQ(OCI_SUCCESS, api().OCIBreak(s.svc, s.err));
}

TEST(OciLogon, NoConfigurationMeansUnresolvedIdentifier) {
  FixtureDatabase db;
  unsetenv("NORVANE_OCI_CONFIG");
  const char* home = std::getenv("ORACLE_HOME");
  const std::string savedHome = home != nullptr ? home : "";
  unsetenv("ORACLE_HOME");
  Session s("VESKDATA", "plimsy");
  EXPECT_EQ(12154, lastError(s.err).code);
  if (!savedHome.empty()) setenv("ORACLE_HOME", savedHome.c_str(), 1);
}

TEST(OciLogon, LogonAndLogoffShortcuts) {
  FixtureDatabase db;
  const Api& a = api();
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  a.OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  a.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  OCISvcCtx* svc = nullptr;
  const std::string user = "VESKDATA", pw = "plimsy", dbName = "RPROODS";
  ASSERT_EQ(OCI_SUCCESS, a.OCILogon(env, err, &svc, reinterpret_cast<const text*>(user.data()), 8,
                                    reinterpret_cast<const text*>(pw.data()), 6,
                                    reinterpret_cast<const text*>(dbName.data()), 7));
  EXPECT_EQ(OCI_SUCCESS, a.OCILogoff(svc, err));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCILogoff(svc, err));
  a.OCIHandleFree(env, OCI_HTYPE_ENV);
}

TEST(OciTransactions, CommitOnSuccessAndBusyDatabase) {
  FixtureDatabase db;
  Session first("VESKDATA", "plimsy");
  Session second("VESKDATA", "plimsy");
  Statement sameRow(second, "update so_v set disc_amt = 7 where so_sid = 5001");
  Statement otherRow(second, "update so_v set disc_amt = 8 where so_sid = 5002");
  // A select FOR UPDATE locks the rows it selected, not the database, until
  // the transaction ends; a savepoint takes no lock either.
  run(first, "savepoint s1");
  EXPECT_EQ("5001", single(first, "select so_sid from so_v where so_sid = 5001 for update"));
  EXPECT_EQ(OCI_ERROR, sameRow.execute());
  EXPECT_EQ(54, sameRow.error().code);
  EXPECT_EQ(OCI_SUCCESS, otherRow.execute());
  ASSERT_EQ(OCI_SUCCESS, api().OCITransRollback(second.svc, second.err, OCI_DEFAULT));
  // A rollback to a savepoint set before the lock gives the row up.
  run(first, "rollback to savepoint s1");
  EXPECT_EQ(OCI_SUCCESS, sameRow.execute());
  ASSERT_EQ(OCI_SUCCESS, api().OCITransRollback(second.svc, second.err, OCI_DEFAULT));
  Statement unknown(first, "rollback to savepoint nowhere");
  EXPECT_EQ(OCI_ERROR, unknown.execute());
  EXPECT_EQ(1086, unknown.error().code);
  // A change holds SQLite's one write lock: every other session's change waits.
  run(first, "update so_v set disc_amt = 6 where so_sid = 5001");
  EXPECT_EQ(OCI_ERROR, otherRow.execute());
  EXPECT_EQ(54, otherRow.error().code);
  ASSERT_EQ(OCI_SUCCESS, api().OCITransCommit(first.svc, first.err, OCI_DEFAULT));
  EXPECT_EQ(OCI_SUCCESS, sameRow.execute(1, OCI_COMMIT_ON_SUCCESS));
  EXPECT_EQ("7", single(first, "select disc_amt from so_v where so_sid = 5001"));
}

TEST(OciTransactions, CallsAfterSessionEndReportNotConnected) {
  FixtureDatabase db;
  Session s("VESKDATA", "plimsy");
  Statement st(s, "select 1 from dual");
  s.end();
  EXPECT_EQ(OCI_ERROR, st.execute(0));
  EXPECT_EQ(3114, st.error().code);
  EXPECT_EQ(OCI_ERROR, api().OCITransCommit(s.svc, s.err, OCI_DEFAULT));
}

}  // namespace
