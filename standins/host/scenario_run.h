#pragma once
// `pos-host run LIB SCENARIO [--screenshots DIR] [--keep DIR] [--trace]`:
// stages the scenario's sale in a scratch host folder (settings files, a copy
// of the host database with the scenario's rows, the stand-in OCI client's
// configuration, the stand-in receipt service with fresh certificates and the
// planned answers), loads the library, creates and prepares its plug-ins as
// `discover` does, fires the scenario's events while the cashier answers the
// dialogs, prints a transcript, cleans up, unloads and checks the
// expectations. Exit status: 0 when every expectation holds, 1 with the list
// of those that did not (or when the library misbehaved), 2 for a bad
// scenario or usage.
//
// The plug-in keeps its files beside the host's executable, so the run
// happens in a copy of pos-host placed in the scratch folder: the command
// copies itself there and starts the copy, which finds itself inside its
// host folder (NORVANE_POS_HOST_FOLDER) and does the run.

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "host_adapter.h"
#include "host_database.h"
#include "queue_service_run.h"
#include "receipt_service.h"
#include "scenario.h"

namespace hostsim {

// At the end of a run, a stall of the receipt service that ends within this
// is let end (the request is then answered) before the service stops.
inline constexpr std::chrono::seconds kStallsLetEnd{10};

struct RunOptions {
  std::string library;
  std::string scenario;
  std::string screenshots;  // empty: "screenshots" in the host folder
  std::string keep;         // empty: the host folder is removed afterwards
  bool trace = false;       // print every adapter call
  std::vector<std::string> switches;
  std::string fixture;    // the host database fixture
  std::string ociClient;  // the stand-in OCI client library
  // A soak (soak.h): the sales served, and the seed of its faults (drawn
  // when not given).
  int sales = 0;
  std::optional<uint64_t> seed;
};

// Puts the scenario's records, document, preferences and host faults into
// the adapter's store and its records and extra rows into the database copy;
// a customer later posted through the host is written to the database too
// (`database` must outlive the adapter's use).
void StageHost(const Scenario& scenario, HostAdapter& adapter, HostDatabase& database);

// An Oracle home in `folder` whose client is the stand-in `ociClient`, with
// "RPROODS" naming the database copy; ORACLE_HOME and NORVANE_OCI_CONFIG
// point at it.
void StageOracleHome(const std::filesystem::path& folder, const std::string& ociClient,
                     const HostDatabase& database);

// Starts `service` with the scenario's planned answers and makes the
// plug-in trust its authority.
void StageService(const Scenario& scenario, receiptservice::ReceiptService& service);
// Writes settings files into the host folder's VeskRcpts/, `url` taking the
// place of "${SERVICE_URL}"; records each file's text by name in `staged`.
void StageSettings(const std::vector<SettingsFile>& files, const std::filesystem::path& folder,
                   const std::string& url, std::map<std::string, std::string>& staged);
// A further document staged as the host stages the scenario's: it becomes
// the one the next events concern.
void StageNextDocument(const StagedRecord& document, HostAdapter& adapter, HostDatabase& database);

// Runs the queue service once over the host folder (`when` names the moment
// in the transcript line), adds its deliveries to `deliveries` and a failure
// when the run did not end well.
void RunQueueService(const std::filesystem::path& folder,
                     const receiptservice::ReceiptService& service, const std::string& when,
                     QueueServiceDeliveries& deliveries, std::ostream& out,
                     std::vector<std::string>& failures);

// Prints the result line (`holds`, or the count, `failed` and each failure)
// and returns the exit status: 0 when nothing failed and the library behaved.
int Report(const std::vector<std::string>& failures, bool misbehaved, const char* holds,
           const char* failed, std::ostream& out);

// The run itself, in a process whose executable lies in `hostFolder`.
// Returns the exit status.
int RunScenario(const Scenario& scenario, const RunOptions& options, const std::string& hostFolder,
                std::ostream& out, std::ostream& err);

// `args` are the words after "run".
int RunScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

extern const char kRunHelp[];

}  // namespace hostsim
