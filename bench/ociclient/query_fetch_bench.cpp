// Reading 100,000 rows of five columns through TOracleQuery (Execute, then
// Next and a read of every column by index, 25 rows a round trip) beside a
// plain sqlite3_step loop over the same rows in the same run. The figure is
// "ratio": plain loop time / query time (1.0 means as fast as the plain loop).
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "oracle/oci_loader.h"
#include "oracle/oci_loader_state.h"
#include "oracle/query.h"
#include "oracle/session.h"

namespace {

constexpr int kRows = 100000;
const char* const kQuery = "select id, amount, name, code, created from big";

struct Fixture {
  std::string dir, db;
  Fixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "querybench_XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    dir = pattern;
    db = dir + "/bench.sqlite";
    sqlite3* h = nullptr;
    sqlite3_open(db.c_str(), &h);
    sqlite3_exec(h,
                 "create table ociclient_accounts (username text primary key, password text, "
                 "status text, grace_days integer);"
                 "insert into ociclient_accounts values ('BENCH', 'bench', 'OPEN', null);"
                 "create table big (id number(10), amount number(12,2), name varchar2(30), "
                 "code varchar2(10), created date);"
                 "begin;",
                 nullptr, nullptr, nullptr);
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(h, "insert into big values (?1, ?2, ?3, ?4, ?5)", -1, &ins, nullptr);
    for (int i = 0; i < kRows; ++i) {
      char name[32], code[16], date[32];
      std::snprintf(name, sizeof name, "customer number %d", i);
      std::snprintf(code, sizeof code, "C%06d", i);
      std::snprintf(date, sizeof date, "2024-%02d-%02d 10:%02d:00", i % 12 + 1, i % 28 + 1, i % 60);
      sqlite3_bind_int(ins, 1, i);
      sqlite3_bind_double(ins, 2, i * 1.25);
      sqlite3_bind_text(ins, 3, name, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 4, code, -1, SQLITE_TRANSIENT);
      sqlite3_bind_text(ins, 5, date, -1, SQLITE_TRANSIENT);
      sqlite3_step(ins);
      sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    sqlite3_exec(h, "commit;", nullptr, nullptr, nullptr);
    sqlite3_close(h);
    std::ofstream(dir + "/ociclient.conf") << "BENCHDB = bench.sqlite\n";
    setenv("NORVANE_OCI_CONFIG", (dir + "/ociclient.conf").c_str(), 1);
    setenv("NORVANE_REGISTRY_FILE", (dir + "/registry").c_str(), 1);
    oracle::OCIDLL = OCICLIENT_LIBRARY;
    oracle::InitOCI();
  }
  ~Fixture() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

// The reference: step through the rows and copy the same five values.
long long plainLoop(const std::string& path) {
  sqlite3* h = nullptr;
  sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(h, kQuery, -1, &st, nullptr);
  long long sum = 0;
  char name[32], code[16], date[32];
  while (sqlite3_step(st) == SQLITE_ROW) {
    sum += sqlite3_column_int(st, 0);
    sum += static_cast<long long>(sqlite3_column_double(st, 1));
    std::strncpy(name, reinterpret_cast<const char*>(sqlite3_column_text(st, 2)), sizeof name - 1);
    std::strncpy(code, reinterpret_cast<const char*>(sqlite3_column_text(st, 3)), sizeof code - 1);
    std::strncpy(date, reinterpret_cast<const char*>(sqlite3_column_text(st, 4)), sizeof date - 1);
    sum += name[0] + code[0] + date[0];
  }
  sqlite3_finalize(st);
  sqlite3_close(h);
  return sum;
}

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
  static Fixture fixture;
  oracle::TOracleSession session;
  session.SetLogonDatabase("BENCHDB");
  session.SetLogonUsername("BENCH");
  session.SetLogonPassword("bench");
  session.LogOn();
  using Clock = std::chrono::steady_clock;
  double querySeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(queryLoop(session));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainLoop(fixture.db));
    const auto t2 = Clock::now();
    querySeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  session.LogOff();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["query_ms"] = 1000 * querySeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / querySeconds;
}
BENCHMARK(BM_FetchThroughQueryBesidePlainStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
