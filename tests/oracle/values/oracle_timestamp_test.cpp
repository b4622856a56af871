#include "oracle/values/oracle_timestamp.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <set>

#include "fake_session.h"
#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/values/field_data.h"
#include "oracle/values/type_codes.h"
#include "oracle/values/variables.h"

namespace oracle {
namespace {

using testing::FakeSession;

// A client double for the date-time descriptor calls: descriptors hold their
// components, error handles the last error, and a test can make the next
// call answer a chosen status.
struct FakeDateTime {
  uint32_t type;
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  sb1 zoneHours = 0, zoneMinutes = 0;
};
struct FakeErrorHandle {
  sb4 code = 0;
  std::string text;
};

std::set<void*> g_live;  // handles and descriptors not yet freed
sword g_nextStatus = OCI_SUCCESS;
OCIEnv* const kEnv = reinterpret_cast<OCIEnv*>(&g_live);

// Answers the status a test asked for once: a failing one instead of doing
// the work (OCI_ERROR leaves an error record on the error handle), any other
// after it.
bool Injected(OCIError* err, sword& status) {
  status = g_nextStatus;
  g_nextStatus = OCI_SUCCESS;
  if (status == OCI_ERROR && err != nullptr) {
    auto* e = reinterpret_cast<FakeErrorHandle*>(err);
    e->code = 1878;
    e->text = "ORA-01878: specified field not found in datetime or interval\n";
  }
  return status < 0;
}

FakeDateTime& Dt(const OCIDateTime* d) {
  return *reinterpret_cast<FakeDateTime*>(const_cast<OCIDateTime*>(d));
}

sword FakeHandleAlloc(const dvoid* parent, dvoid** handle, ub4 type, std::size_t, dvoid**) {
  if (parent != kEnv || type != OCI_HTYPE_ERROR) return OCI_INVALID_HANDLE;
  *handle = new FakeErrorHandle;
  g_live.insert(*handle);
  return OCI_SUCCESS;
}
sword FakeHandleFree(dvoid* handle, ub4 type) {
  if (type != OCI_HTYPE_ERROR || g_live.erase(handle) == 0) return OCI_INVALID_HANDLE;
  delete static_cast<FakeErrorHandle*>(handle);
  return OCI_SUCCESS;
}
sword FakeDescriptorAlloc(const dvoid* parent, dvoid** desc, ub4 type, std::size_t, dvoid**) {
  if (parent != kEnv || type < OCI_DTYPE_TIMESTAMP || type > OCI_DTYPE_TIMESTAMP_LTZ) {
    return OCI_INVALID_HANDLE;
  }
  *desc = new FakeDateTime{type};
  g_live.insert(*desc);
  return OCI_SUCCESS;
}
sword FakeDescriptorFree(dvoid* desc, ub4 type) {
  if (g_live.erase(desc) == 0) return OCI_INVALID_HANDLE;
  auto* dt = static_cast<FakeDateTime*>(desc);
  EXPECT_EQ(dt->type, type);
  delete dt;
  return OCI_SUCCESS;
}
sword FakeErrorGet(dvoid* handle, ub4 record, text*, sb4* code, text* buf, ub4 size, ub4 type) {
  if (record != 1 || type != OCI_HTYPE_ERROR || g_live.count(handle) == 0) {
    return OCI_INVALID_HANDLE;
  }
  const auto* e = static_cast<FakeErrorHandle*>(handle);
  *code = e->code;
  std::snprintf(reinterpret_cast<char*>(buf), size, "%s", e->text.c_str());
  return OCI_SUCCESS;
}
sword FakeConstruct(dvoid*, OCIError* err, OCIDateTime* d, sb2 y, ub1 mo, ub1 dy, ub1 h, ub1 mi,
                    ub1 s, ub4 fsec, text* zone, std::size_t zoneLength) {
  sword status;
  if (Injected(err, status)) return status;
  FakeDateTime& dt = Dt(d);
  dt.year = y;
  dt.month = mo;
  dt.day = dy;
  dt.hour = h;
  dt.minute = mi;
  dt.second = s;
  dt.fraction = fsec;
  int zh = 0, zm = 0;
  if (zone != nullptr) {
    std::sscanf(std::string(reinterpret_cast<char*>(zone), zoneLength).c_str(), "%d:%d", &zh, &zm);
  }
  dt.zoneHours = static_cast<sb1>(zh);
  dt.zoneMinutes = static_cast<sb1>(zh < 0 ? -zm : zm);
  return status;
}
sword FakeGetDate(dvoid*, OCIError* err, const OCIDateTime* d, sb2* y, ub1* mo, ub1* dy) {
  sword status;
  if (Injected(err, status)) return status;
  *y = Dt(d).year;
  *mo = Dt(d).month;
  *dy = Dt(d).day;
  return status;
}
sword FakeGetTime(dvoid*, OCIError* err, OCIDateTime* d, ub1* h, ub1* mi, ub1* s, ub4* fsec) {
  sword status;
  if (Injected(err, status)) return status;
  *h = Dt(d).hour;
  *mi = Dt(d).minute;
  *s = Dt(d).second;
  *fsec = Dt(d).fraction;
  return status;
}
sword FakeToText(dvoid*, OCIError* err, const OCIDateTime* d, const text*, ub1, ub1 digits,
                 const text*, std::size_t, ub4* size, text* buf) {
  sword status;
  if (Injected(err, status)) return status;
  const FakeDateTime& dt = Dt(d);
  char out[64];
  const int n =
      std::snprintf(out, sizeof out, "%04d-%02d-%02d %02d:%02d:%02d.%0*u", dt.year, dt.month,
                    dt.day, dt.hour, dt.minute, dt.second, digits, dt.fraction / 1000);
  if (static_cast<ub4>(n) > *size) return OCI_ERROR;
  std::memcpy(buf, out, static_cast<std::size_t>(n));
  *size = static_cast<ub4>(n);
  return status;
}
sword FakeFromText(dvoid*, OCIError* err, const text* str, std::size_t length, const text*, ub1,
                   const text*, std::size_t, const text*, std::size_t, OCIDateTime* d) {
  sword status;
  if (Injected(err, status)) return status;
  int y, mo, dy, h, mi, s;
  unsigned micros;
  const std::string in(reinterpret_cast<const char*>(str), length);
  if (std::sscanf(in.c_str(), "%d-%d-%d %d:%d:%d.%u", &y, &mo, &dy, &h, &mi, &s, &micros) != 7) {
    reinterpret_cast<FakeErrorHandle*>(err)->code = 1841;
    reinterpret_cast<FakeErrorHandle*>(err)->text = "ORA-01841: bad year\n";
    return OCI_ERROR;
  }
  return FakeConstruct(nullptr, err, d, static_cast<sb2>(y), static_cast<ub1>(mo),
                       static_cast<ub1>(dy), static_cast<ub1>(h), static_cast<ub1>(mi),
                       static_cast<ub1>(s), micros * 1000, nullptr, 0);
}
sword FakeAssign(dvoid*, OCIError* err, const OCIDateTime* from, OCIDateTime* to) {
  sword status;
  if (Injected(err, status)) return status;
  const uint32_t type = Dt(to).type;
  Dt(to) = Dt(from);
  Dt(to).type = type;
  return status;
}
sword FakeZoneOffset(dvoid*, OCIError* err, const OCIDateTime* d, sb1* h, sb1* m) {
  sword status;
  if (Injected(err, status)) return status;
  *h = Dt(d).zoneHours;
  *m = Dt(d).zoneMinutes;
  return status;
}

class TimestampTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The warning list is read from a registry of this test's own.
    registry_ = std::filesystem::temp_directory_path() /
                ("oracle_timestamp_registry_" + std::to_string(::getpid()));
    ::setenv("NORVANE_REGISTRY_FILE", registry_.c_str(), 1);
    OCIHandleAlloc = FakeHandleAlloc;
    OCIHandleFree = FakeHandleFree;
    OCIDescriptorAlloc = FakeDescriptorAlloc;
    OCIDescriptorFree = FakeDescriptorFree;
    OCIErrorGet = FakeErrorGet;
    OCIDateTimeConstruct = FakeConstruct;
    OCIDateTimeGetDate = FakeGetDate;
    OCIDateTimeGetTime = FakeGetTime;
    OCIDateTimeToText = FakeToText;
    OCIDateTimeFromText = FakeFromText;
    OCIDateTimeAssign = FakeAssign;
    OCIDateTimeGetTimeZoneOffset = FakeZoneOffset;
    OCI81Available = true;
    session.env = kEnv;
    g_nextStatus = OCI_SUCCESS;
  }
  void TearDown() override {
    OCIHandleAlloc = nullptr;
    OCIHandleFree = nullptr;
    OCIDescriptorAlloc = nullptr;
    OCIDescriptorFree = nullptr;
    OCIErrorGet = nullptr;
    OCIDateTimeConstruct = nullptr;
    OCIDateTimeGetDate = nullptr;
    OCIDateTimeGetTime = nullptr;
    OCIDateTimeToText = nullptr;
    OCIDateTimeFromText = nullptr;
    OCIDateTimeAssign = nullptr;
    OCIDateTimeGetTimeZoneOffset = nullptr;
    OCI81Available = false;
    ::unsetenv("NORVANE_REGISTRY_FILE");
    std::error_code ec;
    std::filesystem::remove(registry_, ec);
  }
  std::string CreateError(TSessionContext* s) {
    try {
      TOracleTimestamp ts(s, OCI_DTYPE_TIMESTAMP);
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return "(no error)";
  }

  FakeSession session;
  std::filesystem::path registry_;
};

TEST_F(TimestampTest, NeedsAConnectedSession) {
  session.connected = false;
  EXPECT_EQ(CreateError(&session),
            "Can only create TOracleTimestamp instance if Session is connected");
  EXPECT_EQ(CreateError(nullptr),
            "Can only create TOracleTimestamp instance if Session is connected");
  EXPECT_TRUE(g_live.empty());
}

TEST_F(TimestampTest, OwnsItsDescriptorAndErrorHandle) {
  {
    TOracleTimestamp ts(&session, OCI_DTYPE_TIMESTAMP_TZ);
    EXPECT_EQ(g_live.size(), 2u);
    EXPECT_EQ(Dt(ts.Descriptor()).type, OCI_DTYPE_TIMESTAMP_TZ);
    EXPECT_TRUE(ts.IsNull());
    EXPECT_EQ(ts.Indicator(), -1);
    EXPECT_EQ(ts.Value(), 0.0);
    EXPECT_EQ(ts.AsText(), "");
  }
  EXPECT_TRUE(g_live.empty());
}

TEST_F(TimestampTest, FractionsRoundToMillisecondsWithoutLeavingTheSecond) {
  TOracleTimestamp ts(&session, OCI_DTYPE_TIMESTAMP);
  ts.SetComponents(2021, 6, 30, 23, 59, 59, 999'600'000);
  EXPECT_FALSE(ts.IsNull());
  EXPECT_EQ(ts.Indicator(), 0);
  const TDateTimeParts p = DecodeDateTime(ts.Value());
  EXPECT_EQ(p.day, 30);
  EXPECT_EQ(p.second, 59);
  EXPECT_EQ(p.millisecond, 999);
  ts.SetComponents(2021, 6, 30, 1, 2, 3, 1'500'000);
  EXPECT_EQ(DecodeDateTime(ts.Value()).millisecond, 2);
  ts.SetComponents(2021, 6, 30, 1, 2, 3, 1'499'999);
  EXPECT_EQ(DecodeDateTime(ts.Value()).millisecond, 1);
  ts.Clear();
  EXPECT_TRUE(ts.IsNull());
  EXPECT_EQ(ts.Value(), 0.0);
}

TEST_F(TimestampTest, ValuesRoundTripAndZeroFollowsTheSessionPreference) {
  TOracleTimestamp ts(&session, OCI_DTYPE_TIMESTAMP);
  const TDateTime when = EncodeDateTime({1969, 7, 20, 20, 17, 40, 125});
  ts.SetValue(when);
  EXPECT_EQ(Dt(ts.Descriptor()).fraction, 125'000'000u);
  EXPECT_DOUBLE_EQ(ts.Value(), when);
  ts.SetValue(0);
  EXPECT_TRUE(ts.IsNull());
  session.zeroDateIsNull = false;
  ts.SetValue(0);
  EXPECT_FALSE(ts.IsNull());
  EXPECT_EQ(Dt(ts.Descriptor()).year, 1899);
  EXPECT_THROW(ts.SetValue(1e9), EDateError);
}

TEST_F(TimestampTest, TextAssignmentAndTimeZone) {
  TOracleTimestamp a(&session, OCI_DTYPE_TIMESTAMP_TZ);
  a.SetAsText("2000-01-02 03:04:05.678901");
  EXPECT_FALSE(a.IsNull());
  EXPECT_EQ(a.AsText(), "2000-01-02 03:04:05.678901");
  a.SetComponents(2000, 1, 2, 3, 4, 5, 0, "+02:30");
  int hours = 0, minutes = 0;
  a.TimeZoneOffset(hours, minutes);
  EXPECT_EQ(hours, 2);
  EXPECT_EQ(minutes, 30);

  TOracleTimestamp b(&session, OCI_DTYPE_TIMESTAMP_TZ);
  b.Assign(a);
  EXPECT_DOUBLE_EQ(b.Value(), a.Value());
  a.Clear();
  b.Assign(a);
  EXPECT_TRUE(b.IsNull());
}

TEST_F(TimestampTest, InvalidHandleAndOracleErrors) {
  TOracleTimestamp ts(&session, OCI_DTYPE_TIMESTAMP);
  ts.SetComponents(2020, 2, 2, 2, 2, 2, 0);
  g_nextStatus = OCI_INVALID_HANDLE;
  try {
    ts.Value();
    ADD_FAILURE() << "no error";
  } catch (const EOracleError&) {
    ADD_FAILURE() << "an invalid handle is no Oracle error";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "TOracleTimestamp: Invalid handle");
  }
  g_nextStatus = OCI_ERROR;
  try {
    ts.SetComponents(2020, 2, 2, 2, 2, 2, 0, "nowhere");
    ADD_FAILURE() << "no error";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1878);
    EXPECT_EQ(e.Message(), "ORA-01878: specified field not found in datetime or interval\n");
    EXPECT_EQ(e.Component(), &ts);
    EXPECT_EQ(e.Session(), &session);
  }
  try {
    ts.SetAsText("not a timestamp");
    ADD_FAILURE() << "no error";
  } catch (const EOracleError& e) {
    EXPECT_EQ(e.ErrorCode(), 1841);
  }
  g_nextStatus = OCI_SUCCESS_WITH_INFO;  // passes
  EXPECT_NO_THROW(ts.Value());
}

TEST_F(TimestampTest, TimestampVariablesReadTheirObject) {
  TOracleTimestamp ts(&session, OCI_DTYPE_TIMESTAMP);
  TVariableData v(":TS", otype::Timestamp);
  v.SetValue(0, Variant::Object(&ts), &session);
  EXPECT_TRUE(v.GetValue(0, &session).IsEmpty());  // the timestamp is still null
  ts.SetComponents(2022, 2, 22, 22, 22, 22, 220'000'000);
  EXPECT_EQ(v.GetValue(0, &session), Variant::Date(EncodeDateTime({2022, 2, 22, 22, 22, 22, 220})));
  EXPECT_EQ(v.DisplayText(&session), "2022-02-22 22:22:22");
}

TEST_F(TimestampTest, TimestampColumnsOwnOneDescriptorPerRow) {
  {
    TFieldData column(otype::TimestampLTZ, 4, 5);
    ASSERT_EQ(column.AllocateHandles(kEnv), OCI_SUCCESS);
    EXPECT_EQ(g_live.size(), 5u);
    for (int row = 0; row < 5; ++row) {
      EXPECT_EQ(Dt(static_cast<OCIDateTime*>(column.Handles()[row])).type, OCI_DTYPE_TIMESTAMP_LTZ);
    }
    ASSERT_EQ(column.AllocateHandles(kEnv), OCI_SUCCESS);  // a second round replaces the first
    EXPECT_EQ(g_live.size(), 5u);
  }
  EXPECT_TRUE(g_live.empty());
  TFieldData orphan(otype::Timestamp, 4, 2);
  EXPECT_EQ(orphan.AllocateHandles(nullptr), OCI_INVALID_HANDLE);
}

}  // namespace
}  // namespace oracle
