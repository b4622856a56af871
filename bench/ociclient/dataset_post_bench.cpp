// Inserting rows by posting appended records of a dataset (CommitOnPost off,
// one commit at the end) beside prepared sqlite3_step inserts of the same
// rows in one transaction, in the same run, at 1,000 and 10,000 rows.
// Counters: "ratio" (plain time / dataset time), the microseconds per record
// of each, and "prepares_per_row" (SQLite compiles of the stand-in client
// per posted record, with the session's statement cache on: near zero when
// the INSERT and savepoint texts are compiled once).
#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <sqlite3.h>

#include <chrono>
#include <string>

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "fetch_bench_support.h"
#include "oracle/dataset/dataset.h"
#include "oracle/dml/editing.h"
#include "oracle/dml/posting.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"

namespace {

void Run(oracle::TOracleSession& session, const std::string& sql) {
  oracle::TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(sql);
  query.Execute();
  session.Commit();
}

int PrepareCount() {
  static auto* count = reinterpret_cast<int (*)()>(
      dlsym(dlopen(OCICLIENT_LIBRARY, RTLD_NOW | RTLD_NOLOAD), "ociStandin_PrepareCount"));
  return count != nullptr ? count() : 0;
}

long long PostRows(oracle::TOracleSession& session, int rows) {
  oracle::TOracleDataSet ds;
  ds.SetSession(&session);
  ds.SetSQL("select rowid, t.* from post_bench t");
  ds.SetLockingMode(oracle::TLockingMode::lmNone);
  oracle::Editing(ds).CommitOnPost = false;
  ds.Open();
  dataset::TField& id = ds.FieldByName("ID");
  dataset::TField& name = ds.FieldByName("NAME");
  dataset::TField& amount = ds.FieldByName("AMOUNT");
  for (int i = 0; i < rows; ++i) {
    ds.Append();
    id.SetAsInteger(i);
    name.SetAsString("row " + std::to_string(i));
    amount.SetAsFloat(i * 0.25);
    ds.Post();
  }
  session.Commit();
  return ds.RecordCount();
}

long long StepRows(const std::string& path, int rows) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  sqlite3_busy_timeout(db, 5000);
  sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO post_bench_plain (id, name, amount) VALUES (?1, ?2, ?3)", -1,
                     &insert, nullptr);
  for (int i = 0; i < rows; ++i) {
    const std::string name = "row " + std::to_string(i);
    sqlite3_bind_int(insert, 1, i);
    sqlite3_bind_text(insert, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_double(insert, 3, i * 0.25);
    sqlite3_step(insert);
    sqlite3_reset(insert);
  }
  sqlite3_finalize(insert);
  sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
  sqlite3_close(db);
  return rows;
}

void BM_PostInsertsBesidePreparedStep(benchmark::State& state) {
  using Clock = std::chrono::steady_clock;
  const ocibench::BenchDatabase& database = ocibench::loadedBenchDatabase("postbench");
  oracle::TOracleSession session;
  session.SetStatementCache(true);
  ocibench::logOnBenchSession(session);
  Run(session, "create table post_bench (id number(10), name varchar2(20), amount number(12,2))");
  Run(session, "create table post_bench_plain (id number(10), name varchar2(20), amount number)");
  const int rows = static_cast<int>(state.range(0));
  double posted = 0, stepped = 0;
  long long prepares = 0;
  for (auto _ : state) {
    Run(session, "delete from post_bench");
    Run(session, "delete from post_bench_plain");
    const int before = PrepareCount();
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(PostRows(session, rows));
    const auto t1 = Clock::now();
    prepares += PrepareCount() - before;
    benchmark::DoNotOptimize(StepRows(database.db, rows));
    const auto t2 = Clock::now();
    posted += std::chrono::duration<double>(t1 - t0).count();
    stepped += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double records = static_cast<double>(state.iterations()) * rows;
  state.counters["dataset_us_per_row"] = 1e6 * posted / records;
  state.counters["plain_us_per_row"] = 1e6 * stepped / records;
  state.counters["ratio"] = stepped / posted;
  state.counters["prepares_per_row"] = static_cast<double>(prepares) / records;
  Run(session, "drop table post_bench");
  Run(session, "drop table post_bench_plain");
  session.LogOff();
}
BENCHMARK(BM_PostInsertsBesidePreparedStep)
    ->Arg(1000)
    ->Arg(10000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
