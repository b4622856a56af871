// Logging on and off against the stand-in client: the logon text, the
// credentials and mode that reach session begin, failures, the password-
// expiry warning, events, the busy cursor and what may change while
// connected.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include <functional>
#include <set>

#include "oracle/client/client_settings.h"
#include "oracle_fixture/exception_text.h"
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

TEST_F(SessionLogonTest, LogonTextInTheUserNameIsSplitAtLogon) {
  // The whole text, or the role alone beside a separately given password.
  struct Case {
    const char *user, *password, *database;
    TConnectAs connectAs;
    ub4 mode;
  };
  for (const Case& c :
       {Case{"dbadmin/hedgerow@RPROODS as sysdba", "", "", TConnectAs::caSYSDBA, OCI_SYSDBA},
        Case{"DBADMIN as sysoper", "hedgerow", "RPROODS", TConnectAs::caSYSOPER, OCI_SYSOPER}}) {
    SCOPED_TRACE(c.user);
    ClearJournal();
    TOracleSession session;
    session.SetLogonDatabase(c.database);
    session.SetLogonUsername(c.user);
    session.SetLogonPassword(c.password);
    session.LogOn();
    EXPECT_TRUE(session.Connected());
    EXPECT_EQ(session.LogonUsername(), std::string(c.user).substr(0, 7));
    EXPECT_EQ(session.LogonPassword(), "hedgerow");
    EXPECT_EQ(session.LogonDatabase(), "RPROODS");
    EXPECT_EQ(session.ConnectAs(), c.connectAs);
    // The client saw one session begin, in the role's mode, and no password.
    const auto sent = JournalSql();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0], "SESSION BEGIN user=DBADMIN credt=1 mode=" + std::to_string(c.mode));
    for (const std::string& text : sent) EXPECT_EQ(text.find("hedgerow"), std::string::npos);
  }
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

TEST_F(SessionLogonTest, FailuresRaiseTheServersErrorAndLeaveNothingBehind) {
  // Refused logons and an injected session-begin failure raise with the
  // server's number and text, leave the session disconnected, fire no change
  // and leave no handle behind; the next attempt after an injected failure works.
  struct Case {
    const char *database, *user, *password;
    int code;
    const char* textStart;
    const char* injected;
  };
  const Case cases[] = {
      {"RPROODS", "VESKDATA", "wrong-pw", 1017, "ORA-01017: ", nullptr},
      {"RPROODS", "LOCKEDOUT", "locked", 28000, "ORA-28000: ", nullptr},
      {"NOSUCHDB", "VESKDATA", "plimsy", 12154, "ORA-12154: ", nullptr},
      {"RPROODS", "VESKDATA", "plimsy", 3113, "ORA-03113: end-of-file on communication channel",
       "end-of-file on communication channel"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.textStart);
    TOracleSession session;
    session.SetLogonDatabase(c.database);
    session.SetLogonUsername(c.user);
    session.SetLogonPassword(c.password);
    int changes = 0;
    session.OnChange = [&](TOracleSession&) { ++changes; };
    if (c.injected) FailNextCall(c.code, c.injected);
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
    if (c.injected) {
      session.LogOn();
      EXPECT_TRUE(session.Connected());
    }
  }
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
// OCI8, and so does an old server when the client lacks the OCI7 calls.
TEST_F(SessionLogonTest, ServerVersionDecidesTheCallsAndConvertsBackAtLogoff) {
  ASSERT_FALSE(OCI7Available) << "the stand-in exports no OCI7 calls";
  const std::pair<const char*, bool> versions[] = {
      {"Oracle7 Server Release 7.3.4.0.0 - Production", false},
      {"Oracle8i Enterprise Edition Release 8.1.7.0.0", true},
      {"Oracle9i Release 9.2.0.1.0 - Production", true},
      {"Oracle Database 11g Release 11.2.0.4.0", true},
      {"Oracle Database 21c Express Edition Release 21.0.0.0.0", true},
      {"Oracle Database 23ai Free Release 23.0.0.0.0", true}};
  for (const auto& [text, serverOCI8] : versions) {
    OciSpy::serverVersion = text;
    for (const bool oci7Group : {false, true}) {
      SCOPED_TRACE(testing::Message() << text << (oci7Group ? " with" : " without") << " OCI7");
      // The group flag alone is set: the conversion calls are the spy's.
      OCI7Available = oci7Group;
      OciSpy::toLda = OciSpy::toSvcCtx = 0;
      const bool oci8 = serverOCI8 || !oci7Group;
      TOracleSession session;
      UsePluginAccount(session);
      session.LogOn();
      EXPECT_EQ(session.InOCI8Mode(), oci8);
      EXPECT_EQ(session.ConvertedToOCI7(), !oci8);
      EXPECT_EQ(session.MaxVarchar2Chars(), oci8 ? 4000 : 2000);
      EXPECT_EQ(OciSpy::toLda, oci8 ? 0 : 1);
      // Without the OCI7 group the session commits through the OCI8 calls.
      if (oci8) session.Commit();
      session.LogOff();
      EXPECT_EQ(OciSpy::toSvcCtx, OciSpy::toLda);
    }
  }
  OCI7Available = false;
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

TEST_F(SessionLogonTest, EventsFireAroundLogonAndLogoffAndWaitForLoading) {
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
  // Connecting while loading waits for the end of loading.
  events.clear();
  session.BeginLoading();
  session.SetConnected(true);
  EXPECT_FALSE(session.Connected());
  session.Loaded();
  EXPECT_TRUE(session.Connected());
  EXPECT_EQ(events, (std::vector<std::string>{"before", "after", "change:on"}));
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

TEST_F(SessionLogonTest, TracesAndTheDescriptionNeverCarryThePasswordAndTracesAreTimed) {
  std::int64_t now = 1000;
  SetSessionTraceClock([&] { return now += 7; });  // 7 ms between two readings
  std::vector<std::pair<std::string, std::int64_t>> traces;
  SetSessionTraceHook([&](const TOracleSession&, const std::string& text, std::int64_t elapsed) {
    traces.emplace_back(text, elapsed);
  });
  {
    TOracleSession session;
    session.SetLogonUsername("VESKDATA/plimsy@RPROODS");
    EXPECT_EQ(session.GetDescription().find("plimsy"), std::string::npos) << "before logon";
    session.LogOn();
    const std::string description = session.GetDescription();
    EXPECT_EQ(description.find("plimsy"), std::string::npos) << description;
    for (const std::string& line :
         std::vector<std::string>{"Username=VESKDATA", "Password=********", "Database=RPROODS",
                                  "ConnectAs=caNormal", "OCIDLL=" + OCIDLL})
      EXPECT_NE(description.find(line + "\r\n"), std::string::npos) << line;
    EXPECT_EQ(description.find("AUDSID=\r\n"), std::string::npos) << "AUDSID is read";
    session.Commit();
    now += 1000;
    session.LogOn();  // logs off first
  }
  SetSessionTraceHook(nullptr);
  SetSessionTraceClock(nullptr);
  ASSERT_GE(traces.size(), 5u);
  EXPECT_EQ(traces.front().first, "Session.LogOn as VESKDATA@RPROODS");
  int logons = 0;
  std::set<std::string> seen;
  for (const auto& [text, elapsed] : traces) {
    EXPECT_EQ(text.find("plimsy"), std::string::npos) << text;
    const bool logon = text.starts_with("Session.LogOn as ");
    logons += logon ? 1 : 0;
    seen.insert(text);
    // The second logon comes 1 s after the commit: the cleared mark hides it.
    EXPECT_EQ(elapsed, logon ? 0 : 7) << text;
  }
  EXPECT_EQ(logons, 2);
  EXPECT_TRUE(seen.contains("Session.Commit"));
  EXPECT_TRUE(seen.contains("Session.LogOff"));
}

TEST_F(SessionLogonTest, PropertiesThatCannotChangeWhileConnected) {
  using oracle_test_support::ErrorOf;
  TOracleSession session;
  UsePluginAccount(session);
  session.LogOn();
  struct NoPool : TSessionPoolLink {
    bool Reserve(TOracleSession&) override { return false; }
    bool Release(TOracleSession&) override { return false; }
    void FireBeforeRelease(TOracleSession&) override {}
  } pool;
  TSessionPreferences& p = session.Preferences();
  const std::pair<std::function<void()>, std::string> changes[] = {
      {[&] { session.SetPooling(TSessionPooling::spInternal); }, "Pooling"},
      {[&] { session.SetPool(&pool); }, "Pool"},
      {[&] { session.SetStatementCache(true); }, "StatementCache"},
      {[&] { session.SetMTSOptions(moImplicit); }, "MTSOptions"},
      {[&] { session.SetThreadSafe(true); }, "ThreadSafe"}};
  for (const auto& [change, name] : changes)
    EXPECT_EQ(ErrorOf(change), "Cannot change " + name + " property when connected");
  const std::pair<std::function<void()>, std::string> preferences[] = {
      {[&] { p.SetUseOCI7(true); }, "UseOCI7"},
      {[&] { p.SetConvertUTF(TConvertUTF::cuUTF16ToUTF8); }, "ConvertUTF"},
      {[&] { p.SetForceWideStringFields(true); }, "ForceWideStringFields"}};
  for (const auto& [change, name] : preferences)
    EXPECT_EQ(ErrorOf(change), "Cannot change " + name + " property when session is connected");
  EXPECT_EQ(ErrorOf([&] { (void)session.ExternalLDA(); }),
            "ExternalLDA only valid when connected through OCI7");
  EXPECT_EQ(session.Pooling(), TSessionPooling::spNone);
  EXPECT_FALSE(session.ThreadSafe());
  session.LogOff();
  EXPECT_EQ(ErrorOf([&] { (void)session.ExternalSVC(); }),
            "ExternalSVC only valid when connected through OCI8");
  session.SetThreadSafe(true);
  p.SetUseOCI7(true);
  EXPECT_TRUE(session.ThreadSafe());
  // OCI7 asked for over a client without the OCI7 calls fails cleanly.
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
