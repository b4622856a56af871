#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "foundation/log.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "foundation/settings/settings_test_support.h"
#include "foundation/settings_message.h"

namespace {

using settings_test::ScratchFolder;

// Runs the log into a scratch folder; Text() stops it and gives what it wrote.
class SettingsLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    foundation::SetLogFolder(dir_.Path("logs") + "/");
    foundation::SetLogLevel(5);
    foundation::StartLogging("Settings", false);
  }
  void TearDown() override {
    foundation::StopLogging();
    foundation::SetLogLevel(1);
    foundation::SetLogFolder("logs/");
    foundation::MainPrefs = foundation::TMainPrefs{};
  }

  std::string Text() {
    foundation::StopLogging();
    std::string text;
    for (const auto& entry : std::filesystem::directory_iterator(dir_.Path("logs"))) {
      text += settings_test::ReadFileText(entry.path().string());
    }
    return text;
  }

  ScratchFolder dir_;
};

TEST_F(SettingsLogTest, ReadingLogsTheFileAndRaisesTheLevel) {
  const std::string ini = dir_.Path("VeskMain.ini");
  foundation::ReadMainPrefs("", "", ini, dir_.Path("VeskMain.dat"));
  EXPECT_EQ(foundation::GetLogLevel(), 9);
  EXPECT_NE(Text().find("ReadMainPrefs"), std::string::npos);
  EXPECT_NE(Text().find("| Reading config \"" + ini + "\""), std::string::npos);
}

TEST_F(SettingsLogTest, FailedWritesLogTheRoutineAndStep) {
  std::filesystem::create_directories(dir_.Path("folder.ini"));
  EXPECT_FALSE(foundation::WriteMainPrefs("", "", dir_.Path("folder.ini"), dir_.Path("x.dat")));
  EXPECT_FALSE(foundation::WriteStorePrefs(dir_.Path("missing/VeskStore.ini")));
  const std::string text = Text();
  EXPECT_NE(text.find(" in WriteMainPrefs while instantiating TIniFile: "), std::string::npos)
      << text;
  EXPECT_NE(text.find(" in WriteStorePrefs while freeing INI object: "), std::string::npos) << text;
}

TEST_F(SettingsLogTest, AReadOnlySettingsFileIsRefusedAndTheStepLogged) {
  const std::string main = dir_.Path("VeskMain.ini");
  const std::string store = dir_.Path("VeskStore.ini");
  settings_test::WriteText(main, "[MAIN]\nMerchID=OLD\n");
  settings_test::WriteText(store, "[STORE]\nName=Old\n");
  ::chmod(main.c_str(), 0444);
  ::chmod(store.c_str(), 0444);
  foundation::MainPrefs.MerchID = "NEW";
  foundation::StorePrefs.Name = "New";

  EXPECT_FALSE(foundation::WriteMainPrefs("", "", main, dir_.Path("VeskMain.dat")));
  EXPECT_FALSE(foundation::WriteStorePrefs(store));

  EXPECT_EQ(settings_test::ReadFileText(main), "[MAIN]\nMerchID=OLD\n");
  EXPECT_EQ(settings_test::ReadFileText(store), "[STORE]\nName=Old\n");
  EXPECT_FALSE(std::filesystem::exists(dir_.Path("VeskMain.dat")))
      << "the steps after it did not run";
  const std::string text = Text();
  EXPECT_NE(text.find(" in WriteMainPrefs while freeing INI object: Cannot write \"" + main +
                      "\": the file is read-only"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find(" in WriteStorePrefs while freeing INI object: Cannot write \"" + store +
                      "\": the file is read-only"),
            std::string::npos)
      << text;
  foundation::StorePrefs = foundation::TStorePrefs{};
}

TEST_F(SettingsLogTest, MessagesGoToTheLogWithoutASink) {
  foundation::SetSettingsMessageSink(nullptr);
  foundation::ShowSettingsMessage("Workstation preferences cannot be loaded: test");
  EXPECT_NE(Text().find("Workstation preferences cannot be loaded: test"), std::string::npos);
}

}  // namespace
