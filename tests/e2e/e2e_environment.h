#pragma once
// A fresh registry file for each end-to-end test, removed afterwards.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace e2e {

class FreshRegistry : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (std::filesystem::temp_directory_path() / "e2e-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    ::setenv("NORVANE_REGISTRY_FILE", RegistryFile().c_str(), 1);
  }

  void TearDown() override {
    ::unsetenv("NORVANE_REGISTRY_FILE");
    std::error_code ignored;
    std::filesystem::remove_all(scratch_, ignored);
  }

  std::string RegistryFile() const { return (scratch_ / "registry").string(); }
  const std::filesystem::path& Scratch() const { return scratch_; }

 private:
  std::filesystem::path scratch_;
};

}  // namespace e2e
