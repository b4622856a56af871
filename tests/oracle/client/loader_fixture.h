#pragma once
// Set-up of the loader tests: the shared test environment (a private
// registry file, no ORACLE_HOME, LD_LIBRARY_PATH or NLS_LANG, a host command
// line without switches, the loader unloaded and its switches at their
// defaults) and helpers to build Oracle homes in a temporary folder.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>

#include "oracle/client/oci_loader.h"
#include "oracle/client/oracle_errors.h"
#include "oracle_fixture/oracle_test_fixture.h"
#include "platform/process.h"
#include "platform/registry/registry.h"

namespace oracle_test {

namespace fs = std::filesystem;

inline std::string FakeClient(const std::string& name) {
  return std::string(FAKE_CLIENT_DIR) + "/lib" + name + ".so";
}

class LoaderTest : public oracle_test_support::OracleEnvironmentTest {
 protected:
  LoaderTest() : OracleEnvironmentTest("oracle_loader_") {}

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
};

}  // namespace oracle_test
