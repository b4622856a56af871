// Which file the log writes to over time, and the purge of old files.

#include <fcntl.h>
#include <sys/stat.h>

#include "common/log_fixture.h"
#include "foundation/log_purge.h"

namespace logtest {
namespace {

using foundation::KWLog;

class LogFileChange : public LogFixture {
 protected:
  // A file in the log folder whose last write was `day` days after 1 Nov 2026.
  void MakeOldLog(const std::string& name, int day) {
    fs::create_directories(folder_);
    std::ofstream(folder_ + name) << "old\r\n";
    std::tm tm{};
    tm.tm_year = 2026 - 1900;
    tm.tm_mon = 10;
    tm.tm_mday = 1 + day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    timespec times[2] = {{std::mktime(&tm), 0}, {std::mktime(&tm), 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (folder_ + name).c_str(), times, 0), 0);
  }
};

TEST_F(LogFileChange, FirstLineAfterMidnightGoesToANewFileNamedWithTheNewDate) {
  SetNow(At(2026, 12, 5, 23, 59, 59, 990));
  foundation::StartLogging("Norvane", true);
  KWLog(0, "before midnight", foundation::kLevelInfo, "");
  Flush();
  SetNow(At(2026, 12, 6, 0, 0, 0, 10));
  KWLog(0, "after midnight", foundation::kLevelInfo, "");
  Flush();
  SetNow(At(2026, 12, 6, 0, 0, 1, 0));
  KWLog(0, "later that night", foundation::kLevelInfo, "");
  foundation::StopLogging();

  ASSERT_EQ(LogFiles(), (std::vector<std::string>{"Norvane_20261205_235959990.log",
                                                  "Norvane_20261206_000000010.log"}));
  auto first = Lines("Norvane_20261205_235959990.log");
  auto second = Lines("Norvane_20261206_000000010.log");
  EXPECT_EQ(TextOf(first.back()), "before midnight");
  ASSERT_EQ(second.size(), 2u);
  EXPECT_EQ(second[0],
            "2026-12-06 00:00:00.010 |  INFO    |" + std::string(50, ' ') + "| after midnight");
  EXPECT_EQ(TextOf(second[1]), "later that night");
}

TEST_F(LogFileChange, PurgeKeepsThirtyTwoAndThenDeletesTheOldestDownToTwentyNine) {
  // Names sort against the dates on purpose: the date decides first.
  const auto name = [](int i) { return "Norvane_" + std::to_string(100 - i) + ".log"; };
  for (int i = 0; i < 32; ++i) MakeOldLog(name(i), i);
  EXPECT_EQ(foundation::PurgeOldLogs(folder_, "Norvane"), 0u) << "thirty-two are kept";
  EXPECT_EQ(LogFiles().size(), 32u);

  MakeOldLog(name(32), 32);
  std::ofstream(folder_ + "Other_1.log") << "not ours";
  std::ofstream(folder_ + "Norvane_notes.txt") << "not a log";
  EXPECT_EQ(foundation::PurgeOldLogs(folder_, "Norvane"), 4u);
  EXPECT_EQ(LogFiles().size(), 29u + 2u);
  for (int i = 0; i < 4; ++i) EXPECT_FALSE(fs::exists(folder_ + name(i))) << i;
  EXPECT_TRUE(fs::exists(folder_ + name(4)));
  EXPECT_TRUE(fs::exists(folder_ + "Other_1.log"));
  EXPECT_TRUE(fs::exists(folder_ + "Norvane_notes.txt"));
}

TEST_F(LogFileChange, SameDayFilesAreOrderedByName) {
  for (int i = 0; i < 34; ++i) {
    char name[64];
    std::snprintf(name, sizeof name, "Norvane_20261201_%09d.log", i);
    MakeOldLog(name, 5);
  }
  EXPECT_EQ(foundation::PurgeOldLogs(folder_, "Norvane"), 5u);
  EXPECT_FALSE(fs::exists(folder_ + "Norvane_20261201_000000004.log"));
  EXPECT_TRUE(fs::exists(folder_ + "Norvane_20261201_000000005.log"));
}

TEST_F(LogFileChange, WriterPurgesTheFolderWhenItRuns) {
  for (int i = 0; i < 40; ++i) MakeOldLog("Norvane_old" + std::to_string(i) + ".log", i);
  foundation::StartLogging("Norvane", true);
  KWLog(0, "x", foundation::kLevelInfo, "");
  Flush();
  foundation::StopLogging();
  // 41 files (the new one is the newest) -> 29 kept.
  EXPECT_EQ(LogFiles().size(), 29u);
  EXPECT_TRUE(fs::exists(folder_ + "Norvane_20261205_194656123.log"));
}

}  // namespace
}  // namespace logtest
