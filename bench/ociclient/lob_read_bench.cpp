// Reading one BLOB through TLOBLocator in reads of 64 KiB (a select of the
// row, its locator, reads until the end) beside sqlite3_blob_read of the same
// value in pieces of 64 KiB in the same run, for values of 1 MiB and 16 MiB.
// The figures are "ratio": plain read time / locator time (1.0 means as fast
// as reading the blob directly), and "locator_ns_per_byte", which must not
// grow with the value's size.
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <string>
#include <vector>

#include "fetch_bench_support.h"
#include "oracle/lob/lob_locator.h"
#include "oracle/session/session.h"

namespace {

constexpr int kPiece = 64 * 1024;

// Replaces the row of table `lobs` with a value of `size` bytes.
void storeValue(const std::string& path, int size) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_exec(db, "create table if not exists lobs (id number(5), b blob); delete from lobs;",
               nullptr, nullptr, nullptr);
  std::string value(static_cast<std::size_t>(size), '\0');
  for (int i = 0; i < size; ++i) value[static_cast<std::size_t>(i)] = static_cast<char>(i * 7);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "insert into lobs values (1, ?1)", -1, &insert, nullptr);
  sqlite3_bind_blob(insert, 1, value.data(), size, SQLITE_TRANSIENT);
  sqlite3_step(insert);
  sqlite3_finalize(insert);
  sqlite3_close(db);
}

long long locatorRead(oracle::TOracleSession& session, std::vector<char>& buffer) {
  oracle::TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL("select b from lobs where id = 1");
  query.Execute();
  oracle::TLOBLocator& lob = oracle::LOBField(query, 0);
  long long total = 0;
  for (int64_t n; (n = lob.Read(buffer.data(), kPiece)) > 0;) total += n + buffer[0];
  return total;
}

long long plainRead(const std::string& path, std::vector<char>& buffer) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "select rowid from lobs where id = 1", -1, &select, nullptr);
  sqlite3_step(select);
  const sqlite3_int64 rowid = sqlite3_column_int64(select, 0);
  sqlite3_finalize(select);
  sqlite3_blob* blob = nullptr;
  sqlite3_blob_open(db, "main", "lobs", "b", rowid, 0, &blob);
  const int size = sqlite3_blob_bytes(blob);
  long long total = 0;
  for (int at = 0; at < size; at += kPiece) {
    const int n = std::min(kPiece, size - at);
    sqlite3_blob_read(blob, buffer.data(), n, at);
    total += n + buffer[0];
  }
  sqlite3_blob_close(blob);
  sqlite3_close(db);
  return total;
}

void BM_ReadBlobThroughLocatorBesideBlobRead(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const ocibench::BenchDatabase& database = ocibench::loadedBenchDatabase("lobbench");
  const auto size = static_cast<int>(state.range(0));
  storeValue(database.db, size);
  oracle::TOracleSession session;
  ocibench::logOnBenchSession(session);
  std::vector<char> buffer(kPiece);
  double locatorSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(locatorRead(session, buffer));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainRead(database.db, buffer));
    const auto t2 = Clock::now();
    locatorSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["locator_ms"] = 1000 * locatorSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / locatorSeconds;
  state.counters["locator_ns_per_byte"] = 1e9 * locatorSeconds / iterations / size;
  session.LogOff();
}
BENCHMARK(BM_ReadBlobThroughLocatorBesideBlobRead)
    ->Arg(1 << 20)
    ->Arg(4 << 20)
    ->Arg(16 << 20)
    ->Arg(64 << 20)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
