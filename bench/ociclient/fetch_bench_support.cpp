#include "fetch_bench_support.h"

#include <malloc.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"

namespace ocibench {

const char* const kQuery = "select id, amount, name, code, created from big";

namespace {

// Inserts `rows` rows into the table `table` of five columns.
void fillTable(sqlite3* h, const std::string& table, int rows) {
  sqlite3_stmt* ins = nullptr;
  sqlite3_prepare_v2(h, ("insert into " + table + " values (?1, ?2, ?3, ?4, ?5)").c_str(), -1, &ins,
                     nullptr);
  for (int i = 0; i < rows; ++i) {
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
}

constexpr const char* kColumns =
    " (id number(10), amount number(12,2), name varchar2(30), code varchar2(10), created date)";

}  // namespace

BenchDatabase::BenchDatabase(const char* tempPrefix) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(tempPrefix) + "_XXXXXX")).string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  dir = pattern;
  db = dir + "/bench.sqlite";
  sqlite3* h = nullptr;
  sqlite3_open(db.c_str(), &h);
  const std::string schema =
      "create table ociclient_accounts (username text primary key, password text, "
      "status text, grace_days integer);"
      "insert into ociclient_accounts values ('BENCH', 'bench', 'OPEN', null);"
      "create table big" +
      std::string(kColumns) + "; begin;";
  sqlite3_exec(h, schema.c_str(), nullptr, nullptr, nullptr);
  fillTable(h, "big", kRows);
  sqlite3_exec(h, "commit;", nullptr, nullptr, nullptr);
  sqlite3_close(h);
  std::ofstream(dir + "/ociclient.conf") << "BENCHDB = bench.sqlite\n";
  setenv("NORVANE_OCI_CONFIG", (dir + "/ociclient.conf").c_str(), 1);
}

BenchDatabase::~BenchDatabase() {
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

namespace {

// The fixture database, then the stand-in client loaded through the
// plug-in's loader with its registry kept in the fixture's folder.
struct LoadedBenchDatabase {
  BenchDatabase database;
  explicit LoadedBenchDatabase(const char* tempPrefix) : database(tempPrefix) {
    setenv("NORVANE_REGISTRY_FILE", (database.dir + "/registry").c_str(), 1);
    oracle::OCIDLL = OCICLIENT_LIBRARY;
    oracle::InitOCI();
  }
};

}  // namespace

const BenchDatabase& loadedBenchDatabase(const char* tempPrefix) {
  static const LoadedBenchDatabase loaded(tempPrefix);
  return loaded.database;
}

void logOnBenchSession(oracle::TOracleSession& session) {
  session.SetLogonDatabase("BENCHDB");
  session.SetLogonUsername("BENCH");
  session.SetLogonPassword("bench");
  session.LogOn();
}

std::string queryOfRows(const BenchDatabase& database, int rows) {
  if (rows == kRows) return kQuery;
  const std::string table = "big_" + std::to_string(rows);
  sqlite3* h = nullptr;
  sqlite3_open(database.db.c_str(), &h);
  sqlite3_stmt* st = nullptr;
  const bool exists =
      sqlite3_prepare_v2(h, ("select 1 from " + table).c_str(), -1, &st, nullptr) == SQLITE_OK;
  sqlite3_finalize(st);
  if (!exists) {
    sqlite3_exec(h, ("create table " + table + kColumns + "; begin;").c_str(), nullptr, nullptr,
                 nullptr);
    fillTable(h, table, rows);
    sqlite3_exec(h, "commit;", nullptr, nullptr, nullptr);
  }
  sqlite3_close(h);
  return "select id, amount, name, code, created from " + table;
}

long long queryLoop(oracle::TOracleSession& session, const std::string& sql) {
  oracle::TOracleQuery query;
  query.SetSession(&session);
  query.SetSQL(sql);
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

namespace {

// Steps through the rows of `query` on a read-only connection of its own,
// handing the statement to `row` on each.
template <typename Row>
void stepRows(const std::string& path, const std::string& query, Row&& row) {
  sqlite3* h = nullptr;
  sqlite3_open_v2(path.c_str(), &h, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* st = nullptr;
  sqlite3_prepare_v2(h, query.c_str(), -1, &st, nullptr);
  while (sqlite3_step(st) == SQLITE_ROW) row(st);
  sqlite3_finalize(st);
  sqlite3_close(h);
}

}  // namespace

long long rawValueBytes(const std::string& path, const std::string& query) {
  long long bytes = 0;
  stepRows(path, query, [&](sqlite3_stmt* st) {
    bytes += 4 + 8 + 8 + sqlite3_column_bytes(st, 2) + sqlite3_column_bytes(st, 3);
  });
  return bytes;
}

double threadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

void resetPeakResident() {
  malloc_trim(0);
  std::ofstream("/proc/self/clear_refs") << "5";
}

long long peakResidentBytes() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atoll(line.c_str() + 6) * 1024;
  }
  return 0;
}

long long plainLoop(const std::string& path, const std::string& query) {
  long long sum = 0;
  char name[32], code[16], date[32];
  stepRows(path, query, [&](sqlite3_stmt* st) {
    sum += sqlite3_column_int(st, 0);
    sum += static_cast<long long>(sqlite3_column_double(st, 1));
    std::strncpy(name, reinterpret_cast<const char*>(sqlite3_column_text(st, 2)), sizeof name - 1);
    std::strncpy(code, reinterpret_cast<const char*>(sqlite3_column_text(st, 3)), sizeof code - 1);
    std::strncpy(date, reinterpret_cast<const char*>(sqlite3_column_text(st, 4)), sizeof date - 1);
    sum += name[0] + code[0] + date[0];
  });
  return sum;
}

}  // namespace ocibench
