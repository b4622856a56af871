// Cost of one whole sale through the receipt processor (before the save: the
// customer read and authenticated, the capture dialog answered "SEND" with
// the customer's own address; after it: extraction, preparation, the receipt
// sent, the sent notice answered "OK") over the simulated host, beside two
// bare libcurl POSTs of the same two requests to the same stand-in service.
// Prints the ratio of the two.
//
// Fairness rules:
//  - one benchmark runs the sale and the two bare POSTs in every iteration,
//    each timed on its own with the steady clock, alternating which goes
//    first, so machine load and server warmth fall on both alike;
//  - the bare POSTs send the bytes the service received for the sale (same
//    URL, headers, HTTP/1.1, CA file, a new connection each) and read the
//    whole response;
//  - one difference is ours by design: the transport parses the CA file once
//    per process and reuses the parsed certificates while the file is
//    unchanged, where each bare POST reads and parses it anew (both still
//    build a new TLS context and verify the peer on every connection);
//  - the dialogs are answered from an event filter when they are shown, so no
//    polling interval is measured;
//  - the ratio is the sum of the sale times over the sum of the bare times of
//    the same iterations.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/bare_post.h"
#include "common/paired_timing.h"
#include "foundation/prefs_records.h"
#include "plugins/digital_receipt_processor.h"
#include "receipt/https_transport.h"
#include "receipt/records.h"
#include "receipt_service.h"
#include "sales/staged_host.h"
#include "test_certificates.h"

namespace {

receiptservice::ReceiptService* gService = nullptr;
plugins::TDigitalReceiptProcessor* gProcessor = nullptr;
std::vector<std::string> gRequests;  // the two bodies of one sale

// Presses the button a dialog of the sale is answered with once it shows.
class Cashier : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Show) {
      const QString name = watched->objectName();
      const char* button = name == "frmAskForVesk"   ? "btnDigitalOnly"
                           : name == "frmVeskResult" ? "btnExit"
                                                     : nullptr;
      if (button != nullptr) {
        if (auto* b = watched->findChild<QAbstractButton*>(button)) {
          QTimer::singleShot(0, b, &QAbstractButton::click);
        }
      }
    }
    return false;
  }
};

std::string BarePost(const std::string& body) {
  return benchsupport::BarePost(gService->Url(), gService->Certificates().caCert, body);
}

// A sale leaves the records reset (ProcessPostedInvoice's last step); the
// reset before each sale is the harness's, so it is not timed.
void ResetRecords() {
  receipt::ResetAuth();
  receipt::ResetReceipt();
}

void Sale() {
  gProcessor->ProcessUnpostedInvoice();
  gProcessor->ProcessPostedInvoice();
  if (!receipt::FTransControl.DigitalSendOK) throw std::runtime_error("the receipt was not sent");
}

void BarePosts() {
  for (const std::string& body : gRequests) benchmark::DoNotOptimize(BarePost(body));
}

void BM_Sale_BesideTwoBarePosts(benchmark::State& state) {
  double ours = 0;
  double bare = 0;
  if (!benchsupport::TimeAlternating(state, ResetRecords, Sale, BarePosts, ours, bare)) return;
  const auto perSale = benchmark::Counter::kAvgIterations;
  state.counters["sale_ms"] = benchmark::Counter(ours * 1e3, perSale);
  state.counters["bare_ms"] = benchmark::Counter(bare * 1e3, perSale);
  state.counters["ratio"] = bare > 0 ? ours / bare : 0;
}

BENCHMARK(BM_Sale_BesideTwoBarePosts)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  if (std::getenv("QT_QPA_PLATFORM") == nullptr) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  QApplication app(argc, argv);
  Cashier cashier;
  app.installEventFilter(&cashier);
  const fs::path certs =
      fs::temp_directory_path() / ("norvane_bench_sale_" + std::to_string(::getpid()));
  benchmark::Initialize(&argc, argv);
  int rc = 0;
  try {
    receiptservice::ReceiptService service(receiptservice::MakeTestCertificates(certs.string()));
    service.SetDefaultAnswer({.authenticated = true, .digitalDefault = false});
    service.Start();
    gService = &service;
    ::setenv(receipt::kCaBundleEnvironment, service.Certificates().caCert.c_str(), 1);
    {
      stagedhost::StagedHost host(stagedhost::ReadScenario("sale_queued.yaml"));
      foundation::MainPrefs.URL = service.Url();
      foundation::MainPrefs.Timeout = 30;
      plugins::ConfigurationChecked = plugins::SystemPreferencesLogged = true;
      plugins::TDigitalReceiptProcessor processor(&host.Adapter());
      gProcessor = &processor;
      // One sale first: its two requests are what the bare POSTs send.
      ResetRecords();
      Sale();
      for (const auto& request : service.Requests()) gRequests.push_back(request.body);
      if (gRequests.size() != 2) throw std::runtime_error("a sale did not make two requests");
      std::printf("requests: %zu and %zu bytes\n", gRequests[0].size(), gRequests[1].size());

      benchsupport::RatioReporter reporter;
      benchmark::RunSpecifiedBenchmarks(&reporter);
      if (reporter.ratio > 0) {
        std::printf("ratio sale / two bare libcurl POSTs: %.3f (goal: at most 1.5)\n",
                    reporter.ratio);
      }
    }
    service.Stop();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_sale: %s\n", e.what());
    rc = 1;
  }
  fs::remove_all(certs);
  benchmark::Shutdown();
  return rc;
}
