// Fetching in blocks of ReadBuffer rows: round trips counted at the client
// calls, Eof, AfterQuery, and reuse of a parsed statement.
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <utility>

#include "oracle/client/oracle_warnings.h"
#include "oracle/values/type_codes.h"
#include "oracle_fixture/query_fixture.h"
#include "platform/registry/registry.h"

#ifdef STANDIN_ORACLE_HOME

namespace oracle_query_test {
namespace {

TEST_F(StandinQueryTest, SixtyRowsInThreeFetchCallsOfTheDefaultBlock) {
  CreateNumbers(60);
  auto query = NewQuery("select n, label from numbers order by n");
  int afterQuery = 0;
  query->AfterQuery = [&](oracle::TOracleQuery&) { ++afterQuery; };
  query->Execute();
  EXPECT_FALSE(query->Eof());
  EXPECT_EQ(RoundTrips::fetches, 1);
  const std::vector<std::string> rows = FirstColumn(*query);
  ASSERT_EQ(rows.size(), 60u);
  EXPECT_EQ(rows.front(), "1");
  EXPECT_EQ(rows.back(), "60");
  // 25 + 25 + 10: the short third block ends the rows without a fourth call.
  EXPECT_EQ(RoundTrips::fetches, 3);
  EXPECT_EQ(RoundTrips::executes, 1);
  EXPECT_EQ(afterQuery, 1);
  EXPECT_EQ(query->RowsProcessed(), 60);
  EXPECT_EQ(query->ErrorCode(), 1403);
}

TEST_F(StandinQueryTest, CursorVariableFetchesItsRowsInTheSameBlocks) {
  CreateNumbers(60);
  auto cursor = NewQuery();
  auto open = NewQuery("begin open :c for select n, label from numbers order by n; end;");
  open->DeclareVariable("c", oracle::otype::Cursor);
  EXPECT_THROW(open->Execute(), std::runtime_error);  // "Cursor variable :C cannot be nil"
  open->DeclareVariable("n", oracle::otype::Integer);
  EXPECT_THROW(open->SetComplexVariable("n", cursor.get()), std::runtime_error);
  open->DeleteVariable("n");
  open->SetComplexVariable("c", cursor.get());
  EXPECT_EQ(open->GetComplexVariable("c"), cursor.get());
  for (int run = 0; run < 2; ++run) {  // opening again gives the rows again
    SCOPED_TRACE(run);
    RoundTrips::Reset();
    open->Execute();
    cursor->Execute();
    EXPECT_EQ(RoundTrips::executes, 1) << "the cursor is not executed again";
    ASSERT_EQ(cursor->FieldCount(), 2);
    EXPECT_EQ(cursor->FieldName(1), "LABEL");
    const std::vector<std::string> rows = FirstColumn(*cursor);
    ASSERT_EQ(rows.size(), 60u);
    EXPECT_EQ(rows.front(), "1");
    EXPECT_EQ(rows.back(), "60");
    EXPECT_EQ(RoundTrips::fetches, 3);  // 25 + 25 + 10
  }
}

// Statement handles made and freed through the client while installed.
struct StatementHandles {
  static inline int made = 0;
  static inline int freed = 0;
  static inline PFN_OCIHandleAlloc realAlloc = nullptr;
  static inline PFN_OCIHandleFree realFree = nullptr;
  static sword Alloc(const dvoid* parent, dvoid** handle, ub4 type, size_t extra, dvoid** mem) {
    const sword status = realAlloc(parent, handle, type, extra, mem);
    if (type == OCI_HTYPE_STMT && status == OCI_SUCCESS) ++made;
    return status;
  }
  static sword Free(dvoid* handle, ub4 type) {
    if (type == OCI_HTYPE_STMT) ++freed;
    return realFree(handle, type);
  }
  StatementHandles() {
    made = freed = 0;
    realAlloc = std::exchange(oracle::OCIHandleAlloc, &Alloc);
    realFree = std::exchange(oracle::OCIHandleFree, &Free);
  }
  ~StatementHandles() {
    oracle::OCIHandleAlloc = realAlloc;
    oracle::OCIHandleFree = realFree;
  }
};

TEST_F(StandinQueryTest, CursorColumnsReadNullAndLeaveNoHandleBehind) {
  CreateNumbers(3);
  {
    StatementHandles handles;
    {
      auto query = NewQuery(
          "select n, cursor(select label from numbers where n < 3) as labels from numbers "
          "order by n");
      ClearJournal();
      query->Execute();
      ASSERT_EQ(query->FieldCount(), 2);
      EXPECT_EQ(query->FieldType(1), oracle::otype::Cursor);
      int rows = 0;
      for (; !query->Eof(); query->Next(), ++rows) {
        EXPECT_TRUE(query->Field(1).IsEmptyOrNull());
        EXPECT_EQ(query->FieldAsInteger(0), rows + 1);
      }
      EXPECT_EQ(rows, 3);
      // Each row's cursor was opened with its select.
      const std::vector<std::string> sql = JournalSql();
      EXPECT_EQ(std::count(sql.begin(), sql.end(), "select label from numbers where n < 3"), 3);
    }
    EXPECT_GT(StatementHandles::made, 25);  // the statement and a handle per buffered row
    EXPECT_EQ(StatementHandles::freed, StatementHandles::made);
  }
  // A cursor naming the outer query's columns does not run.
  auto correlated =
      NewQuery("select n, cursor(select label from numbers m where m.n = numbers.n) from numbers");
  try {
    correlated->Execute();
    FAIL() << "a correlated cursor ran";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 3001);
  }
}

TEST_F(StandinQueryTest, ReadBufferSetsTheBlockSize) {
  CreateNumbers(60);
  auto query = NewQuery("select n from numbers");
  query->SetReadBuffer(7);
  query->Execute();
  EXPECT_EQ(FirstColumn(*query).size(), 60u);
  EXPECT_EQ(RoundTrips::fetches, 9);  // 8 full blocks of 7, then 4 rows

  RoundTrips::Reset();
  query->SetReadBuffer(100);
  query->Execute();
  EXPECT_EQ(FirstColumn(*query).size(), 60u);
  EXPECT_EQ(RoundTrips::fetches, 1);
}

TEST_F(StandinQueryTest, AScrollableSelectAsksForTheModeAndStaysOpenAtItsEnd) {
  CreateNumbers(3);
  for (const bool scrollable : {false, true}) {
    SCOPED_TRACE(scrollable);
    RoundTrips::Reset();
    auto query = NewQuery("select n from numbers");
    query->SetScrollable(scrollable);
    query->Execute();
    EXPECT_EQ(FirstColumn(*query).size(), 3u);
    ASSERT_EQ(RoundTrips::executeModes.size(), 1u);
    EXPECT_EQ((RoundTrips::executeModes[0] & OCI_STMT_SCROLLABLE_READONLY) != 0, scrollable);
    // Closed at the end (statements are parsed at every run here) unless
    // scrollable.
    EXPECT_EQ(query->ParsedText().empty(), !scrollable);
  }
}

TEST_F(StandinQueryTest, ExactlyReadBufferRowsNeedsOneMoreRoundTripToSeeTheEnd) {
  CreateNumbers(25);
  auto query = NewQuery("select n from numbers");
  int afterQuery = 0;
  query->AfterQuery = [&](oracle::TOracleQuery&) { ++afterQuery; };
  query->Execute();
  for (int i = 1; i < 25; ++i) query->Next();
  EXPECT_FALSE(query->Eof());
  EXPECT_EQ(query->FieldAsInteger(0), 25);
  EXPECT_EQ(RoundTrips::fetches, 1);
  EXPECT_EQ(afterQuery, 0);
  query->Next();  // the block was full: ask again, get nothing
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(RoundTrips::fetches, 2);
  EXPECT_EQ(afterQuery, 1);
  query->Next();  // nothing more happens at Eof
  EXPECT_EQ(RoundTrips::fetches, 2);

  // One row fewer than the block: the end is known without asking.
  RoundTrips::Reset();
  query->SetReadBuffer(26);
  query->Execute();
  for (int i = 0; i < 25; ++i) query->Next();
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(RoundTrips::fetches, 1);
}

TEST_F(StandinQueryTest, NoRowsIsEofRightAfterExecuteWithAfterQueryOnce) {
  auto query = NewQuery("select cust_sid from customer where cust_sid = -1");
  int before = 0, after = 0;
  query->BeforeQuery = [&](oracle::TOracleQuery& q) {
    ++before;
    EXPECT_EQ(&q, query.get());
  };
  query->AfterQuery = [&](oracle::TOracleQuery&) { ++after; };
  query->Execute();
  EXPECT_TRUE(query->Eof());
  EXPECT_EQ(before, 1);
  EXPECT_EQ(after, 1);
  query->Next();
  EXPECT_EQ(after, 1);
  EXPECT_EQ(query->FieldCount(), 1);  // described all the same
  EXPECT_EQ(query->FieldName(0), "CUST_SID");
}

TEST_F(StandinQueryTest, ReexecutingWithANewBindValueReusesTheParse) {
  oracle::AlwaysParseStatements = false;
  auto query = NewQuery("select first_name from customer where cust_sid = :sid");
  query->DeclareAndSet("sid", 3, oracle::Variant::Integer(9001));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Ann");
  query->SetVariable("sid", oracle::Variant::Integer(9002));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Bob");
  EXPECT_EQ(RoundTrips::prepares, 1);
  // The select list was known, so the second execute brought the first block.
  ASSERT_EQ(RoundTrips::executeIterations.size(), 2u);
  EXPECT_EQ(RoundTrips::executeIterations[0], 0u);
  EXPECT_EQ(RoundTrips::executeIterations[1], 25u);
  EXPECT_EQ(RoundTrips::fetches, 1);

  // A declaration makes the next run parse again.
  query->DeclareAndSet("sid", 3, oracle::Variant::Integer(9003));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Cy");
  EXPECT_EQ(RoundTrips::prepares, 2);
}

TEST_F(StandinQueryTest, WhileStatementsAlwaysParseEveryRunParses) {
  auto query = NewQuery("select first_name from customer where cust_sid = :sid");
  query->DeclareAndSet("sid", 3, oracle::Variant::Integer(9001));
  query->Execute();
  query->SetVariable("sid", oracle::Variant::Integer(9002));
  query->Execute();
  EXPECT_EQ(query->FieldAsString(0), "Bob");
  EXPECT_EQ(RoundTrips::prepares, 2);
}

TEST_F(StandinQueryTest, ATruncatedColumnRaisesInsteadOfComingBackShort) {
  // The table says 30 characters; the stored value is longer (written past
  // the client, as data loaded before the column was narrowed would be: the
  // client itself refuses such a write).
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((root_ / "host.sqlite").c_str(), &db), SQLITE_OK);
  const std::string update =
      "update subsidiary set sbs_name = '" + std::string(40, 'x') + "' where sbs_no = 2";
  EXPECT_EQ(sqlite3_exec(db, update.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);
  auto query = NewQuery("select sbs_no, sbs_name from subsidiary order by sbs_no");
  // It takes the one road of Oracle errors: the error hook sees it, and a
  // number listed as a warning raises a warning.
  std::vector<int32_t> seen;
  oracle::OnOracleError = [&](oracle::EOracleError& e) { seen.push_back(e.ErrorCode()); };
  platform::registry::WriteString(platform::registry::Root::CurrentUser,
                                  "SOFTWARE\\Pellworth\\KEL\\Warnings", "1", "1406");
  oracle::LoadWarningList();
  try {
    query->Execute();
    FAIL() << "a truncated value came back without an error";
  } catch (const oracle::EOracleWarning& e) {
    EXPECT_EQ(e.ErrorCode(), 1406);
    EXPECT_NE(std::string(e.what()).find("ORA-01406"), std::string::npos);
    EXPECT_NE(std::string(e.what()).find("SBS_NAME"), std::string::npos);
  }
  std::filesystem::remove(root_ / "registry");
  oracle::LoadWarningList();
  EXPECT_EQ(seen, std::vector<int32_t>{1406});
  EXPECT_EQ(query->ErrorCode(), 1406);
  // Values that fit are read as ever.
  auto fits = NewQuery("select sbs_name from subsidiary where sbs_no = 1");
  fits->Execute();
  EXPECT_EQ(fits->FieldAsString(0), "Main Store");
}

TEST_F(StandinQueryTest, AFailedFetchRaisesWithTheServerError) {
  CreateNumbers(30);
  auto query = NewQuery("select n from numbers");
  query->Execute();
  FailNextCall(3113);
  for (int i = 1; i < 25; ++i) query->Next();
  try {
    query->Next();
    FAIL() << "the failed fetch was not reported";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 3113);
  }
  EXPECT_EQ(query->ErrorCode(), 3113);
}

}  // namespace
}  // namespace oracle_query_test

#endif  // STANDIN_ORACLE_HOME
