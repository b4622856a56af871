// LOB columns and variables of a query on a table with CLOB, NCLOB, BLOB and
// BFILE columns, and what the stand-in keeps of locators and temporary LOBs.

#include <gtest/gtest.h>

// The dataset first: the framework's headers name parameters `text`, which
// the OCI header's global type of that name would have them shadow.
#include "oracle/dataset/dataset.h"

#include <filesystem>
#include <fstream>
#include <string>

#include "oracle/client/oracle_errors.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::LOBField;
using oracle::TLOBLocator;
using oracle_test_support::ErrorOf;
namespace otype = oracle::otype;

// The Oracle error number a call raises, 0 when none.
template <class Fn>
int OracleErrorOf(Fn&& fn) {
  try {
    fn();
  } catch (const oracle::EOracleError& e) {
    return e.ErrorCode();
  }
  return 0;
}

std::string Text(const oracle::Variant& value) {
  if (!value.IsArray()) return value.ToText();
  const auto& bytes = value.Array().bytes;
  return std::string(bytes.begin(), bytes.end());
}

class LobColumnsTest : public oracle_query_test::StandinQueryTest {
 protected:
  void SetUp() override {
    StandinQueryTest::SetUp();
    namespace fs = std::filesystem;
    fs::create_directories(root_ / "files");
    std::ofstream(root_ / "files" / "hello.txt") << "hello from a file";
    std::ofstream(root_ / "secret.txt") << "outside";
    fs::create_symlink(root_ / "secret.txt", root_ / "files" / "link");
    std::ofstream(root_ / "ociclient.conf", std::ios::app) << "@directory DOCS = files\n";
    Run("create table docs (id number(5), c clob, n nclob, b blob, f bfile)");
  }

  int Live(const char* hook) { return Hook<int (*)()>(hook)(); }
};

const std::string kMixedText =
    "a\xC3\xA9"
    "b\xE2\x82\xAC"
    "c\xF0\x9F\x98\x80"
    "d";

TEST_F(LobColumnsTest, EmptyLobsWrittenThroughTheirLocatorsReachAnotherSession) {
  Run("insert into docs (id, c, n, b) values (1, empty_clob(), empty_clob(), empty_blob())");
  auto row = NewQuery("select c, n, b from docs where id = 1");
  row->Execute();
  EXPECT_EQ(Text(row->Field(0)), "") << "empty, not null";
  EXPECT_FALSE(LOBField(*row, 0).IsNull());
  EXPECT_TRUE(LOBField(*row, 1).NCLOB());
  EXPECT_EQ(ErrorOf([&] { LOBField(*row, 2).NCLOB(); }), "NCLOB property only applicable for CLOB");
  LOBField(*row, 0).SetAsString(kMixedText);
  LOBField(*row, 1).SetAsWideString(u"national \u00E9\U0001F600");
  const std::string bytes("\x00\x01\x02\xFF", 4);
  LOBField(*row, 2).Write(bytes.data(), 4);
  session_->Commit();

  auto other = NewSession();
  oracle::TOracleQuery read;
  read.SetSession(other.get());
  read.SetSQL("select c, n, b from docs where id = 1");
  read.Execute();
  EXPECT_EQ(Text(read.Field(0)), kMixedText);
  EXPECT_EQ(LOBField(read, 1).AsWideString(), u"national \u00E9\U0001F600");
  EXPECT_EQ(Text(read.Field(2)), bytes);
  // The second session changed no row: its locators may not write.
  EXPECT_EQ(OracleErrorOf([&] { LOBField(read, 0).SetAsString("x"); }), 22920);
  EXPECT_EQ(ErrorOf([&] { LOBField(read, 2).Write("x", 1); }),
            "ORA-22920: row containing the LOB value is not locked\n");
}

TEST_F(LobColumnsTest, ATemporaryClobBindsIntoAnInsertAndNullLobsFollowThePreference) {
  auto temporary = TLOBLocator::CreateTemporary(session_.get(), otype::CLOB, false);
  temporary->SetAsString(kMixedText);
  auto insert = NewQuery("insert into docs (id, c) values (2, :c)");
  insert->DeclareVariable("c", otype::CLOB);
  EXPECT_EQ(ErrorOf([&] { insert->SetComplexVariable("c", insert.get()); }),
            "Assign TLOBLocator instance to variable :C");
  insert->SetComplexVariable("c", temporary.get());
  insert->Execute();

  auto select = NewQuery("select c, b from docs where id = 2");
  select->Execute();
  EXPECT_EQ(Text(select->Field(0)), kMixedText);
  EXPECT_TRUE(select->Field(1).IsEmpty()) << "a NULL LOB";
  EXPECT_TRUE(LOBField(*select, 1).IsNull());
  char buffer[4];
  EXPECT_EQ(LOBField(*select, 1).Read(buffer, 4), 0);
  session_->Preferences().SetNullLOBIsEmpty(true);
  EXPECT_EQ(Text(select->Field(1)), "");
  EXPECT_TRUE(select->Field(1).IsArray());
}

TEST_F(LobColumnsTest, BfilesReadInsideTheirDirectoryOnly) {
  const struct {
    const char* directory;
    const char* name;
    int error;
  } files[] = {{"DOCS", "hello.txt", 0},
               {"DOCS", "missing.txt", 22288},
               {"DOCS", "../secret.txt", 22288},
               {"DOCS", "link", 22288},
               {"NODIR", "hello.txt", 22285}};
  int id = 10;
  for (const auto& file : files) {
    Run("insert into docs (id, f) values (" + std::to_string(id++) + ", bfilename('" +
        file.directory + "', '" + file.name + "'))");
  }
  auto select = NewQuery("select f from docs where id >= 10 order by id");
  select->Execute();
  for (const auto& file : files) {
    SCOPED_TRACE(file.name);
    TLOBLocator& lob = LOBField(*select, 0);
    EXPECT_EQ(lob.FileName(), file.name);
    EXPECT_EQ(lob.FileDirectory(), file.directory);
    EXPECT_EQ(OracleErrorOf([&] { lob.OpenFile(); }), file.error);
    if (file.error == 0) {
      EXPECT_TRUE(lob.FileExists());
      lob.OpenFile();  // open already: nothing happens
      EXPECT_EQ(lob.AsString(), "hello from a file");
      lob.CloseFile();
      char buffer[4];
      EXPECT_EQ(OracleErrorOf([&] { lob.Read(buffer, 4); }), 22289);
      EXPECT_EQ(Text(select->Field(0)), "hello from a file");
    }
    select->Next();
  }
  EXPECT_TRUE(select->Eof());
}

TEST_F(LobColumnsTest, FieldAndLocatorFollowTheRowAcrossFetchBatches) {
  for (int id = 1; id <= 60; ++id)
    Run("insert into docs (id, c) values (" + std::to_string(id) + ", 'row " + std::to_string(id) +
        "')");
  auto select = NewQuery("select c from docs order by id");
  select->SetReadBuffer(25);
  select->Execute();
  TLOBLocator& lob = LOBField(*select, 0);
  int id = 0;
  for (; !select->Eof(); select->Next()) {
    const std::string expected = "row " + std::to_string(++id);
    ASSERT_EQ(Text(select->Field(0)), expected);
    ASSERT_EQ(&LOBField(*select, 0), &lob);
    ASSERT_EQ(lob.Position(), 0) << "rewound at each row";
    ASSERT_EQ(lob.AsString(), expected);
  }
  EXPECT_EQ(id, 60);
  auto plain = NewQuery("select id from docs");
  plain->Execute();
  EXPECT_EQ(ErrorOf([&] { LOBField(*plain, 0); }), "Field ID is not a LOB");
}

TEST_F(LobColumnsTest, AValueReadInPartsLetsTheSessionGoOnWorking) {
  Run("insert into docs (id, b) values (1, empty_blob())");
  auto row = NewQuery("select b from docs where id = 1");
  row->Execute();
  const std::string value(300000, 'v');
  LOBField(*row, 0).Write(value.data(), static_cast<int64_t>(value.size()));
  session_->Commit();
  row->Execute();
  std::string first(1000, '\0');
  ASSERT_EQ(LOBField(*row, 0).Read(first.data(), 1000), 1000);
  // Another session commits meanwhile; this one still changes rows and reads on.
  auto other = NewSession();
  oracle::TOracleQuery insert;
  insert.SetSession(other.get());
  insert.SetSQL("insert into docs (id) values (2)");
  insert.Execute();
  other->Commit();
  Run("insert into docs (id) values (3)");
  std::string rest(value.size(), '\0');
  EXPECT_EQ(LOBField(*row, 0).Read(rest.data(), static_cast<int64_t>(rest.size())), 299000);
}

TEST_F(LobColumnsTest, ADataSetReadsEveryLobKindIntoItsCachedValues) {
  Run("insert into docs (id, c, n, b, f) values (1, '" + kMixedText +
      "', 'national', X'00FF', bfilename('DOCS', 'hello.txt'))");
  Run("insert into docs (id) values (2)");
  oracle::TOracleDataSet ds;
  ds.SetSession(session_.get());
  ds.SetSQL("select id, c, n, b, f from docs order by id");
  ds.Open();
  EXPECT_EQ(ds.FieldByName("c").DataType(), dataset::TFieldType::ftOraClob);
  EXPECT_EQ(ds.FieldByName("f").DataType(), dataset::TFieldType::ftOraBlob);
  EXPECT_EQ(ds.FieldByName("c").AsString(), kMixedText);
  EXPECT_EQ(ds.FieldByName("n").AsString(), "national");
  EXPECT_EQ(ds.FieldByName("b").AsString(), std::string("\x00\xFF", 2));
  EXPECT_EQ(ds.FieldByName("f").AsString(), "hello from a file");
  // The query itself gives BLOB and BFILE bytes as text too.
  auto select = NewQuery("select b, f from docs where id = 1");
  select->Execute();
  EXPECT_EQ(select->FieldAsString(0), std::string("\x00\xFF", 2));
  EXPECT_EQ(select->FieldAsString("F"), "hello from a file");
  ds.Next();
  EXPECT_TRUE(ds.FieldByName("c").IsNull());
  EXPECT_TRUE(ds.FieldByName("b").IsNull());
}

TEST_F(LobColumnsTest, AFileRenamedLoadedAndBufferedWritesFlushed) {
  Run("insert into docs (id, b, f) values (1, empty_blob(), bfilename('DOCS', 'missing.txt'))");
  auto select = NewQuery("select b, f from docs where id = 1 for update");
  select->Execute();
  TLOBLocator& blob = LOBField(*select, 0);
  TLOBLocator& file = LOBField(*select, 1);
  file.SetFileName("DOCS", "hello.txt");
  EXPECT_EQ(file.FileName(), "hello.txt");
  file.OpenFile();
  blob.LoadFromFile(file);
  file.CloseFile();
  EXPECT_FALSE(file.FileIsOpen());
  blob.EnableBuffering();
  blob.Seek(0, dataset::TSeekOrigin::soEnd);
  blob.Write("!", 1);
  blob.FlushBuffer();
  blob.DisableBuffering();
  blob.FlushBuffer();  // buffering is off: nothing to flush
  Run("commit");
  auto again = NewQuery("select b from docs where id = 1");
  again->Execute();
  EXPECT_EQ(again->FieldAsString(0), "hello from a file!");
}

TEST_F(LobColumnsTest, LocatorAndTemporaryCyclesLeaveNothingBehind) {
  Run("insert into docs (id, b) values (1, empty_blob())");
  for (int cycle = 0; cycle < 1000; ++cycle) {
    auto temporary = TLOBLocator::CreateTemporary(session_.get(), otype::BLOB, true);
    temporary->Write("x", 1);
    TLOBLocator plain(session_.get(), otype::CLOB);
    plain.Assign(*temporary);
  }
  {
    auto select = NewQuery("select b from docs");
    select->Execute();
    EXPECT_EQ(LOBField(*select, 0).Size(), 0);
  }
  EXPECT_EQ(Live("ociStandin_LiveLobLocators"), 0);
  EXPECT_EQ(Live("ociStandin_LiveTemporaryLobs"), 0);
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
