// LOB locators of the stand-in: Oracle's amount rules on reads, the changes
// that need their row changed in the transaction, and temporary LOBs.
#include <dlfcn.h>

#include <string>
#include <vector>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

// Two-, three- and four-byte characters: 6 code units, 11 bytes.
const std::string kText = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80z";

class Lobs : public PluginAccountTest {
 protected:
  void SetUp() override {
    run(s, "create table docs (id number(5), c clob, b blob)");
    run(s, "insert into docs values (1, '" + kText + "', X'30313233343536373839')");
    run(s, "commit");
  }
  void TearDown() override {
    for (OCILobLocator* locator : locators) api().OCIDescriptorFree(locator, OCI_DTYPE_LOB);
  }

  OCILobLocator* newLocator() {
    void* locator = nullptr;
    EXPECT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, &locator, OCI_DTYPE_LOB, 0, nullptr));
    locators.push_back(static_cast<OCILobLocator*>(locator));
    return locators.back();
  }

  // The locator of column `type` (c or b) of row 1, fetched by `sql`.
  OCILobLocator* fetch(ub2 type, const std::string& sql = "select c, b from docs where id = 1") {
    OCILobLocator* locator = newLocator();
    Statement st(s, sql);
    OCIDefine* define = nullptr;
    sb2 indicator = 0;
    EXPECT_EQ(OCI_SUCCESS, api().OCIDefineByPos(st.stmt, &define, s.err, type == SQLT_CLOB ? 1 : 2,
                                                &locator, sizeof locator, type, &indicator, nullptr,
                                                nullptr, OCI_DEFAULT));
    EXPECT_EQ(OCI_SUCCESS, st.execute(1));
    return locator;
  }

  struct Read {
    sword status;
    ub4 amount;
    std::string bytes;
  };
  Read read(OCILobLocator* locator, ub4 amount, ub4 offset, ub2 csid, ub4 capacity) {
    std::string buffer(capacity, '\0');
    const sword status = api().OCILobRead(s.svc, s.err, locator, &amount, offset, buffer.data(),
                                          capacity, nullptr, nullptr, csid, SQLCS_IMPLICIT);
    if (status != OCI_SUCCESS) return {status, static_cast<ub4>(lastError(s.err).code), {}};
    const ub4 bytes = csid == OCI_UTF16ID || csid == OCI_CHARSET_AL16UTF16 ? amount * 2 : amount;
    return {status, amount, buffer.substr(0, bytes)};
  }

  std::vector<OCILobLocator*> locators;
};

TEST_F(Lobs, ReadsFollowTheAmountRulesOfEachKind) {
  OCILobLocator* clob = fetch(SQLT_CLOB);
  OCILobLocator* blob = fetch(SQLT_BLOB);
  const struct {
    OCILobLocator* locator;
    ub4 amount, offset;
    ub2 csid;
    ub4 capacity;
    Read expected;
  } cases[] = {
      // CLOB, UTF-8: characters asked for, bytes answered.
      {clob, 6, 1, 0, 64, {OCI_SUCCESS, 11, kText}},
      {clob, 0, 4, 873, 64, {OCI_SUCCESS, 5, "\xF0\x9F\x98\x80z"}},  // 0: to the end
      {clob, 9, 1, 0, 4, {OCI_SUCCESS, 3, "a\xC3\xA9"}},  // no character cut by the buffer
      {clob, 1, 5, 0, 64, {OCI_SUCCESS, 1, "z"}},         // UTF-8 cannot begin inside a pair
      // CLOB, UTF-16: code units both ways, a pair split between reads.
      {clob, 2, 3, OCI_UTF16ID, 64, {OCI_SUCCESS, 2, std::string("\xAC\x20\x3D\xD8", 4)}},
      {clob, 1, 5, OCI_CHARSET_AL16UTF16, 64, {OCI_SUCCESS, 1, std::string("\xDE\x00", 2)}},
      {clob, 4, 7, OCI_UTF16ID, 64, {OCI_SUCCESS, 0, ""}},  // past the end
      {clob, 1, 1, 5, 64, {OCI_ERROR, 12715, ""}},
      // BLOB: bytes.
      {blob, 4, 3, 0, 64, {OCI_SUCCESS, 4, "2345"}},
      {blob, 0, 8, 0, 64, {OCI_SUCCESS, 3, "789"}},
      {blob, 10, 1, 0, 2, {OCI_SUCCESS, 2, "01"}},
      {blob, 1, 0, 0, 64, {OCI_ERROR, 24801, ""}},
  };
  int line = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(++line);
    const Read got = read(c.locator, c.amount, c.offset, c.csid, c.capacity);
    EXPECT_EQ(got.status, c.expected.status);
    EXPECT_EQ(got.amount, c.expected.amount);
    EXPECT_EQ(got.bytes, c.expected.bytes);
  }
  ub4 length = 0;
  ASSERT_EQ(OCI_SUCCESS, api().OCILobGetLength(s.svc, s.err, clob, &length));
  EXPECT_EQ(length, 6u);
  // Defined as text, LOB columns give their values, whatever the select list.
  const Rows expected = {{kText, "30313233343536373839"}};
  EXPECT_EQ(query(s, "select c, b from docs"), expected);
  EXPECT_EQ(query(s, "select d.c as text, d.b bytes from docs d"), expected);
  EXPECT_EQ(query(s, "select * from docs"), (Rows{{"1", kText, "30313233343536373839"}}));
}

TEST_F(Lobs, ChangesNeedTheRowChangedInTheTransaction) {
  const Api& a = api();
  OCILobLocator* blob = fetch(SQLT_BLOB);
  ub4 amount = 2;
  char data[] = "xy";
  EXPECT_EQ(OCI_ERROR, a.OCILobWrite(s.svc, s.err, blob, &amount, 1, data, 2, OCI_ONE_PIECE,
                                     nullptr, nullptr, 0, SQLCS_IMPLICIT));
  EXPECT_EQ(lastError(s.err).code, 22920);
  // A join names no row: its locator is a read-only copy.
  OCILobLocator* copy = fetch(SQLT_BLOB, "select d.c, d.b from docs d, dual where d.id = 1");
  EXPECT_EQ(read(copy, 0, 1, 0, 64).bytes, "0123456789");
  run(s, "update docs set id = 1 where id = 1");
  EXPECT_EQ(OCI_ERROR, a.OCILobTrim(s.svc, s.err, copy, 1));
  EXPECT_EQ(lastError(s.err).code, 22920);

  // Writing beyond the end pads the gap: zero bytes in a BLOB, blanks in a CLOB.
  amount = 2;
  ASSERT_EQ(OCI_SUCCESS, a.OCILobWrite(s.svc, s.err, blob, &amount, 13, data, 2, OCI_ONE_PIECE,
                                       nullptr, nullptr, 0, SQLCS_IMPLICIT));
  EXPECT_EQ(read(blob, 0, 1, 0, 64).bytes, std::string("0123456789\0\0xy", 14));
  OCILobLocator* clob = fetch(SQLT_CLOB);
  amount = 2;
  ASSERT_EQ(OCI_SUCCESS, a.OCILobWrite(s.svc, s.err, clob, &amount, 8, data, 2, OCI_ONE_PIECE,
                                       nullptr, nullptr, 0, SQLCS_IMPLICIT));
  EXPECT_EQ(read(clob, 0, 1, 0, 64).bytes, kText + " xy");
  EXPECT_EQ(OCI_ERROR, a.OCILobTrim(s.svc, s.err, clob, 20));
  EXPECT_EQ(lastError(s.err).code, 22926);
  ub4 erased = 2;
  ASSERT_EQ(OCI_SUCCESS, a.OCILobErase(s.svc, s.err, clob, &erased, 2));
  EXPECT_EQ(erased, 2u);
  EXPECT_EQ(read(clob, 0, 1, 0, 64).bytes, "a  \xF0\x9F\x98\x80z xy");
  // The change is the transaction's: a rollback takes it back.
  run(s, "rollback");
  EXPECT_EQ(read(fetch(SQLT_CLOB), 0, 1, 0, 64).bytes, kText);
}

TEST_F(Lobs, TemporaryLobsAndUninitialisedLocators) {
  const Api& a = api();
  auto live = reinterpret_cast<int (*)()>(dlsym(a.library, "ociStandin_LiveTemporaryLobs"));
  ASSERT_NE(live, nullptr);
  OCILobLocator* fresh = newLocator();
  ub4 length = 0;
  EXPECT_EQ(OCI_ERROR, a.OCILobGetLength(s.svc, s.err, fresh, &length));
  EXPECT_EQ(lastError(s.err).code, 22275);
  boolean flag = 1;
  ASSERT_EQ(OCI_SUCCESS, a.OCILobLocatorIsInit(s.env, s.err, fresh, &flag));
  EXPECT_EQ(flag, 0);

  ASSERT_EQ(OCI_SUCCESS, a.OCILobCreateTemporary(s.svc, s.err, fresh, 0, SQLCS_IMPLICIT,
                                                 OCI_TEMP_BLOB, 1, OCI_DURATION_SESSION));
  EXPECT_EQ(live(), 1);
  ASSERT_EQ(OCI_SUCCESS, a.OCILobAppend(s.svc, s.err, fresh, fetch(SQLT_BLOB)));
  EXPECT_EQ(read(fresh, 0, 1, 0, 64).bytes, "0123456789");
  ASSERT_EQ(OCI_SUCCESS, a.OCILobIsTemporary(s.env, s.err, fresh, &flag));
  EXPECT_EQ(flag, 1);
  // The session's end frees what was not freed.
  s.end();
  EXPECT_EQ(live(), 0);
  EXPECT_EQ(OCI_ERROR, a.OCILobGetLength(s.svc, s.err, fresh, &length));
  EXPECT_EQ(lastError(s.err).code, 22922);
}

}  // namespace
