// Sessions that do not make their own connection: one sharing another's,
// one taken from a pool, and the transaction-server kind, which the stand-in
// client cannot serve.

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

#include <memory>

#include "oracle_fixture/exception_text.h"

namespace oracle_session_test {
namespace {

using namespace oracle;

using SessionKindsTest = StandinSessionTest;

TEST_F(SessionKindsTest, SharedSessionUsesTheOtherConnectionAndLeavesItOpen) {
  TOracleSession owner, sharer;
  UsePluginAccount(owner);
  owner.LogOn();
  sharer.ShareSession(owner);
  EXPECT_TRUE(sharer.Connected());
  EXPECT_TRUE(sharer.Shared());
  EXPECT_EQ(sharer.ExternalSVC(), owner.ServiceContext());
  EXPECT_EQ(sharer.LogonUsername(), "VESKDATA");
  EXPECT_EQ(sharer.LogonDatabase(), "RPROODS");
  EXPECT_EQ(sharer.GetAUDSID(), owner.GetAUDSID());
  EXPECT_EQ(OciSpy::sessionBegins.size(), 1u);

  sharer.ExecuteSessionSQL("create table shared_probe (n number)", false);
  sharer.LogOff();
  EXPECT_FALSE(sharer.Shared());
  EXPECT_EQ(SingleValue(owner, "select count(*) from shared_probe"), "0");
  owner.LogOff();
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
  // An external service context needs the OCI8 calls.
  sharer.Preferences().SetUseOCI7(true);
  EXPECT_EQ(oracle_test_support::ErrorOf([&] { sharer.SetExternalSVC(nullptr); }),
            "ExternalSVC only valid with OCI8");
}

// A pool that keeps one connected session per requesting session's account.
struct OnePool : TSessionPoolLink {
  std::unique_ptr<TOracleSession> pooled;
  std::vector<std::string> calls;
  bool Reserve(TOracleSession& session) override {
    calls.push_back("reserve");
    if (!pooled) {
      pooled = std::make_unique<TOracleSession>();
      pooled->SetLogonUsername(session.LogonUsername());
      pooled->SetLogonPassword(session.LogonPassword());
      pooled->SetLogonDatabase(session.LogonDatabase());
      pooled->LogOn();
    }
    session.SetExternalSVC(pooled->ServiceContext());
    return false;
  }
  bool Release(TOracleSession&) override {
    calls.push_back("release");
    return true;
  }
  void FireBeforeRelease(TOracleSession&) override { calls.push_back("before release"); }
};

TEST_F(SessionKindsTest, PooledSessionReservesAndHandsBackTheConnection) {
  OnePool pool;
  {
    TOracleSession session;
    UsePluginAccount(session);
    session.SetPooling(TSessionPooling::spInternal);
    session.SetPool(&pool);
    session.LogOn();
    EXPECT_TRUE(session.Connected());
    EXPECT_TRUE(session.Shared());
    const std::string audsid = session.GetAUDSID();
    session.LogOff();
    session.LogOn();
    EXPECT_EQ(session.GetAUDSID(), audsid) << "the pooled connection is reused";
    EXPECT_EQ(OciSpy::sessionBegins.size(), 1u);
  }
  EXPECT_EQ(pool.calls, (std::vector<std::string>{"reserve", "before release", "release", "reserve",
                                                  "before release", "release"}));
  EXPECT_TRUE(pool.pooled->Connected());
}

TEST_F(SessionKindsTest, TransactionServerKindFailsWithItsInitializationError) {
  TOracleSession session;
  UsePluginAccount(session);
  session.SetPooling(TSessionPooling::spMTS);
  try {
    session.LogOn();
    FAIL() << "logon succeeded";
  } catch (const EOracleError&) {
    FAIL() << "not an Oracle error";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), std::string("Initialization error\r\nCould not locate \"") +
                                         STANDIN_ORACLE_HOME + "/lib/liboramts.so\"");
  }
  EXPECT_FALSE(session.Connected());
  EXPECT_TRUE(OciSpy::sessionBegins.empty());
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
