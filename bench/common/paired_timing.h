#pragma once
// What the benchmarks that time our work beside a reference in every
// iteration share: the alternating pair (which side goes first alternates, so
// machine load cannot favour one) and a console reporter that remembers the
// last run's "ratio" counter for the program's closing line.

#include <benchmark/benchmark.h>

#include <chrono>
#include <exception>
#include <type_traits>
#include <vector>

namespace benchsupport {

// Seconds taken by one call of `work`; its result, if any, is kept alive.
template <typename Work>
double Timed(Work work) {
  const auto start = std::chrono::steady_clock::now();
  if constexpr (std::is_void_v<decltype(work())>) {
    work();
  } else {
    benchmark::DoNotOptimize(work());
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Runs `ours` and `reference` once per iteration, alternating which goes
// first, after `prepare` (untimed); adds their seconds to the two sums. An
// exception ends the benchmark with its text; answers whether it ran through.
template <typename Prepare, typename Ours, typename Reference>
bool TimeAlternating(benchmark::State& state, Prepare prepare, Ours ours, Reference reference,
                     double& oursSeconds, double& referenceSeconds) {
  bool oursFirst = true;
  try {
    for (auto _ : state) {
      prepare();
      if (oursFirst) {
        oursSeconds += Timed(ours);
        referenceSeconds += Timed(reference);
      } else {
        referenceSeconds += Timed(reference);
        oursSeconds += Timed(ours);
      }
      oursFirst = !oursFirst;
    }
  } catch (const std::exception& e) {
    state.SkipWithError(e.what());
    return false;
  }
  return true;
}

// Shows the usual table and remembers the ratio of the last run.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const auto& r : runs) {
      const auto it = r.counters.find("ratio");
      if (it != r.counters.end()) ratio = it->second.value;
    }
  }
  double ratio = 0;
};

}  // namespace benchsupport
