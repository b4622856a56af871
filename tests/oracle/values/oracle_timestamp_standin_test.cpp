// Timestamps on a session logged on to the stand-in client.

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <initializer_list>
#include <memory>
#include <set>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/values/field_data.h"
#include "oracle/values/oracle_timestamp.h"
#include "oracle/values/type_codes.h"
#include "oracle/values/variables.h"
#include "oracle_fixture/entry_point_swap.h"
#include "oracle_fixture/exception_text.h"
#include "oracle_fixture/query_fixture.h"

#ifdef STANDIN_ORACLE_HOME

namespace {

using oracle::EncodeDateTime;
using oracle::TDateTime;
using oracle::TOracleTimestamp;

class StandinTimestampTest : public oracle_query_test::StandinQueryTest {};

TEST_F(StandinTimestampTest, FractionsRoundToMillisecondsWithoutLeavingTheSecond) {
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP_TZ);
  EXPECT_TRUE(ts.IsNull());
  EXPECT_EQ(ts.Indicator(), -1);
  EXPECT_EQ(ts.Value(), 0.0);
  EXPECT_EQ(ts.AsText(), "");
  const struct {
    ub4 fraction;
    int second, millisecond;
  } rows[] = {{999'600'000, 59, 999}, {1'500'000, 59, 2}, {1'499'999, 59, 1}};
  for (const auto& row : rows) {
    ts.SetComponents(2023, 12, 31, 23, 59, 59, row.fraction);
    EXPECT_EQ(ts.Indicator(), 0);
    const oracle::TDateTimeParts p = oracle::DecodeDateTime(ts.Value());
    EXPECT_EQ((std::array{p.year, p.day, p.second, p.millisecond}),
              (std::array{2023, 31, row.second, row.millisecond}))
        << row.fraction;
  }
  int hours = 9, minutes = 9;
  ts.TimeZoneOffset(hours, minutes);
  EXPECT_EQ(hours * 60 + minutes, 0) << "the stand-in keeps local times";
  ts.Clear();
  EXPECT_TRUE(ts.IsNull());
  EXPECT_EQ(ts.Value(), 0.0);
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
  a.Clear();
  c.Assign(a);
  EXPECT_TRUE(c.IsNull());
  EXPECT_THROW(b.SetValue(1e9), oracle::EDateError);
}

TEST_F(StandinTimestampTest, ZeroIsNullOnlyWhileTheSessionSaysSo) {
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  ts.SetValue(0);
  EXPECT_TRUE(ts.IsNull());
  session_->Preferences().SetZeroDateIsNull(false);
  ts.SetValue(0);
  EXPECT_FALSE(ts.IsNull());
  EXPECT_EQ(oracle::DecodeDateTime(ts.Value()).year, 1899);
}

TEST_F(StandinTimestampTest, ClientErrorsRaiseWithTheTimestampAndItsSession) {
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  try {
    ts.SetComponents(2023, 2, 29, 0, 0, 0, 0);
    ADD_FAILURE() << "no error";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1858);
    EXPECT_EQ(e.Component(), &ts);
    EXPECT_EQ(e.Session(), session_.get());
  }
  try {
    ts.SetAsText("no time at all");
    ADD_FAILURE() << "no error";
  } catch (const oracle::EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1861);
  }
}

TEST_F(StandinTimestampTest, SessionMustBeConnected) {
  session_->LogOff();
  for (oracle::TSessionContext* session : {static_cast<oracle::TSessionContext*>(nullptr),
                                           static_cast<oracle::TSessionContext*>(session_.get())}) {
    EXPECT_EQ(
        oracle_test_support::ErrorOf([&] { TOracleTimestamp ts(session, OCI_DTYPE_TIMESTAMP); }),
        "Can only create TOracleTimestamp instance if Session is connected");
  }
}

TEST_F(StandinTimestampTest, TimestampVariableReadsItsObjectAndIsBoundFromIt) {
  Run("create table stamps (at timestamp)");
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  oracle::TVariableData v(":TS", oracle::otype::Timestamp);
  v.SetValue(0, oracle::Variant::Object(&ts), session_.get());
  EXPECT_TRUE(v.GetValue(0, session_.get()).IsEmpty()) << "the timestamp is still null";
  ts.SetComponents(2001, 2, 3, 4, 5, 6, 7'000'000);
  EXPECT_EQ(v.GetValue(0, session_.get()),
            oracle::Variant::Date(EncodeDateTime({2001, 2, 3, 4, 5, 6, 7})));
  EXPECT_EQ(v.DisplayText(session_.get()), "2001-02-03 04:05:06");

  auto insert = NewQuery("insert into stamps values (:at)");
  insert->DeclareVariable("at", oracle::otype::Timestamp);
  insert->SetVariable("at", oracle::Variant::Object(&ts));
  insert->Execute();
  auto query = NewQuery("select at from stamps");
  query->Execute();
  EXPECT_NEAR(query->FieldAsDate(0), EncodeDateTime({2001, 2, 3, 4, 5, 6, 7}), 1e-9);
}

TEST_F(StandinTimestampTest, TimestampColumnsHoldOneDescriptorPerRow) {
  oracle::TFieldData column(oracle::otype::TimestampLTZ, 4, 5);
  ASSERT_EQ(column.AllocateHandles(session_->Environment()), OCI_SUCCESS);
  ASSERT_EQ(column.AllocateHandles(session_->Environment()), OCI_SUCCESS) << "a second round";
  std::set<void*> distinct;
  for (int row = 0; row < 5; ++row) distinct.insert(column.Handles()[row]);
  EXPECT_EQ(distinct.size(), 5u);
  EXPECT_EQ(distinct.count(nullptr), 0u);
  oracle::TFieldData orphan(oracle::otype::Timestamp, 4, 2);
  EXPECT_EQ(orphan.AllocateHandles(nullptr), OCI_INVALID_HANDLE);
}

// Counts the client's timestamp descriptors alive.
struct TimestampDescriptors {
  using AllocSwap = oracle_test_support::EntryPointSwap<oracle::OCIDescriptorAlloc>;
  using FreeSwap = oracle_test_support::EntryPointSwap<oracle::OCIDescriptorFree>;
  static inline long alive = 0;
  static sword Alloc(const dvoid* parent, dvoid** descriptor, ub4 type, std::size_t extra,
                     dvoid** mem) {
    const sword status = AllocSwap::real(parent, descriptor, type, extra, mem);
    if (status == OCI_SUCCESS && type == OCI_DTYPE_TIMESTAMP) ++alive;
    return status;
  }
  static sword Free(dvoid* descriptor, ub4 type) {
    const sword status = FreeSwap::real(descriptor, type);
    if (status == OCI_SUCCESS && type == OCI_DTYPE_TIMESTAMP) --alive;
    return status;
  }
};

// A timestamp held across log-offs and log-ons: while logged off it reads
// as null and refuses what needs the client with "Not logged on"; once
// logged on it is set and bound as before, and each log-off frees its
// descriptor (one stays alive, not one per log-on).
TEST_F(StandinTimestampTest, AHeldTimestampLetsGoAtEachLogOffAndServesAfterEachLogOn) {
  Run("create table stamps (at timestamp)");
  TimestampDescriptors::alive = 0;
  TimestampDescriptors::AllocSwap alloc{&TimestampDescriptors::Alloc};
  TimestampDescriptors::FreeSwap free{&TimestampDescriptors::Free};
  TOracleTimestamp ts(session_.get(), OCI_DTYPE_TIMESTAMP);
  for (int round = 1; round <= 3; ++round) {
    SCOPED_TRACE(round);
    const TDateTime when = EncodeDateTime({2020 + round, 1, 2, 3, 4, 5, 600});
    ts.SetValue(when);
    EXPECT_EQ(TimestampDescriptors::alive, 1);
    session_->LogOff();
    EXPECT_EQ(TimestampDescriptors::alive, 0) << "freed with the session's environment";
    EXPECT_TRUE(ts.IsNull());
    EXPECT_EQ(ts.Indicator(), -1);
    EXPECT_EQ(ts.Value(), 0.0);
    EXPECT_EQ(ts.AsText(), "");
    for (const auto& use : std::initializer_list<std::function<void()>>{
             [&] { ts.SetValue(when); }, [&] { ts.SetAsText("2020-01-01 00:00:00"); },
             [&] { ts.SetComponents(2020, 1, 1, 0, 0, 0, 0); }, [&] { (void)ts.Descriptor(); }}) {
      EXPECT_EQ(oracle_test_support::ErrorOf(use), "Not logged on");
    }
    session_->LogOn();
    EXPECT_TRUE(ts.IsNull()) << "the value went with the log-off";
    ts.SetValue(when);
    EXPECT_NEAR(ts.Value(), when, 1e-9);
    auto insert = NewQuery("insert into stamps values (:at)");
    insert->DeclareVariable("at", oracle::otype::Timestamp);
    insert->SetComplexVariable("at", &ts);
    insert->Execute();
    auto read = NewQuery("select count(*) from stamps where at = :at");
    read->DeclareVariable("at", oracle::otype::Timestamp);
    read->SetComplexVariable("at", &ts);
    read->Execute();
    EXPECT_EQ(read->FieldAsInteger(0), 1);
  }
}

// A timestamp whose session was destroyed: it reads as null, refuses to be
// set or bound on another session with "Not logged on", and goes safely.
TEST_F(StandinTimestampTest, ATimestampOfADestroyedSessionRefusesCleanly) {
  Run("create table stamps (at timestamp)");
  auto other = oracle_test_support::StandinDatabaseTest::NewSession();
  auto ts = std::make_unique<TOracleTimestamp>(other.get(), OCI_DTYPE_TIMESTAMP);
  ts->SetValue(EncodeDateTime({2024, 1, 2, 3, 4, 5, 0}));
  other.reset();
  EXPECT_EQ(ts->Session(), nullptr);
  EXPECT_TRUE(ts->IsNull());
  EXPECT_EQ(oracle_test_support::ErrorOf([&] { ts->SetValue(1.5); }), "Not logged on");
  auto insert = NewQuery("insert into stamps values (:at)");
  insert->DeclareVariable("at", oracle::otype::Timestamp);
  insert->SetComplexVariable("at", ts.get());
  EXPECT_EQ(oracle_test_support::ErrorOf([&] { insert->Execute(); }), "Not logged on");
  ts.reset();
  auto count = NewQuery("select count(*) from stamps");
  count->Execute();
  EXPECT_EQ(count->FieldAsInteger(0), 0) << "the session works on";
}

}  // namespace

#endif  // STANDIN_ORACLE_HOME
