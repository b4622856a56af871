// What one log call puts into the file: the line's columns, level gating, the
// companions of KWLog, and silence before start and after stop.

#include <stdexcept>

#include "common/log_fixture.h"

namespace logtest {
namespace {

using foundation::KWLog;

class LogLine : public LogFixture {};

TEST_F(LogLine, ColumnsAreTimeLevelTagAndText) {
  foundation::StartLogging("Norvane", true);
  const std::string longTag(60, 'T');
  KWLog(0, "first\nsecond", foundation::kLevelInfo, longTag);
  KWLog(0, "no tag", foundation::kLevelWarning, "");
  KWLog(0, "short", foundation::kLevelError, "TForm.Show");
  foundation::StopLogging();

  ASSERT_EQ(LogFiles(), std::vector<std::string>{"Norvane_20261205_194656123.log"});
  auto lines = Lines(LogFiles()[0]);
  ASSERT_GE(lines.size(), 3u);
  const std::string stamp = "2026-12-05 19:46:56.123 | ";
  EXPECT_EQ(lines[lines.size() - 3],
            stamp + " INFO    |" + std::string(50, 'T') + "| first\nsecond");
  EXPECT_EQ(lines[lines.size() - 2], stamp + " WARNING |" + std::string(50, ' ') + "| no tag");
  EXPECT_EQ(lines.back(), stamp + " ERROR   |TForm.Show" + std::string(40, ' ') + "| short");
}

TEST_F(LogLine, LevelGatesLinesAndANegativeLevelSilencesEverything) {
  foundation::StartLogging("Norvane", true);
  foundation::SetLogLevel(3);
  KWLog(3, "at three", foundation::kLevelInfo, "");
  KWLog(4, "at four", foundation::kLevelInfo, "");
  foundation::SetLogLevel(-1);
  KWLog(0, "at zero while negative", foundation::kLevelInfo, "");
  EXPECT_EQ(foundation::GetLogLevel(), -1);
  foundation::SetLogLevel(0);
  KWLog(0, "at zero", foundation::kLevelInfo, "");
  foundation::StopLogging();

  auto texts = Texts();
  EXPECT_TRUE(Contains(texts, "LogLevel set to 3"));
  EXPECT_TRUE(Contains(texts, "at three"));
  EXPECT_FALSE(Contains(texts, "at four"));
  EXPECT_FALSE(Contains(texts, "LogLevel set to -1"));  // written at level 0 while at -1
  EXPECT_FALSE(Contains(texts, "at zero while negative"));
  EXPECT_FALSE(Contains(texts, "LogLevel set to 0"));
  EXPECT_TRUE(Contains(texts, "at zero"));
}

TEST_F(LogLine, CompanionsWriteTheirFixedTextsAndLevels) {
  foundation::SetLogLevel(9);
  foundation::StartLogging("Norvane", true);
  foundation::LogEnter(7, "TProc.Run");
  foundation::LogExit(7, "TProc.Run");
  foundation::LogDebug("shown", "TProc.Dump");
  foundation::SetDebugLogging(false);
  foundation::LogDebug("hidden", "TProc.Dump");
  foundation::LogException(std::runtime_error("disk full"), "TQueue.Save");
  foundation::LogException(std::invalid_argument("bad"), "");
  foundation::StopLogging();

  auto lines = Lines(LogFiles()[0]);
  auto find = [&lines](const std::string& tail) {
    for (const auto& l : lines) {
      if (l.size() >= tail.size() && l.compare(l.size() - tail.size(), tail.size(), tail) == 0) {
        return l.substr(26);  // without the time column
      }
    }
    return std::string("<missing ") + tail;
  };
  const std::string pad = std::string(41, ' ');
  EXPECT_EQ(find("| BEGIN"), " >> ENTER|TProc.Run" + pad + "| BEGIN");
  EXPECT_EQ(find("| END"), " << EXIT |TProc.Run" + pad + "| END");
  EXPECT_EQ(find("| shown"), " DEBUG   |TProc.Dump" + std::string(40, ' ') + "| shown");
  EXPECT_EQ(find("hidden").rfind("<missing", 0), 0u);
  EXPECT_EQ(find("disk full"),
            " ERROR   |" + std::string(50, ' ') + "| std::runtime_error in TQueue.Save: disk full");
  EXPECT_EQ(find("| std::invalid_argument"),
            " ERROR   |" + std::string(50, ' ') + "| std::invalid_argument");
}

TEST_F(LogLine, CallsBeforeStartAndAfterStopDoNothing) {
  EXPECT_EQ(foundation::GetLogLevel(), -1);
  KWLog(0, "before", foundation::kLevelInfo, "");
  foundation::LogDebug("before", "");
  foundation::LogException(std::runtime_error("before"), "x");
  EXPECT_TRUE(LogFiles().empty());

  foundation::StartLogging("Norvane", true);
  KWLog(0, "during", foundation::kLevelInfo, "");
  foundation::StopLogging();
  const std::string written = testsupport::ReadFileText(folder_ + LogFiles()[0]);

  KWLog(0, "after", foundation::kLevelInfo, "");
  foundation::LogEnter(0, "after");
  EXPECT_EQ(foundation::GetLogLevel(), -1);
  foundation::StopLogging();  // a second stop is harmless
  EXPECT_EQ(testsupport::ReadFileText(folder_ + LogFiles()[0]), written);
  EXPECT_NE(written.find("during"), std::string::npos);
}

TEST_F(LogLine, FileNameWithoutTimeStampHasTheDateOnlyAndIsOwnerOnly) {
  foundation::StartLogging("Norvane", false);
  KWLog(0, "x", foundation::kLevelInfo, "");
  foundation::StopLogging();
  EXPECT_EQ(LogFiles(), std::vector<std::string>{"Norvane_20261205.log"});
  auto folderPerms = fs::status(folder_).permissions();
  auto filePerms = fs::status(folder_ + LogFiles()[0]).permissions();
  EXPECT_EQ(folderPerms & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(filePerms & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

}  // namespace
}  // namespace logtest
