// What a library load writes: the switches read from the host's command line,
// the start header and the environment summary.

#include <cstdlib>

#include "common/log_fixture.h"
#include "foundation/msxml_versions.h"
#include "platform/registry/registry.h"

namespace logtest {
namespace {

class LogStart : public LogFixture {
 protected:
  void SetUp() override {
    LogFixture::SetUp();
    registryFile_ = root_.string() + "/registry";
    ::setenv("NORVANE_REGISTRY_FILE", registryFile_.c_str(), 1);
  }
  void TearDown() override {
    ::unsetenv("NORVANE_REGISTRY_FILE");
    LogFixture::TearDown();
  }
  void CommandLine(std::vector<std::string> args) {
    platform::SetCommandLineProvider([args] { return args; });
  }
  std::string registryFile_;
};

TEST_F(LogStart, HeaderLinesInOrder) {
  foundation::StartLogging("Norvane", true);
  foundation::StopLogging();
  auto texts = Texts();
  const std::string rule(86, '=');
  ASSERT_EQ(texts.size(), 13u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 7),
            (std::vector<std::string>{"", rule, "START OF LOG", rule, "", "LogLevel = 1", ""}));
  EXPECT_EQ(texts[7].rfind("Language : ", 0), 0u);
  EXPECT_EQ(texts[8].rfind("Locale   : ", 0), 0u);
  EXPECT_EQ(texts[9], "Computer : till07");
  EXPECT_EQ(texts[10], "Domain   : shop.example");
  EXPECT_EQ(texts[11], "");
  EXPECT_EQ(texts[12], foundation::GetWindowsVersionText());
  for (const auto& line : Lines(LogFiles()[0])) {
    EXPECT_EQ(line.substr(23, 13), " |  INFO    |") << line;
  }
}

TEST_F(LogStart, MachineBlockOnRequestAndAFailureLineThatLetsTheHeaderGoOn) {
  foundation::SetMachineInfoLogging(true);
  foundation::StartLogging("Norvane", true);
  foundation::StopLogging();
  auto texts = Texts();
  EXPECT_TRUE(Contains(texts, "MAC addresses:"));
  EXPECT_EQ(texts[11].rfind("CPU      : ", 0), 0u);
  fs::remove_all(folder_);

  foundation::SetMachineInfoLogging(false);
  platform::wmi::SetComputerSystemProvider(
      []() -> platform::wmi::ComputerSystem { throw std::runtime_error("no management service"); });
  foundation::StartLogging("Norvane", true);
  foundation::StopLogging();
  texts = Texts();
  EXPECT_FALSE(Contains(texts, "Computer : till07"));
  ASSERT_TRUE(Contains(texts, "*** full system information could not be obtained ***"));
  EXPECT_EQ(texts.back(), foundation::GetWindowsVersionText());
}

TEST_F(LogStart, EnvironmentSummaryNamesVersionsLevelAndManifests) {
  const fs::path host = root_ / "host";
  fs::create_directories(host / "plugins");
  std::ofstream(host / "plugins" / "Norvane94.mnf") << "";
  std::ofstream(host / "plugins" / "Other.MNF") << "";
  std::ofstream(host / "plugins" / "readme.txt") << "";
  platform::SetExecutablePathOverride((host / "pos-host").string());
  foundation::ResetAppFolders();
  platform::registry::WriteString(platform::registry::Root::ClassesRoot,
                                  foundation::kMsxmlVersionListKey, "6.0", "msxml6.dll");
  platform::registry::WriteString(platform::registry::Root::ClassesRoot,
                                  foundation::kMsxmlVersionListKey, "3.0", "msxml3.dll");

  foundation::StartLogging("Norvane", true);
  foundation::LogEnvironmentSummary();
  foundation::StopLogging();
  auto texts = Texts();
  ASSERT_GE(texts.size(), 6u);
  EXPECT_EQ(std::vector<std::string>(texts.end() - 6, texts.end()),
            (std::vector<std::string>{
                "VeskEngine plug-in version:1.0.0.0", "MSXML versions: 3.0,6.0", "LogLevel: 1",
                "Plug-in manifests:", "     Norvane94.mnf", "     Other.MNF"}));
}

TEST_F(LogStart, MsxmlVersionsWithFilesAndWhenTheKeyIsMissing) {
  std::string text = "before:";
  foundation::GetMsxmlVersions(true, text);
  EXPECT_EQ(text, "before:");
  platform::registry::WriteString(platform::registry::Root::ClassesRoot,
                                  foundation::kMsxmlVersionListKey, "6.0", "msxml6.dll");
  platform::registry::WriteDword(platform::registry::Root::ClassesRoot,
                                 foundation::kMsxmlVersionListKey, "4.0", 4);
  foundation::GetMsxmlVersions(true, text);
  EXPECT_EQ(text, "before:4.0:,6.0:msxml6.dll");
  text.clear();
  foundation::GetMsxmlVersions(false, text);
  EXPECT_EQ(text, "4.0,6.0");

  std::ofstream(registryFile_) << "not a registry file\n";
  text = "kept";
  foundation::GetMsxmlVersions(false, text);
  EXPECT_EQ(text, "kept");
}

TEST_F(LogStart, SwitchesSetLevelDebugAndMachineBlock) {
  // Reads `args` as the host's command line and gives the level a start then has.
  const auto levelAfter = [this](std::vector<std::string> args) {
    CommandLine(std::move(args));
    foundation::ReadLogCmdLine();
    foundation::StartLogging("Norvane", true);
    const int level = foundation::GetLogLevel();
    foundation::StopLogging();
    return level;
  };
  EXPECT_EQ(levelAfter({"host", "-loglevel=0"}), 0);
  EXPECT_FALSE(foundation::GetDebugLogging());

  EXPECT_EQ(levelAfter({"host", "/LOGLEVEL=5"}), 5);
  EXPECT_TRUE(foundation::GetDebugLogging());

  foundation::SetDebugLogging(false);
  // ':' is not this scanner's separator, so the level stays 5.
  EXPECT_EQ(levelAfter({"host", "-loglevel:7", "-logmachine=yes"}), 5);
  EXPECT_TRUE(foundation::GetMachineInfoLogging());
  EXPECT_TRUE(foundation::GetDebugLogging());  // turned on with the machine block

  EXPECT_EQ(levelAfter({"host", "-logmachine=no", "-loglevel= x1 "}), -1) << "not a number";
  EXPECT_FALSE(foundation::GetMachineInfoLogging());

  // Empty values change nothing.
  EXPECT_EQ(levelAfter({"host", "-loglevel", "-logmachine="}), -1);
}

}  // namespace
}  // namespace logtest
