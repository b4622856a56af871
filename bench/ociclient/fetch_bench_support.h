// What the fetch benchmarks share: a fixture database of 100,000 rows of five
// columns that the stand-in OCI client serves as BENCHDB, the plain
// sqlite3_step loop every figure is measured beside, and the timing loop that
// reports both times and their ratio.
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

namespace oracle {
class TOracleSession;
}

namespace ocibench {

constexpr int kRows = 100000;
extern const char* const kQuery;

// A temporary folder holding the fixture database and the stand-in client's
// configuration naming it BENCHDB (user BENCH, password bench); removed again
// on destruction.
struct BenchDatabase {
  std::string dir, db;
  // `tempPrefix` names the temporary folder (the rest is made unique).
  explicit BenchDatabase(const char* tempPrefix);
  ~BenchDatabase();
  BenchDatabase(const BenchDatabase&) = delete;
  BenchDatabase& operator=(const BenchDatabase&) = delete;
};

// The fixture database of this program, made on the first call, with the
// plug-in's OCI loader pointed at the stand-in client and the client loaded.
const BenchDatabase& loadedBenchDatabase(const char* tempPrefix);

// Logs `session` on to BENCHDB.
void logOnBenchSession(oracle::TOracleSession& session);

// The reference: step through the rows and copy the same five values.
long long plainLoop(const std::string& path);

// Times `subject` and the plain loop one after the other in every iteration;
// the iteration time is the subject's. Reports `<subjectName>_ms`, `plain_ms`
// and "ratio": plain loop time / subject time (1.0 means as fast as the plain
// loop).
template <typename Subject>
void measureBesidePlainLoop(benchmark::State& state, const BenchDatabase& database,
                            const std::string& subjectName, Subject&& subject) {
  using Clock = std::chrono::steady_clock;
  double subjectSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(subject());
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainLoop(database.db));
    const auto t2 = Clock::now();
    subjectSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters[subjectName + "_ms"] = 1000 * subjectSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / subjectSeconds;
}

}  // namespace ocibench
