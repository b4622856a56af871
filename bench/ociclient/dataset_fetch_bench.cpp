// Opening a dataset of 100,000 rows of five columns (all rows fetched at open,
// 25 a round trip, into the record store) and reading every field of every
// record through its field object, beside a plain sqlite3_step loop over the
// same rows in the same run. The figure is "ratio": plain loop time / dataset
// time (1.0 means as fast as the plain loop).
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

// The dataset headers come first: the OCI header declares a global type
// named `text` that later parameter names would shadow.
#include "dataset/field.h"
#include "oracle/dataset.h"
#include "oracle/oci_loader.h"
#include "oracle/oci_loader_state.h"
#include "oracle/session.h"

namespace {

constexpr int kRows = 100000;
const char* const kQuery = "select id, amount, name, code, created from big";

struct Fixture {
  std::string dir, db;
  Fixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "datasetbench_XXXXXX").string();
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
  static Fixture fixture;
  oracle::TOracleSession session;
  session.SetLogonDatabase("BENCHDB");
  session.SetLogonUsername("BENCH");
  session.SetLogonPassword("bench");
  session.LogOn();
  using Clock = std::chrono::steady_clock;
  double dataSetSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(dataSetLoop(session));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainLoop(fixture.db));
    const auto t2 = Clock::now();
    dataSetSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  session.LogOff();
  const double iterations = static_cast<double>(state.iterations());
  state.counters["dataset_ms"] = 1000 * dataSetSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / dataSetSeconds;
}
BENCHMARK(BM_OpenAndReadDataSetBesidePlainStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
