// Logging on and off many times: every OCI handle is given back (the asan
// preset also checks the memory).

#include "session_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_session_test {
namespace {

using namespace oracle;

using SessionLoopTest = StandinSessionTest;

TEST_F(SessionLoopTest, ThousandLogonsAndFailedOnesLeaveNothingBehind) {
  TOracleSession session;
  UsePluginAccount(session);
  for (int i = 0; i < 1000; ++i) {
    session.LogOn();
    ASSERT_TRUE(session.Connected()) << i;
    session.LogOff();
  }
  EXPECT_EQ(OciSpy::sessionBegins.size(), 1000u);
  EXPECT_EQ(OciSpy::handlesAllocated, 1000 * 6);  // environment and five handles
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
  // Failed logons leave nothing behind either.
  session.SetLogonPassword("wrong");
  for (int i = 0; i < 200; ++i) EXPECT_THROW(session.LogOn(), EOracleError);
  EXPECT_EQ(OciSpy::handlesAllocated, OciSpy::handlesFreed);
}

}  // namespace
}  // namespace oracle_session_test

#endif  // STANDIN_ORACLE_HOME
