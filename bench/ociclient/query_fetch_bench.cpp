// Reading 10,000, 100,000 and 1,000,000 rows of five columns through
// TOracleQuery (Execute, then Next and a read of every column by index, 25
// rows a round trip) beside a plain sqlite3_step loop over the same rows in
// the same run. The figure is "ratio": plain loop time / query time (1.0
// means as fast as the plain loop). "peak_mb" is the resident memory the
// query's run adds at its peak, the base the dataset benchmark's record store
// is measured against.
#include <benchmark/benchmark.h>

#include "fetch_bench_support.h"
#include "oracle/session/session.h"

namespace {

void BM_FetchThroughQueryBesidePlainStep(benchmark::State& state) {
  const ocibench::BenchDatabase& database = ocibench::loadedBenchDatabase("querybench");
  const std::string query = ocibench::queryOfRows(database, static_cast<int>(state.range(0)));
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  ocibench::measureBesidePlainLoop(
      state, database, "query", [&] { return ocibench::queryLoop(session, query); }, query);
  ocibench::resetPeakResident();
  const long long before = ocibench::peakResidentBytes();
  benchmark::DoNotOptimize(ocibench::queryLoop(session, query));
  state.counters["peak_mb"] = static_cast<double>(ocibench::peakResidentBytes() - before) / 1e6;
  session.LogOff();
}
BENCHMARK(BM_FetchThroughQueryBesidePlainStep)
    ->Apply(ocibench::fetchRowCounts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
