// Locate of the key held by the last of 100,000 fetched records (all fetched
// at open), by an integer field and by a string field (exact,
// case-insensitive, partial), beside a plain loop over the same values in a
// std::vector making the same comparison, in the same run. The figure is
// "ratio": Locate time / plain loop time (lower is better; 1.0 means as fast
// as the plain loop); "cpu_ratio" is the same in the thread's processor
// time, which waiting for a processor on a loaded machine does not inflate.
#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "fetch_bench_support.h"
#include "oracle/dataset/dataset.h"
#include "oracle/session/session.h"
#include "platform/text.h"

namespace {

enum Kind { kInteger, kExact, kCaseInsensitive, kPartial };

// The index of the wanted value, compared as Locate compares it.
int PlainFind(const std::vector<int>& ids, const std::vector<std::string>& names, Kind kind, int id,
              const std::string& name) {
  const std::string upper = platform::UpperAscii(name);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    switch (kind) {
      case kInteger:
        if (ids[i] == id) return static_cast<int>(i);
        break;
      case kExact:
        if (names[i] == name) return static_cast<int>(i);
        break;
      case kCaseInsensitive:
        if (platform::UpperAscii(names[i]) == upper) return static_cast<int>(i);
        break;
      case kPartial:
        if (names[i].compare(0, name.size(), name) == 0) return static_cast<int>(i);
        break;
    }
  }
  return -1;
}

void BM_LocateLastBesidePlainLoop(benchmark::State& state) {
  const Kind kind = static_cast<Kind>(state.range(0));
  ocibench::loadedBenchDatabase("locatebench");
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetSQL(ocibench::kQuery);
  ds.Open();
  std::vector<int> ids;
  std::vector<std::string> names;
  for (; !ds.Eof(); ds.Next()) {
    ids.push_back(ds.FieldByName("id").AsInteger());
    names.push_back(ds.FieldByName("name").AsString());
  }
  const int lastId = ids.back();
  const std::string lastName = names.back();
  const std::string field = kind == kInteger ? "ID" : "NAME";
  const Variant key = kind == kInteger           ? Variant(lastId)
                      : kind == kCaseInsensitive ? Variant(platform::UpperAscii(lastName))
                                                 : Variant(lastName);
  const dataset::TLocateOptions options = kind == kCaseInsensitive ? dataset::loCaseInsensitive
                                          : kind == kPartial       ? dataset::loPartialKey
                                                                   : 0;
  using Clock = std::chrono::steady_clock;
  double locateSeconds = 0, plainSeconds = 0, locateCpu = 0, plainCpu = 0;
  for (auto _ : state) {
    ds.First();
    const double cpu0 = ocibench::threadCpuSeconds();
    const auto t0 = Clock::now();
    const bool found = ds.Locate(field, {key}, options);
    const auto t1 = Clock::now();
    const double cpu1 = ocibench::threadCpuSeconds();
    const int index = PlainFind(ids, names, kind, lastId, key.ToString());
    const auto t2 = Clock::now();
    plainCpu += ocibench::threadCpuSeconds() - cpu1;
    locateCpu += cpu1 - cpu0;
    if (!found || index != static_cast<int>(ids.size()) - 1 ||
        ds.FieldByName("id").AsInteger() != lastId)
      state.SkipWithError("the two searches disagree");
    locateSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["locate_ms"] = 1000 * locateSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = locateSeconds / plainSeconds;
  state.counters["cpu_ratio"] = locateCpu / plainCpu;
  ds.Close();
  session.LogOff();
}
BENCHMARK(BM_LocateLastBesidePlainLoop)
    ->ArgName("kind")
    ->DenseRange(kInteger, kPartial)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
