// Opening a dataset of 100,000 rows of five columns (all rows fetched at open,
// 25 a round trip, into the record store) and reading every field of every
// record through its field object, beside a plain sqlite3_step loop over the
// same rows in the same run. The figure is "ratio": plain loop time / dataset
// time (1.0 means as fast as the plain loop).
#include <benchmark/benchmark.h>

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "fetch_bench_support.h"
#include "oracle/dataset/dataset.h"
#include "oracle/session/session.h"

namespace {

using ocibench::kQuery;

long long dataSetLoop(oracle::TOracleSession& session) {
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetSQL(kQuery);
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
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  ocibench::measureBesidePlainLoop(state, database, "dataset",
                                   [&] { return dataSetLoop(session); });
  session.LogOff();
}
BENCHMARK(BM_OpenAndReadDataSetBesidePlainStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
