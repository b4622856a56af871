// The key columns that find the rowid of a new row: the UniqueFields, else
// the updating table's key from the data dictionary.
#include <string>

// The fixture first: it includes the framework's headers before the OCI
// header, whose global type `text` they would otherwise shadow.
#include "oracle_fixture/dataset_fixture.h"
#include "oracle_fixture/exception_text.h"

#include "oracle/dictionary/dictionary_posting.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"

namespace {

using oracle_dataset_test::StandinDataSetTest;
using oracle_test_support::ErrorOf;

using KeyColumnsTest = StandinDataSetTest;

TEST_F(KeyColumnsTest, ComeFromUniqueFieldsOrTheTableKey) {
  Run("create table emp (empno number(6) constraint pk_emp primary key, email varchar2(30), "
      "phone varchar2(20))");
  Run("insert into emp (empno) values (1)");
  Run("create table notes (body varchar2(20))");
  auto ds = NewDataSet("select e.rowid, e.* from emp e");
  ds->Open();
  oracle::TOracleQuery query;
  query.SetSession(session_.get());
  oracle::BuildRowIdQuery(*ds, query, false);
  EXPECT_EQ("select rowid from EMP where\r\nEMPNO = :kel__key1\r\n", query.SQL());
  oracle::Editing(*ds).UniqueFields = "email; phone";
  oracle::BuildRowIdQuery(*ds, query, false);
  EXPECT_EQ("select rowid from EMP where\r\nEMAIL is null\r\nand PHONE is null\r\n", query.SQL());

  auto notes = NewDataSet("select rowid, n.* from notes n");
  notes->Open();
  EXPECT_EQ("Primary or Unique key columns must be included",
            ErrorOf([&] { oracle::KeyColumns(*notes); }));
}

}  // namespace
