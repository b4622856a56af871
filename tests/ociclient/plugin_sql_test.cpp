// Every statement the plug-in sends to the host database, run on the fixture
// exactly as the plug-in builds it, with the rows the fixture data gives.
#include <algorithm>

#include "oci_test_support.h"

using namespace ocitest;

namespace {

class PluginSql : public PluginAccountTest {};

std::string format(const std::string& pattern, const std::string& value) {
  const size_t at = pattern.find("%s");
  return pattern.substr(0, at) + value + pattern.substr(at + 2);
}

TEST_F(PluginSql, VendorOfAnItem) {
  const std::string sql =
      "select v.Vend_Name, v.Vend_Code from vendor_v v join invn_sbs_v i on "
      "i.sbs_no=v.Sbs_No and v.Vend_Code=i.vend_code where i.Item_Sid=%s";
  Rows rows = query(s, format(sql, "1001"));
  std::sort(rows.begin(), rows.end());
  EXPECT_EQ((Rows{{"Acme Outdoor", "ACME"}, {"Acme Outlet", "ACME"}}), rows);
  EXPECT_EQ((Rows{{"Nordic Wear", "NORD"}}), query(s, format(sql, "1002")));
  EXPECT_TRUE(query(s, format(sql, "1003")).empty());
}

TEST_F(PluginSql, SalesOrderBalanceWithTenPercentDiscount) {
  const std::string sql =
      "select Disc_Perc, Disc_Amt, ExtPrc, ExtTax, TotTax, TotDep, ( ( ( ExtPrc + TotTax + TotFee "
      ") - Disc_Amt ) - TotDep ) as BalDue from ( select s.Disc_Perc, s.Disc_Amt, ExtPrc, ExtTax, "
      "( ExtTax * ( 1-( Disc_Perc/100 ) ) ) as TotTax, ( select nvl( sum( nvl( sf.amt,0 ) ),0 ) "
      "from SO_Fee sf where sf.so_sid=s.so_sid ) as TotFee, ( select nvl( sum( nvl( rf.amt * "
      "r.Modifier,0 ) ),0 ) from invoice_v r, invc_fee rf, so_depst sd where sd.so_sid=s.so_sid "
      "and rf.invc_sid=sd.invc_sid and rf.fee_type=-2 and r.invc_sid=rf.invc_sid ) as TotDep from "
      "so_v s, ( ( select si.SO_SID, sum( si.PRICE * si.ORD_QTY ) as ExtPrc, sum( ( nvl( "
      "si.TAX_AMT,0 ) + nvl( si.TAX_AMT2,0 ) ) * si.ORD_QTY ) as ExtTax from so_item_v si where "
      "si.SO_SID=%s group by so_sid  ) a  ) where s.SO_Sid=a.SO_SID  )";
  // Items 2 x 50.00 (tax 4.00 + 1.00) and 1 x 25.00 (tax 2.00): price 125, tax 12,
  // discounted tax 10.80, fee 7.50, discount 5.00, deposits 20.00 - 5.00.
  EXPECT_EQ((Rows{{"10", "5", "125", "12", "10.8", "15", "123.3"}}), query(s, format(sql, "5001")));
  EXPECT_EQ((Rows{{"0", "0", "59.97", "5.25", "5.25", "0", "65.22"}}),
            query(s, format(sql, "5002")));
  EXPECT_TRUE(query(s, format(sql, "5999")).empty());
}

TEST_F(PluginSql, CardNameOfATender) {
  const std::string sql = "select crd_name from credit_card_v where sbs_no=%s and crd_type=%s";
  EXPECT_EQ((Rows{{"VISA"}}), query(s, format(format(sql, "1"), "3")));
  EXPECT_EQ((Rows{{"Visa Outlet"}}), query(s, format(format(sql, "2"), "3")));
  EXPECT_TRUE(query(s, format(format(sql, "1"), "6")).empty());
}

// The customer look-up of the capture dialogs: base statement plus the
// configured opt-in, loyalty-status and tracking-date columns.
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

TEST_F(PluginSql, RequiredUserDefinedFields) {
  const std::string sql =
      "select u.udf_name, u.udf_no, v.udf_value, v.udf_val_id from udf u left join udf_val v on "
      "v.udf_id=u.udf_id where u.sbs_no=%s and u.udf_type=1 and u.required=1 and v.active=1 "
      "order by u.udf_no asc";
  Rows rows = query(s, format(sql, "1"));
  // Values of one field come in no particular order.
  std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
    return std::stoi(a[1]) != std::stoi(b[1]) ? std::stoi(a[1]) < std::stoi(b[1])
                                              : std::stoi(a[3]) < std::stoi(b[3]);
  });
  EXPECT_EQ((Rows{{"Favourite Colour", "3", "Red", "10"},
                  {"Favourite Colour", "3", "Blue", "11"},
                  {"Size", "4", "S", "20"},
                  {"Size", "4", "M", "21"},
                  {"Aux one", "9", "A1", "40"}}),
            rows);
  EXPECT_EQ((Rows{{"Outlet only", "3", "O", "50"}}), query(s, format(sql, "2")));
  EXPECT_TRUE(query(s, format(sql, "3")).empty());
}

TEST_F(PluginSql, SetupCardNamesAndDepartments) {
  EXPECT_EQ((Rows{{"AMEX"}, {"DISCOVER"}, {"MASTERCARD"}, {"VISA"}, {"<null>"}}),
            query(s,
                  "select distinct cardname from ( select distinct upper( cc.crd_name ) as "
                  "cardname from credit_card cc union select distinct upper( it.eftdata1 ) as "
                  "cardname from invc_tender it ) order by cardname"));
  const std::string dcs =
      "select distinct dcs.dcs_code from dcs join subsidiary sbs on sbs.sbs_no=dcs.sbs_no %s "
      "where dcs.active=1 order by dcs.dcs_code";
  EXPECT_EQ((Rows{{"APP"}, {"FOO"}}), query(s, format(dcs, "and sbs.master=1 ")));
  EXPECT_EQ((Rows{{"APP"}, {"FOO"}, {"ZZZ"}}), query(s, format(dcs, "")));
}

}  // namespace
