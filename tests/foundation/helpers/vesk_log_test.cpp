#include "foundation/vesk_log.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <string>

#include "common/file_text.h"
#include "common/scoped_env.h"
#include "common/temp_folder.h"

namespace {

namespace fs = std::filesystem;
using foundation::AppendVeskLog;
using foundation::AppendVeskLogTo;
using foundation::VeskLogTimestamp;

using testsupport::ReadFileText;
class VeskLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = temp_.Path();
    old_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override { fs::current_path(old_); }
  testsupport::TempFolder temp_{"vesklog"};
  fs::path dir_;
  fs::path old_;
  testsupport::ScopedEnv utc_{"TZ", "UTC"};
};

TEST_F(VeskLogTest, TimestampIsMonthDayYearAndTime) {
  EXPECT_EQ(VeskLogTimestamp(1784116805), "07/15/2026 12:00:05");
  EXPECT_EQ(VeskLogTimestamp(1768446000), "01/15/2026 03:00:00");
}

TEST_F(VeskLogTest, AppendsDatedLinesToAnOwnerOnlyFile) {
  const std::string path = (dir_ / "t.log").string();
  ASSERT_TRUE(AppendVeskLogTo(path, "URL: https://svc/x", 1784116805));
  ASSERT_TRUE(AppendVeskLogTo(path, "HTTP Response=200", 1784116806));
  EXPECT_EQ(ReadFileText(path),
            "07/15/2026 12:00:05 URL: https://svc/x\n07/15/2026 12:00:06 HTTP Response=200\n");
  struct stat st {};
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST_F(VeskLogTest, WritesBesideTheSettingsUnderTheCurrentFolder) {
  fs::create_directories(dir_ / "VeskRcpts");
  AppendVeskLog("Request: <xml/>");
  AppendVeskLog("DigitalSend Not OK");
  const std::string text = ReadFileText(dir_ / "VeskRcpts" / "VeskRcpt.log");
  const std::regex line(R"(\d\d/\d\d/\d{4} \d\d:\d\d:\d\d (Request: <xml/>|DigitalSend Not OK)\n)");
  const std::string first = text.substr(0, text.find('\n') + 1);
  const std::string second = text.substr(first.size());
  EXPECT_TRUE(std::regex_match(first, line)) << first;
  EXPECT_TRUE(std::regex_match(second, line)) << second;
  EXPECT_NE(second.find("DigitalSend Not OK"), std::string::npos);
}

TEST_F(VeskLogTest, AFailedAppendNeverRaisesAndLosesNothingWritten) {
  // No VeskRcpts folder: the append fails quietly, again and again.
  EXPECT_NO_THROW(AppendVeskLog("lost line"));
  EXPECT_NO_THROW(AppendVeskLog("lost line"));
  EXPECT_FALSE(fs::exists(dir_ / "VeskRcpts"));
  EXPECT_FALSE(AppendVeskLogTo((dir_ / "missing" / "x.log").string(), "x", 0));

  // A read-only file keeps what it had.
  const std::string path = (dir_ / "ro.log").string();
  ASSERT_TRUE(AppendVeskLogTo(path, "kept", 1784116805));
  ::chmod(path.c_str(), 0400);
  if (::geteuid() != 0) {
    EXPECT_FALSE(AppendVeskLogTo(path, "refused", 1784116806));
  }
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(ReadFileText(path).substr(0, 25), "07/15/2026 12:00:05 kept\n");
}

}  // namespace
