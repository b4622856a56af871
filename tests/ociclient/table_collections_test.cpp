// Collection columns as row sources and targets through TABLE(...): element
// rows and their ROWIDs, each change kind, rollback, the refusals and the
// block that makes a null collection empty.
#include <string>

#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

class TableCollections : public PluginAccountTest {
 protected:
  void SetUp() override {
    run(s, "create type item_t as object (sku varchar2(10), qty number(5))");
    run(s, "create type item_tab as table of item_t");
    run(s, "create type tag_arr as varray(4) of varchar2(10)");
    run(s, "create table orders (id number(5) primary key, items item_tab, tags tag_arr)");
    run(s,
        "insert into orders values (1, item_tab(item_t('A', 1), item_t('B', 2)), "
        "tag_arr('x', 'y'))");
    run(s, "insert into orders values (2, null, null)");
    run(s, "commit");
  }
  static constexpr const char* kItems = "table(select m.items from orders m where m.id = ";
  Rows items(int id) {
    return query(s, std::string("select t.*, rowid from ") + kItems + std::to_string(id) +
                        ") t order by sku");
  }
  sword change(const std::string& sql, ErrorInfo* error = nullptr) {
    Statement st(s, sql);
    const sword status = st.execute();
    if (error != nullptr) *error = st.error();
    return status;
  }
};

TEST_F(TableCollections, ElementsChangeThroughTheExpressionAndRollBack) {
  Rows rows = items(1);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("A", rows[0][0]);
  EXPECT_EQ("2", rows[1][1]);
  ASSERT_EQ(18u, rows[1][2].size());
  EXPECT_NE(rows[0][2], rows[1][2]);
  // The ROWID finds its element again.
  const std::string rowidOfB = rows[1][2];
  EXPECT_EQ((Rows{{"B"}}),
            query(s, std::string("select sku from ") + kItems + "1) t where rowid = :r",
                  {{"r", rowidOfB}}));

  EXPECT_EQ(OCI_SUCCESS,
            change(std::string("insert into ") + kItems + "1) (sku, qty) values ('C', 3)"));
  EXPECT_EQ(OCI_SUCCESS, change(std::string("update ") + kItems +
                                "1) t set qty = qty * 10 where rowid = '" + rowidOfB + "'"));
  EXPECT_EQ(OCI_SUCCESS, change(std::string("delete from ") + kItems + "1) t where sku = 'A'"));
  rows = items(1);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("B", rows[0][0]);
  EXPECT_EQ("20", rows[0][1]);
  EXPECT_EQ("C", rows[1][0]);
  // A scalar collection lists COLUMN_VALUE.
  EXPECT_EQ((Rows{{"x"}, {"y"}}),
            query(s, "select column_value from table(select tags from orders where id = 1)"));

  run(s, "rollback");
  rows = items(1);
  ASSERT_EQ(2u, rows.size());
  EXPECT_EQ("A", rows[0][0]);
  EXPECT_EQ("2", rows[1][1]);
}

TEST_F(TableCollections, RefusalsAndTheEmptyCollectionBlock) {
  ErrorInfo error;
  EXPECT_EQ(
      OCI_ERROR,
      change("insert into table(select m.tags from orders m where m.id = 1) values ('z')", &error));
  EXPECT_EQ(22906, error.code);
  EXPECT_EQ(OCI_ERROR, change(std::string("insert into ") + kItems + "2) values ('Q', 1)", &error));
  EXPECT_EQ(22908, error.code);

  EXPECT_EQ(OCI_SUCCESS, change("begin\r\n  update orders m\r\n  set m.items = item_tab()\r\n"
                                "  where m.items is null\r\n  and (m.id = 2);\r\nend;"));
  EXPECT_TRUE(items(2).empty());
  EXPECT_EQ(OCI_SUCCESS, change(std::string("insert into ") + kItems + "2) values ('Q', 1)"));
  EXPECT_EQ(1u, items(2).size());
  // The block leaves a collection that exists alone.
  EXPECT_EQ(OCI_SUCCESS, change("begin update orders set items = item_tab() where items is null "
                                "and (id = 1); end;"));
  EXPECT_EQ(2u, items(1).size());
}

}  // namespace
