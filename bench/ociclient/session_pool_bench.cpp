// 1,000 LogOn/LogOff of a session with internal pooling beside 1,000 plain
// LogOn/LogOff of a session on the stand-in client, in the same run. The
// figure is "ratio": plain time / pooled time (above 1.0: pooling is faster).
#include <benchmark/benchmark.h>

#include <chrono>

#include "fetch_bench_support.h"
#include "oracle/session/session.h"
#include "oracle/session/session_pool.h"

namespace {

constexpr int kLogons = 1000;

void logOnAndOff(oracle::TOracleSession& session) {
  for (int i = 0; i < kLogons; ++i) {
    session.LogOn();
    session.LogOff();
  }
}

void BM_PooledLogOnBesidePlainLogOn(benchmark::State& state) {
  ocibench::loadedBenchDatabase("poolbench");
  oracle::TOracleSessionPool pool;
  oracle::TOracleSession pooled, plain;
  for (oracle::TOracleSession* session : {&pooled, &plain}) {
    session->SetLogonDatabase("BENCHDB");
    session->SetLogonUsername("BENCH");
    session->SetLogonPassword("bench");
  }
  pooled.SetPooling(oracle::TSessionPooling::spInternal);
  pooled.SetPool(&pool);
  using Clock = std::chrono::steady_clock;
  double pooledSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    logOnAndOff(pooled);
    const auto t1 = Clock::now();
    logOnAndOff(plain);
    const auto t2 = Clock::now();
    pooledSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["pooled_ms"] = 1000 * pooledSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / pooledSeconds;
}
BENCHMARK(BM_PooledLogOnBesidePlainLogOn)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
