// What the fetch benchmarks share: a fixture database of 100,000 rows of five
// columns that the stand-in OCI client serves as BENCHDB (and, on request, the
// same rows at other counts), the plain sqlite3_step loop every figure is
// measured beside, the timing loop that reports both times and their ratio,
// and the peak resident memory of one run.
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

// Reads every row of `query` through TOracleQuery (Next, then every column
// by index); answers a sum of the values.
long long queryLoop(oracle::TOracleSession& session, const std::string& query);

// The row counts each fetch path is measured at.
inline void fetchRowCounts(benchmark::internal::Benchmark* bench) {
  bench->Arg(10000)->Arg(kRows)->Arg(1000000);
}

// The select of the fixture's five columns over a table of `rows` rows,
// made on first use (the 100,000-row table is kQuery's).
std::string queryOfRows(const BenchDatabase& database, int rows);

// The reference: step through the rows of `query` and copy the same five
// values.
long long plainLoop(const std::string& path, const std::string& query = kQuery);

// Bytes of the fetched values of `query` as the fixed-size binary values
// (4-byte integer, 8-byte number and date) and the texts at their length.
long long rawValueBytes(const std::string& path, const std::string& query);

// Processor time of the calling thread, in seconds.
double threadCpuSeconds();

// Resident memory high-water mark of the process, in bytes, measured from
// the last resetPeakResident (free heap memory is given back to the system
// first, so that a run cannot hide in memory an earlier one freed).
void resetPeakResident();
long long peakResidentBytes();

// Times `subject` and the plain loop over `query` in every iteration, the
// order alternating from one iteration to the next so that neither side
// always runs on a warmer cache; the iteration time is the subject's.
// Reports `<subjectName>_ms`, `plain_ms` and "ratio": plain loop time /
// subject time in wall-clock time (1.0 means as fast as the plain loop), and
// "cpu_ratio", the same in the thread's processor time, which waiting for a
// processor on a loaded machine does not inflate.
template <typename Subject>
void measureBesidePlainLoop(benchmark::State& state, const BenchDatabase& database,
                            const std::string& subjectName, Subject&& subject,
                            const std::string& query = kQuery) {
  using Clock = std::chrono::steady_clock;
  double subjectSeconds = 0, plainSeconds = 0, subjectCpu = 0, plainCpu = 0;
  bool subjectFirst = true;
  for (auto _ : state) {
    for (int side = 0; side < 2; ++side) {
      const bool runSubject = (side == 0) == subjectFirst;
      const double cpu0 = threadCpuSeconds();
      const auto t0 = Clock::now();
      if (runSubject) {
        benchmark::DoNotOptimize(subject());
      } else {
        benchmark::DoNotOptimize(plainLoop(database.db, query));
      }
      const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
      const double cpu = threadCpuSeconds() - cpu0;
      if (runSubject) {
        subjectSeconds += wall;
        subjectCpu += cpu;
        state.SetIterationTime(wall);
      } else {
        plainSeconds += wall;
        plainCpu += cpu;
      }
    }
    subjectFirst = !subjectFirst;
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters[subjectName + "_ms"] = 1000 * subjectSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / subjectSeconds;
  state.counters["cpu_ratio"] = plainCpu / subjectCpu;
}

}  // namespace ocibench
