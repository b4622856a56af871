// The handle registry and error records. (That every name of the bound
// groups is exported is shown by the loader binding the stand-in.)
#include <cstring>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

TEST(OciHandles, WrongTypeAndFreedHandlesAnswerInvalidHandle) {
  const Api& a = api();
  OCIEnv* env = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            a.OCIEnvCreate(&env, OCI_DEFAULT, nullptr, nullptr, nullptr, nullptr, 0, nullptr));
  OCIError* err = nullptr;
  OCIStmt* stmt = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            a.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr));
  ASSERT_EQ(OCI_SUCCESS,
            a.OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr));
  const text sql[] = "select 1 from dual";
  // A statement handle passed as error handle, an error handle freed as a statement.
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIStmtPrepare(stmt, reinterpret_cast<OCIError*>(stmt), sql, 18,
                                                 OCI_NTV_SYNTAX, OCI_DEFAULT));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIHandleFree(err, OCI_HTYPE_STMT));
  EXPECT_EQ(OCI_INVALID_HANDLE,
            a.OCIHandleAlloc(stmt, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr));
  int notAHandle = 0;
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIHandleFree(&notAHandle, OCI_HTYPE_STMT));
  EXPECT_EQ(OCI_INVALID_HANDLE,
            a.OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), 12345, 0, nullptr));

  EXPECT_EQ(OCI_SUCCESS, a.OCIHandleFree(stmt, OCI_HTYPE_STMT));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIHandleFree(stmt, OCI_HTYPE_STMT));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIStmtPrepare(stmt, err, sql, 18, OCI_NTV_SYNTAX, OCI_DEFAULT));

  // Freeing the environment frees its children with it.
  OCIRowid* rowid = nullptr;
  ASSERT_EQ(OCI_SUCCESS, a.OCIDescriptorAlloc(env, reinterpret_cast<void**>(&rowid),
                                              OCI_DTYPE_ROWID, 0, nullptr));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIDescriptorFree(rowid, OCI_DTYPE_LOB));
  EXPECT_EQ(OCI_SUCCESS, a.OCIHandleFree(env, OCI_HTYPE_ENV));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIHandleFree(err, OCI_HTYPE_ERROR));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIDescriptorFree(rowid, OCI_DTYPE_ROWID));
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCIHandleFree(env, OCI_HTYPE_ENV));
}

TEST(OciErrors, RecordIsRepeatableUntilTheNextCallAndAbsentRecordIsNoData) {
  FixtureDatabase db;
  Session s("veskdata", "plimsy");
  ASSERT_EQ(OCI_SUCCESS, s.logonStatus);
  const Api& a = api();
  text buffer[256];
  sb4 code = 0;
  EXPECT_EQ(OCI_NO_DATA,
            a.OCIErrorGet(s.err, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR));
  Statement st(s, "select * from no_such_table");
  EXPECT_EQ(OCI_ERROR, st.execute(0));
  for (int i = 0; i < 3; ++i) {
    code = 0;
    ASSERT_EQ(OCI_SUCCESS,
              a.OCIErrorGet(s.err, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR));
    EXPECT_EQ(942, code);
    EXPECT_STREQ("ORA-00942: table or view does not exist\n",
                 reinterpret_cast<const char*>(buffer));
  }
  EXPECT_EQ(OCI_NO_DATA,
            a.OCIErrorGet(s.err, 2, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR));
  // A small buffer gets a cut, terminated text.
  text tiny[10];
  ASSERT_EQ(OCI_SUCCESS,
            a.OCIErrorGet(s.err, 1, nullptr, &code, tiny, sizeof tiny, OCI_HTYPE_ERROR));
  EXPECT_STREQ("ORA-00942", reinterpret_cast<const char*>(tiny));
  // The next call on the handle clears the record.
  ub2 type = 0;
  ASSERT_EQ(OCI_SUCCESS,
            a.OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &type, nullptr, OCI_ATTR_STMT_TYPE, s.err));
  EXPECT_EQ(OCI_NO_DATA,
            a.OCIErrorGet(s.err, 1, nullptr, &code, buffer, sizeof buffer, OCI_HTYPE_ERROR));
}

TEST(OciErrors, UnimplementedCallsAnswerOra03001) {
  FixtureDatabase db;
  Session s("VESKDATA", "plimsy");
  const Api& a = api();
  EXPECT_EQ(OCI_ERROR, a.OCITransPrepare(s.svc, s.err, 0));
  EXPECT_EQ(3001, lastError(s.err).code);
  EXPECT_EQ("ORA-03001: unimplemented feature\n", lastError(s.err).text);
  EXPECT_EQ(OCI_INVALID_HANDLE, a.OCITransPrepare(s.svc, nullptr, 0));
}

TEST(OciErrors, InjectedFailureHitsTheNextDatabaseCallOnly) {
  FixtureDatabase db;
  Session s("VESKDATA", "plimsy");
  api().failNextCall(3113, "end-of-file on communication channel");
  Statement st(s, "select 1 from dual");
  EXPECT_EQ(OCI_ERROR, st.execute(0));
  EXPECT_EQ(3113, st.error().code);
  EXPECT_EQ("ORA-03113: end-of-file on communication channel\n", st.error().text);
  EXPECT_EQ(OCI_SUCCESS, st.execute(0));

  // A statement fault hits every statement holding its fragment until cleared.
  api().failStatements("FROM Vendor_V", 942, nullptr);
  Statement vendor(s, "select vend_name from vendor_v");
  EXPECT_EQ(OCI_ERROR, vendor.execute(0));
  EXPECT_EQ(OCI_ERROR, vendor.execute(0));
  EXPECT_EQ(942, vendor.error().code);
  EXPECT_EQ(OCI_SUCCESS, st.execute(0));
  api().clearFailure();
  EXPECT_EQ(OCI_SUCCESS, vendor.execute(0));
}

}  // namespace
