#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

#include "hostplugin/custom_abstract_plugin.h"
#include "hostplugin/tlogger.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;
using hostplugin::TLogger;

std::vector<std::string> ReadLines(const fs::path& file) {
  std::ifstream in(file);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

// A root plug-in whose debug log tests can switch on.
class LoggingPlugin : public hostplugin::TCustomAbstractPluginT<IPlugin> {
 public:
  void SetName(const std::string& name) { FLogName = name; }
};

class DebugLog : public hostplugin_test::HostEnvironment {
 protected:
  void SetUp() override {
    HostEnvironment::SetUp();
    SetCommandLine({"/WSCFGDIR=" + Scratch().string()});
    plugin_ = MakeComObject<LoggingPlugin>();
    plugin_->Initialize();
  }

  fs::path LogFolder() const { return Scratch() / "Workstations" / "shop_local_POS_01" / "Logs"; }

  // The one log file written, or an empty path.
  fs::path LogFile() const {
    if (!fs::is_directory(LogFolder())) return {};
    for (const auto& entry : fs::directory_iterator(LogFolder())) return entry.path();
    return {};
  }

  ComPtr<LoggingPlugin> plugin_;
};

TEST_F(DebugLog, OffWritesNothingForAnyType) {
  for (int type = 0; type <= 12; ++type) {
    plugin_->WriteLog("text", type, 0);
    plugin_->LogData("name", "value", type, 0);
  }
  EXPECT_EQ(plugin_->Logger(), nullptr);
  EXPECT_FALSE(fs::exists(Scratch() / "Workstations"));
}

TEST_F(DebugLog, OnWritesDatedFileWithLevelFilterAndAlwaysTypes) {
  plugin_->SetName("Receipt");
  plugin_->SetLogLevel(5);
  ASSERT_NE(plugin_->Logger(), nullptr);

  plugin_->WriteLog("kept", hostplugin::ltData, 5);
  plugin_->WriteLog("too detailed", hostplugin::ltData, 6);
  plugin_->WriteLog("error always", hostplugin::ltError, 9);
  plugin_->WriteLog("closed always", hostplugin::ltFileClosed, 9);
  plugin_->WriteLog("beyond the table", 12, 9);
  plugin_->LogData("Customer", "C1", hostplugin::ltData, 5);
  plugin_->LogData("Count", int32_t{42}, hostplugin::ltData, 1);
  plugin_->LogData("Flag", true, hostplugin::ltData, 2);
  plugin_->LogData("Skipped", "x", hostplugin::ltData, 9);
  plugin_->LogData("Problem", "late", hostplugin::ltError, 9);  // errors above the level too

  fs::path file = LogFile();
  ASSERT_FALSE(file.empty());
  EXPECT_TRUE(std::regex_match(file.filename().string(), std::regex(R"(Receipt_\d{6}\.LOG)")))
      << file;
  std::vector<std::string> lines = ReadLines(file);
  ASSERT_EQ(lines.size(), 8u);
  const std::regex stamp(R"(\d{4}\.\d{2}\.\d{2}\.\d{2}\.\d{2}\.\d{2}\.\d{3})");
  for (const std::string& line : lines) {
    EXPECT_TRUE(std::regex_match(line.substr(0, 23), stamp)) << line;
  }
  EXPECT_EQ(lines[0].substr(23), "      Data        | kept");
  EXPECT_EQ(lines[1].substr(23), "  ER  ERROR       | error always");
  EXPECT_EQ(lines[2].substr(23), "**  File Closed   | closed always");
  EXPECT_EQ(lines[3].substr(23), "beyond the table");
  EXPECT_EQ(lines[4].substr(23),
            "      Data        |  Customer                                 = < C1 >");
  EXPECT_EQ(lines[5].substr(23),
            "      Data        |  Count                                    = < 42 >");
  EXPECT_EQ(lines[6].substr(23),
            "      Data        |  Flag                                     = < True >");
  EXPECT_NE(lines[7].find("Problem"), std::string::npos);
}

TEST_F(DebugLog, LevelChangesOnlyBetweenOffAndOn) {
  EXPECT_EQ(plugin_->GetLogName(), "CustomPlugin");
  plugin_->SetLogLevel(3);
  TLogger* logger = plugin_->Logger();
  ASSERT_NE(logger, nullptr);
  plugin_->SetLogLevel(9);
  EXPECT_EQ(plugin_->LogLevel(), 3) << "a change between two levels is ignored";
  EXPECT_EQ(plugin_->Logger(), logger);
  plugin_->SetLogLevel(0);
  EXPECT_EQ(plugin_->LogLevel(), 0);
  EXPECT_EQ(plugin_->Logger(), nullptr);
}

TEST_F(DebugLog, CleanUpNotesItselfOnceAndStopsTheLog) {
  plugin_->SetLogLevel(5);
  ASSERT_EQ(plugin_->CleanUp(), S_OK);
  EXPECT_EQ(plugin_->Logger(), nullptr);
  ASSERT_EQ(plugin_->CleanUp(), S_OK);
  plugin_->WriteLog("after clean-up", hostplugin::ltError, 0);
  std::vector<std::string> lines = ReadLines(LogFile());
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(23),
            "      Data        | TCustomAbstractPlugin.CleanUp: FAdapter := nil;");
}

TEST_F(DebugLog, FailureToCreateIsShownAndThePluginWorksOn) {
  fs::path blocker = Scratch() / "blocked";
  { std::ofstream(blocker) << "x"; }
  SetCommandLine({"/WSCFGDIR=" + blocker.string()});
  plugin_->SetLogLevel(5);
  ASSERT_EQ(Messages().size(), 1u);
  EXPECT_EQ(Messages()[0].rfind("CreateLog: Exception[", 0), 0u) << Messages()[0];
  EXPECT_NE(Messages()[0].find("filesystem_error] "), std::string::npos) << Messages()[0];
  plugin_->WriteLog("nowhere to go", hostplugin::ltError, 0);
  WordBool enabled = 0;
  EXPECT_EQ(plugin_->Get_Enabled(&enabled), S_OK);
}

class LoggerFile : public hostplugin_test::HostEnvironment {
 protected:
  fs::path Path() const { return Scratch() / "lines.log"; }
};

TEST_F(LoggerFile, DefaultNameIsTheExecutablesAndInactiveWritesNothing) {
  platform::SetExecutablePathOverride("/opt/host/pos");
  TLogger logger;
  EXPECT_EQ(logger.FileName(), "/opt/host/pos.log");
  logger.SetFileName(Path().string());
  logger.WriteLine("ignored");
  EXPECT_FALSE(fs::exists(Path()));
  logger.SetFileName("");
  EXPECT_EQ(logger.FileName(), "/opt/host/pos.log");
}

TEST_F(LoggerFile, LinesAreAppendedCutPaddedAndPrefixed) {
  { std::ofstream(Path()) << "earlier\n"; }
  TLogger logger;
  logger.SetFileName(Path().string());
  logger.Active = true;
  logger.AddPrefix("[till]");
  int opened = 0, written = 0;
  logger.OnAfterOpen = [&](TLogger&) { ++opened; };
  logger.OnAfterWrite = [&](TLogger&) { ++written; };
  logger.WriteLine("one");
  logger.FixedWidth = 5;
  logger.WriteLine("abcdefgh");
  logger.WriteLine("ab");
  EXPECT_EQ(ReadLines(Path()),
            (std::vector<std::string>{"earlier", "[till] one", "[till] abcde", "[till] ab   "}));
  EXPECT_EQ(opened, 3);
  EXPECT_EQ(written, 3);
}

TEST_F(LoggerFile, StampsGoInFrontOrBehindDateBeforeTime) {
  TLogger logger;
  logger.SetFileName(Path().string());
  logger.Active = true;
  logger.DateStampMode = 1;
  logger.TimeStampMode = 1;
  logger.WriteLine("front");
  logger.DateStampMode = 2;
  logger.TimeStampMode = 2;
  logger.WriteLine("behind");
  std::vector<std::string> lines = ReadLines(Path());
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(std::regex_match(lines[0],
                               std::regex(R"(\[\d{4}-\d{2}-\d{2}\] \[\d{2}:\d{2}:\d{2}\] front)")))
      << lines[0];
  EXPECT_TRUE(std::regex_match(lines[1],
                               std::regex(R"(behind \[\d{4}-\d{2}-\d{2}\] \[\d{2}:\d{2}:\d{2}\])")))
      << lines[1];
}

TEST_F(LoggerFile, NewFileStartsTheFileOnceThenAppends) {
  { std::ofstream(Path()) << "old\n"; }
  TLogger logger;
  logger.SetFileName(Path().string());
  logger.Active = true;
  logger.NewFile = true;
  logger.WriteLine("first");
  logger.WriteLine("second");
  EXPECT_EQ(ReadLines(Path()), (std::vector<std::string>{"first", "second"}));
}

TEST_F(LoggerFile, UnwritableFileGoesToTheErrorNotification) {
  TLogger logger;
  logger.SetFileName((Scratch() / "missing" / "x.log").string());
  logger.Active = true;
  std::string error;
  logger.OnError = [&](TLogger&, const std::string& text) { error = text; };
  logger.WriteLine("lost");
  EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
}

}  // namespace
