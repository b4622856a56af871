#include "soak.h"

#include <pugixml.hpp>

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <sstream>

#include "accounting.h"
#include "cashier.h"
#include "expectations.h"
#include "host_commands.h"
#include "host_database.h"
#include "oci_client_hooks.h"
#include "platform/text.h"
#include "plugin_library.h"
#include "process_watch.h"
#include "queue_service_run.h"
#include "receipt_service.h"
#include "sale_events.h"

namespace fs = std::filesystem;

namespace hostsim {

namespace {

constexpr int kSaleMeasuredFirst = 100;  // resident memory is compared with this sale's
constexpr double kMemoryGrowthAllowed = 0.10;
// A stall outlasts the client's timeout (a second at the least).
constexpr std::chrono::milliseconds kStall{1500};

enum class FaultKind { None, Service, Refused, Host, Database };

struct Fault {
  FaultKind kind = FaultKind::None;
  receiptservice::AnswerKind answer = receiptservice::AnswerKind::Normal;
  HostFault host;
  StatementFault statement;
  std::string name;  // for the tally
};

// The faults a sale may meet, drawn with equal weight; half the sales meet
// none.
std::vector<Fault> FaultMenu() {
  using receiptservice::AnswerKind;
  std::vector<Fault> menu;
  for (AnswerKind answer :
       {AnswerKind::NotFound, AnswerKind::ServerError, AnswerKind::HandshakeFailure,
        AnswerKind::Stall, AnswerKind::Garbage, AnswerKind::ErrorStatus}) {
    menu.push_back({FaultKind::Service,
                    answer,
                    {},
                    {},
                    std::string("service ") + receiptservice::AnswerKindName(answer)});
  }
  menu.push_back({FaultKind::Refused, {}, {}, {}, "service refusing connections"});
  menu.push_back({FaultKind::Host,
                  {},
                  {"filter", kKindCustomer, "", 7, "Filter failed", "BOSetFilter"},
                  {},
                  "host customer filter failing"});
  menu.push_back({FaultKind::Host,
                  {},
                  {"read", kKindInvoice, "Invc Total", 9, "Read failed", "BOGetAttrValue"},
                  {},
                  "host invoice read failing"});
  menu.push_back({FaultKind::Database, {}, {}, {"customer", 3113, ""}, "database: customer"});
  menu.push_back({FaultKind::Database, {}, {}, {"invoice_v", 942, ""}, "database: invoice_v"});
  return menu;
}

// The scenario's document again, as sale `index` (from 0): its SID and
// number counted up.
StagedRecord SaleDocument(const StagedRecord& first, int index) {
  auto record = std::make_shared<BORecord>(*first.record);
  for (const char* name : {"Invoice SID", "Invoice Number"}) {
    auto it = record->attributes.find(name);
    if (it != record->attributes.end()) {
      it->second = Variant(static_cast<int32_t>(it->second.ToInt64() + index));
    }
  }
  return {first.kind, record};
}

std::string NumberOf(const StagedRecord& document) {
  auto it = document.record->attributes.find("Invoice Number");
  return it == document.record->attributes.end() ? std::string() : ValueText(it->second);
}

std::string Megabytes(size_t bytes) {
  std::ostringstream text;
  text.precision(1);
  text << std::fixed << static_cast<double>(bytes) / (1024.0 * 1024.0) << " MiB";
  return text.str();
}

// Keeps of each request what the accounting reads, so that a thousand sales'
// requests do not fill the memory being watched: its answer and operation,
// and a body of its receipt number and type, or of a note that it was not
// well-formed XML.
void Slim(std::vector<receiptservice::ReceivedRequest> taken,
          std::vector<receiptservice::ReceivedRequest>& kept) {
  for (receiptservice::ReceivedRequest& request : taken) {
    pugi::xml_document document;
    if (!document.load_buffer(request.body.data(), request.body.size())) {
      request.body = "<not-well-formed";
    } else {
      request.body =
          "<r><ReceiptNumber>" + receiptservice::RequestValue(request.body, "ReceiptNumber") +
          "</ReceiptNumber><ReceiptType>" +
          receiptservice::RequestValue(request.body, "ReceiptType") + "</ReceiptType></r>";
    }
    request.headers.clear();
    kept.push_back(std::move(request));
  }
}

// Memory freed under AddressSanitizer stays resident in its quarantine, so
// resident memory says nothing about leaks there (it finds those itself).
constexpr bool kUnderAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    true;
#else
    false;
#endif
#else
    false;
#endif

// Lines of the application log holding each sale's number as the plug-in
// logs it when a sale starts; every sale must have exactly one.
void CountSaleLines(const fs::path& folder, const std::vector<std::string>& numbers,
                    std::ostream& out, std::vector<std::string>& failures) {
  size_t lines = 0;
  std::map<std::string, int> found;
  for (const fs::path& file : FilesBelow(folder / "logs")) {
    std::istringstream log(ReadFile(file));
    for (std::string line; std::getline(log, line);) {
      ++lines;
      const size_t at = line.find("Invoice Number = ");
      if (at != std::string::npos) {
        ++found[std::string(platform::TrimControls(std::string_view(line).substr(at + 17)))];
      }
    }
  }
  int missing = 0;
  for (const std::string& number : numbers) {
    auto it = found.find(number);
    if (it != found.end() && it->second == 1) continue;
    ++missing;
    if (missing <= 10) {
      failures.push_back("the application log holds " +
                         std::to_string(it == found.end() ? 0 : it->second) + " lines for sale " +
                         number + ", expected one");
    }
  }
  out << "Application log: " << lines << " lines, the opening line of " << numbers.size() - missing
      << " of " << numbers.size() << " sales\n";
}

}  // namespace

int RunSoak(const Scenario& scenario, const RunOptions& options, const std::string& hostFolder,
            std::ostream& out, std::ostream& err) {
  const fs::path folder = hostFolder;
  std::vector<std::string> failures;
  bool misbehaved = false;
  try {
    if (scenario.document.record == nullptr || scenario.document.kind != kKindInvoice) {
      throw std::runtime_error("a soak needs an invoice as the scenario's document");
    }
    const uint64_t seed = options.seed.value_or(std::random_device{}());
    out << "Soak: " << options.sales << " sales of " << scenario.file << ", seed " << seed
        << " (--seed " << seed << " repeats it)\n";
    // The plug-in finds its settings beside the host's executable, relative
    // to the working folder as the host starts it.
    if (::chdir(folder.c_str()) != 0) throw std::runtime_error("cannot enter " + folder.string());
    ::setenv("NORVANE_REGISTRY_FILE", (folder / "registry").c_str(), 1);

    HostDatabase database(options.fixture, (folder / "host.sqlite").string());
    ComPtr<HostAdapter> adapter = MakeComObject<HostAdapter>();
    StageHost(scenario, *adapter, database);
    StageOracleHome(folder, options.ociClient, database);
    OciClientHooks hooks(folder);
    receiptservice::ReceiptService service(
        receiptservice::MakeTestCertificates((folder / "certs").string()));
    StageService(scenario, service);
    std::map<std::string, std::string> staged;
    StageSettings(scenario.settings, folder, service.Url(), staged);

    std::ostringstream quiet;  // the calls of a thousand sales are not shown
    Cashier cashier(scenario.cashier, scenario.dialogBoundMs, (folder / "screenshots").string());
    cashier.AnswerByName();
    const ThreadList threadsBefore = Threads();
    ThreadList threadsAfterCleanUp;
    ThreadList threadsAfterUnload;
    std::mt19937_64 random(seed);
    const std::vector<Fault> menu = FaultMenu();
    std::map<std::string, int> tally;
    std::vector<std::string> numbers;
    std::vector<std::string> faultless;  // numbers of the sales that met no fault
    std::set<std::string> stalled;       // numbers of the sales whose send stalled
    std::vector<receiptservice::ReceivedRequest> received;  // slimmed, see Slim
    RecordPtr previous;
    size_t residentFirst = 0;
    size_t residentLast = 0;
    {
      PluginLibrary library(options.library);
      {
        std::optional<std::vector<std::string>> classes = DiscoverPlugins(library, quiet, err);
        if (!classes) throw std::runtime_error("the library offers no plug-in list");
        SaleEvents events(quiet, failures);
        cashier.Start();
        misbehaved = !events.Load(library, *classes, adapter.Get());
        for (int sale = 0; sale < options.sales; ++sale) {
          const StagedRecord document =
              sale == 0 ? scenario.document : SaleDocument(scenario.document, sale);
          if (sale > 0) StageNextDocument(document, *adapter, database);
          numbers.push_back(NumberOf(document));

          Fault fault;
          if (random() % 2 == 1) fault = menu[random() % menu.size()];
          ++tally[fault.kind == FaultKind::None ? std::string("none") : fault.name];
          if (fault.kind == FaultKind::None) faultless.push_back(numbers.back());
          if (fault.kind == FaultKind::Service &&
              fault.answer == receiptservice::AnswerKind::Stall) {
            stalled.insert(numbers.back());
          }
          switch (fault.kind) {
            case FaultKind::Service:
              service.SetDefaultAnswer({.kind = fault.answer, .stall = kStall});
              break;
            case FaultKind::Refused:
              service.RefuseConnections(true);
              break;
            case FaultKind::Host:
              adapter->AddFault(fault.host);
              break;
            case FaultKind::Database:
              hooks.FailStatements(fault.statement);
              break;
            case FaultKind::None:
              break;
          }

          int number = 0;
          for (const EventEntry& event : scenario.events) {
            BusinessObject* current = adapter->Store().Find(0);
            const bool saving = event.kind == EventKind::BeforeUpdate && current != nullptr &&
                                current->State() == BusinessObject::Mode::Browse && current->Edit();
            events.Fire(event, ++number, kKindInvoice);
            if (saving && current->State() == BusinessObject::Mode::Edit) current->Post();
          }

          Slim(service.TakeRequests(), received);
          // The host keeps no finished sale in memory: only the current
          // document and the first (the scenario's) stay.
          if (sale > 1) {
            auto invoices = adapter->Store().Table(kKindInvoice);
            std::erase(*invoices, previous);
          }
          previous = document.record;
          service.SetDefaultAnswer({});
          service.RefuseConnections(false);
          adapter->ClearFaults();
          hooks.Clear();
          adapter->ClearTrace();
          quiet.str({});
          if (sale + 1 == kSaleMeasuredFirst) residentFirst = ResidentBytes();
        }
        residentLast = ResidentBytes();
        misbehaved = !events.CleanUp() || misbehaved;
        cashier.Finish();
        failures.insert(failures.end(), cashier.Failures().begin(), cashier.Failures().end());
      }
      threadsAfterCleanUp = Threads();
      UnloadReporting(library, out, failures);
    }
    // At the end of the day the queue service delivers what was queued.
    QueueServiceDeliveries deliveries;
    if (scenario.queueServiceAtEnd) {
      Slim(service.TakeRequests(), received);
      const size_t before = received.size();
      QueueServiceRun run = RunQueueServiceOnce(NORVANE_QUEUE_SERVICE, folder, service, 0);
      run.firstRequest += before;
      run.endRequest += before;
      deliveries.Add(run);
      out << "Queue service (at the end): " << run.Summary() << "\n";
      if (!run.problem.empty()) failures.push_back("queue service (at the end): " + run.problem);
    }
    threadsAfterUnload = Threads();
    service.FinishStalls(kStallsLetEnd);
    service.Stop();
    const ThreadList threadsAfterService = Threads();

    out << "Faults met:";
    for (const auto& [name, count] : tally) out << " " << name << " " << count << ";";
    out << "\nDialogs answered: " << cashier.Answered() << "\n";

    Slim(service.TakeRequests(), received);
    service.MarkAnsweredAfterStall(received);
    const Accounting accounting = Account(folder, received, adapter->Store(), database, deliveries);
    for (const std::string& line : accounting.lines) out << "Accounting: " << line << "\n";
    failures.insert(failures.end(), accounting.failures.begin(), accounting.failures.end());
    // A sale whose send stalled past the client's time-out queued its
    // receipt, which the service took all the same: held twice once the
    // queue service delivered it. Only such sales may be held more than once.
    for (const auto& [number, times] : accounting.heldMoreThanOnce) {
      if (!stalled.contains(number)) {
        failures.push_back("receipt " + number + " is held " + std::to_string(times) +
                           " times by the service's records, but its send did not stall");
      }
    }
    int unsent = 0;
    for (const std::string& number : faultless) {
      auto it = accounting.receipts.find(number);
      if (it != accounting.receipts.end() && it->second.asked == 1) continue;
      if (++unsent <= 10) {
        failures.push_back("sale " + number + " met no fault but did not send its receipt once");
      }
    }
    out << "Sales without a fault: " << faultless.size() << ", " << faultless.size() - unsent
        << " of them sent their receipt once\n";
    CountSaleLines(folder, numbers, out, failures);
    CheckFiles(scenario.expect, folder, failures);

    if (residentFirst == 0 || kUnderAddressSanitizer) {
      out << "Resident memory: " << Megabytes(residentLast) << " after the last sale"
          << (kUnderAddressSanitizer
                  ? " (not compared under AddressSanitizer, whose quarantine "
                    "keeps freed memory)"
                  : " (fewer than " + std::to_string(kSaleMeasuredFirst) + " sales: not compared)")
          << "\n";
    } else {
      const double growth = static_cast<double>(residentLast) / residentFirst - 1.0;
      out << "Resident memory: " << Megabytes(residentFirst) << " after sale " << kSaleMeasuredFirst
          << ", " << Megabytes(residentLast) << " after sale " << options.sales << " ("
          << static_cast<int>(growth * 1000) / 10.0 << " %)\n";
      if (growth > kMemoryGrowthAllowed) {
        failures.push_back("resident memory grew by more than 10 % from sale " +
                           std::to_string(kSaleMeasuredFirst) + " to the last");
      }
    }
    // The receipt service's threads end when it stops; the host's toolkit
    // keeps a pool of its own ("Thread (pooled)") for the life of the
    // process. Neither is the library's.
    const ThreadList serviceThreads = Without(threadsAfterUnload, threadsAfterService);
    auto library = [&](const ThreadList& threads) {
      ThreadList own = Without(Without(threads, threadsBefore), serviceThreads);
      std::erase_if(own, [](const auto& thread) { return thread.second == "Thread (pooled)"; });
      return own;
    };
    const ThreadList atCleanUp = library(threadsAfterCleanUp);
    const ThreadList afterUnload = library(threadsAfterService);
    out << "Threads the library left: after clean-up " << Describe(atCleanUp)
        << "; after unloading " << Describe(afterUnload) << "\n";
    if (atCleanUp.size() > 1 || !Within(atCleanUp, threadsAfterUnload).empty()) {
      failures.push_back(
          "after clean-up a thread is left that is not the log writer ending "
          "with the library");
    }
    if (!afterUnload.empty()) failures.push_back("threads are left after unloading");
  } catch (const std::exception& error) {
    err << "pos-host run: " << error.what() << "\n";
    failures.push_back(error.what());
    misbehaved = true;
  }
  return Report(failures, misbehaved, "the soak holds", "fault(s) found", out);
}

}  // namespace hostsim
