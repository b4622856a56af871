// Folder names derived from the host's folder and the management query
// wrapper.

#include <gtest/gtest.h>

#include <filesystem>

#include "foundation/app_folders.h"
#include "foundation/wmi_wrapper.h"
#include "platform/process.h"
#include "platform/wmi.h"

namespace {

namespace fs = std::filesystem;
using foundation::ComputeAppFolders;

TEST(AppFolders, PluginsAddedOnceWhateverTheCaseAndEveryNameEndsWithASeparator) {
  EXPECT_EQ(ComputeAppFolders("/opt/pos", "/tmp", "/").plugins, "/opt/pos/plugins/");
  EXPECT_EQ(ComputeAppFolders("/opt/pos/plugins/", "/tmp", "/").plugins, "/opt/pos/plugins/");
  EXPECT_EQ(ComputeAppFolders("/opt/pos/PlugIns", "/tmp", "/").plugins, "/opt/pos/PlugIns/");
  EXPECT_EQ(ComputeAppFolders("/opt/plugins2", "/tmp", "/").plugins, "/opt/plugins2/plugins/");

  // Every name ends with a separator.
  auto f = ComputeAppFolders("/opt/pos", "/var/tmp", "/home/till");
  EXPECT_EQ(f.app, "/opt/pos/");
  EXPECT_EQ(f.temp, "/var/tmp/");
  EXPECT_EQ(f.current, "/home/till/");
  EXPECT_EQ(f.cache, "/opt/pos/Cache/");
  EXPECT_EQ(f.impExp, "/opt/pos/ImpExp/");
  EXPECT_EQ(f.web, "/opt/pos/Web/");
  EXPECT_EQ(f.printLayouts, "/opt/pos/PrintLayouts/");
  EXPECT_EQ(f.retail, "/Retail/");
  EXPECT_EQ(f.promotions, "/Retail/RProProm/");
  EXPECT_EQ(f.clipboard, "/var/tmp/CSClip/");
  EXPECT_EQ(ComputeAppFolders("/opt/pos", "", "/").clipboard, "/tmp/CSClip/");
}

TEST(AppFolders, ProcessFoldersComeFromTheExecutableAndCreateTheCache) {
  fs::path host = fs::temp_directory_path() / ("norvane_folders_" + std::to_string(::getpid()));
  fs::remove_all(host);
  fs::create_directories(host);
  platform::SetExecutablePathOverride((host / "pos-host").string());
  foundation::ResetAppFolders();
  EXPECT_EQ(foundation::GetAppFolder(), host.string() + "/");
  EXPECT_EQ(foundation::GetPluginsFolder(), host.string() + "/plugins/");
  EXPECT_TRUE(fs::is_directory(host / "Cache"));
  EXPECT_FALSE(fs::exists(host / "Web"));  // names only; nothing else is created
  platform::SetExecutablePathOverride("");
  foundation::ResetAppFolders();
  fs::remove_all(host);
}

class Wmi : public ::testing::Test {
 protected:
  void TearDown() override { platform::wmi::SetComputerSystemProvider(nullptr); }
  void Answer(std::string name, std::string domain) {
    platform::wmi::SetComputerSystemProvider([=] {
      return platform::wmi::ComputerSystem{name, domain};
    });
  }
};

TEST_F(Wmi, FqdnIsNameDotTrimmedDomainOrTheNameAlone) {
  foundation::TWMIWrapper wmi;
  Answer("till07", "  shop.example ");
  EXPECT_EQ(wmi.GetFQDN(), "till07.shop.example");
  EXPECT_TRUE(wmi.Active());
  EXPECT_EQ(wmi.ClassName(), "Win32_ComputerSystem");
  Answer("till07", "");
  EXPECT_EQ(wmi.GetFQDN(), "till07");
  Answer("till07", "   ");
  EXPECT_EQ(wmi.GetFQDN(), "till07");
}

TEST_F(Wmi, FailuresRaiseTheManagementError) {
  foundation::TWMIWrapper wmi;
  platform::wmi::SetComputerSystemProvider(
      []() -> platform::wmi::ComputerSystem { throw std::runtime_error("service down"); });
  EXPECT_THROW(wmi.GetFQDN(), platform::wmi::WmiError);
  Answer("till07", "");
  EXPECT_THROW(wmi.OpenClass("Win32_BIOS", ""), platform::wmi::WmiError);
  EXPECT_THROW(wmi.GetString("Name"), platform::wmi::WmiError);  // no set open
  wmi.OpenClass("win32_computersystem", "");
  EXPECT_EQ(wmi.GetString("name"), "till07");
  EXPECT_THROW(wmi.GetString("Manufacturer"), platform::wmi::WmiError);
  wmi.Close();
  EXPECT_FALSE(wmi.Active());
}

}  // namespace
