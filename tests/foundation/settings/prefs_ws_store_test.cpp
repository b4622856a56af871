#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <vector>

#include "foundation/app_folders.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_paths.h"
#include "foundation/prefs_records.h"
#include "foundation/settings/settings_test_support.h"
#include "foundation/settings_message.h"
#include "platform/process.h"
#include "platform/wmi.h"

namespace {

using foundation::StorePrefs;
using foundation::TStorePrefs;
using foundation::WSPrefs;
using settings_test::ReadFileText;
using settings_test::ScratchFolder;
using settings_test::WriteText;

// Runs a test inside a scratch folder as the current folder, with the machine
// named till3.shop.local and the settings messages collected.
class WorkstationPrefsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char buffer[4096];
    ASSERT_NE(::getcwd(buffer, sizeof buffer), nullptr);
    oldCwd_ = buffer;
    ASSERT_EQ(::chdir(dir_.Path().c_str()), 0);
    platform::wmi::SetComputerSystemProvider([] {
      return platform::wmi::ComputerSystem{"till3", "shop.local"};
    });
    foundation::SetSettingsMessageSink(
        [this](const std::string& text) { messages_.push_back(text); });
    WSPrefs = foundation::TWSPrefs{};
  }
  void TearDown() override {
    foundation::SetSettingsMessageSink(nullptr);
    platform::wmi::SetComputerSystemProvider(nullptr);
    WSPrefs = foundation::TWSPrefs{};
    EXPECT_EQ(::chdir(oldCwd_.c_str()), 0);
  }

  // The file this process uses (fixed by the first call in the process).
  static std::string KeptFile() {
    std::string fqdn;
    return foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn);
  }

  ScratchFolder dir_;
  std::string oldCwd_;
  std::vector<std::string> messages_;
};

TEST_F(WorkstationPrefsTest, FileNameIsFixedByTheFirstCall) {
  std::string fqdn;
  const std::string first = foundation::CheckWSPrefsFilename(foundation::kWSPrefsTemplate, fqdn);
  EXPECT_EQ(first, "./VeskRcpts/VeskWS_till3.shop.local.ini");
  EXPECT_EQ(fqdn, "till3.shop.local");

  platform::wmi::SetComputerSystemProvider([] {
    return platform::wmi::ComputerSystem{"other", "elsewhere"};
  });
  std::string secondFqdn;
  EXPECT_EQ(foundation::CheckWSPrefsFilename("./Other_%s.ini", secondFqdn), first);
  EXPECT_EQ(secondFqdn, "till3.shop.local");
}

TEST_F(WorkstationPrefsTest, SettingSurvivesAWriteAndARead) {
  std::filesystem::create_directory("VeskRcpts");
  WSPrefs.DefaultEFTReceiptPrintingOn = false;
  ASSERT_TRUE(foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate));
  EXPECT_EQ(ReadFileText(KeptFile()), "[WS]\nDefaultEFTReceiptPrintingOn=0\n");

  WSPrefs.DefaultEFTReceiptPrintingOn = true;
  foundation::ReadWSPrefs("", "", foundation::kWSPrefsTemplate);
  EXPECT_FALSE(WSPrefs.DefaultEFTReceiptPrintingOn);

  WriteText(KeptFile(), "[ws]\ndefaulteftreceiptprintingon=7\n");
  foundation::ReadWSPrefs("", "", foundation::kWSPrefsTemplate);
  EXPECT_TRUE(WSPrefs.DefaultEFTReceiptPrintingOn);
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WorkstationPrefsTest, MissingFileReadsTrueAndFoldersAreCreated) {
  WSPrefs.DefaultEFTReceiptPrintingOn = false;
  foundation::ReadWSPrefs("a/b", "c", foundation::kWSPrefsTemplate);
  EXPECT_TRUE(WSPrefs.DefaultEFTReceiptPrintingOn);
  EXPECT_TRUE(std::filesystem::is_directory("a/b"));
  EXPECT_TRUE(std::filesystem::is_directory("c"));
  EXPECT_TRUE(messages_.empty());
}

TEST_F(WorkstationPrefsTest, FailuresAreShownAndReported) {
  // No VeskRcpts folder: the file cannot be written.
  EXPECT_FALSE(foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0].rfind("Workstation preferences could not be written: ", 0), 0u)
      << messages_[0];

  // A folder in place of the file: it cannot be read.
  std::filesystem::create_directories(KeptFile());
  WSPrefs.DefaultEFTReceiptPrintingOn = false;
  foundation::ReadWSPrefs("", "", foundation::kWSPrefsTemplate);
  ASSERT_EQ(messages_.size(), 2u);
  EXPECT_EQ(messages_[1].rfind("Workstation preferences cannot be loaded: ", 0), 0u)
      << messages_[1];
  EXPECT_FALSE(WSPrefs.DefaultEFTReceiptPrintingOn) << "a failed read changes nothing";
}

TEST_F(WorkstationPrefsTest, AReadOnlyFileIsShownAndLeftAsItWas) {
  std::filesystem::create_directories("VeskRcpts");
  WriteText(KeptFile(), "[WS]\nDefaultEFTReceiptPrintingOn=1\n");
  ::chmod(KeptFile().c_str(), 0444);
  WSPrefs.DefaultEFTReceiptPrintingOn = false;
  EXPECT_FALSE(foundation::WriteWSPrefs("", "", foundation::kWSPrefsTemplate));
  ASSERT_EQ(messages_.size(), 1u);
  EXPECT_EQ(messages_[0], "Workstation preferences could not be written: Cannot write \"" +
                              KeptFile() + "\": the file is read-only");
  EXPECT_EQ(ReadFileText(KeptFile()), "[WS]\nDefaultEFTReceiptPrintingOn=1\n");
}

class StorePrefsTest : public ::testing::Test {
 protected:
  void SetUp() override { StorePrefs = TStorePrefs{}; }
  void TearDown() override { StorePrefs = TStorePrefs{}; }
  ScratchFolder dir_;
};

TEST_F(StorePrefsTest, EverySettingSurvivesAWriteAndARead) {
  const std::string file = dir_.Path("VeskStore.ini");
  StorePrefs = TStorePrefs{"Shop 12", "1 High St", "Springfield", "OR", "97477", "555-0100"};
  ASSERT_TRUE(foundation::WriteStorePrefs(file));
  EXPECT_EQ(ReadFileText(file),
            "[STORE]\nName=Shop 12\nAddress=1 High St\nCity=Springfield\nState=OR\n"
            "Zip=97477\nPhone=555-0100\n");

  const std::string written = ReadFileText(file);
  StorePrefs = TStorePrefs{};
  foundation::ReadStorePrefs(file);  // read back, every field writes the same again
  ASSERT_TRUE(foundation::WriteStorePrefs(dir_.Path("again.ini")));
  EXPECT_EQ(ReadFileText(dir_.Path("again.ini")), written);

  foundation::ReadStorePrefs(dir_.Path("absent.ini"));
  EXPECT_EQ(StorePrefs.Name, "") << "a missing file reads as defaults";
}

TEST(SettingsPathsTest, FilesLiveUnderTheApplicationFolder) {
  ScratchFolder host;
  platform::SetExecutablePathOverride(host.Path("pos"));
  foundation::ResetAppFolders();
  const std::string app = host.Path() + "/";
  EXPECT_EQ(foundation::SettingsFolder(), app + "VeskRcpts");
  EXPECT_EQ(foundation::MainSettingsFile(), app + "VeskRcpts/VeskMain.ini");
  EXPECT_EQ(foundation::EmailDomainListFile(), app + "VeskRcpts/VeskMain.dat");
  EXPECT_EQ(foundation::QueueFolder(), app + "VeskRcpts/Queue");
  EXPECT_EQ(foundation::StoreSettingsFile(), app + "VeskRcpts/VeskStore.ini");
  platform::SetExecutablePathOverride("");
  foundation::ResetAppFolders();
}

}  // namespace
