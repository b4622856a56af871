// Opening a dataset of 10,000, 100,000 and 1,000,000 rows of five columns
// (all rows fetched at open, 25 a round trip, into the record store) and
// reading every field of every record through its field object, beside a
// plain sqlite3_step loop over the same rows in the same run. The figure is
// "ratio": plain loop time / dataset time (1.0 means as fast as the plain
// loop).
//
// The record store's memory: after the timed runs, one run of the query
// benchmark's loop and one dataset run are each measured for the resident
// memory they add at their peak (free heap memory given back first); the
// difference is the store's. "store_to_raw" is that difference over the raw
// binary size of the fetched values ("raw_mb": fixed-size numbers and dates,
// texts at their length).
#include <benchmark/benchmark.h>

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "fetch_bench_support.h"
#include "oracle/dataset/dataset.h"
#include "oracle/session/session.h"

#include <string>

namespace {

long long dataSetLoop(oracle::TOracleSession& session, const std::string& query) {
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetSQL(query);
  ds.Open();
  dataset::TField& id = ds.FieldByName("id");
  dataset::TField& amount = ds.FieldByName("amount");
  dataset::TField& name = ds.FieldByName("name");
  dataset::TField& code = ds.FieldByName("code");
  dataset::TField& created = ds.FieldByName("created");
  long long sum = 0;
  for (; !ds.Eof(); ds.Next()) {
    sum += id.AsInteger();
    sum += static_cast<long long>(amount.AsFloat());
    sum += name.AsString()[0];
    sum += code.AsString()[0];
    sum += static_cast<long long>(created.AsDateTime());
  }
  ds.Close();
  return sum;
}

void BM_OpenAndReadDataSetBesidePlainStep(benchmark::State& state) {
  const ocibench::BenchDatabase& database = ocibench::loadedBenchDatabase("datasetbench");
  const std::string query = ocibench::queryOfRows(database, static_cast<int>(state.range(0)));
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  ocibench::measureBesidePlainLoop(
      state, database, "dataset", [&] { return dataSetLoop(session, query); }, query);

  ocibench::resetPeakResident();
  long long before = ocibench::peakResidentBytes();
  benchmark::DoNotOptimize(ocibench::queryLoop(session, query));
  const long long queryPeak = ocibench::peakResidentBytes() - before;
  ocibench::resetPeakResident();
  before = ocibench::peakResidentBytes();
  benchmark::DoNotOptimize(dataSetLoop(session, query));
  const long long dataSetPeak = ocibench::peakResidentBytes() - before;
  const auto raw = static_cast<double>(ocibench::rawValueBytes(database.db, query));
  state.counters["query_peak_mb"] = static_cast<double>(queryPeak) / 1e6;
  state.counters["dataset_peak_mb"] = static_cast<double>(dataSetPeak) / 1e6;
  state.counters["raw_mb"] = raw / 1e6;
  state.counters["store_to_raw"] = static_cast<double>(dataSetPeak - queryPeak) / raw;
  session.LogOff();
}
BENCHMARK(BM_OpenAndReadDataSetBesidePlainStep)
    ->Apply(ocibench::fetchRowCounts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
