// Cost of one SendXML exchange (a fresh transport per exchange, as the sale
// workflow uses it) beside a bare libcurl POST of the same request to the
// same stand-in service: both over TLS with the peer verified, a new
// connection each time. Prints the ratio of the two.

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt_service.h"
#include "sample_receipt.h"
#include "test_certificates.h"

namespace {

receiptservice::ReceiptService* gService = nullptr;
std::string gRequest;

size_t Collect(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

void BM_SendXML(benchmark::State& state) {
  for (auto _ : state) {
    std::string response = receipt::SendXML(gService->Url(), gRequest);
    if (receipt::LastHTTPCode != 200) state.SkipWithError(receipt::LastCommError.c_str());
    benchmark::DoNotOptimize(response);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gRequest.size()));
}

void BM_BareCurlPost(benchmark::State& state) {
  const std::string url = gService->Url();
  const std::string ca = gService->Certificates().caCert;
  for (auto _ : state) {
    CURL* h = curl_easy_init();
    curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml");
    headers = curl_slist_append(headers, "Expect:");
    std::string response;
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, gRequest.data());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(gRequest.size()));
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_CAINFO, ca.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
    const CURLcode rc = curl_easy_perform(h);
    curl_slist_free_all(headers);
    curl_easy_cleanup(h);
    if (rc != CURLE_OK) state.SkipWithError(curl_easy_strerror(rc));
    benchmark::DoNotOptimize(response);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gRequest.size()));
}

BENCHMARK(BM_SendXML)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_BareCurlPost)->Unit(benchmark::kMillisecond)->MinTime(2.0);

// Shows the usual table and remembers each benchmark's time per iteration.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) times[r.run_name.function_name] = r.GetAdjustedRealTime();
  }
  std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const fs::path certs =
      fs::temp_directory_path() / ("norvane_bench_tls_" + std::to_string(::getpid()));
  benchmark::Initialize(&argc, argv);
  int rc = 0;
  try {
    receiptservice::ReceiptService service(receiptservice::MakeTestCertificates(certs.string()));
    service.Start();
    gService = &service;
    ::setenv(receipt::kCaBundleEnvironment, service.Certificates().caCert.c_str(), 1);
    foundation::MainPrefs.Timeout = 30;
    gRequest = receiptservice::SampleReceiptRequest(501);
    std::printf("request: %zu bytes, 501 items\n", gRequest.size());

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const double mine = reporter.times["BM_SendXML"];
    const double bare = reporter.times["BM_BareCurlPost"];
    if (mine > 0 && bare > 0) {
      std::printf("ratio SendXML / bare libcurl POST: %.3f (goal: at most 1.10)\n", mine / bare);
    }
    service.Stop();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "bench_transport: %s\n", e.what());
    rc = 1;
  }
  fs::remove_all(certs);
  benchmark::Shutdown();
  return rc;
}
