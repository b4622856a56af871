// Fetching 10,000, 100,000 and 1,000,000 rows of five columns through the OCI
// calls (define, then fetch 25 rows per call) beside a plain sqlite3_step
// loop over the same rows in the same run. The figure is "ratio": plain loop time / OCI time (1.0
// means as fast as the plain loop).
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fetch_bench_support.h"
#include "platform/oci/oci_api.h"

namespace {

constexpr ub4 kBatch = 25;

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

long long ociLoop(const Oci& oci, const std::string& query) {
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
  oci.OCIStmtPrepare(stmt, err, reinterpret_cast<const text*>(query.c_str()),
                     static_cast<ub4>(query.size()), OCI_NTV_SYNTAX, OCI_DEFAULT);
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
  static ocibench::BenchDatabase database("ocibench");
  static Oci oci;
  const std::string query = ocibench::queryOfRows(database, static_cast<int>(state.range(0)));
  ocibench::measureBesidePlainLoop(
      state, database, "oci", [&] { return ociLoop(oci, query); }, query);
}
BENCHMARK(BM_FetchThroughOciBesidePlainStep)
    ->Apply(ocibench::fetchRowCounts)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
