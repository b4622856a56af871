#pragma once
// A sale staged from a scenario file of tests/scenarios in the simulated
// host, for tests that run the plug-in's database and extraction code in
// process: the host's business objects behind its adapter, a copy of the
// host database fixture with the scenario's rows, the stand-in OCI client in
// an Oracle home naming that copy "RPROODS", and the scenario's settings files
// read into the settings records (the subsidiary set to the document's, as
// the processor sets it). When it goes, the data module is freed, the client
// unloaded and the settings and environment put back.

#include <dlfcn.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/temp_folder.h"
#include "foundation/prefs_io.h"
#include "foundation/prefs_records.h"
#include "host_adapter.h"
#include "host_database.h"
#include "oracle/client/oci_loader.h"
#include "receipt/host_data_module.h"
#include "scenario.h"
#include "scenario_run.h"

namespace stagedhost {

namespace fs = std::filesystem;

inline hostsim::Scenario ReadScenario(const std::string& file) {
  return hostsim::ReadScenario(std::string(SCENARIO_DIR) + "/" + file);
}

// A text as an Oracle literal, as the client's journal shows bind values.
inline std::string Quoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("''") : std::string(1, c);
  return quoted + "'";
}

class StagedHost {
 public:
  explicit StagedHost(hostsim::Scenario scenario) : scenario_(std::move(scenario)) {
    for (const char* name : kVariables) {
      const char* value = std::getenv(name);
      saved_.emplace_back(value ? std::optional<std::string>(value) : std::nullopt);
    }
    ::setenv("NORVANE_REGISTRY_FILE", (temp_.Path() / "registry").c_str(), 1);
    oracle::FreeOCI();
    database_ = std::make_unique<hostsim::HostDatabase>(HOST_DB_FIXTURE,
                                                        (temp_.Path() / "host.sqlite").string());
    hostsim::StageHost(scenario_, *adapter_, *database_);
    hostsim::StageOracleHome(temp_.Path(), OCI_CLIENT, *database_);
    const fs::path settings = temp_.Path() / "VeskRcpts";
    fs::create_directories(settings);
    for (const hostsim::SettingsFile& file : scenario_.settings) {
      std::ofstream(settings / file.name, std::ios::binary) << file.text;
    }
    foundation::ReadMainPrefs(settings.string(), "", (settings / "VeskMain.ini").string(),
                              (settings / "VeskMain.dat").string());
    foundation::ReadStorePrefs((settings / "VeskStore.ini").string());
    if (scenario_.document.record != nullptr) {
      auto it = scenario_.document.record->attributes.find("Subsidiary Number");
      if (it != scenario_.document.record->attributes.end()) {
        foundation::MainPrefs.SBS = it->second.ToString();
      }
    }
    // The client the plug-in loads (the same file, so the same loaded copy),
    // for its journal and error injection.
    client_ = ::dlopen((temp_.Path() / "oracle" / "lib" / "libociclient.so").c_str(),
                       RTLD_NOW | RTLD_LOCAL);
    if (client_ == nullptr) throw std::runtime_error(::dlerror());
  }

  ~StagedHost() {
    receipt::FreeDataModule();
    oracle::FreeOCI();
    ::dlclose(client_);
    foundation::MainPrefs = savedMain_;
    foundation::StorePrefs = savedStore_;
    for (size_t i = 0; i < saved_.size(); ++i) {
      if (saved_[i]) {
        ::setenv(kVariables[i], saved_[i]->c_str(), 1);
      } else {
        ::unsetenv(kVariables[i]);
      }
    }
  }
  StagedHost(const StagedHost&) = delete;
  StagedHost& operator=(const StagedHost&) = delete;

  hostsim::HostAdapter& Adapter() { return *adapter_; }
  hostsim::HostDatabase& Database() { return *database_; }
  const fs::path& Folder() const { return temp_.Path(); }

  // The child object of `bo` under `reference`.
  int32_t Child(int32_t bo, const char* reference) {
    BStr name(reference);
    int32_t child = -1, status = 0;
    adapter_->BOGetChild(bo, name.Get(), &child, &status);
    return child;
  }

  // Each statement the client ran since the last clear, followed by its
  // binds in brackets ("SQL [NAME='v', ...]").
  std::vector<std::string> Journal() {
    const auto size = Hook<int (*)()>("ociStandin_JournalSize");
    const auto sql = Hook<const char* (*)(int)>("ociStandin_JournalSql");
    const auto count = Hook<int (*)(int)>("ociStandin_JournalBindCount");
    const auto bind = Hook<const char* (*)(int, int)>("ociStandin_JournalBind");
    std::vector<std::string> entries;
    for (int i = 0, n = size(); i < n; ++i) {
      std::string entry = sql(i);
      for (int b = 0, m = count(i); b < m; ++b) {
        entry += (b == 0 ? " [" : ", ") + std::string(bind(i, b));
      }
      if (count(i) > 0) entry += "]";
      entries.push_back(entry);
    }
    return entries;
  }
  void ClearJournal() { Hook<void (*)()>("ociStandin_JournalClear")(); }
  // How many statement texts the client has compiled so far.
  int Prepares() { return Hook<int (*)()>("ociStandin_PrepareCount")(); }
  // Every statement holding `fragment` fails with ORA-`code` (null: none).
  void FailStatements(const char* fragment, int code) {
    Hook<void (*)(const char*, int, const char*)>("ociStandin_FailStatements")(fragment, code,
                                                                               nullptr);
  }

 private:
  template <class Fn>
  Fn Hook(const char* name) {
    auto fn = reinterpret_cast<Fn>(::dlsym(client_, name));
    if (fn == nullptr) throw std::runtime_error(std::string("the client lacks ") + name);
    return fn;
  }

  static constexpr const char* kVariables[] = {"ORACLE_HOME", "NORVANE_OCI_CONFIG",
                                               "NORVANE_REGISTRY_FILE"};

  testsupport::TempFolder temp_{"norvane_staged_host"};
  hostsim::Scenario scenario_;
  std::vector<std::optional<std::string>> saved_;
  foundation::TMainPrefs savedMain_ = foundation::MainPrefs;
  foundation::TStorePrefs savedStore_ = foundation::StorePrefs;
  std::unique_ptr<hostsim::HostDatabase> database_;
  ComPtr<hostsim::HostAdapter> adapter_ = MakeComObject<hostsim::HostAdapter>();
  void* client_ = nullptr;
};

}  // namespace stagedhost
