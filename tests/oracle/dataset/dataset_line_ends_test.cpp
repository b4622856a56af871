// Text whose line ends the session widens to CR LF: a value that grows past
// its column's size is kept whole in the record and read back whole through
// every reader, while the field keeps the column's size.
#include "dataset/field_kinds.h"
#include "oracle_fixture/dataset_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_dataset_test {
namespace {

using dataset::TFieldType;

class LineEndsDataSetTest : public StandinDataSetTest {
 protected:
  // A table `notes` (id, body of `bodyType`) with one row per body, in order.
  void CreateNotes(const std::string& bodyType, const std::vector<std::string>& bodies) {
    Run("create table notes (id number(10), body " + bodyType + ")");
    for (std::size_t i = 0; i < bodies.size(); ++i) {
      Run("insert into notes values (" + std::to_string(i + 1) + ", '" + bodies[i] + "')");
    }
  }
};

TEST_F(LineEndsDataSetTest, TextLongerThanItsColumnOnceConvertedIsKeptWhole) {
  CreateNotes("varchar2(7)", {"a\nb\nc\nd"});
  ASSERT_TRUE(session_->Preferences().ConvertCRLF());  // the default
  auto ds = NewDataSet("select body from notes");
  ds->Open();
  dataset::TField& body = ds->FieldByName("body");
  EXPECT_EQ(body.DataType(), TFieldType::ftString);
  EXPECT_EQ(body.Size(), 7);
  EXPECT_EQ(body.AsString(), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(body.Value().ToString(), "a\r\nb\r\nc\r\nd");
  EXPECT_EQ(body.OldValue().ToString(), "a\r\nb\r\nc\r\nd");

  // Without conversion the record is the column's size again and the text
  // is as the server has it.
  ds->Close();
  session_->Preferences().SetConvertCRLF(false);
  ds->Open();
  dataset::TField& unchanged = ds->FieldByName("body");
  EXPECT_EQ(unchanged.Size(), 7);
  EXPECT_EQ(unchanged.DataSize(), 8);
  EXPECT_EQ(unchanged.AsString(), "a\nb\nc\nd");
  EXPECT_EQ(unchanged.Value().ToString(), "a\nb\nc\nd");
}

TEST_F(LineEndsDataSetTest, FullWidthValuesKeepEveryConvertedLineEnd) {
  // Every character but the last a line end, a CR LF pair (already two
  // characters, not widened again) and a lone CR (widened to CR LF).
  CreateNotes("varchar2(4)", {"\n\n\nx", "\r\nab", "a\rbc"});
  auto ds = NewDataSet("select body from notes order by id");
  ds->Open();
  EXPECT_EQ(Walk(*ds, "body"), (std::vector<std::string>{"\r\n\r\n\r\nx", "\r\nab", "a\r\nbc"}));
}

TEST_F(LineEndsDataSetTest, CharColumnWithALineEndKeepsItsPaddingWhenUntrimmed) {
  CreateNotes("char(4)", {"a\nb"});
  auto ds = NewDataSet("select body from notes");
  ds->Open();
  EXPECT_EQ(ds->FieldByName("body").AsString(), "a\r\nb");

  // Blank-padded to the column's width, the text is one longer than the
  // column once converted.
  ds->Close();
  session_->Preferences().SetTrimStringFields(false);
  ds->Open();
  EXPECT_EQ(ds->FieldByName("body").Size(), 4);
  EXPECT_EQ(ds->FieldByName("body").AsString(), "a\r\nb ");
}

TEST_F(LineEndsDataSetTest, NationalTextIsKeptWholeNotCut) {
  // The column is fetched as UTF-16, six units wide; the first value fills
  // that width and grows by its four line ends.
  CreateNotes("nvarchar2(6)", {"\n\nx\n\ny", "a\nb"});
  auto ds = NewDataSet("select body from notes order by id");
  ds->Open();
  auto& body = static_cast<dataset::TWideStringField&>(ds->FieldByName("body"));
  ASSERT_EQ(body.DataType(), TFieldType::ftWideString);
  const int declared = body.Size();
  EXPECT_EQ(body.AsWideString(), u"\r\n\r\nx\r\n\r\ny");
  EXPECT_EQ(body.AsString(), "\r\n\r\nx\r\n\r\ny");
  ds->Next();
  EXPECT_EQ(body.AsWideString(), u"a\r\nb");
  EXPECT_EQ(body.Value().ToString(), "a\r\nb");

  ds->Close();
  session_->Preferences().SetConvertCRLF(false);
  ds->Open();
  auto& unchanged = static_cast<dataset::TWideStringField&>(ds->FieldByName("body"));
  EXPECT_EQ(unchanged.Size(), declared);
  EXPECT_EQ(unchanged.AsWideString(), u"\n\nx\n\ny");
}

TEST_F(LineEndsDataSetTest, WideFieldsOfPlainColumnsAreKeptWhole) {
  oracle::TOracleSession wide;
  wide.Preferences().SetForceWideStringFields(true);  // only before logon
  UsePluginAccount(wide);
  wide.LogOn();
  CreateNotes("varchar2(7)", {"a\nb\nc\nd"});
  oracle::TOracleDataSet ds;
  ds.SetSession(&wide);
  ds.SetSQL("select body from notes");
  ds.Open();
  auto& body = static_cast<dataset::TWideStringField&>(ds.FieldByName("body"));
  ASSERT_EQ(body.DataType(), TFieldType::ftWideString);
  EXPECT_EQ(body.Size(), 7);
  EXPECT_EQ(body.AsWideString(), u"a\r\nb\r\nc\r\nd");
  EXPECT_EQ(body.AsString(), "a\r\nb\r\nc\r\nd");
  ds.Close();
  wide.LogOff();
}

TEST_F(LineEndsDataSetTest, DatasetWithWidenedTextNavigatesCountsAndFinds) {
  CreateNotes("varchar2(7)", {"first", "a\nb\nc\nd", "last"});
  auto ds = NewDataSet("select id, body from notes order by id");
  ds->Open();
  EXPECT_EQ(ds->RecordCount(), 3);
  EXPECT_EQ(Walk(*ds, "body"), (std::vector<std::string>{"first", "a\r\nb\r\nc\r\nd", "last"}));

  // Back and forth across the record, by number and by bookmark.
  ds->Last();
  EXPECT_EQ(ds->FieldByName("body").AsString(), "last");
  ds->Prior();
  EXPECT_EQ(ds->GetRecNo(), 2);
  EXPECT_EQ(ds->FieldByName("body").AsString(), "a\r\nb\r\nc\r\nd");
  const dataset::TBookmark mark = ds->GetBookmark();
  ds->First();
  ds->GotoBookmark(mark);
  EXPECT_EQ(ds->FieldByName("id").AsInteger(), 2);
  ds->SetRecNo(3);
  ds->SetRecNo(2);
  EXPECT_EQ(ds->FieldByName("body").AsString(), "a\r\nb\r\nc\r\nd");

  // The whole converted text is what a search compares with.
  ds->First();
  EXPECT_TRUE(ds->Locate("body", {Variant(std::string("a\r\nb\r\nc\r\nd"))}, 0));
  EXPECT_EQ(ds->FieldByName("id").AsInteger(), 2);
  EXPECT_FALSE(ds->Locate("body", {Variant(std::string("a\r\nb\r\nc"))}, 0));
}

}  // namespace
}  // namespace oracle_dataset_test

#endif  // STANDIN_ORACLE_HOME
