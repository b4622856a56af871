#include "oracle_fixture/oracle_test_fixture.h"

#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>

#include "oracle/client/oci_loader_state.h"
#include "oracle/client/oracle_errors.h"
#include "oracle/query/query.h"
#include "platform/process.h"

namespace oracle_test_support {

namespace fs = std::filesystem;

namespace {

// Variables that steer the loader, the stand-in client or the registry.
constexpr const char* kVariables[] = {"ORACLE_HOME", "LD_LIBRARY_PATH", "NLS_LANG",
                                      "NORVANE_REGISTRY_FILE", "NORVANE_OCI_CONFIG"};

}  // namespace

void OracleEnvironmentTest::SetUp() {
  root_ =
      fs::temp_directory_path() / (prefix_ + std::to_string(::getpid()) + "_" +
                                   ::testing::UnitTest::GetInstance()->current_test_info()->name());
  fs::remove_all(root_);
  fs::create_directories(root_);
  saved_.clear();
  for (const char* name : kVariables) {
    const char* value = std::getenv(name);
    saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
    ::unsetenv(name);
  }
  ::setenv("NORVANE_REGISTRY_FILE", (root_ / "registry").c_str(), 1);
  SetCommandLine({});
  ResetLoader();
}

void OracleEnvironmentTest::TearDown() {
  ResetLoader();
  platform::SetCommandLineProvider({});
  for (std::size_t i = 0; i < saved_.size() && i < std::size(kVariables); ++i) {
    if (saved_[i]) {
      ::setenv(kVariables[i], saved_[i]->c_str(), 1);
    } else {
      ::unsetenv(kVariables[i]);
    }
  }
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void OracleEnvironmentTest::ResetLoader() {
  oracle::FreeOCI();
  oracle::OCIDLL.clear();
  oracle::OCIDLLExclude.clear();
  oracle::OracleHomeName.clear();
  oracle::ForceOCI7 = false;
  oracle::OCIGlobalEnvironment = false;
  oracle::OCILoadTrace.clear();
  oracle::MaxErrorMessageLength = 1023;
  oracle::OnOracleError = nullptr;
}

void OracleEnvironmentTest::SetCommandLine(std::vector<std::string> params) {
  params.insert(params.begin(), "pos-host");
  platform::SetCommandLineProvider([params] { return params; });
}

#ifdef STANDIN_ORACLE_HOME

void StandinDatabaseTest::SetUp() {
  OracleEnvironmentTest::SetUp();
  ::setenv("ORACLE_HOME", STANDIN_ORACLE_HOME, 1);
  fs::copy_file(HOST_DB_FIXTURE, root_ / "host.sqlite");
  std::ofstream(root_ / "ociclient.conf") << "RPROODS = host.sqlite\n@busy_timeout_ms = 200\n";
  ::setenv("NORVANE_OCI_CONFIG", (root_ / "ociclient.conf").c_str(), 1);
  oracle::InitOCI();
}

std::vector<std::string> StandinDatabaseTest::JournalSql() {
  const auto size = Hook<PFN_ociStandin_JournalSize>("ociStandin_JournalSize");
  const auto sql = Hook<PFN_ociStandin_JournalSql>("ociStandin_JournalSql");
  std::vector<std::string> texts;
  for (int i = 0, n = size(); i < n; ++i) texts.emplace_back(sql(i));
  return texts;
}

void StandinDatabaseTest::ClearJournal() {
  Hook<PFN_ociStandin_JournalClear>("ociStandin_JournalClear")();
}

void StandinDatabaseTest::FailNextCall(int code, const char* message) {
  Hook<PFN_ociStandin_FailNextCall>("ociStandin_FailNextCall")(code, message);
}

void StandinDatabaseTest::UsePluginAccount(oracle::TOracleSession& session) {
  session.SetLogonDatabase("RPROODS");
  session.SetLogonUsername("VESKDATA");
  session.SetLogonPassword("plimsy");
}

std::unique_ptr<oracle::TOracleSession> StandinDatabaseTest::NewSession() {
  auto session = std::make_unique<oracle::TOracleSession>();
  UsePluginAccount(*session);
  session->LogOn();
  return session;
}

void StandinDatabaseTest::InsertNumbers(oracle::TOracleSession& session, int count) {
  oracle::TOracleQuery insert;
  insert.SetSession(&session);
  insert.SetSQL("insert into numbers values (:n, :label)");
  insert.DeclareVariable("n", 3);
  insert.DeclareVariable("label", 5);
  for (int n = 1; n <= count; ++n) {
    insert.SetVariable("n", oracle::Variant::Integer(n));
    insert.SetVariable("label", oracle::Variant::String("row " + std::to_string(n)));
    insert.Execute();
  }
  session.Commit();
}

#endif  // STANDIN_ORACLE_HOME

}  // namespace oracle_test_support
