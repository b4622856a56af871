// The loader against the stand-in client: found in the stand-in Oracle home
// by the search, and raising the server's own error for a failing statement.

#ifdef STANDIN_ORACLE_HOME

#include <sqlite3.h>

#include "loader_fixture.h"
#include "oracle/client/oracle_warnings.h"
#include "oracle/session/session.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/exception_text.h"

namespace oracle_test {
namespace {

using namespace oracle;
using oracle_test_support::ErrorOf;

class StandinClientTest : public LoaderTest {
 protected:
  void SetUp() override {
    LoaderTest::SetUp();
    ::setenv("ORACLE_HOME", STANDIN_ORACLE_HOME, 1);
    const std::string database = (root_ / "test.db").string();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE ociclient_accounts(username TEXT, password TEXT, "
                           "status TEXT, grace_days INTEGER);"
                           "INSERT INTO ociclient_accounts VALUES('SCOTT', 'tiger', 'OPEN', 0);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    std::ofstream(root_ / "ociclient.conf") << "TESTDB = " << database << "\n";
    ::setenv("NORVANE_OCI_CONFIG", (root_ / "ociclient.conf").c_str(), 1);
    ASSERT_EQ(InitError(), "");
    ASSERT_EQ(oracle::OCIEnvCreate(&env_, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr,
                                   nullptr, 0, nullptr),
              OCI_SUCCESS);
    Alloc(&err_, OCI_HTYPE_ERROR);
    Alloc(&server_, OCI_HTYPE_SERVER);
    Alloc(&svc_, OCI_HTYPE_SVCCTX);
    Alloc(&session_, OCI_HTYPE_SESSION);
  }

  void TearDown() override {
    if (env_ != nullptr) oracle::OCIHandleFree(env_, OCI_HTYPE_ENV);
    fs::remove(root_ / "registry");
    LoadWarningList();
    LoaderTest::TearDown();
  }

  template <class Handle>
  void Alloc(Handle** handle, ub4 type) {
    ASSERT_EQ(oracle::OCIHandleAlloc(env_, reinterpret_cast<void**>(handle), type, 0, nullptr),
              OCI_SUCCESS);
  }

  // Attaches and begins a session; the status of the first failing call.
  sword LogOn(const std::string& user, const std::string& password) {
    auto* db = reinterpret_cast<const OraText*>("TESTDB");
    if (sword s = oracle::OCIServerAttach(server_, err_, db, 6, OCI_DEFAULT); s != OCI_SUCCESS) {
      return s;
    }
    oracle::OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, server_, 0, OCI_ATTR_SERVER, err_);
    oracle::OCIAttrSet(session_, OCI_HTYPE_SESSION, const_cast<char*>(user.c_str()),
                       static_cast<ub4>(user.size()), OCI_ATTR_USERNAME, err_);
    oracle::OCIAttrSet(session_, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()),
                       static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err_);
    sword s = oracle::OCISessionBegin(svc_, err_, session_, OCI_CRED_RDBMS, OCI_DEFAULT);
    if (s == OCI_SUCCESS)
      oracle::OCIAttrSet(svc_, OCI_HTYPE_SVCCTX, session_, 0, OCI_ATTR_SESSION, err_);
    return s;
  }

  // Prepares and executes a statement; the status of the first failing call.
  sword Execute(const std::string& sql) {
    OCIStmt* stmt = nullptr;
    Alloc(&stmt, OCI_HTYPE_STMT);
    sword s = oracle::OCIStmtPrepare(stmt, err_, reinterpret_cast<const OraText*>(sql.c_str()),
                                     static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
    if (s == OCI_SUCCESS) {
      s = oracle::OCIStmtExecute(svc_, stmt, err_, 0, 0, nullptr, nullptr, OCI_DEFAULT);
    }
    return s;
  }

  OCIEnv* env_ = nullptr;
  OCIError* err_ = nullptr;
  OCIServer* server_ = nullptr;
  OCISvcCtx* svc_ = nullptr;
  OCISession* session_ = nullptr;
};

TEST_F(StandinClientTest, SearchFindsTheStandinHome) {
  EXPECT_EQ(OCIDLL, std::string(STANDIN_ORACLE_HOME) + "/lib/libociclient.so");
  EXPECT_TRUE(OCIDLLFoundBySearch);
  EXPECT_FALSE(OCI7Available);
  EXPECT_TRUE(OCI8Available && OCIErrorFunctions && OCI81Available && OCI9Available);
}

TEST_F(StandinClientTest, FailingStatementRaisesTheServersNumberAndText) {
  ASSERT_EQ(LogOn("scott", "tiger"), OCI_SUCCESS);
  const sword status = Execute("select * from no_such_table");
  ASSERT_EQ(status, OCI_ERROR);
  int component = 0;
  try {
    RaiseOCIError(nullptr, err_, &component, status);
    FAIL() << "RaiseOCIError returned";
  } catch (const EOracleWarning&) {
    FAIL() << "nothing is listed as a warning";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 942);
    EXPECT_EQ(e.Message(), "ORA-00942: table or view does not exist\n");
    EXPECT_EQ(e.Component(), &component);
  }
}

TEST_F(StandinClientTest, ListedNumberFromTheServerRaisesAWarning) {
  WriteRegistry(platform::registry::Root::CurrentUser, "SOFTWARE\\Pellworth\\KEL\\Warnings", "1",
                "1017");
  LoadWarningList();
  const sword status = LogOn("scott", "wrong");
  ASSERT_EQ(status, OCI_ERROR);
  try {
    RaiseOCIError(nullptr, err_, nullptr, status);
    FAIL() << "RaiseOCIError returned";
  } catch (const EOracleWarning& e) {
    EXPECT_EQ(e.ErrorCode(), 1017);
    EXPECT_EQ(e.Message().rfind("ORA-01017: ", 0), 0u) << e.Message();
  }
}

// The transaction server's library: the fake one's calls are bound and then
// replaced by the test's, which hand out the test's own logon.
struct FakeTransactionServer {
  static inline OCISvcCtx* svc = nullptr;
  static inline OCIEnv* env = nullptr;
  static inline std::vector<ub4> flags;
  static inline std::vector<OCISvcCtx*> released;
  static ub4 Get(OraText*, OraText*, OraText*, OCISvcCtx** svchp, OCIEnv** envhp, ub4 how) {
    flags.push_back(how);
    *svchp = svc;
    *envhp = env;
    return 0;
  }
  static ub4 Release(OCISvcCtx* svchp) {
    released.push_back(svchp);
    return 0;
  }
};

TEST_F(StandinClientTest, TransactionServerLogonUsesItsServiceContextAndGivesItBack) {
  ASSERT_EQ(LogOn("scott", "tiger"), OCI_SUCCESS);
  OCIMTSDLL = std::string(FAKE_CLIENT_DIR) + "/libfake_mts.so";
  ASSERT_NO_THROW(LoadMTSDll());
  oracle_test_support::EntryPointSwap<oracle::OraMTSSvcGet> get{&FakeTransactionServer::Get};
  oracle_test_support::EntryPointSwap<oracle::OraMTSSvcRel> rel{&FakeTransactionServer::Release};
  FakeTransactionServer::svc = svc_;
  FakeTransactionServer::env = env_;
  FakeTransactionServer::flags.clear();
  FakeTransactionServer::released.clear();
  for (const TMTSOptions options : {moImplicit | moUniqueServer, TMTSOptions{0}}) {
    SCOPED_TRACE(options);
    TOracleSession session;
    session.SetLogonUsername("scott");
    session.SetLogonPassword("tiger");
    session.SetLogonDatabase("TESTDB");
    session.SetPooling(TSessionPooling::spMTS);
    session.SetMTSOptions(options);
    session.LogOn();
    ASSERT_TRUE(session.Connected());
    EXPECT_TRUE(session.Shared());
    EXPECT_EQ(session.ServiceContext(), svc_);
    // Implicit enlistment leaves the transaction to the server.
    if (options & moImplicit) {
      EXPECT_EQ(ErrorOf([&] { session.Commit(); }), "Cannot commit an MTS Controlled Transaction");
      EXPECT_EQ(ErrorOf([&] { session.Rollback(); }),
                "Cannot rollback an MTS Controlled Transaction");
    } else {
      EXPECT_NO_THROW(session.Commit());
    }
    session.LogOff();
    EXPECT_FALSE(session.Connected());
  }
  // Flags: 1 without implicit enlistment, plus 2 for a unique server.
  EXPECT_EQ(FakeTransactionServer::flags, (std::vector<ub4>{2, 1}));
  EXPECT_EQ(FakeTransactionServer::released, (std::vector<OCISvcCtx*>{svc_, svc_}));
  // The logon given out is still the test's own.
  EXPECT_EQ(Execute("select 1 from dual"), OCI_SUCCESS);
}

}  // namespace
}  // namespace oracle_test

#endif  // STANDIN_ORACLE_HOME
