// Filter texts on datasets over the host database: the filtered view, its
// options, a filter changed on an open dataset, and errors that keep the
// previous view.
#include "dataset/database_error.h"
#include "oracle_fixture/dataset_fixture.h"
#include "oracle/filter/expression_errors.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using dataset::foCaseInsensitive;
using dataset::foNoPartialCompare;
using Names = std::vector<std::string>;

TEST_F(StandinDataSetTest, FilterTextsSelectCustomers) {
  auto ds = NewDataSet(
      "select cust_sid, cust_id, first_name, email_addr, info2, notes, udf1_date, udf2_date "
      "from customer order by cust_sid");
  ds->Open();
  ds->SetFiltered(true);
  struct Case {
    const char* filter;
    dataset::TFilterOptions options;
    Names names;
  };
  const std::vector<Case> cases = {
      {"[EMAIL_ADDR] = '*@example.com'", 0, {"Ann", "Cy"}},
      {"[EMAIL_ADDR] = '*@example.com'", foNoPartialCompare, {}},
      {"[EMAIL_ADDR] = '*@example.com'", foCaseInsensitive, {"Ann", "Bob", "Cy"}},
      {"email_addr = 'bob@example.com'", foCaseInsensitive | foNoPartialCompare, {"Bob"}},
      {"[INFO2] = NULL", 0, {"Cy"}},
      {"[NOTES] <> NULL", 0, {"Ann", "Cy"}},
      {"[UDF1_DATE] = '2024-03-01'", 0, {"Ann"}},
      {"[UDF2_DATE] < '2024-01-01'", 0, {"Bob"}},
      // A number against a string literal compares texts: "1" < "10" < "2".
      {"[CUST_ID] < '10'", 0, {"Ann"}},
      {"[CUST_ID] < 10", 0, {"Ann", "Bob", "Cy"}},
      {"", 0, {"Ann", "Bob", "Cy"}},
  };
  for (const Case& c : cases) {
    ds->SetFilterOptions(c.options);
    ds->SetFilter(c.filter);
    EXPECT_EQ(Walk(*ds, "first_name"), c.names) << c.filter << " " << int{c.options};
    EXPECT_EQ(ds->RecordCount(), static_cast<int>(c.names.size())) << c.filter;
  }
}

TEST_F(StandinDataSetTest, AChangedFilterSwapsTheViewWholeOrNotAtAll) {
  CreateNumbers(20);
  // n is a NUMBER(10) column: a float field, made whole for MOD and DIV.
  auto ds = NewDataSet("select n, label from numbers order by n");
  ds->SetFilter("TRUNC([N]) MOD 5 = 0");
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 20);  // compiled, not applied: Filtered is off
  ds->SetFiltered(true);
  EXPECT_EQ(Walk(*ds, "n"), (Names{"5", "10", "15", "20"}));

  // A new text: store order, on the first record, the new count.
  ds->Last();
  ds->SetFilter("([N] > 12) AND ([LABEL] = 'row 1*')");
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 13);
  EXPECT_EQ(ds->RecordCount(), 7);
  EXPECT_EQ(Walk(*ds, "n"), (Names{"13", "14", "15", "16", "17", "18", "19"}));

  // A text that does not parse, or fails on a record, changes nothing.
  ds->SetRecNo(3);
  EXPECT_THROW(ds->SetFilter("[N] > 1 AND [N] < 5"), oracle::filter::EExpression);
  EXPECT_THROW(ds->SetFilter("TRUNC([N]) DIV (TRUNC([N]) - 15) = 0"), oracle::filter::EDivByZero);
  EXPECT_THROW(ds->SetFilter("[NOPE] = 1"), dataset::EDatabaseError);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 15);
  EXPECT_EQ(ds->Filter(), "([N] > 12) AND ([LABEL] = 'row 1*')");
  EXPECT_EQ(ds->FilterOptions(), 0);
  EXPECT_EQ(ds->RecordCount(), 7);

  // Off shows every record; on again the same view.
  ds->SetFiltered(false);
  EXPECT_EQ(ds->RecordCount(), 20);
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 1);
  ds->SetFiltered(true);
  EXPECT_EQ(ds->RecordCount(), 7);

  // Switching on with a filter that fails on a record stays unfiltered.
  ds->SetFiltered(false);
  ds->SetFilter("10 DIV (TRUNC([N]) - 20) = 0");
  EXPECT_THROW(ds->SetFiltered(true), oracle::filter::EDivByZero);
  EXPECT_FALSE(ds->Filtered());
  EXPECT_EQ(ds->RecordCount(), 20);
}

TEST_F(StandinDataSetTest, RowsFetchedOnDemandAreFilteredAsTheyArrive) {
  CreateNumbers(60);
  auto ds = NewDataSet("select n from numbers order by n");
  ds->SetQueryAllRecords(false);
  ds->SetReadBuffer(10);
  ds->SetFilter("TRUNC([N]) MOD 7 = 0");
  // A record must pass both the event and the filter text.
  ds->OnFilterRecord = [](dataset::TDataSet& d, bool& accept) {
    accept = d.FieldByName("n").AsInteger() % 2 == 0;
  };
  ds->SetFiltered(true);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("n").AsInteger(), 14);
  EXPECT_LT(FetchLog::rows.size(), 3u);  // not every row yet
  EXPECT_EQ(Walk(*ds, "n"), (Names{"14", "28", "42", "56"}));
  EXPECT_EQ(ds->RecordCount(), 4);
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
