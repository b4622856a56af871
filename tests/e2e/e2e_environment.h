#pragma once
// A fresh registry file for each end-to-end test, removed afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/temp_folder.h"

namespace e2e {

class FreshRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    scratch_ = temp_.Path();
    ::setenv("NORVANE_REGISTRY_FILE", RegistryFile().c_str(), 1);
  }

  void TearDown() override { ::unsetenv("NORVANE_REGISTRY_FILE"); }

  std::string RegistryFile() const { return (scratch_ / "registry").string(); }
  const std::filesystem::path& Scratch() const { return scratch_; }

 private:
  testsupport::TempFolder temp_{"e2e"};
  std::filesystem::path scratch_;
};

}  // namespace e2e
