// Timestamps on a session logged on to the stand-in client.

#include <gtest/gtest.h>

#include "oracle/query/query_fixture.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/type_codes.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::EncodeDateTime;
using oracle::TDateTime;
using oracle::TOracleTimestamp;

class StandinTimestampTest : public oracle_query_test::StandinQueryTest {};

TEST_F(StandinTimestampTest, FractionOf999Point6MillisecondsReadsAs999) {
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  EXPECT_TRUE(ts.IsNull());
  ts.SetComponents(2023, 12, 31, 23, 59, 59, 999'600'000);
  const oracle::TDateTimeParts p = oracle::DecodeDateTime(ts.Value());
  EXPECT_EQ(p.year, 2023);
  EXPECT_EQ(p.day, 31);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(p.millisecond, 999);
}

TEST_F(StandinTimestampTest, ValuesTextAndCopiesGoThroughTheClient) {
  TOracleTimestamp a(session_.get(), OCI_DTYPE_TIMESTAMP);
  const TDateTime when = EncodeDateTime({2024, 7, 9, 13, 45, 30, 250});
  a.SetValue(when);
  EXPECT_NEAR(a.Value(), when, 1e-9);
  const std::string text = a.AsText();
  EXPECT_FALSE(text.empty());

  TOracleTimestamp b(session_.get(), OCI_DTYPE_TIMESTAMP);
  b.SetAsText(text);
  EXPECT_NEAR(b.Value(), when, 1e-9);
  TOracleTimestamp c(session_.get(), OCI_DTYPE_TIMESTAMP);
  c.Assign(a);
  EXPECT_NEAR(c.Value(), when, 1e-9);
  EXPECT_THROW(b.SetAsText("no time at all"), oracle::EOracleError);
}

TEST_F(StandinTimestampTest, SessionMustBeConnected) {
  session_->LogOff();
  try {
    TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
    FAIL() << "created on a disconnected session";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Can only create TOracleTimestamp instance if Session is connected");
  }
}

TEST_F(StandinTimestampTest, TimestampVariableBoundFromItsObject) {
  Run("create table stamps (at timestamp)");
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  ts.SetComponents(2001, 2, 3, 4, 5, 6, 7'000'000);
  auto insert = NewQuery("insert into stamps values (:at)");
  insert->DeclareVariable("at", oracle::otype::Timestamp);
  insert->SetVariable("at", oracle::Variant::Object(&ts));
  insert->Execute();
  auto query = NewQuery("select at from stamps");
  query->Execute();
  EXPECT_NEAR(query->FieldAsDate(0), EncodeDateTime({2001, 2, 3, 4, 5, 6, 7}), 1e-9);
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
