// Logging on and off against the stand-in client: the logon text, the
// credentials and mode that reach session begin, failures, the password-
// expiry warning, events, the busy cursor and what may change while
// connected.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include "oracle/client/client_settings.h"
#include "recording_ui.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

using SessionLogonTest = StandinSessionTest;

TEST_F(SessionLogonTest, PluginAccountLogsOnAndOff) {
  TOracleSession session;
  UsePluginAccount(session);
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_TRUE(session.InOCI8Mode());
  EXPECT_FALSE(session.Shared());
  EXPECT_EQ(session.LogonWarning(), "");
  ASSERT_EQ(OciSpy::sessionBegins.size(), 1u);
  EXPECT_EQ(OciSpy::sessionBegins[0].credentials, OCI_CRED_RDBMS);
  EXPECT_EQ(OciSpy::sessionBegins[0].mode, OCI_DEFAULT);
  EXPECT_EQ(SingleValue(session, "select user from dual"), "VESKDATA");
  session.LogOff();
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(session.Environment(), nullptr);
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

TEST_F(SessionLogonTest, WholeLogonTextInTheUserNameIsSplitAtLogon) {
  TOracleSession session;
  session.SetLogonUsername("dbadmin/hedgerow@RPROODS as sysdba");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.LogonUsername(), "dbadmin");
  EXPECT_EQ(session.LogonPassword(), "hedgerow");
  EXPECT_EQ(session.LogonDatabase(), "RPROODS");
  EXPECT_EQ(session.ConnectAs(), TConnectAs::caSYSDBA);
  // The client saw one session begin, as SYSDBA, and no password.
  const auto sent = JournalSql();
  ASSERT_FALSE(sent.empty());
  EXPECT_EQ(sent[0], "SESSION BEGIN user=DBADMIN credt=1 mode=2");
  for (const std::string& text : sent) EXPECT_EQ(text.find("hedgerow"), std::string::npos) << text;
}

TEST_F(SessionLogonTest, RoleAloneKeepsTheSeparatelyGivenPassword) {
  TOracleSession session;
  session.SetLogonDatabase("RPROODS");
  session.SetLogonUsername("DBADMIN as sysoper");
  session.SetLogonPassword("hedgerow");
  session.LogOn();
  EXPECT_EQ(session.LogonUsername(), "DBADMIN");
  EXPECT_EQ(session.LogonPassword(), "hedgerow");
  EXPECT_EQ(session.ConnectAs(), TConnectAs::caSYSOPER);
  EXPECT_EQ(OciSpy::sessionBegins.at(0).mode, OCI_SYSOPER);
}

TEST_F(SessionLogonTest, CredentialsFollowWhatWasGiven) {
  // Empty user and password ask for external credentials; a user name or a
  // password alone is a database logon (which the stand-in then refuses).
  struct Case {
    const char* user;
    const char* password;
    ub4 credentials;
  };
  for (const Case& c : {Case{"", "", OCI_CRED_EXT}, Case{"VESKDATA", "", OCI_CRED_RDBMS},
                        Case{"", "plimsy", OCI_CRED_RDBMS}}) {
    OciSpy::sessionBegins.clear();
    TOracleSession session;
    session.SetLogonDatabase("RPROODS");
    session.SetLogonUsername(c.user);
    session.SetLogonPassword(c.password);
    EXPECT_THROW(session.LogOn(), EOracleError) << c.user << "/" << c.password;
    ASSERT_EQ(OciSpy::sessionBegins.size(), 1u);
    EXPECT_EQ(OciSpy::sessionBegins[0].credentials, c.credentials) << c.user << "/" << c.password;
    EXPECT_FALSE(session.Connected());
  }
}

// Logon failures raise with the server's number and text, leave the session
// disconnected and leave no handle behind.
struct FailureCase {
  const char* database;
  const char* user;
  const char* password;
  int code;
  const char* textStart;
};

class SessionLogonFailure : public StandinSessionTest,
                            public ::testing::WithParamInterface<FailureCase> {};

TEST_P(SessionLogonFailure, RaisesAndStaysDisconnected) {
  const FailureCase& c = GetParam();
  TOracleSession session;
  session.SetLogonDatabase(c.database);
  session.SetLogonUsername(c.user);
  session.SetLogonPassword(c.password);
  int changes = 0;
  session.OnChange = [&](TOracleSession&) { ++changes; };
  try {
    session.LogOn();
    FAIL() << "logon succeeded";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), c.code);
    EXPECT_EQ(e.Message().rfind(c.textStart, 0), 0u) << e.Message();
    EXPECT_EQ(e.Component(), &session);
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(session.Environment(), nullptr);
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, SessionLogonFailure,
    ::testing::Values(FailureCase{"RPROODS", "VESKDATA", "wrong-pw", 1017, "ORA-01017: "},
                      FailureCase{"RPROODS", "LOCKEDOUT", "locked", 28000, "ORA-28000: "},
                      FailureCase{"NOSUCHDB", "VESKDATA", "plimsy", 12154, "ORA-12154: "}));

TEST_F(SessionLogonTest, InjectedSessionBeginFailureCarriesTheServersText) {
  TOracleSession session;
  UsePluginAccount(session);
  FailNextCall(3113, "end-of-file on communication channel");
  try {
    session.LogOn();
    FAIL() << "logon succeeded";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 3113);
    EXPECT_EQ(e.Message().rfind("ORA-03113: end-of-file on communication channel", 0), 0u);
  }
  EXPECT_FALSE(session.Connected());
  // The next attempt works.
  session.LogOn();
  EXPECT_TRUE(session.Connected());
}

TEST_F(SessionLogonTest, PasswordExpiryWarningKeepsTheSessionConnected) {
  TOracleSession session;
  session.SetLogonDatabase("RPROODS");
  session.SetLogonUsername("EXPIRING");
  session.SetLogonPassword("soon");
  session.LogOn();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(session.LogonWarning().rfind("ORA-28002: ", 0), 0u) << session.LogonWarning();
  EXPECT_EQ(SingleValue(session, "select 'x' from dual"), "x");
  // A later clean logon clears the warning.
  session.SetLogonUsername("VESKDATA");
  session.SetLogonPassword("plimsy");
  session.LogOn();
  EXPECT_EQ(session.LogonWarning(), "");
}

// Servers before release 8 get the OCI7 calls over the converted service
// context when the client has the OCI7 group; every later release stays on
// OCI8, release 20 and later included, and so does an old server when the
// client lacks the OCI7 calls.
struct VersionCase {
  const char* text;
  bool oci8;
};

class SessionServerVersion : public StandinSessionTest,
                             public ::testing::WithParamInterface<VersionCase> {};

TEST_P(SessionServerVersion, DecidesTheCallsAndConvertsBackAtLogoff) {
  OciSpy::serverVersion = GetParam().text;
  ASSERT_FALSE(OCI7Available) << "the stand-in exports no OCI7 calls";
  for (const bool oci7Group : {false, true}) {
    // The group flag alone is set: the conversion calls are the spy's.
    OCI7Available = oci7Group;
    OciSpy::toLda = OciSpy::toSvcCtx = 0;
    const bool oci8 = GetParam().oci8 || !oci7Group;
    TOracleSession session;
    UsePluginAccount(session);
    session.LogOn();
    EXPECT_EQ(session.InOCI8Mode(), oci8) << oci7Group;
    EXPECT_EQ(session.ConvertedToOCI7(), !oci8);
    EXPECT_EQ(session.MaxVarchar2Chars(), oci8 ? 4000 : 2000);
    EXPECT_EQ(OciSpy::toLda, oci8 ? 0 : 1);
    // Without the OCI7 group the session commits through the OCI8 calls.
    if (oci8) session.Commit();
    session.LogOff();
    EXPECT_EQ(OciSpy::toSvcCtx, OciSpy::toLda);
  }
  OCI7Available = false;
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

INSTANTIATE_TEST_SUITE_P(
    Versions, SessionServerVersion,
    ::testing::Values(VersionCase{"Oracle7 Server Release 7.3.4.0.0 - Production", false},
                      VersionCase{"Oracle8i Enterprise Edition Release 8.1.7.0.0", true},
                      VersionCase{"Oracle9i Release 9.2.0.1.0 - Production", true},
                      VersionCase{"Oracle Database 11g Release 11.2.0.4.0", true},
                      VersionCase{"Oracle Database 21c Express Edition Release 21.0.0.0.0", true},
                      VersionCase{"Oracle Database 23ai Free Release 23.0.0.0.0", true}));

TEST_F(SessionLogonTest, EventsFireAroundLogonAndLogoff) {
  TOracleSession session;
  UsePluginAccount(session);
  std::vector<std::string> events;
  session.BeforeLogOn = [&](TOracleSession& s) {
    events.push_back(s.Connected() ? "before(connected)" : "before");
  };
  session.AfterLogOn = [&](TOracleSession& s) {
    events.push_back(s.Connected() ? "after" : "after(disconnected)");
  };
  session.OnChange = [&](TOracleSession& s) {
    events.push_back(s.Connected() ? "change:on" : "change:off");
  };
  session.SetConnected(true);
  session.SetConnected(false);
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after", "change:on", "change:off"}));
}

TEST_F(SessionLogonTest, ConnectWhileLoadingWaitsForLoaded) {
  TOracleSession session;
  UsePluginAccount(session);
  int afterLogOn = 0;
  session.AfterLogOn = [&](TOracleSession&) { ++afterLogOn; };
  session.BeginLoading();
  session.SetConnected(true);
  EXPECT_FALSE(session.Connected());
  session.Loaded();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(afterLogOn, 1);
}

TEST_F(SessionLogonTest, BusyCursorIsShownAndRestored) {
  auto ui = std::make_shared<RecordingUi>();
  ui->cursor = -2;
  SetOracleUserInterface(ui);
  {
    TOracleSession session;
    UsePluginAccount(session);
    session.LogOn();
    EXPECT_FALSE(ui->cursorsSet.empty());
    for (std::size_t i = 0; i < ui->cursorsSet.size(); ++i)
      EXPECT_EQ(ui->cursorsSet[i], i % 2 == 0 ? crSQLWait : -2) << i;
    EXPECT_EQ(ui->cursor, -2);
    ui->cursorsSet.clear();
    session.SetCursor(0);  // 0 switches the busy cursor off
    session.LogOff();
    session.LogOn();
    EXPECT_TRUE(ui->cursorsSet.empty());
  }
  SetOracleUserInterface(nullptr);
}

TEST_F(SessionLogonTest, PasswordNeverReachesTracesOrTheDescription) {
  std::vector<std::string> traces;
  SetSessionTraceHook([&](const TOracleSession&, const std::string& text, std::int64_t) {
    traces.push_back(text);
  });
  {
    TOracleSession session;
    session.SetLogonUsername("VESKDATA/plimsy@RPROODS");
    EXPECT_EQ(session.GetDescription().find("plimsy"), std::string::npos) << "before logon";
    session.LogOn();
    const std::string description = session.GetDescription();
    EXPECT_EQ(description.find("plimsy"), std::string::npos) << description;
    EXPECT_NE(description.find("Username=VESKDATA\r\n"), std::string::npos);
    EXPECT_NE(description.find("Password=********\r\n"), std::string::npos);
    EXPECT_NE(description.find("Database=RPROODS\r\n"), std::string::npos);
    EXPECT_NE(description.find("ConnectAs=caNormal\r\n"), std::string::npos);
    EXPECT_NE(description.find("OCIDLL=" + OCIDLL + "\r\n"), std::string::npos);
    EXPECT_EQ(description.find("AUDSID=\r\n"), std::string::npos) << "AUDSID is read";
    session.Commit();
  }
  SetSessionTraceHook(nullptr);
  ASSERT_FALSE(traces.empty());
  EXPECT_EQ(traces.front(), "Session.LogOn as VESKDATA@RPROODS");
  for (const std::string& text : traces) EXPECT_EQ(text.find("plimsy"), std::string::npos);
  EXPECT_NE(std::find(traces.begin(), traces.end(), "Session.Commit"), traces.end());
  EXPECT_NE(std::find(traces.begin(), traces.end(), "Session.LogOff"), traces.end());
}

TEST_F(SessionLogonTest, TracesCarryTheTimeSinceThePreviousOneAndLogOnRestartsIt) {
  std::int64_t now = 1000;
  SetSessionTraceClock([&] { return now += 7; });  // 7 ms between two readings
  std::vector<std::pair<std::string, std::int64_t>> traces;
  SetSessionTraceHook([&](const TOracleSession&, const std::string& text, std::int64_t elapsed) {
    traces.emplace_back(text, elapsed);
  });
  {
    TOracleSession session;
    UsePluginAccount(session);
    session.LogOn();
    session.Commit();
    now += 1000;
    session.LogOn();  // logs off first
  }
  SetSessionTraceHook(nullptr);
  SetSessionTraceClock(nullptr);
  ASSERT_GE(traces.size(), 5u);
  int logons = 0;
  for (const auto& [text, elapsed] : traces) {
    const bool logon = text.starts_with("Session.LogOn as ");
    logons += logon ? 1 : 0;
    // The second logon comes 1 s after the commit: the cleared mark hides it.
    EXPECT_EQ(elapsed, logon ? 0 : 7) << text;
  }
  EXPECT_EQ(logons, 2);
}

TEST_F(SessionLogonTest, PropertiesThatCannotChangeWhileConnected) {
  TOracleSession session;
  UsePluginAccount(session);
  session.LogOn();
  auto message = [](auto&& change) -> std::string {
    try {
      change();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message([&] { session.SetPooling(TSessionPooling::spInternal); }),
            "Cannot change Pooling property when connected");
  struct NoPool : TSessionPoolLink {
    bool Reserve(TOracleSession&) override { return false; }
    bool Release(TOracleSession&) override { return false; }
    void FireBeforeRelease(TOracleSession&) override {}
  } pool;
  EXPECT_EQ(message([&] { session.SetPool(&pool); }), "Cannot change Pool property when connected");
  EXPECT_EQ(message([&] { session.SetStatementCache(true); }),
            "Cannot change StatementCache property when connected");
  EXPECT_EQ(message([&] { session.SetMTSOptions(moImplicit); }),
            "Cannot change MTSOptions property when connected");
  EXPECT_EQ(message([&] { session.SetThreadSafe(true); }),
            "Cannot change ThreadSafe property when connected");
  EXPECT_EQ(message([&] { session.Preferences().SetUseOCI7(true); }),
            "Cannot change UseOCI7 property when session is connected");
  EXPECT_EQ(message([&] { session.Preferences().SetConvertUTF(TConvertUTF::cuUTF16ToUTF8); }),
            "Cannot change ConvertUTF property when session is connected");
  EXPECT_EQ(message([&] { session.Preferences().SetForceWideStringFields(true); }),
            "Cannot change ForceWideStringFields property when session is connected");
  EXPECT_EQ(message([&] { (void)session.ExternalLDA(); }),
            "ExternalLDA only valid when connected through OCI7");
  EXPECT_EQ(session.Pooling(), TSessionPooling::spNone);
  EXPECT_FALSE(session.ThreadSafe());
  session.LogOff();
  EXPECT_EQ(message([&] { (void)session.ExternalSVC(); }),
            "ExternalSVC only valid when connected through OCI8");
  session.SetThreadSafe(true);
  session.Preferences().SetUseOCI7(true);
  EXPECT_TRUE(session.ThreadSafe());
}

TEST_F(SessionLogonTest, OCI7RequestedWithoutOCI7CallsFailsCleanly) {
  TOracleSession session;
  UsePluginAccount(session);
  session.Preferences().SetUseOCI7(true);
  EXPECT_THROW(session.LogOn(), std::runtime_error);
  EXPECT_FALSE(session.Connected());
}

TEST_F(SessionLogonTest, ThreadSafeSessionAndSharedEnvironment) {
  OCIGlobalEnvironment = true;
  TOracleSession first, second;
  for (TOracleSession* s : {&first, &second}) {
    UsePluginAccount(*s);
    s->SetThreadSafe(true);
    s->LogOn();
  }
  EXPECT_EQ(first.Environment(), second.Environment());
  first.LogOff();
  EXPECT_EQ(SingleValue(second, "select 'still' from dual"), "still");
  second.LogOff();
  FinalizeOracleSessions();  // frees the shared environment and unloads
  EXPECT_FALSE(OCIDllLoaded());
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

TEST_F(SessionLogonTest, StatementCacheSizeReachesTheServiceContextAtOnce) {
  TOracleSession session;
  UsePluginAccount(session);
  session.SetStatementCache(true);
  session.LogOn();
  EXPECT_EQ(OciSpy::sessionBegins.at(0).mode, OCI_STMT_CACHE);
  auto cacheSize = [&] {
    ub4 size = 0;
    EXPECT_EQ(oracle::OCIAttrGet(session.ServiceContext(), OCI_HTYPE_SVCCTX, &size, nullptr,
                                 OCI_ATTR_STMTCACHESIZE, session.ErrorHandle()),
              OCI_SUCCESS);
    return size;
  };
  EXPECT_EQ(cacheSize(), 20u);
  session.SetStatementCacheSize(35);
  EXPECT_EQ(cacheSize(), 35u);
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
