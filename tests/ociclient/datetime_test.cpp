// Date-time descriptors: construct, read back, text both ways, and TIMESTAMP
// values through binds and defines.
#include <cstring>

#include "oci_test_support.h"

using namespace ocitest;

namespace {

class DateTimes : public PluginAccountTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&ts),
                                                    OCI_DTYPE_TIMESTAMP, 0, nullptr));
    ASSERT_EQ(OCI_SUCCESS, api().OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&other),
                                                    OCI_DTYPE_TIMESTAMP, 0, nullptr));
  }
  std::string toText(OCIDateTime* value, const char* fmt, ub1 precision) {
    text buf[64];
    ub4 size = sizeof buf;
    EXPECT_EQ(OCI_SUCCESS,
              api().OCIDateTimeToText(s.env, s.err, value, reinterpret_cast<const text*>(fmt),
                                      static_cast<ub1>(fmt != nullptr ? std::strlen(fmt) : 0),
                                      precision, nullptr, 0, &size, buf));
    return std::string(reinterpret_cast<char*>(buf), size);
  }
  OCIDateTime* ts = nullptr;
  OCIDateTime* other = nullptr;
};

TEST_F(DateTimes, ConstructReadBackAndText) {
  const Api& a = api();
  ASSERT_EQ(OCI_SUCCESS, a.OCIDateTimeConstruct(s.env, s.err, ts, 2024, 2, 29, 23, 59, 58,
                                                999600000, nullptr, 0));
  ASSERT_EQ(OCI_SUCCESS, a.OCIDateTimeAssign(s.env, s.err, ts, other));
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  a.OCIDateTimeGetDate(s.env, s.err, other, &year, &month, &day);
  a.OCIDateTimeGetTime(s.env, s.err, other, &hour, &minute, &second, &fraction);
  EXPECT_EQ(2024, year);
  EXPECT_EQ(2, month);
  EXPECT_EQ(29, day);
  EXPECT_EQ(23, hour);
  EXPECT_EQ(59, minute);
  EXPECT_EQ(58, second);
  EXPECT_EQ(999600000u, fraction);
  EXPECT_EQ("2024-02-29 23:59:58.999", toText(ts, "YYYY-MM-DD HH24:MI:SS.FF3", 0));
  EXPECT_EQ("29-FEB-24 11.59.58.999600 PM", toText(ts, nullptr, 6));

  const char* input = "01.07.2023 08:05:09.25";
  const char* model = "DD.MM.YYYY HH24:MI:SS.FF";
  ASSERT_EQ(OCI_SUCCESS, a.OCIDateTimeFromText(
                             s.env, s.err, reinterpret_cast<const text*>(input), std::strlen(input),
                             reinterpret_cast<const text*>(model),
                             static_cast<ub1>(std::strlen(model)), nullptr, 0, nullptr, 0, ts));
  a.OCIDateTimeGetTime(s.env, s.err, ts, &hour, &minute, &second, &fraction);
  EXPECT_EQ(250000000u, fraction);
  EXPECT_EQ(OCI_ERROR,
            a.OCIDateTimeConstruct(s.env, s.err, ts, 2023, 2, 29, 0, 0, 0, 0, nullptr, 0));
  // A descriptor of another kind is no date-time.
  OCIRowid* rowid = nullptr;
  a.OCIDescriptorAlloc(s.env, reinterpret_cast<void**>(&rowid), OCI_DTYPE_ROWID, 0, nullptr);
  EXPECT_EQ(OCI_INVALID_HANDLE,
            a.OCIDateTimeGetDate(s.env, s.err, reinterpret_cast<OCIDateTime*>(rowid), &year, &month,
                                 &day));
}

TEST_F(DateTimes, TimestampColumnsThroughBindAndDefine) {
  run(s, "create table events (id number(5), at timestamp(6))");
  ASSERT_EQ(OCI_SUCCESS, api().OCIDateTimeConstruct(s.env, s.err, ts, 2023, 12, 24, 18, 30, 5,
                                                    123456000, nullptr, 0));
  Statement ins(s, "insert into events values (1, :at)");
  OCIBind* b = nullptr;
  ASSERT_EQ(OCI_SUCCESS,
            api().OCIBindByName(ins.stmt, &b, s.err, reinterpret_cast<const text*>(":AT"), -1, &ts,
                                sizeof ts, SQLT_TIMESTAMP, nullptr, nullptr, nullptr, 0, nullptr,
                                OCI_DEFAULT));
  ASSERT_EQ(OCI_SUCCESS, ins.execute()) << ins.error().text;

  Statement sel(s, "select at, at from events");
  ASSERT_EQ(OCI_SUCCESS, sel.execute(0));
  void* param = nullptr;
  ub2 type = 0;
  api().OCIParamGet(sel.stmt, OCI_HTYPE_STMT, s.err, &param, 1);
  api().OCIAttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err);
  EXPECT_EQ(SQLT_TIMESTAMP, type);
  OCIDefine* d = nullptr;
  char textForm[40];
  sb2 ind[2];
  ASSERT_EQ(OCI_SUCCESS, api().OCIDefineByPos(sel.stmt, &d, s.err, 1, &other, sizeof other,
                                              SQLT_TIMESTAMP, &ind[0], nullptr, nullptr, 0));
  ASSERT_EQ(OCI_SUCCESS, api().OCIDefineByPos(sel.stmt, &d, s.err, 2, textForm, sizeof textForm,
                                              SQLT_STR, &ind[1], nullptr, nullptr, 0));
  ASSERT_EQ(OCI_SUCCESS, api().OCIStmtFetch2(sel.stmt, s.err, 1, OCI_FETCH_NEXT, 0, 0))
      << sel.error().text;
  ub1 hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  api().OCIDateTimeGetTime(s.env, s.err, other, &hour, &minute, &second, &fraction);
  EXPECT_EQ(18, hour);
  EXPECT_EQ(5, second);
  EXPECT_EQ(123456000u, fraction);
  EXPECT_STREQ("24-DEC-23 06.30.05.123456 PM", textForm);
}

}  // namespace
