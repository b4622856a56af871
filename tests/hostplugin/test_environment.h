#pragma once
// Test set-up shared by the plug-in frame tests: a scratch folder, a command
// line and a machine name of the test's choosing, all restored afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "hostplugin/message_box.h"
#include "platform/process.h"
#include "platform/wmi.h"

namespace hostplugin_test {

class HostEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = temp_.Path();
    SetCommandLine({});
    SetMachine("POS-01", "shop.local");
    ::setenv("NORVANE_REGISTRY_FILE", (scratch_ / "registry").c_str(), 1);
    hostplugin::SetMessageBoxHandler(
        [this](const std::string& text) { messages_.push_back(text); });
  }

  void TearDown() override {
    hostplugin::SetMessageBoxHandler(nullptr);
    platform::SetCommandLineProvider(nullptr);
    platform::SetExecutablePathOverride("");
    platform::wmi::SetComputerSystemProvider(nullptr);
    ::unsetenv("NORVANE_REGISTRY_FILE");
  }

  // The host's arguments after its program name.
  void SetCommandLine(std::vector<std::string> args) {
    args.insert(args.begin(), "/opt/host/pos");
    platform::SetCommandLineProvider([args] { return args; });
  }

  void SetMachine(std::string name, std::string domain) {
    platform::wmi::SetComputerSystemProvider([name, domain] {
      return platform::wmi::ComputerSystem{name, domain};
    });
  }

  const std::filesystem::path& Scratch() const { return scratch_; }
  const std::vector<std::string>& Messages() const { return messages_; }

 private:
  testsupport::TempFolder temp_{"hostplugin"};
  std::filesystem::path scratch_;
  std::vector<std::string> messages_;
};

}  // namespace hostplugin_test
