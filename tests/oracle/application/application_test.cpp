// The Oracle library as an application meets it: log on, open a dataset
// over a table and edit, with the dictionary's constraint checks and a data
// provider's transaction, and not one set-up call.
#include "oracle_fixture/dataset_fixture.h"

#include <string>
#include <vector>

#include "oracle/dml/editing.h"
#include "oracle_fixture/exception_text.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle_test_support::ErrorOf;

class ApplicationTest : public oracle_dataset_test::StandinDataSetTest {
 protected:
  // The NAME of staff member `id` as another session sees it ("-": none).
  std::string SeenElsewhere(int id) {
    auto other = NewSession();
    oracle::TOracleDataSet ds;
    ds.SetSession(other.get());
    ds.SetSQL("select name from staff where id = " + std::to_string(id));
    ds.Open();
    return ds.Eof() ? std::string("-") : ds.FieldByName("NAME").AsString();
  }
};

TEST_F(ApplicationTest, EditsPostsEnforcesAKeyAndRollsBackAProviderTransaction) {
  Run("create table staff (id number(6) constraint pk_staff primary key, "
      "email varchar2(30) constraint uq_staff_email unique, name varchar2(20))");
  Run("insert into staff values (1, 'ann@example.com', 'Ann')");
  Run("insert into staff values (2, 'bob@example.com', 'Bob')");
  auto ds = NewDataSet("select s.rowid, s.* from staff s order by id");
  oracle::Editing(*ds).OracleDictionary.EnforceConstraints = true;
  ds->Open();
  ASSERT_TRUE(ds->CanModify());

  // An edit is posted and committed.
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("Anna");
  ds->Post();
  EXPECT_EQ("Anna", SeenElsewhere(1));

  // The named unique key refuses a duplicate while the user types it.
  ds->Next();
  ds->Edit();
  const std::string refused =
      ErrorOf([&] { ds->FieldByName("EMAIL").SetAsString("ann@example.com"); });
  EXPECT_NE(std::string::npos, refused.find("UQ_STAFF_EMAIL")) << refused;
  EXPECT_EQ(dataset::TDataSetState::dsEdit, ds->State());
  ds->Cancel();

  // A data provider's transaction rolled back leaves records and server as
  // they were.
  EXPECT_TRUE(ds->PSIsSQLBased());
  EXPECT_EQ("STAFF", ds->PSGetTableName());
  ds->PSStartTransaction();
  ds->First();
  ds->Delete();
  ds->Edit();
  ds->FieldByName("NAME").SetAsString("Robert");
  ds->Post();
  ds->Append();
  ds->FieldByName("ID").SetAsInteger(3);
  ds->FieldByName("NAME").SetAsString("Cy");
  ds->Post();
  EXPECT_TRUE(ds->PSInTransaction());
  ds->PSEndTransaction(false);
  EXPECT_EQ((std::vector<std::string>{"Anna", "Bob"}), Walk(*ds, "NAME"));
  EXPECT_EQ("Anna", SeenElsewhere(1));
  EXPECT_EQ("Bob", SeenElsewhere(2));
  EXPECT_EQ("-", SeenElsewhere(3));
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
