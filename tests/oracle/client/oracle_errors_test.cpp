// Building and raising Oracle errors from a client's error record, and the
// list of error numbers raised as warnings.

#include "loader_fixture.h"
#include "oracle/client/oracle_warnings.h"

namespace oracle_test {
namespace {

using namespace oracle;
using platform::registry::Root;

constexpr const char* kWarningsKey = "SOFTWARE\\Pellworth\\KEL\\Warnings";

struct FakeSession : OracleSessionInfo {
  bool connected = true;
  bool oci8 = true;
  bool IsConnected() const override { return connected; }
  bool InOCI8Mode() const override { return oci8; }
  Lda_Def* OCI7LogonDataArea() override { return reinterpret_cast<Lda_Def*>(lda); }
  unsigned char lda[256] = {};
};

class OracleErrorsTest : public LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    OCIDLL = FakeClient("fake_full");
    ASSERT_EQ(InitError(), "");
    LoadWarningList();
  }
  void TearDown() override {
    // Leave an empty list behind for the tests that follow.
    fs::remove(root_ / "registry");
    LoadWarningList();
    LoaderTest::TearDown();
  }
  static void SetRecord(int status, int code, const std::string& text) {
    Hook<void (*)(int, int, const char*)>("fakeoci_SetError")(status, code, text.c_str());
  }
  // Any non-null pointer serves as the error handle of the fake client.
  OCIError* handle_ = reinterpret_cast<OCIError*>(&dummy_);
  int dummy_ = 0;
};

TEST_F(OracleErrorsTest, ErrorCarriesTheRecordsNumberTextComponentAndSession) {
  SetRecord(0, 942, "ORA-00942: table or view does not exist\n");
  FakeSession session;
  int component = 0;
  EOracleError* seen = nullptr;
  OnOracleError = [&](EOracleError& e) { seen = &e; };
  try {
    RaiseOCIError(&session, handle_, &component);
    FAIL() << "RaiseOCIError returned";
  } catch (const EOracleWarning&) {
    FAIL() << "942 is not listed as a warning";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
    EXPECT_EQ(e.Message(), "ORA-00942: table or view does not exist\n");
    EXPECT_EQ(e.Component(), &component);
    EXPECT_EQ(e.Session(), &session);
  }
  EXPECT_NE(seen, nullptr) << "the callback saw the error before it was raised";
}

TEST_F(OracleErrorsTest, MessageIsCutAtTheConfiguredLength) {
  const std::string longText = "ORA-20001: " + std::string(3000, 'x');
  SetRecord(0, 20001, longText);
  EXPECT_EQ(CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_)->Message(),
            longText.substr(0, 1023));
  MaxErrorMessageLength = 10;
  EXPECT_EQ(CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_)->Message(),
            "ORA-20001:");
  // Out-of-range settings count as the nearest bound instead of writing
  // outside the message buffer.
  MaxErrorMessageLength = -5;
  EXPECT_EQ(CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_)->Message(), "");
  MaxErrorMessageLength = 100000;
  SetRecord(0, 20001, std::string(5000, 'y'));
  EXPECT_EQ(CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_)->Message(),
            std::string(4000, 'y'));
}

TEST_F(OracleErrorsTest, InvalidHandleMissingRecordAndOCI7ErrorsGiveDefinedTexts) {
  auto invalid =
      CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_, OCI_INVALID_HANDLE);
  EXPECT_EQ(invalid->Message(), "Invalid handle");
  EXPECT_EQ(invalid->ErrorCode(), kInvalidHandleErrorCode);
  // The client itself rejects the handle.
  auto rejected = CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, nullptr);
  EXPECT_EQ(rejected->Message(), "Invalid handle");

  SetRecord(OCI_NO_DATA, 12345, "stale text");
  auto missing = CreateOracleError(OracleErrorClass::Error, nullptr, nullptr, handle_, OCI_ERROR);
  EXPECT_EQ(missing->ErrorCode(), 0);
  EXPECT_EQ(missing->Message(), "OCI call failed with status -1 and left no error record");

  // An OCI7 session's error text comes from its return code.
  FakeSession session;
  session.oci8 = false;
  try {
    RaiseOCI7Error(&session, 1403, nullptr);
    FAIL();
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1403);
    EXPECT_EQ(e.Message(), "ORA-01403: fake OCI7 text\n");
  }
}

TEST_F(OracleErrorsTest, WarningListWalkSkipsDisabledEntriesAndStopsAtTheFirstGap) {
  // An empty value or a missing first value ends the list at once.
  WriteRegistry(Root::CurrentUser, kWarningsKey, "2", "942");
  LoadWarningList();
  EXPECT_TRUE(OracleWarningList().empty());
  WriteRegistry(Root::CurrentUser, kWarningsKey, "1", "");
  LoadWarningList();
  EXPECT_TRUE(OracleWarningList().empty());
  WriteRegistry(Root::CurrentUser, kWarningsKey, "1", "1403");
  WriteRegistry(Root::CurrentUser, kWarningsKey, "2", "*942");
  WriteRegistry(Root::CurrentUser, kWarningsKey, "3", "28002");
  WriteRegistry(Root::CurrentUser, kWarningsKey, "4", "not a number");
  WriteRegistry(Root::CurrentUser, kWarningsKey, "5", "-1");
  WriteRegistry(Root::CurrentUser, kWarningsKey, "7", "1017");  // after the gap at 6
  LoadWarningList();
  EXPECT_EQ(OracleWarningList(), (std::vector<std::int32_t>{1403, 28002, -1}));

  SetRecord(0, 1403, "ORA-01403: no data found\n");
  EXPECT_THROW(RaiseOCIError(nullptr, handle_, nullptr), EOracleWarning);
  SetRecord(0, 942, "ORA-00942: table or view does not exist\n");
  try {
    RaiseOCIError(nullptr, handle_, nullptr);
  } catch (const EOracleWarning&) {
    FAIL() << "a disabled entry does not make a warning";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
  }
}

}  // namespace
}  // namespace oracle_test
