// ROWIDs: the descriptor a statement fills after a change or a fetch, the
// ROWID pseudo-column in a select list, and ROWID text bound back.
#include <cstdint>
#include <cstring>

#include "oci_client/oci_test_support.h"
#include "platform/oci/oci_rowid_layout.h"

using namespace ocitest;

namespace {

class Rowids : public PluginAccountTest {
 protected:
  void SetUp() override {
    run(s, "create table items (id number(5), name varchar2(20))");
    run(s, "create table others (id number(5), name varchar2(20))");
    for (const char* name : {"one", "two", "three"}) {
      ++count;
      Statement insert(s,
                       "insert into items values (" + std::to_string(count) + ", '" + name + "')");
      ASSERT_EQ(OCI_SUCCESS, insert.execute());
      inserted.push_back(rowidOf(insert));
    }
    run(s, "insert into others values (1, 'other')");
  }
  void TearDown() override {
    if (rowid != nullptr) api().OCIDescriptorFree(rowid, OCI_DTYPE_ROWID);
  }

  // The layout OCI_ATTR_ROWID leaves in a descriptor, and its text.
  OCIRowidLayout layoutOf(Statement& st) {
    if (rowid == nullptr) {
      EXPECT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&rowid),
                                                      OCI_DTYPE_ROWID, 0, nullptr));
    }
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, rowid, nullptr, OCI_ATTR_ROWID, s.err));
    OCIRowidLayout layout;
    std::memcpy(&layout, rowid, sizeof layout);
    return layout;
  }
  std::string rowidOf(Statement& st) { return RowidLayoutText(layoutOf(st)); }

  sword runWith(const std::string& sql, const std::string& bound, std::string* rowidAfter) {
    Statement st(s, sql);
    std::string value = bound;
    OCIBind* bind = nullptr;
    api().OCIBindByName(st.stmt, &bind, s.err, reinterpret_cast<const text*>(":x"), -1,
                        value.data(), static_cast<sb4>(value.size() + 1), SQLT_STR, nullptr,
                        nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    const sword rc = st.execute();
    if (rowidAfter != nullptr) *rowidAfter = rowidOf(st);
    code = st.error().code;
    return rc;
  }

  OCIRowid* rowid = nullptr;
  std::vector<std::string> inserted;
  int count = 0;
  sb4 code = 0;
};

TEST_F(Rowids, ChangesNameTheLastRowTheyTouched) {
  ASSERT_EQ(3u, inserted.size());
  for (const std::string& text : inserted) {
    EXPECT_EQ(kExtendedRowidLength, text.size()) << text;
    EXPECT_TRUE(ParseRowidText(text).has_value()) << text;
  }
  EXPECT_NE(inserted[0], inserted[1]);
  EXPECT_NE(inserted[1], inserted[2]);

  std::string after;
  EXPECT_EQ(OCI_SUCCESS,
            runWith("update items set name = 'TWO' where id = 2 and :x is null", "", &after));
  EXPECT_EQ(inserted[1], after);
  EXPECT_EQ(OCI_SUCCESS, runWith("update items set name = :x where id <= 3", "all", &after));
  EXPECT_EQ(inserted[2], after) << "the last row updated";
  EXPECT_EQ(OCI_SUCCESS, runWith("delete from items where name = :x", "nobody", &after));
  EXPECT_EQ("", after) << "no row was touched";

  // A change made elsewhere on the connection does not leak into a statement
  // that touched nothing.
  Statement none(s, "update others set name = 'x' where id = 99");
  ASSERT_EQ(OCI_SUCCESS, none.execute());
  EXPECT_EQ(static_cast<ub1>(OCIRowidKind::None), layoutOf(none).kind);
  EXPECT_EQ(kOCIRowidTag, layoutOf(none).tag);
}

TEST_F(Rowids, TextBoundBackFindsUpdatesAndDeletesThatRowOnly) {
  EXPECT_EQ((Rows{{"two"}}),
            query(s, "select name from items where rowid = :x", {{"x", inserted[1]}}));
  EXPECT_EQ((Rows{{"one"}, {"three"}}),
            query(s, "select name from items where rowid <> :x order by id", {{"x", inserted[1]}}));
  EXPECT_EQ((Rows{{"two"}}),
            query(s, "select i.name from items i where :x = i.rowid", {{"x", inserted[1]}}));
  EXPECT_EQ((Rows{{"one"}, {"three"}}),
            query(s, "select name from items where rowid in (:a, :b) order by id",
                  {{"a", inserted[0]}, {"b", inserted[2]}}));
  EXPECT_EQ((Rows{{"three"}}),
            query(s, "select name from items where rowid = '" + inserted[2] + "'"));

  // Subqueries compare ROWIDs with ROWIDs; an inline view shows the text.
  EXPECT_EQ((Rows{{"three"}}),
            query(s, "select name from items where rowid = (select max(rowid) from items)"));
  EXPECT_EQ((Rows{{inserted[0]}}),
            query(s, "select v.r from (select rowid r, id from items) v where v.id = 1"));

  std::string after;
  EXPECT_EQ(OCI_SUCCESS,
            runWith("update items set name = 'changed' where rowid = :x", inserted[0], &after));
  EXPECT_EQ(inserted[0], after);
  EXPECT_EQ(OCI_SUCCESS, runWith("delete from items where rowid = :x", inserted[1], nullptr));
  EXPECT_EQ((Rows{{"1", "changed"}, {"3", "three"}}),
            query(s, "select id, name from items order by id"));
  run(s, "delete from items where rowid in (select rowid from items where id > 1)");
  EXPECT_EQ((Rows{{"1"}}), query(s, "select id from items"));
}

TEST_F(Rowids, ForeignOrMalformedTextFindsNothingOrIsRefused) {
  // "others" has a row with the same SQLite rowid as the first item: the
  // item's ROWID must still not find it.
  EXPECT_EQ(Rows{}, query(s, "select name from others where rowid = :x", {{"x", inserted[0]}}));
  std::string after;
  EXPECT_EQ(OCI_SUCCESS, runWith("delete from others where rowid = :x", inserted[0], &after));
  EXPECT_EQ((Rows{{"1"}}), query(s, "select count(*) from others"));

  EXPECT_EQ(OCI_SUCCESS, runWith("delete from items where rowid = :x", "", nullptr))
      << "NULL names no row";
  EXPECT_EQ(OCI_SUCCESS,
            runWith("delete from items where rowid = :x", "00000001.0001.0001", nullptr))
      << "a restricted ROWID names no row of this database";
  for (const char* bad : {"not a rowid", "AAAAAAAAAAAAAAAA!!", "AAAAAAAAAAAAAAAAAAA"}) {
    EXPECT_EQ(OCI_ERROR, runWith("delete from items where rowid = :x", bad, nullptr)) << bad;
    EXPECT_EQ(1410, code) << bad;
  }
  EXPECT_EQ((Rows{{"3"}}), query(s, "select count(*) from items"));
}

TEST_F(Rowids, SelectListShowsTheTextAndIsDescribedAsRowid) {
  const Rows rows = query(s, "select rowid, name from items order by id");
  ASSERT_EQ(3u, rows.size());
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(inserted[i], rows[i][0]);
  EXPECT_EQ((Rows{{"two", inserted[1]}}),
            query(s, "select i.name, i.rowid as rid from items i where i.id = 2"));
  EXPECT_EQ((Rows{{"one", inserted[0]}}),
            query(s, "select x.name, x.rowid from items x, others o where x.id = o.id"));

  Statement st(s, "select rowid, i.rowid rid, name from items i");
  ASSERT_EQ(OCI_SUCCESS, st.execute(0, OCI_DESCRIBE_ONLY));
  ub4 columns = 0;
  api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &columns, nullptr, OCI_ATTR_PARAM_COUNT, s.err);
  EXPECT_EQ(3u, columns) << "the hidden rowid column is not shown";
  const char* names[] = {"ROWID", "RID", "NAME"};
  const ub2 types[] = {SQLT_RDD, SQLT_RDD, SQLT_CHR};
  for (ub4 c = 0; c < 3; ++c) {
    OCIParam* param = nullptr;
    ASSERT_EQ(OCI_SUCCESS, api().OCIParamGet(st.stmt, OCI_HTYPE_STMT, s.err,
                                             reinterpret_cast<void**>(&param), c + 1));
    ub2 type = 0;
    text* name = nullptr;
    ub4 nameLength = 0;
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
    api().OCIAttrGet(param, OCI_DTYPE_PARAM, &name, &nameLength, OCI_ATTR_NAME, s.err);
    EXPECT_EQ(types[c], type) << c;
    EXPECT_EQ(names[c], std::string(reinterpret_cast<char*>(name), nameLength));
  }
}

TEST_F(Rowids, OnlyASelectForUpdateNamesTheRowFetchedLast) {
  for (const char* lock : {" for update", " for update of name nowait", ""}) {
    Statement st(s, std::string("select name from items where id >= :x order by id") + lock);
    std::string from = "2";
    OCIBind* bind = nullptr;
    api().OCIBindByName(st.stmt, &bind, s.err, reinterpret_cast<const text*>(":x"), -1, from.data(),
                        2, SQLT_STR, nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT);
    char names[2][20] = {};
    OCIDefine* define = nullptr;
    api().OCIDefineByPos(st.stmt, &define, s.err, 1, names, 20, SQLT_STR, nullptr, nullptr, nullptr,
                         OCI_DEFAULT);
    ASSERT_EQ(OCI_SUCCESS, st.execute(0)) << lock << st.error().text;
    EXPECT_EQ("", rowidOf(st)) << "nothing fetched yet";
    ASSERT_EQ(OCI_SUCCESS, api().OCIStmtFetch2(st.stmt, s.err, 1, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
    const bool forUpdate = *lock != '\0';
    EXPECT_EQ(forUpdate ? inserted[1] : "", rowidOf(st)) << lock;
    ASSERT_EQ(OCI_NO_DATA, api().OCIStmtFetch2(st.stmt, s.err, 2, OCI_FETCH_NEXT, 0, OCI_DEFAULT));
    EXPECT_EQ("three", std::string(names[0]));
    EXPECT_EQ(forUpdate ? inserted[2] : "", rowidOf(st)) << lock;
    run(s, "commit");
  }
}

TEST_F(Rowids, QueriesThatNameNoSingleRowAnswerAsBefore) {
  run(s, "create view item_names as select name from items");
  struct Case {
    const char* sql;
    Rows rows;
  };
  const Case cases[] = {
      {"select distinct id - id from items", {{"0"}}},
      {"select count(*) from items", {{"3"}}},
      {"select max(id) from items", {{"3"}}},
      {"select id - id, count(*) from items group by id - id", {{"0", "3"}}},
      {"select name from item_names where name = 'two'", {{"two"}}},
      {"select i.name from items i join others o on o.id = i.id", {{"one"}}},
      {"select name from items where id = 1 union select name from others", {{"one"}, {"other"}}},
      {"with q as (select name from items where id = 3) select name from q", {{"three"}}},
      {"select n from (select name n from items where id = 1) v", {{"one"}}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.rows, query(s, c.sql)) << c.sql;
    Statement st(s, c.sql);
    char value[40];
    OCIDefine* define = nullptr;
    api().OCIDefineByPos(st.stmt, &define, s.err, 1, value, sizeof value, SQLT_STR, nullptr,
                         nullptr, nullptr, OCI_DEFAULT);
    ASSERT_EQ(OCI_SUCCESS, st.execute(1)) << c.sql << st.error().text;
    EXPECT_EQ("", rowidOf(st)) << c.sql;
  }
}

TEST_F(Rowids, DescriptorIsTheSharedLayoutFromAllocationToFree) {
  OCIRowid* fresh = nullptr;
  ASSERT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&fresh),
                                                  OCI_DTYPE_ROWID, 0, nullptr));
  ASSERT_EQ(0u, reinterpret_cast<std::uintptr_t>(fresh) % alignof(OCIRowidLayout));
  OCIRowidLayout layout;
  std::memcpy(&layout, fresh, sizeof layout);
  EXPECT_EQ(kOCIRowidTag, layout.tag);
  EXPECT_EQ(static_cast<ub1>(OCIRowidKind::None), layout.kind);
  Statement st(s, "select name from items");
  EXPECT_EQ(OCI_INVALID_HANDLE,
            api().OCIAttrGet(st.stmt, OCI_HTYPE_STMT, &layout, nullptr, OCI_ATTR_ROWID, s.err))
      << "memory that is no ROWID descriptor is refused";
  EXPECT_EQ(OCI_SUCCESS, api().OCIDescriptorFree(fresh, OCI_DTYPE_ROWID));
  EXPECT_EQ(OCI_INVALID_HANDLE, api().OCIDescriptorFree(fresh, OCI_DTYPE_ROWID));
}

}  // namespace

namespace {

// The ROWID rewriting walks tokens forwards and backwards; every cut of a
// statement full of ROWIDs must prepare and execute (or fail) cleanly.
TEST_F(Rowids, EveryPrefixOfARowidStatementIsHandled) {
  const std::string texts[] = {
      "select i.rowid r, (select rowid from others o where o.rowid = :x) n, rowid from items i "
      "where i.rowid in (:x, 'x') and rowid <> :x and :x = i.rowid order by rowid",
      "update items i set name = 'x' where i.rowid = :x or rowid not in (select rowid from items)",
      "delete from items where :x = rowid",
      "with q as (select rowid r from items) select q.r, rowid from q, (select rowid from items) v",
  };
  for (const std::string& text : texts) {
    for (std::size_t length = 0; length <= text.size(); ++length) {
      Statement st(s, text.substr(0, length));
      const sword rc = st.execute(text[0] == 's' || text[0] == 'w' ? 0 : 1);
      EXPECT_TRUE(rc == OCI_SUCCESS || rc == OCI_ERROR) << text.substr(0, length);
    }
  }
}

}  // namespace
