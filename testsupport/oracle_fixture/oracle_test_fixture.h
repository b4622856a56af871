#pragma once
// Fixtures shared by the Oracle library's tests.
//
// OracleEnvironmentTest: a temporary folder per test, the Oracle-related
// environment variables saved and cleared (and put back afterwards), a
// private registry file, a host command line without switches, and the
// loader unloaded with its switches at their defaults before and after.
//
// StandinDatabaseTest (when the stand-in client is built): on top of that,
// the stand-in client found through its stand-in Oracle home, a fresh copy
// of the host database fixture reachable as "RPROODS", the client loaded,
// and helpers for the stand-in's statement journal and the plug-in's
// account.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "oracle/client/oci_loader.h"
#include "oracle/session/session.h"

#ifdef STANDIN_ORACLE_HOME
#include "ociclient_testing.h"
#endif

namespace oracle_test_support {

class OracleEnvironmentTest : public ::testing::Test {
 protected:
  // `prefix` begins the name of the test's temporary folder.
  explicit OracleEnvironmentTest(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override;
  void TearDown() override;

  // Unloads the client and puts the loader's switches back to their defaults.
  static void ResetLoader();

  // Host command line: the program name followed by `params`.
  static void SetCommandLine(std::vector<std::string> params);

  // A function the loaded client exports for tests.
  template <class Fn>
  static Fn Hook(const char* name) {
    auto fn = reinterpret_cast<Fn>(::dlsym(oracle::OCIDLLHandle, name));
    if (fn == nullptr) throw std::runtime_error(std::string("the loaded client lacks ") + name);
    return fn;
  }

  std::filesystem::path root_;

 private:
  std::string prefix_;
  std::vector<std::optional<std::string>> saved_;
};

#ifdef STANDIN_ORACLE_HOME

class StandinDatabaseTest : public OracleEnvironmentTest {
 protected:
  using OracleEnvironmentTest::OracleEnvironmentTest;

  void SetUp() override;

  // Every SQL text the stand-in received since the last clear.
  static std::vector<std::string> JournalSql();
  static void ClearJournal();
  // The next database call fails with ORA-`code` and `message`.
  static void FailNextCall(int code, const char* message = nullptr);

  // A session set up with the plug-in's account, not yet connected.
  static void UsePluginAccount(oracle::TOracleSession& session);
  // A session logged on with the plug-in's account.
  static std::unique_ptr<oracle::TOracleSession> NewSession();

  // Fills the table `numbers` (n number(10), label varchar2(20)) with the
  // rows n = 1 .. count and "row n", and commits.
  static void InsertNumbers(oracle::TOracleSession& session, int count);
};

#endif  // STANDIN_ORACLE_HOME

}  // namespace oracle_test_support
