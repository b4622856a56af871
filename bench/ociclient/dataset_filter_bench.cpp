// Rebuilding the filtered view of an open dataset of 100,000 rows with the
// filter text ([AMOUNT] > 500) AND ([CODE] = 'C01*'), beside the same rebuild
// with an OnFilterRecord handler that reads the same two fields and makes the
// same test in C++, in the same run. The figure is "ratio": filter text time
// / handler time (1.0 means as fast as the handler).
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "fetch_bench_support.h"
#include "oracle/dataset/dataset.h"
#include "oracle/session/session.h"

namespace {

// Switches the filter off and on again, which builds the filtered view
// from every stored record; returns the number of records that pass.
int Rebuild(oracle::TOracleDataSet& ds) {
  ds.SetFiltered(false);
  ds.SetFiltered(true);
  return ds.RecordCount();
}

void BM_FilterTextBesideHandler(benchmark::State& state) {
  ocibench::loadedBenchDatabase("filterbench");
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetSQL(ocibench::kQuery);
  ds.Open();
  dataset::TField& amount = ds.FieldByName("amount");
  dataset::TField& code = ds.FieldByName("code");
  const auto handler = [&](dataset::TDataSet&, bool& accept) {
    accept = amount.AsFloat() > 500 && code.AsString().starts_with("C01");
  };

  using Clock = std::chrono::steady_clock;
  double textSeconds = 0, handlerSeconds = 0;
  for (auto _ : state) {
    ds.OnFilterRecord = nullptr;
    ds.SetFilter("([AMOUNT] > 500) AND ([CODE] = 'C01*')");
    const auto t0 = Clock::now();
    const int byText = Rebuild(ds);
    const auto t1 = Clock::now();
    ds.SetFilter("");
    ds.OnFilterRecord = handler;
    const auto t2 = Clock::now();
    const int byHandler = Rebuild(ds);
    const auto t3 = Clock::now();
    if (byText != byHandler) state.SkipWithError("the two filters disagree");
    benchmark::DoNotOptimize(byText);
    textSeconds += std::chrono::duration<double>(t1 - t0).count();
    handlerSeconds += std::chrono::duration<double>(t3 - t2).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["text_ms"] = 1000 * textSeconds / iterations;
  state.counters["handler_ms"] = 1000 * handlerSeconds / iterations;
  state.counters["ratio"] = textSeconds / handlerSeconds;
  ds.Close();
  session.LogOff();
}
BENCHMARK(BM_FilterTextBesideHandler)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
