#include "fetch_bench_support.h"

#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/session/session.h"

namespace ocibench {

const char* const kQuery = "select id, amount, name, code, created from big";

BenchDatabase::BenchDatabase(const char* tempPrefix) {
  std::string pattern =
      (std::filesystem::temp_directory_path() / (std::string(tempPrefix) + "_XXXXXX")).string();
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

}  // namespace ocibench
