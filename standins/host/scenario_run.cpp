#include "scenario_run.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>

#include "accounting.h"
#include "cashier.h"
#include "expectations.h"
#include "host_adapter.h"
#include "host_commands.h"
#include "host_database.h"
#include "oci_client_hooks.h"
#include "platform/process.h"
#include "plugin_library.h"
#include "queue_service_run.h"
#include "receipt_service.h"
#include "sale_events.h"
#include "soak.h"

namespace fs = std::filesystem;

namespace hostsim {

const char kRunHelp[] =
    "Usage: pos-host run LIBRARY SCENARIO [--screenshots DIR] [--keep DIR] [--trace]\n"
    "                    [--sales N [--seed S]]\n"
    "Stages the sale SCENARIO describes (a YAML file, see README.md) in a scratch\n"
    "host folder: settings files, a copy of the host database with the scenario's\n"
    "rows, the stand-in receipt service with its planned answers. Loads LIBRARY,\n"
    "creates and prepares its plug-ins, fires the scenario's events while playing\n"
    "the cashier in every dialog, prints a transcript, cleans up, unloads and\n"
    "checks the scenario's expectations.\n"
    "  --screenshots DIR  where the cashier's screenshots go\n"
    "  --keep DIR         use DIR (new or empty) as the host folder and keep it\n"
    "                     (with the request bodies the service received in received/)\n"
    "  --trace            print every call the plug-ins made on the host adapter\n"
    "  --sales N          a soak: the library serves N sales, each the scenario's\n"
    "                     events on a new copy of its invoice, with faults drawn\n"
    "                     at random; ends with the accounting of every receipt,\n"
    "                     customer, log line, thread and the resident memory\n"
    "  --seed S           the seed of the soak's faults (printed when drawn)\n"
    "Exit status: 0 when every expectation holds, 1 when one does not (each is\n"
    "named) or the library misbehaved, 2 for a bad scenario or usage.\n";

namespace {

constexpr int kOk = 0;
constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr char kHostFolderVariable[] = "NORVANE_POS_HOST_FOLDER";

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
    text.replace(at, from.size(), to);
  }
  return text;
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

// Every attribute name of `record` and its related records becomes a name
// the host knows for their kinds.
void LearnNames(BusinessObjectStore& store, int32_t kind, const BORecord& record) {
  auto known = store.KnownNames(kind);
  for (const auto& [name, value] : record.attributes) known->insert(name);
  for (const auto& [reference, children] : record.children) {
    if (std::optional<int32_t> childKind = KindOfReference(kind, reference)) {
      for (const RecordPtr& child : children) LearnNames(store, *childKind, *child);
    }
  }
}

}  // namespace

void RunQueueService(const fs::path& folder, const receiptservice::ReceiptService& service,
                     const std::string& when, QueueServiceDeliveries& deliveries, std::ostream& out,
                     std::vector<std::string>& failures) {
  const QueueServiceRun run =
      RunQueueServiceOnce(NORVANE_QUEUE_SERVICE, folder, service, service.RequestCount());
  deliveries.Add(run);
  out << "Queue service (" << when << "): " << run.Summary() << "\n";
  for (const std::string& file : run.files) out << "  " << file << "\n";
  if (!run.problem.empty()) failures.push_back("queue service (" + when + "): " + run.problem);
}

void StageService(const Scenario& scenario, receiptservice::ReceiptService& service) {
  service.Start();
  for (const receiptservice::Answer& answer : scenario.service.answers) service.Plan(answer);
  if (scenario.service.refuse) service.RefuseConnections(true);
  ::setenv("NORVANE_CA_BUNDLE", service.Certificates().caCert.c_str(), 1);
}

// Writes settings files; records each file's text by name in `staged`.
void StageSettings(const std::vector<SettingsFile>& files, const fs::path& folder,
                   const std::string& url, std::map<std::string, std::string>& staged) {
  for (const SettingsFile& settings : files) {
    std::string text = Replaced(settings.text, "${SERVICE_URL}", url);
    text = Replaced(text, "${HOST_FOLDER}", folder.string());
    WriteFile(folder / "VeskRcpts" / settings.name, text);
    staged[settings.name] = text;
  }
}

// A further document staged as the host stages the scenario's: it becomes the
// one the next events concern.
void StageNextDocument(const StagedRecord& document, HostAdapter& adapter, HostDatabase& database) {
  BusinessObjectStore& store = adapter.Store();
  store.Table(document.kind)->push_back(document.record);
  LearnNames(store, document.kind, *document.record);
  database.Mirror(document.kind, *document.record);
  store.SetDocument(document.kind, document.record);
}

namespace {

[[noreturn]] void FailReadOnly(const fs::path& folder, const char* step) {
  throw std::runtime_error("cannot make " + folder.string() + " read-only (" + step +
                           "): " + std::strerror(errno));
}

// A folder nobody can write in while the object lives, root included: its
// write bits are taken away, which stops an ordinary user; for root, whom
// permission bits do not stop, the folder is also bound over itself
// read-only in a mount namespace of this process's own (so the mount is seen
// by nothing else and vanishes with the process). A probe file proves it.
// The mount is made from the main thread, where the plug-in's dialogs write.
class ReadOnlyFolder {
 public:
  explicit ReadOnlyFolder(fs::path folder) : folder_(std::move(folder)) {
    fs::create_directories(folder_);
    if (::chmod(folder_.c_str(), 0555) != 0) FailReadOnly(folder_, "chmod");
    if (::geteuid() == 0) {
      if (::unshare(CLONE_NEWNS) != 0) FailReadOnly(folder_, "unshare");
      if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) {
        FailReadOnly(folder_, "private mounts");
      }
      if (::mount(folder_.c_str(), folder_.c_str(), nullptr, MS_BIND, nullptr) != 0) {
        FailReadOnly(folder_, "bind");
      }
      mounted_ = true;
      if (::mount(nullptr, folder_.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) !=
          0) {
        FailReadOnly(folder_, "remount read-only");
      }
    }
    const fs::path probe = folder_ / "probe";
    if (std::FILE* file = std::fopen(probe.c_str(), "w")) {
      std::fclose(file);
      fs::remove(probe);
      errno = EPERM;
      FailReadOnly(folder_, "a probe file could still be written");
    }
  }
  ~ReadOnlyFolder() {
    if (mounted_) ::umount2(folder_.c_str(), MNT_DETACH);
    ::chmod(folder_.c_str(), 0755);
  }
  ReadOnlyFolder(const ReadOnlyFolder&) = delete;
  ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

 private:
  fs::path folder_;
  bool mounted_ = false;
};

// The host folder to relaunch in: DIR of --keep (new or empty), else a new
// temporary folder.
fs::path MakeHostFolder(const RunOptions& options) {
  if (!options.keep.empty()) {
    fs::path folder = fs::absolute(options.keep);
    fs::create_directories(folder);
    if (!fs::is_empty(folder))
      throw std::runtime_error("the folder " + folder.string() + " is not empty");
    return folder;
  }
  std::string pattern = (fs::temp_directory_path() / "pos-host-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr)
    throw std::runtime_error("cannot make a temporary folder");
  return pattern;
}

}  // namespace

int Report(const std::vector<std::string>& failures, bool misbehaved, const char* holds,
           const char* failed, std::ostream& out) {
  if (failures.empty()) {
    out << "Result: " << holds << "\n";
  } else {
    out << "Result: " << failures.size() << " " << failed << ":\n";
    for (const std::string& failure : failures) out << "  - " << failure << "\n";
  }
  return failures.empty() && !misbehaved ? kOk : kFailure;
}

void StageHost(const Scenario& scenario, HostAdapter& adapter, HostDatabase& database) {
  BusinessObjectStore& store = adapter.Store();
  for (const StagedRecord& staged : scenario.records) {
    store.Table(staged.kind)->push_back(staged.record);
    LearnNames(store, staged.kind, *staged.record);
    database.Mirror(staged.kind, *staged.record);
  }
  if (scenario.document.record != nullptr) {
    store.SetDocument(scenario.document.kind, scenario.document.record);
  }
  for (const PreferenceEntry& preference : scenario.preferences) {
    store.SetPreference(preference.number, preference.subsidiary, preference.value);
  }
  for (const HostFault& fault : scenario.hostFaults) adapter.AddFault(fault);
  // A customer the plug-in creates or changes through the host is saved in
  // the database too, as the host saves it.
  store.SetPostHook([&database](int32_t kind, const BORecord& record, bool) {
    if (kind == kKindCustomer) database.Mirror(kind, record);
  });
  // A value id written to a customer's user-defined field stands for the
  // entry of the field's list, whose text the host keeps beside it.
  store.SetUdfValueSource([&database](const Variant& subsidiary, int udf, int64_t id) {
    return database.UdfValueText(subsidiary, udf, id);
  });
  for (const TableRow& row : scenario.database.rows) database.AddRow(row);
  if (scenario.database.logonRefused) database.LockReadAccount();
}

void StageOracleHome(const fs::path& folder, const std::string& ociClient,
                     const HostDatabase& database) {
  const fs::path home = folder / "oracle";
  fs::create_directories(home / "lib");
  fs::create_symlink(fs::absolute(ociClient), home / "lib" / "libociclient.so");
  const fs::path config = home / "network" / "admin" / "ociclient.conf";
  WriteFile(config, "RPROODS = " + database.Path() + "\n");
  ::setenv("ORACLE_HOME", home.c_str(), 1);
  ::setenv("NORVANE_OCI_CONFIG", config.c_str(), 1);
}

int RunScenario(const Scenario& scenario, const RunOptions& options, const std::string& hostFolder,
                std::ostream& out, std::ostream& err) {
  const fs::path folder = hostFolder;
  std::vector<std::string> failures;
  bool misbehaved = false;
  try {
    ::chdir(folder.c_str());
    ::setenv("NORVANE_REGISTRY_FILE", (folder / "registry").c_str(), 1);
    out << "Scenario: " << scenario.file << "\n";
    if (!scenario.description.empty()) out << "  " << scenario.description << "\n";
    out << "Host folder: " << folder.string() << "\n";

    HostDatabase database(options.fixture, (folder / "host.sqlite").string());
    ComPtr<HostAdapter> adapter = MakeComObject<HostAdapter>();
    StageHost(scenario, *adapter, database);
    StageOracleHome(folder, options.ociClient, database);
    std::optional<OciClientHooks> hooks;
    if (scenario.database.failStatement) {
      hooks.emplace(folder);
      hooks->FailStatements(*scenario.database.failStatement);
    }
    out << "Host database: " << database.Path() << " (" << scenario.records.size()
        << " records staged, " << scenario.database.rows.size() << " rows added)\n";

    receiptservice::ReceiptService service(
        receiptservice::MakeTestCertificates((folder / "certs").string()));
    StageService(scenario, service);
    out << "Receipt service: " << service.Url() << " (" << scenario.service.answers.size()
        << " answers planned" << (scenario.service.refuse ? ", refusing connections" : "") << ")\n";
    std::map<std::string, std::string> staged;
    StageSettings(scenario.settings, folder, service.Url(), staged);
    std::optional<ReadOnlyFolder> readOnly;
    if (scenario.settingsReadOnly) {
      // As a host that ran before has it: the queue folder exists already.
      fs::create_directories(folder / "VeskRcpts" / "Queue");
      readOnly.emplace(folder / "VeskRcpts");
      out << "Settings folder: read-only\n";
    }
    for (const HostFault& fault : scenario.hostFaults) {
      out << "Host fault: " << fault.operation
          << (fault.kind != 0 ? " on " + KindName(fault.kind) : std::string())
          << (fault.attribute.empty() ? std::string() : " of \"" + fault.attribute + "\"")
          << " fails with " << fault.code << " \"" << fault.text << "\" in \"" << fault.function
          << "\"\n";
    }
    if (scenario.database.logonRefused) out << "Database fault: the read account is locked\n";
    if (const auto& fault = scenario.database.failStatement) {
      out << "Database fault: statements holding \"" << fault->containing << "\" fail with ORA-"
          << fault->code << "\n";
    }

    std::vector<std::optional<DocumentState>> documents;  // after each event
    QueueServiceDeliveries deliveries;
    // The cashier watches from the first call on: a dialog shown while a
    // plug-in prepares or cleans up is answered (or closed) as well.
    Cashier cashier(
        scenario.cashier, scenario.dialogBoundMs,
        options.screenshots.empty() ? (folder / "screenshots").string() : options.screenshots,
        &out);
    {
      PluginLibrary library(options.library);
      out << "Library: " << library.Path() << "\n";
      {
        std::optional<std::vector<std::string>> classes = DiscoverPlugins(library, out, err);
        if (!classes) throw std::runtime_error("the library offers no plug-in list");
        SaleEvents events(out, failures);
        cashier.Start();
        misbehaved = !events.Load(library, *classes, adapter.Get());
        int number = 0;
        // A next document may be of another kind (a sales order after the
        // day's invoices): the events concern the plug-ins of its kind.
        int32_t documentKind = scenario.document.kind;
        for (const EventEntry& event : scenario.events) {
          StageSettings(event.settings, folder, service.Url(), staged);
          for (const SettingsFile& file : event.settings) {
            out << "Settings file " << file.name << " staged again\n";
          }
          if (event.nextDocument.record != nullptr) {
            StageNextDocument(event.nextDocument, *adapter, database);
            documentKind = event.nextDocument.kind;
            out << "Next document staged\n";
          }
          if (event.refuseConnections) {
            service.RefuseConnections(*event.refuseConnections);
            out << "Receipt service: "
                << (*event.refuseConnections ? "refusing connections" : "listening again") << "\n";
          }
          // The host saves the document: it is being edited while the
          // before-update event runs, so values set on it there are kept.
          BusinessObject* document = adapter->Store().Find(0);
          const bool saving = event.fires && event.kind == EventKind::BeforeUpdate &&
                              document != nullptr &&
                              document->State() == BusinessObject::Mode::Browse && document->Edit();
          ++number;
          if (event.fires) events.Fire(event, number, documentKind);
          if (saving && document->State() == BusinessObject::Mode::Edit) document->Post();
          if (event.runQueueService) {
            RunQueueService(folder, service, "after event " + std::to_string(number), deliveries,
                            out, failures);
          }
          documents.push_back(CurrentDocument(adapter->Store()));
          // What the host and the database hold right after this event.
          CheckObjects(scenario.expect, adapter->Store(), failures, number);
          CheckQueries(scenario.expect, database, failures, number);
        }
        misbehaved = !events.CleanUp() || misbehaved;
        cashier.Finish();
        failures.insert(failures.end(), cashier.Failures().begin(), cashier.Failures().end());
      }
      out << "Adapter calls: " << adapter->Trace().size() << "\n";
      if (options.trace) {
        for (const std::string& call : adapter->Trace()) out << "  " << call << "\n";
      }
      UnloadReporting(library, out, failures);
    }
    if (scenario.queueServiceAtEnd) {
      RunQueueService(folder, service, "at the end", deliveries, out, failures);
    }
    // A stall that would soon end is let end, as a real service would
    // answer it: the request then counts as taken, though its sender may
    // have given up on it long before.
    service.FinishStalls(kStallsLetEnd);
    service.Stop();
    std::vector<receiptservice::ReceivedRequest> received = service.Requests();
    service.MarkAnsweredAfterStall(received);
    out << "Service requests: " << received.size() << "\n";
    // Each body also goes to received/ in the host folder, for --keep.
    fs::create_directories(folder / "received");
    int number = 0;
    for (const auto& request : received) {
      const std::string operation = receiptservice::OperationName(request.operation);
      out << "  " << operation << " answered " << receiptservice::AnswerKindName(request.answer)
          << (request.answeredAfterStall ? " (then normal, after its sender gave up)" : "") << "\n";
      std::ofstream(folder / "received" / (std::to_string(++number) + "-" + operation + ".xml"),
                    std::ios::binary)
          << request.body;
    }

    const Expectations& expect = scenario.expect;
    CheckDialogs(expect, cashier.Shown(), failures);
    CheckRequests(expect, received, failures);
    CheckQueue(expect, folder, received, failures);
    CheckObjects(expect, adapter->Store(), failures);
    CheckDocument(expect, documents, adapter->Store(), failures);
    CheckQueries(expect, database, failures);
    CheckSettings(expect, folder, staged, failures);
    CheckFiles(expect, folder, failures);
    if (expect.receipts) {
      const Accounting accounting =
          Account(folder, received, adapter->Store(), database, deliveries);
      for (const std::string& line : accounting.lines) out << "Accounting: " << line << "\n";
      for (const std::string& line : ReceiptLines(accounting)) out << "  " << line << "\n";
      failures.insert(failures.end(), accounting.failures.begin(), accounting.failures.end());
      CheckReceipts(accounting, *expect.receipts, expect.receivedMoreThanOnce, failures);
    }
    if (expect.reprints && *expect.reprints != adapter->ReprintCount(0)) {
      failures.push_back(expect.reprintsPlace.Text() + ": the host was asked for " +
                         std::to_string(adapter->ReprintCount(0)) + " reprints, expected " +
                         std::to_string(*expect.reprints));
    }
  } catch (const std::exception& error) {
    err << "pos-host run: " << error.what() << "\n";
    failures.push_back(error.what());
    misbehaved = true;
  }
  return Report(failures, misbehaved, "every expectation holds", "expectation(s) did not hold",
                out);
}

int RunScenarioCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RunOptions options;
  options.fixture = NORVANE_HOST_DB_FIXTURE;
  options.ociClient = NORVANE_OCI_CLIENT;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--help" || arg == "-h") {
      out << kRunHelp;
      return kOk;
    } else if (arg == "--screenshots" && hasValue) {
      options.screenshots = fs::absolute(args[++i]).string();
    } else if (arg == "--keep" && hasValue) {
      options.keep = fs::absolute(args[++i]).string();
    } else if ((arg == "--sales" || arg == "--seed") && hasValue) {
      const std::string& value = args[++i];
      uint64_t number = 0;
      auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
      if (error != std::errc() || end != value.data() + value.size() ||
          (arg == "--sales" && (number == 0 || number > 1'000'000))) {
        err << "pos-host run: " << arg << " needs a whole number, not \"" << value << "\"\n";
        return kUsage;
      }
      if (arg == "--sales") {
        options.sales = static_cast<int>(number);
      } else {
        options.seed = number;
      }
    } else if (arg == "--trace") {
      options.trace = true;
    } else if (positional.size() >= 2 && !arg.empty() && (arg[0] == '-' || arg[0] == '/')) {
      options.switches.push_back(arg);  // a host switch, read by the plug-in
    } else if (positional.size() < 2 && !arg.empty() && arg[0] != '-') {
      positional.push_back(arg);
    } else {
      err << kRunHelp;
      return kUsage;
    }
  }
  if (positional.size() != 2) {
    err << kRunHelp;
    return kUsage;
  }
  options.library = fs::absolute(positional[0]).string();
  options.scenario = fs::absolute(positional[1]).string();

  Scenario scenario;
  try {
    scenario = ReadScenario(positional[1]);
  } catch (const ScenarioError& error) {
    err << "pos-host run: " << error.what() << "\n";
    return kUsage;
  }

  const char* inside = std::getenv(kHostFolderVariable);
  const std::string ownFolder = fs::path(platform::ExecutableFolder()).parent_path().string();
  if (inside != nullptr && ownFolder != inside) {
    // Started as the relaunched copy but not from its folder: never relaunch
    // again.
    err << "pos-host run: " << kHostFolderVariable << " names " << inside
        << ", but pos-host runs from " << ownFolder << "\n";
    return kFailure;
  }
  if (inside != nullptr) {
    ::unsetenv(kHostFolderVariable);
    const int status = options.sales > 0 ? RunSoak(scenario, options, ownFolder, out, err)
                                         : RunScenario(scenario, options, ownFolder, out, err);
    out.flush();
    if (options.keep.empty()) {
      std::error_code ignored;
      fs::remove_all(ownFolder, ignored);
    } else {
      out << "Host folder kept: " << ownFolder << "\n";
    }
    return status;
  }

  // Relaunch from a copy inside the host folder, with the scenario's switches
  // on the command line where the plug-in reads them.
  try {
    // The folder as the relaunched copy will find its own executable's.
    const fs::path folder = fs::canonical(MakeHostFolder(options));
    const fs::path program = folder / "pos-host";
    fs::copy_file(platform::ExecutablePath(), program);
    std::vector<std::string> words = {program.string(), "run", options.library, options.scenario};
    if (!options.screenshots.empty())
      words.insert(words.end(), {"--screenshots", options.screenshots});
    if (!options.keep.empty()) words.insert(words.end(), {"--keep", options.keep});
    if (options.trace) words.push_back("--trace");
    if (options.sales > 0) words.insert(words.end(), {"--sales", std::to_string(options.sales)});
    if (options.seed) words.insert(words.end(), {"--seed", std::to_string(*options.seed)});
    words.insert(words.end(), options.switches.begin(), options.switches.end());
    words.insert(words.end(), scenario.switches.begin(), scenario.switches.end());
    std::vector<char*> argv;
    for (std::string& word : words) argv.push_back(word.data());
    argv.push_back(nullptr);
    ::setenv(kHostFolderVariable, folder.c_str(), 1);
    out.flush();
    ::execv(program.c_str(), argv.data());
    err << "pos-host run: cannot start " << program.string() << "\n";
    fs::remove_all(folder);
    return kFailure;
  } catch (const std::exception& error) {
    err << "pos-host run: " << error.what() << "\n";
    return kFailure;
  }
}

}  // namespace hostsim
