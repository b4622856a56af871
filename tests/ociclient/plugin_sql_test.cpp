// The customer look-up of the e-mail capture, run on the fixture exactly as
// the plug-in builds it. The plug-in's other statements run through the
// stand-in in the tests of the code that sends them (receipt extraction,
// setup dialog, values server).
#include "oci_client/oci_test_support.h"

using namespace ocitest;

namespace {

class PluginSql : public PluginAccountTest {};

// The base statement plus the configured opt-in, loyalty-status and
// tracking-date columns.
struct LookupCase {
  const char* column;
  const char* join;
  const char* expected;  // for customer 9001
};

std::string lookup(const LookupCase& c) {
  return std::string("select to_char(cu.cust_sid) as cust_sid") + c.column + " from customer cu" +
         c.join + " where upper( cu.email_addr ) = upper( :email_addr )";
}

TEST_F(PluginSql, CustomerLookupByEmailInEveryVariant) {
  const char* udfJoin = " left join cust_udf_v cv on cv.cust_sid=cu.cust_sid";
  const char* addressJoin =
      " left join cust_address ca on ca.cust_sid=cu.cust_sid and ca.addr_no=1";
  const LookupCase cases[] = {
      {"", "", nullptr},
      {", cu.allow_email as allow_email", "", "1"},
      {", decode( cu.info1, 'YES', 1, 0 ) as allow_email", "", "1"},
      {", decode( cu.info2, 'YES', 1, 0 ) as allow_email", "", "0"},
      {", decode( cu.notes, 'YES', 1, 0 ) as allow_email", "", "1"},
      {", cu.info1 as loyalty_status", "", "YES"},
      {", cu.info2 as loyalty_status", "", "NO"},
      {", cu.notes as loyalty_status", "", "YES"},
      {", cv.udf_5 as loyalty_status", udfJoin, "YES"},
      {", cu.udf1_date as tracking_date", "", "01-MAR-24"},
      {", cu.udf2_date as tracking_date", "", "<null>"},
      {", cu.info1 as tracking_date", "", "YES"},
      {", ca.address6 as tracking_date", addressJoin, "2024-06-30"},
  };
  for (const LookupCase& c : cases) {
    const Rows rows = query(s, lookup(c), {{"email_addr", "ANN.Lee@Example.com"}});
    ASSERT_EQ(1u, rows.size()) << lookup(c);
    EXPECT_EQ("9001", rows[0][0]);
    if (c.expected != nullptr) {
      EXPECT_EQ(c.expected, rows[0][1]) << lookup(c);
    }
    EXPECT_TRUE(query(s, lookup(c), {{"email_addr", "nobody@example.com"}}).empty());
  }
  // All three columns at once, as the e-mail capture dialog builds it.
  const std::string all =
      "select to_char(cu.cust_sid) as cust_sid, decode( cu.info1, 'YES', 1, 0 ) as allow_email, "
      "cv.udf_5 as loyalty_status, ca.address6 as tracking_date from customer cu left join "
      "cust_udf_v cv on cv.cust_sid=cu.cust_sid left join cust_address ca on "
      "ca.cust_sid=cu.cust_sid and ca.addr_no=1 where upper( cu.email_addr ) = upper( "
      ":email_addr )";
  EXPECT_EQ((Rows{{"9002", "0", "NO", "<null>"}}),
            query(s, all, {{"email_addr", "bob@example.com"}}));
  const int last = api().journalSize() - 1;
  EXPECT_EQ(all, api().journalSql(last));
  EXPECT_STREQ("EMAIL_ADDR='bob@example.com'", api().journalBind(last, 0));
}

// The look-up stays in the till's subsidiary (bound as text), and a text
// opt-in column is read as "YES" in any case with blanks around it.
TEST_F(PluginSql, CustomerLookupInTheTillsSubsidiary) {
  const std::string sql =
      "select to_char(cu.cust_sid) as cust_sid, decode( upper( trim( cu.info1 ) ), 'YES', 1, 0 ) "
      "as allow_email from customer cu where upper( cu.email_addr ) = upper( :email_addr ) and "
      "cu.sbs_no = :sbs_no";
  EXPECT_EQ((Rows{{"9001", "1"}}),
            query(s, sql, {{"email_addr", "ann.lee@example.com"}, {"sbs_no", "1"}}));
  EXPECT_EQ((Rows{{"9002", "0"}}),
            query(s, sql, {{"email_addr", "bob@example.com"}, {"sbs_no", "1"}}));
  EXPECT_TRUE(query(s, sql, {{"email_addr", "ann.lee@example.com"}, {"sbs_no", "3"}}).empty())
      << "a customer of another subsidiary is not found";
  const std::string yes = "select decode( upper( trim( :v ) ), 'YES', 1, 0 ) from dual";
  const std::pair<const char*, const char*> values[] = {
      {"YES", "1"}, {"Yes", "1"}, {" yes ", "1"}, {"no", "0"}, {"Y", "0"}};
  for (const auto& [value, expected] : values) {
    EXPECT_EQ((Rows{{expected}}), query(s, yes, {{"v", value}})) << "[" << value << "]";
  }
}

}  // namespace
