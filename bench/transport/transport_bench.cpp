// Cost of one SendXML exchange (a fresh transport per exchange, as the sale
// workflow uses it) beside a bare libcurl POST of the same request to the
// same stand-in service: both over TLS with the peer verified, a new
// connection each time. Prints the ratio of the two.
//
// Fairness rules:
//  - one benchmark runs both exchanges in every iteration, each timed on its
//    own with the steady clock, and alternates which goes first, so machine
//    load, server warmth and cache state fall on both alike;
//  - same URL, request bytes, headers (text/xml, no Expect), HTTP/1.1 and
//    CA file; both read the whole response into a string;
//  - one difference is ours by design: the transport parses the CA file once
//    per process and reuses the parsed certificates while the file is
//    unchanged, where each bare POST reads and parses it anew (both still
//    build a new TLS context and verify the peer on every connection);
//  - the ratio is the sum of our times over the sum of the bare times of the
//    same iterations.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "common/bare_post.h"
#include "common/paired_timing.h"
#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt_service.h"
#include "sample_receipt.h"
#include "test_certificates.h"

namespace {

receiptservice::ReceiptService* gService = nullptr;
std::string gRequest;

std::string OurExchange() {
  std::string response = receipt::SendXML(gService->Url(), gRequest);
  if (receipt::LastHTTPCode != 200) throw std::runtime_error(receipt::LastCommError);
  return response;
}

std::string BareExchange() {
  return benchsupport::BarePost(gService->Url(), gService->Certificates().caCert, gRequest);
}

void BM_SendXML_BesideBarePost(benchmark::State& state) {
  double ours = 0;
  double bare = 0;
  if (!benchsupport::TimeAlternating(
          state, [] {}, OurExchange, BareExchange, ours, bare))
    return;
  const auto perExchangeMs = benchmark::Counter::kAvgIterations;
  state.counters["SendXML_ms"] = benchmark::Counter(ours * 1e3, perExchangeMs);
  state.counters["bare_ms"] = benchmark::Counter(bare * 1e3, perExchangeMs);
  state.counters["ratio"] = bare > 0 ? ours / bare : 0;
}

BENCHMARK(BM_SendXML_BesideBarePost)->Unit(benchmark::kMillisecond)->MinTime(4.0)->UseRealTime();

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

    benchsupport::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    if (reporter.ratio > 0) {
      std::printf("ratio SendXML / bare libcurl POST: %.3f (goal: at most 1.10)\n", reporter.ratio);
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
