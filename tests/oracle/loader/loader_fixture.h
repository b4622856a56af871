#pragma once
// Shared set-up of the loader tests: a private registry file, a clean
// environment (no ORACLE_HOME, LD_LIBRARY_PATH or NLS_LANG), a host command
// line without switches, the loader unloaded and its switches at their
// defaults; and helpers to build Oracle homes in a temporary folder.

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "oracle/oci_loader.h"
#include "oracle/oracle_errors.h"
#include "platform/process.h"
#include "platform/registry/registry.h"

namespace oracle_test {

namespace fs = std::filesystem;

inline std::string FakeClient(const std::string& name) {
  return std::string(FAKE_CLIENT_DIR) + "/lib" + name + ".so";
}

class LoaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() /
            ("oracle_loader_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
      ::unsetenv(name);
    }
    ::setenv("NORVANE_REGISTRY_FILE", (root_ / "registry").c_str(), 1);
    SetCommandLine({});
    ResetLoader();
  }

  void TearDown() override {
    ResetLoader();
    platform::SetCommandLineProvider({});
    for (std::size_t i = 0; i < std::size(kVariables); ++i) {
      if (saved_[i]) {
        ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        ::unsetenv(kVariables[i]);
      }
    }
    std::error_code ec;
    fs::remove_all(root_, ec);
  }

  static void ResetLoader() {
    oracle::FreeOCI();
    oracle::OCIDLL.clear();
    oracle::OCIDLLExclude.clear();
    oracle::OracleHomeName.clear();
    oracle::ForceOCI7 = false;
    oracle::OCILoadTrace.clear();
    oracle::MaxErrorMessageLength = 1023;
    oracle::OnOracleError = nullptr;
  }

  // Host command line: the program name followed by `params`.
  static void SetCommandLine(std::vector<std::string> params) {
    params.insert(params.begin(), "pos-host");
    platform::SetCommandLineProvider([params] { return params; });
  }

  // A folder below the test's temporary root, created.
  std::string Folder(const std::string& relative) const {
    fs::create_directories(root_ / relative);
    return (root_ / relative).string();
  }

  // An empty file below the test's temporary root (folders created).
  std::string File(const std::string& relative) const {
    fs::create_directories((root_ / relative).parent_path());
    std::ofstream(root_ / relative).put('x');
    return (root_ / relative).string();
  }

  // A copy of a fake client under `relative`.
  std::string Copy(const std::string& fake, const std::string& relative) const {
    fs::create_directories((root_ / relative).parent_path());
    fs::copy_file(FakeClient(fake), root_ / relative, fs::copy_options::overwrite_existing);
    return (root_ / relative).string();
  }

  static void WriteRegistry(platform::registry::Root root, const std::string& key,
                            const std::string& name, const std::string& value) {
    platform::registry::WriteString(root, key, name, value);
  }

  // Calls InitOCI and returns the text of the exception it throws (empty
  // when it does not throw).
  static std::string InitError() {
    try {
      oracle::InitOCI();
    } catch (const std::runtime_error& e) {
      return e.what();
    }
    return {};
  }

  // A function the loaded fake client exports for tests.
  template <class Fn>
  static Fn Hook(const char* name) {
    return reinterpret_cast<Fn>(::dlsym(oracle::OCIDLLHandle, name));
  }

  fs::path root_;

 private:
  static constexpr const char* kVariables[] = {"ORACLE_HOME", "LD_LIBRARY_PATH", "NLS_LANG",
                                               "NORVANE_REGISTRY_FILE", "NORVANE_OCI_CONFIG"};
  std::vector<std::optional<std::string>> saved_;
};

}  // namespace oracle_test
