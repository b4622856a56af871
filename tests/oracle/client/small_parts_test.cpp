// The command-line reader, the re-entrant lock, feature checks, transaction-
// server status texts and the server release that decides OCI8 mode.

#include <thread>

#include "loader_fixture.h"
#include "oracle/client/client_mode.h"
#include "oracle/client/client_settings.h"
#include "oracle/client/critical_section.h"
#include "oracle/client/feature_checks.h"
#include "oracle/session/mts_errors.h"
#include "oracle_fixture/exception_text.h"

namespace oracle_test {
namespace {

using namespace oracle;

class CommandLineTest : public LoaderTest {};

TEST_F(CommandLineTest, ValueIsTheTextAfterTheFirstParameterBeginningWithTheName) {
  SetCommandLine({"/WSCFGDIR=c:\\cfg", "loglevel=9", "OciDll=/Opt/Client/libOCI.so"});
  EXPECT_EQ(GetCommandLineValue("OCIDLL"), "/Opt/Client/libOCI.so");
  EXPECT_EQ(GetCommandLineValue("ocidll"), "/Opt/Client/libOCI.so");
  EXPECT_EQ(GetCommandLineValue("WSCFGDIR"), "c:\\cfg");
  EXPECT_EQ(GetCommandLineValue("LOGLEVEL"), "9");
  EXPECT_EQ(GetCommandLineValue("ORACLEHOME"), "");
  SetCommandLine({"XOCIDLL=/wrong", "OCIDLL", "-ocidll=/right=yes", "OCIDLL=/later"});
  EXPECT_EQ(GetCommandLineValue("OCIDLL"), "/right=yes");
  SetCommandLine({"MYOCIDLL=/wrong"});
  EXPECT_EQ(GetCommandLineValue("OCIDLL"), "");
  // The program name is not a parameter, and values are cut.
  platform::SetCommandLineProvider([] {
    return std::vector<std::string>{"OCIDLL=/program", "OCIDLL=" + std::string(300, 'p')};
  });
  EXPECT_EQ(GetCommandLineValue("OCIDLL"), std::string(255, 'p'));
  EXPECT_EQ(GetCommandLineValue(""), "");
}

TEST(OracleCriticalSection, NestsAndLeavesOnlyForItsHolder) {
  TOracleCriticalSection lock;
  lock.Enter();
  lock.Enter();
  EXPECT_EQ(lock.NestingCount(), 2);
  std::thread stranger([&] {
    lock.Leave();  // not the holder: nothing happens
    EXPECT_EQ(lock.NestingCount(), 0);
  });
  stranger.join();
  EXPECT_EQ(lock.NestingCount(), 2);
  lock.Leave();
  lock.Leave();
  lock.Leave();  // more leaves than enters: ignored
  EXPECT_EQ(lock.NestingCount(), 0);
  std::thread other([&] {
    lock.Enter();
    EXPECT_EQ(lock.NestingCount(), 1);
    lock.Leave();
  });
  other.join();
}

struct StubSession : OracleSessionInfo {
  bool connected = false;
  bool oci8 = false;
  bool IsConnected() const override { return connected; }
  bool InOCI8Mode() const override { return oci8; }
  Lda_Def* OCI7LogonDataArea() override { return nullptr; }
};

std::string CheckText(void (*check)(OracleSessionInfo*, const std::string&),
                      OracleSessionInfo* session) {
  return oracle_test_support::ErrorOf([&] { check(session, "TLOBLocator"); });
}

class FeatureCheckTest : public LoaderTest {};

TEST_F(FeatureCheckTest, SessionStateAndClientGroupsDecide) {
  StubSession session;
  EXPECT_EQ(CheckText(CheckNet8Feature, nullptr), "TLOBLocator requires a session");
  EXPECT_EQ(CheckText(CheckNet9Feature, nullptr), "TLOBLocator requires a session");
  EXPECT_EQ(CheckText(CheckNet8Feature, &session), "TLOBLocator requires a connected session");
  session.connected = true;
  // OCI7 mode over a client without the OCI8 calls.
  EXPECT_EQ(CheckText(CheckNet8Feature, &session),
            "TLOBLocator requires Net8, which is not detected on this PC");
  EXPECT_EQ(CheckText(CheckNet9Feature, &session),
            "TLOBLocator requires Oracle Net 9, which is not detected on this PC");

  OCIDLL = FakeClient("fake_full");
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(CheckText(CheckNet8Feature, &session),
            "TLOBLocator requires OCI8 mode, but OCI7 mode is used.");
  EXPECT_EQ(CheckText(CheckNet9Feature, &session),
            "TLOBLocator requires OCI8 mode, but OCI7 mode is used.");
  session.oci8 = true;
  EXPECT_EQ(CheckText(CheckNet8Feature, &session), "<no error>");
  EXPECT_EQ(CheckText(CheckNet9Feature, &session), "<no error>");
  // A client without the OCI9 calls serves only the OCI8 features.
  FreeOCI();
  OCIDLL = FakeClient("fake_no_fetch2");
  ASSERT_EQ(InitError(), "");
  EXPECT_EQ(CheckText(CheckNet8Feature, &session), "<no error>");
  EXPECT_EQ(CheckText(CheckNet9Feature, &session),
            "TLOBLocator requires Oracle Net 9, which is not detected on this PC");
}

TEST(MTSErrors, MessageNamesCodeTextAndFunction) {
  const EOracleMTSError error = MTSErrorText(4002, "OraMTSSvcGet");
  EXPECT_EQ(std::string(error.what()),
            "MTS error 4002: failed logon to Oracle\r\nin function OraMTSSvcGet");
  EXPECT_EQ(error.ErrorCode(), 4002);
  EXPECT_EQ(std::string(MTSErrorText(0, "OraMTSSvcRel").what()), "OraMTSSvcRel");
  EXPECT_EQ(std::string(MTSErrorText(9999, "f").what()), "MTS error 9999: \r\nin function f");
}

TEST(ServerRelease, MajorReleaseDecidesOCI8) {
  EXPECT_EQ(ServerMajorRelease("Oracle Database 19c Enterprise Edition Release 19.0.0.0.0 - "
                               "Production"),
            19);
  EXPECT_TRUE(ServerVersionSupportsOCI8("Oracle Database 21c Express Edition Release 21.0.0.0.0"));
  EXPECT_TRUE(ServerVersionSupportsOCI8("Oracle Database 23ai Free Release 23.0.0.0.0"));
  EXPECT_TRUE(ServerVersionSupportsOCI8("Oracle8i Enterprise Edition Release 8.1.7.0.0"));
  EXPECT_TRUE(ServerVersionSupportsOCI8("Oracle9i Release 9.2.0.1.0 - Production"));
  EXPECT_EQ(ServerMajorRelease("Oracle8 Server"), 8);
  EXPECT_FALSE(ServerVersionSupportsOCI8("Oracle7 Server Release 7.3.4.0.0 - Production"));
  EXPECT_FALSE(ServerVersionSupportsOCI8("Oracle7 Server"));
  // Naming no release, it stays in the mode it logged on in.
  EXPECT_TRUE(ServerVersionSupportsOCI8("SQLite stand-in"));
}

}  // namespace
}  // namespace oracle_test
