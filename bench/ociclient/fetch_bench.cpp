// Fetching 100,000 rows of five columns through the OCI calls (define, then
// fetch 25 rows per call) beside a plain sqlite3_step loop over the same rows
// in the same run. The figure is "ratio": plain loop time / OCI time (1.0
// means as fast as the plain loop).
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <sqlite3.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/oci/oci_api.h"

namespace {

constexpr int kRows = 100000;
constexpr ub4 kBatch = 25;

struct Fixture {
  std::string dir, db;
  Fixture() {
    std::string pattern = (std::filesystem::temp_directory_path() / "ocibench_XXXXXX").string();
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
  }
  ~Fixture() {
    std::error_code ignored;
    std::filesystem::remove_all(dir, ignored);
  }
};

const char* const kQuery = "select id, amount, name, code, created from big";

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

struct Oci {
#define BENCH_MEMBER(name) PFN_##name name = nullptr;
  OCI_FOR_EACH_OCI8(BENCH_MEMBER)
  OCI_FOR_EACH_OCI81(BENCH_MEMBER)
  OCI_FOR_EACH_OCI9(BENCH_MEMBER)
#undef BENCH_MEMBER
  Oci() {
    void* lib = dlopen(OCICLIENT_LIBRARY, RTLD_NOW);
    if (lib == nullptr) std::abort();
#define BENCH_BIND(name) name = reinterpret_cast<PFN_##name>(dlsym(lib, #name));
    OCI_FOR_EACH_OCI8(BENCH_BIND)
    OCI_FOR_EACH_OCI81(BENCH_BIND)
    OCI_FOR_EACH_OCI9(BENCH_BIND)
#undef BENCH_BIND
  }
};

long long ociLoop(const Oci& oci) {
  OCIEnv* env = nullptr;
  OCIError* err = nullptr;
  OCISvcCtx* svc = nullptr;
  OCIStmt* stmt = nullptr;
  oci.OCIEnvCreate(&env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  oci.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  oci.OCILogon(env, err, &svc, reinterpret_cast<const text*>("BENCH"), 5,
               reinterpret_cast<const text*>("bench"), 5, reinterpret_cast<const text*>("BENCHDB"),
               7);
  oci.OCIHandleAlloc(env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  oci.OCIStmtPrepare(stmt, err, reinterpret_cast<const text*>(kQuery),
                     static_cast<ub4>(std::strlen(kQuery)), OCI_NTV_SYNTAX, OCI_DEFAULT);
  oci.OCIStmtExecute(svc, stmt, err, 0, 0, nullptr, nullptr, OCI_DEFAULT);
  std::int32_t ids[kBatch];
  double amounts[kBatch];
  char names[kBatch][32], codes[kBatch][16];
  unsigned char dates[kBatch][7];
  sb2 ind[5][kBatch];
  OCIDefine* d = nullptr;
  oci.OCIDefineByPos(stmt, &d, err, 1, ids, 4, SQLT_INT, ind[0], nullptr, nullptr, 0);
  oci.OCIDefineByPos(stmt, &d, err, 2, amounts, 8, SQLT_FLT, ind[1], nullptr, nullptr, 0);
  oci.OCIDefineByPos(stmt, &d, err, 3, names, 32, SQLT_STR, ind[2], nullptr, nullptr, 0);
  oci.OCIDefineByPos(stmt, &d, err, 4, codes, 16, SQLT_STR, ind[3], nullptr, nullptr, 0);
  oci.OCIDefineByPos(stmt, &d, err, 5, dates, 7, SQLT_DAT, ind[4], nullptr, nullptr, 0);
  long long sum = 0;
  for (;;) {
    const sword rc = oci.OCIStmtFetch2(stmt, err, kBatch, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
    ub4 rows = 0;
    oci.OCIAttrGet(stmt, OCI_HTYPE_STMT, &rows, nullptr, OCI_ATTR_ROWS_FETCHED, err);
    for (ub4 r = 0; r < rows; ++r)
      sum += ids[r] + static_cast<long long>(amounts[r]) + names[r][0] + codes[r][0] + dates[r][0];
    if (rc != OCI_SUCCESS) break;
  }
  oci.OCILogoff(svc, err);
  oci.OCIHandleFree(env, OCI_HTYPE_ENV);
  return sum;
}

void BM_FetchThroughOciBesidePlainStep(benchmark::State& state) {
  static Fixture fixture;
  static Oci oci;
  using Clock = std::chrono::steady_clock;
  double ociSeconds = 0, plainSeconds = 0;
  for (auto _ : state) {
    const auto t0 = Clock::now();
    benchmark::DoNotOptimize(ociLoop(oci));
    const auto t1 = Clock::now();
    benchmark::DoNotOptimize(plainLoop(fixture.db));
    const auto t2 = Clock::now();
    ociSeconds += std::chrono::duration<double>(t1 - t0).count();
    plainSeconds += std::chrono::duration<double>(t2 - t1).count();
    state.SetIterationTime(std::chrono::duration<double>(t1 - t0).count());
  }
  const double iterations = static_cast<double>(state.iterations());
  state.counters["oci_ms"] = 1000 * ociSeconds / iterations;
  state.counters["plain_ms"] = 1000 * plainSeconds / iterations;
  state.counters["ratio"] = plainSeconds / ociSeconds;
}
BENCHMARK(BM_FetchThroughOciBesidePlainStep)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
