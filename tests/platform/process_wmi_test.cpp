#include <gtest/gtest.h>

#include "platform/process.h"
#include "platform/wmi.h"

namespace {

TEST(ProcessFacts, ExecutableFolderEndsWithSeparatorAndHoldsTheExecutable) {
  std::string folder = platform::ExecutableFolder();
  ASSERT_FALSE(folder.empty());
  EXPECT_EQ(folder.back(), '/');
  EXPECT_EQ(platform::ExecutablePath().rfind(folder, 0), 0u);

  platform::SetExecutablePathOverride("/opt/host/bin/pos");
  EXPECT_EQ(platform::ExecutableFolder(), "/opt/host/bin/");
  platform::SetExecutablePathOverride("");
  EXPECT_EQ(platform::ExecutableFolder(), folder);
}

TEST(ProcessFacts, CommandLineIsRealUntilReplaced) {
  auto real = platform::CommandLineArgs();
  ASSERT_FALSE(real.empty());
  EXPECT_NE(real[0].find("platform_tests"), std::string::npos);

  platform::SetCommandLineProvider([] { return std::vector<std::string>{"host", "/WSCFGDIR=x"}; });
  EXPECT_EQ(platform::CommandLineArgs(), (std::vector<std::string>{"host", "/WSCFGDIR=x"}));
  platform::SetCommandLineProvider(nullptr);
  EXPECT_EQ(platform::CommandLineArgs(), real);
}

TEST(Wmi, AnswersANameAndWrapsProviderFailures) {
  auto cs = platform::wmi::QueryComputerSystem();
  EXPECT_FALSE(cs.name.empty());
  EXPECT_EQ(cs.name.find('.'), std::string::npos);

  platform::wmi::SetComputerSystemProvider([]() -> platform::wmi::ComputerSystem {
    throw std::runtime_error("no service");
  });
  try {
    platform::wmi::QueryComputerSystem();
    FAIL() << "expected WmiError";
  } catch (const platform::wmi::WmiError& e) {
    EXPECT_STREQ(e.what(), "Thrown: WMI Failure");
  }
  platform::wmi::SetComputerSystemProvider(nullptr);
}

}  // namespace
