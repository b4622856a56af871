// The application log against spdlog's asynchronous file logger, same lines:
//   *_Caller: the cost of one call on the calling thread (the writer runs
//             meanwhile; both drop the oldest lines rather than block when
//             their queue is full, so only the caller's work is timed);
//   *_Drain:  lines per second from the first call until every line is in
//             the file and the writer has ended.
// Compare each log figure with the spdlog figure of the same run.
//
// Fairness rules:
//  - each logger runs with its own default queue size (ours
//    kDefaultLogQueueLimit, spdlog's default_async_q_size);
//  - setting up is never timed: our StartLogging and spdlog's thread pool,
//    sink and logger are made before the timed loop (Caller) or while the
//    timer is paused (Drain), so both timings start at the first line;
//  - ending is timed alike in Drain: our StopLogging and spdlog's shutdown
//    both return once every queued line is written and the writer has ended;
//  - both write the same text (time stamp, level, padded tag, message) to a
//    file in the same temporary folder.

#include <benchmark/benchmark.h>
#include <spdlog/async.h>
#include <spdlog/sinks/basic_file_sink.h>
#include <spdlog/spdlog.h>

#include <unistd.h>
#include <filesystem>
#include <string>

#include "foundation/log.h"

namespace {

namespace fs = std::filesystem;

const std::string kText = "Invoice 100234 posted: 3 items, total 57.80, tender VISA";
const std::string kTag = "TDigitalReceiptProcessor.HandleInvoice";
constexpr int kDrainLines = 200'000;

fs::path BenchFolder(const char* what) {
  fs::path p = fs::temp_directory_path() /
               ("norvane_bench_" + std::string(what) + "_" + std::to_string(::getpid()));
  fs::remove_all(p);
  fs::create_directories(p);
  return p;
}

std::shared_ptr<spdlog::logger> MakeSpdlog(const fs::path& folder,
                                           spdlog::async_overflow_policy policy) {
  spdlog::init_thread_pool(spdlog::details::default_async_q_size, 1);
  auto sink = std::make_shared<spdlog::sinks::basic_file_sink_mt>((folder / "ref.log").string());
  auto logger = std::make_shared<spdlog::async_logger>("ref", sink, spdlog::thread_pool(), policy);
  logger->set_pattern("%Y-%m-%d %H:%M:%S.%e | %v");
  return logger;
}

void SpdlogLine(spdlog::logger& logger) {
  logger.info("{}|{:<50}| {}", foundation::kLevelInfo, kTag, kText);
}

void BM_Log_Caller(benchmark::State& state) {
  static fs::path folder;
  if (state.thread_index() == 0) {
    folder = BenchFolder("log_caller");
    foundation::SetLogFolder(folder.string() + "/");
    foundation::SetLogQueueLimit(foundation::kDefaultLogQueueLimit);
    foundation::StartLogging("Bench", true);
  }
  for (auto _ : state) foundation::KWLog(1, kText, foundation::kLevelInfo, kTag);
  if (state.thread_index() == 0) {
    foundation::StopLogging();
    fs::remove_all(folder);
  }
}

void BM_Spdlog_Caller(benchmark::State& state) {
  static fs::path folder;
  static std::shared_ptr<spdlog::logger> logger;
  if (state.thread_index() == 0) {
    folder = BenchFolder("spdlog_caller");
    logger = MakeSpdlog(folder, spdlog::async_overflow_policy::overrun_oldest);
  }
  // Google Benchmark starts the timed loop of all threads together, after the
  // set-up above.
  for (auto _ : state) SpdlogLine(*logger);
  if (state.thread_index() == 0) {
    logger.reset();
    spdlog::shutdown();
    fs::remove_all(folder);
  }
}

// Empties the bench folder between iterations (timer paused by the caller).
void Renew(const fs::path& folder) {
  fs::remove_all(folder);
  fs::create_directories(folder);
}

void BM_Log_Drain(benchmark::State& state) {
  fs::path folder = BenchFolder("log_drain");
  foundation::SetLogFolder(folder.string() + "/");
  foundation::SetLogQueueLimit(foundation::kDefaultLogQueueLimit);
  for (auto _ : state) {
    state.PauseTiming();
    Renew(folder);
    foundation::StartLogging("Bench", true);
    state.ResumeTiming();
    for (int i = 0; i < kDrainLines; ++i) foundation::KWLog(1, kText, foundation::kLevelInfo, kTag);
    foundation::StopLogging();  // returns once every line is written
  }
  state.SetItemsProcessed(state.iterations() * kDrainLines);
  fs::remove_all(folder);
}

void BM_Spdlog_Drain(benchmark::State& state) {
  fs::path folder = BenchFolder("spdlog_drain");
  for (auto _ : state) {
    state.PauseTiming();
    Renew(folder);
    auto logger = MakeSpdlog(folder, spdlog::async_overflow_policy::block);
    state.ResumeTiming();
    for (int i = 0; i < kDrainLines; ++i) SpdlogLine(*logger);
    logger.reset();
    spdlog::shutdown();  // the thread pool ends after writing what it holds
  }
  state.SetItemsProcessed(state.iterations() * kDrainLines);
  fs::remove_all(folder);
}

BENCHMARK(BM_Log_Caller)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_Spdlog_Caller)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_Log_Drain)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Spdlog_Drain)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
