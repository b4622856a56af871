// Reading 100,000 rows of five columns through TOracleQuery (Execute, then
// Next and a read of every column by index, 25 rows a round trip) beside a
// plain sqlite3_step loop over the same rows in the same run. The figure is
// "ratio": plain loop time / query time (1.0 means as fast as the plain loop).
#include <benchmark/benchmark.h>

#include "fetch_bench_support.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"

namespace {

using ocibench::kQuery;

long long queryLoop(oracle::TOracleSession& session) {
  oracle::TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(kQuery);
  query.Execute();
  long long sum = 0;
  for (; !query.Eof(); query.Next()) {
    sum += query.FieldAsInteger(0);
    sum += static_cast<long long>(query.FieldAsFloat(1));
    sum += query.FieldAsString(2)[0];
    sum += query.FieldAsString(3)[0];
    sum += static_cast<long long>(query.FieldAsDate(4));
  }
  return sum;
}

void BM_FetchThroughQueryBesidePlainStep(benchmark::State& state) {
  const ocibench::BenchDatabase& database = ocibench::loadedBenchDatabase("querybench");
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  ocibench::measureBesidePlainLoop(state, database, "query", [&] { return queryLoop(session); });
  session.LogOff();
}
BENCHMARK(BM_FetchThroughQueryBesidePlainStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
