#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "hostplugin/host_folders.h"
#include "platform/registry/registry.h"
#include "test_environment.h"

namespace {

namespace fs = std::filesystem;
namespace reg = platform::registry;
using hostplugin::GetFQDN;
using hostplugin::GetRProInstallPath;
using hostplugin::GetSwitchValue;
using hostplugin::GetWorkstationConfigDir;
using hostplugin::JoinStrings;
using hostplugin::ReplaceChars;

class HostFolders : public hostplugin_test::HostEnvironment {};

TEST_F(HostFolders, FqdnJoinsDomainAndNameWithSeparatorsReplaced) {
  SetMachine("POS-01", "shop.local");
  EXPECT_EQ(GetFQDN(), "shop_local_POS_01");
  SetMachine("  till 2 ", " a/b\\c ");
  EXPECT_EQ(GetFQDN(), "a_b_c_till_2");
}

TEST_F(HostFolders, FqdnSwitchWinsOverTheMachineQuery) {
  platform::wmi::SetComputerSystemProvider(
      []() -> platform::wmi::ComputerSystem { throw std::runtime_error("no service"); });
  SetCommandLine({"-fqdn=Counter.7"});
  EXPECT_EQ(GetFQDN(), "Counter.7");
  SetCommandLine({});
  try {
    GetFQDN();
    FAIL() << "a failing machine query must raise";
  } catch (const platform::wmi::WmiError& error) {
    EXPECT_STREQ(error.what(), "Thrown: WMI Failure");
  }
}

TEST_F(HostFolders, WmiQueryAnswersOnlyTheComputerSystem) {
  EXPECT_EQ(hostplugin::WMIQuery("Win32_ComputerSystem", "Name"), "POS-01");
  EXPECT_EQ(hostplugin::WMIQuery("Win32_ComputerSystem", "Domain"), "shop.local");
  EXPECT_THROW(hostplugin::WMIQuery("Win32_ComputerSystem", "Model"), platform::wmi::WmiError);
  EXPECT_THROW(hostplugin::WMIQuery("Win32_Process", "Name"), platform::wmi::WmiError);
}

TEST_F(HostFolders, SwitchValuesFollowTheHostsRules) {
  SetCommandLine({"/loglevel=5", "-OCIDLL:/opt/oci.so", "FQDN=x", "/WSCFGDIR=/srv/ws",
                  "-/WSCFGDIR=/wrong", "noseparator", "/debugemv"});
  EXPECT_EQ(GetSwitchValue("LOGLEVEL"), "5");
  EXPECT_EQ(GetSwitchValue("ocidll"), "/opt/oci.so");
  EXPECT_EQ(GetSwitchValue("FQDN"), "x");
  // A name with its own leading "/" keeps the argument's "/" in the match.
  EXPECT_EQ(GetSwitchValue("/WSCFGDIR"), "/srv/ws");
  EXPECT_EQ(GetSwitchValue("WSCFGDIR"), "/srv/ws");
  EXPECT_EQ(GetSwitchValue("noseparator"), "");
  EXPECT_EQ(GetSwitchValue("debugemv"), "");
  EXPECT_EQ(GetSwitchValue("absent"), "");

  // The program name is not an argument.
  platform::SetCommandLineProvider([] { return std::vector<std::string>{"FQDN=prog"}; });
  EXPECT_EQ(GetSwitchValue("FQDN"), "");
}

TEST_F(HostFolders, WorkstationFolderUnderTheSwitchIsCreatedOnce) {
  fs::path base = Scratch() / "config";
  SetCommandLine({"/WSCFGDIR=" + base.string()});
  bool created = false;
  std::string folder = GetWorkstationConfigDir(created);
  EXPECT_EQ(fs::path(folder), base / "Workstations" / "shop_local_POS_01");
  EXPECT_TRUE(created);
  EXPECT_TRUE(fs::is_directory(folder));

  EXPECT_EQ(GetWorkstationConfigDir(created), folder);
  EXPECT_FALSE(created);
}

TEST_F(HostFolders, WorkstationFolderDefaultsToTheHostExecutablesFolder) {
  fs::path host = Scratch() / "host";
  fs::create_directories(host);
  platform::SetExecutablePathOverride((host / "pos").string());
  bool created = false;
  EXPECT_EQ(fs::path(GetWorkstationConfigDir(created)),
            host / "Workstations" / "shop_local_POS_01");
  EXPECT_TRUE(created);
}

TEST_F(HostFolders, WorkstationFolderThatCannotBeMadeIsAnError) {
  fs::path blocker = Scratch() / "file";
  { std::ofstream(blocker) << "x"; }
  SetCommandLine({"/WSCFGDIR=" + blocker.string()});
  bool created = true;
  EXPECT_THROW(GetWorkstationConfigDir(created), fs::filesystem_error);
}

TEST_F(HostFolders, InstallPathComesFromTheFirstVersionKeyPresent) {
  const std::string base = "SOFTWARE\\Retail Pro\\CE\\RPro9";
  EXPECT_EQ(GetRProInstallPath(), "c:\\RetailPro9");

  reg::WriteString(reg::Root::LocalMachine, base + "\\8.00", "INSTALLPATH", "/opt/old");
  reg::WriteString(reg::Root::LocalMachine, base + "\\7.50", "INSTALLPATH", "/opt/older");
  EXPECT_EQ(GetRProInstallPath(), "/opt/older")
      << "without a known version the first subkey the registry lists counts";

  reg::WriteString(reg::Root::LocalMachine, base + "\\9.20", "INSTALLPATH", "/opt/v920");
  reg::WriteString(reg::Root::LocalMachine, base + "\\9.30", "INSTALLPATH", "/opt/v930");
  EXPECT_EQ(GetRProInstallPath(), "/opt/v930");

  reg::CreateKey(reg::Root::LocalMachine, base + "\\9.40");
  EXPECT_EQ(GetRProInstallPath(), "c:\\RetailPro9") << "the first existing key has no value";
}

TEST_F(HostFolders, HostPathsDifferWhenTheHostRunsOutsideItsInstallFolder) {
  platform::SetExecutablePathOverride("/opt/host/pos");
  reg::WriteString(reg::Root::LocalMachine, "SOFTWARE\\Retail Pro\\CE\\RPro9\\9.40", "INSTALLPATH",
                   "/OPT/HOST");
  std::string exe, install;
  EXPECT_FALSE(hostplugin::GetHostPaths(exe, install));
  EXPECT_EQ(exe, "/opt/host/");
  EXPECT_EQ(install, "/OPT/HOST/");

  platform::SetExecutablePathOverride("/srv/elsewhere/pos");
  EXPECT_TRUE(hostplugin::GetHostPaths(exe, install));
}

TEST(TextHelpers, ReplaceCharsAndJoinStrings) {
  EXPECT_EQ(ReplaceChars("a-b.c d", " -.", '_'), "a_b_c_d");
  EXPECT_EQ(JoinStrings({"a", 5, true, 'x', 2.5}, ", "), "a, 5, True, x, 2.5");
  EXPECT_EQ(JoinStrings({"/srv/", "/data", "file"}, "/"), "/srv/data/file");
  EXPECT_EQ(JoinStrings({"a/", "b"}, "/"), "a/b");
  EXPECT_EQ(JoinStrings({CY{125000}, CY{-5}, Variant(int32_t{3})}, ";"), "12.5;-0.0005;3");
  EXPECT_EQ(JoinStrings({}, ","), "");
  EXPECT_EQ(JoinStrings({"a", "b"}, ""), "ab");
}

}  // namespace
