#include "oci_client/oci_test_support.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace ocitest {

const Api& api() {
  static const Api instance = [] {
    Api a;
    a.library = dlopen(OCICLIENT_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    if (a.library == nullptr) {
      ADD_FAILURE() << "cannot load " << OCICLIENT_LIBRARY << ": " << dlerror();
      std::abort();
    }
#define OCITEST_BIND(name) a.name = reinterpret_cast<PFN_##name>(dlsym(a.library, #name));
    OCI_FOR_EACH_OCI8(OCITEST_BIND)
    OCI_FOR_EACH_ERROR_FUNCTIONS(OCITEST_BIND)
    OCI_FOR_EACH_OCI81(OCITEST_BIND)
    OCI_FOR_EACH_OCI9(OCITEST_BIND)
    OCITEST_BIND(OCIStmtPrepare2)
    OCITEST_BIND(OCIStmtRelease)
#undef OCITEST_BIND
    auto hook = [&](const char* name) { return dlsym(a.library, name); };
    a.journalSize = reinterpret_cast<PFN_ociStandin_JournalSize>(hook("ociStandin_JournalSize"));
    a.journalSql = reinterpret_cast<PFN_ociStandin_JournalSql>(hook("ociStandin_JournalSql"));
    a.journalBindCount =
        reinterpret_cast<PFN_ociStandin_JournalBindCount>(hook("ociStandin_JournalBindCount"));
    a.journalBind = reinterpret_cast<PFN_ociStandin_JournalBind>(hook("ociStandin_JournalBind"));
    a.journalClear = reinterpret_cast<PFN_ociStandin_JournalClear>(hook("ociStandin_JournalClear"));
    a.failNextCall = reinterpret_cast<PFN_ociStandin_FailNextCall>(hook("ociStandin_FailNextCall"));
    a.failStatements =
        reinterpret_cast<PFN_ociStandin_FailStatements>(hook("ociStandin_FailStatements"));
    a.clearFailure = reinterpret_cast<PFN_ociStandin_ClearFailure>(hook("ociStandin_ClearFailure"));
    return a;
  }();
  return instance;
}

FixtureDatabase::FixtureDatabase() {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "ociclient_test_XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  dir_ = pattern;
  dbPath_ = (fs::path(dir_) / "host.sqlite").string();
  fs::copy_file(HOST_DB_FIXTURE, dbPath_);
  const std::string config = (fs::path(dir_) / "ociclient.conf").string();
  std::ofstream(config) << "# test configuration\nRPROODS = host.sqlite\n@busy_timeout_ms = 50\n";
  setenv("NORVANE_OCI_CONFIG", config.c_str(), 1);
  api().clearFailure();
}

FixtureDatabase::~FixtureDatabase() {
  unsetenv("NORVANE_OCI_CONFIG");
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

Session::Session(const std::string& userName, const std::string& password,
                 const std::string& alias) {
  const Api& a = api();
  a.OCIEnvCreate(&env, OCI_THREADED | OCI_OBJECT, nullptr, nullptr, nullptr, nullptr, 0, nullptr);
  a.OCIHandleAlloc(env, reinterpret_cast<void**>(&err), OCI_HTYPE_ERROR, 0, nullptr);
  a.OCIHandleAlloc(env, reinterpret_cast<void**>(&server), OCI_HTYPE_SERVER, 0, nullptr);
  a.OCIHandleAlloc(env, reinterpret_cast<void**>(&svc), OCI_HTYPE_SVCCTX, 0, nullptr);
  a.OCIHandleAlloc(env, reinterpret_cast<void**>(&user), OCI_HTYPE_SESSION, 0, nullptr);
  logonStatus = a.OCIServerAttach(server, err, reinterpret_cast<const text*>(alias.c_str()),
                                  static_cast<sb4>(alias.size()), OCI_DEFAULT);
  if (logonStatus != OCI_SUCCESS) {
    logonCode = lastError(err).code;
    return;
  }
  a.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, server, 0, OCI_ATTR_SERVER, err);
  a.OCIAttrSet(user, OCI_HTYPE_SESSION, const_cast<char*>(userName.c_str()),
               static_cast<ub4>(userName.size()), OCI_ATTR_USERNAME, err);
  a.OCIAttrSet(user, OCI_HTYPE_SESSION, const_cast<char*>(password.c_str()),
               static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, err);
  logonStatus = a.OCISessionBegin(svc, err, user, OCI_CRED_RDBMS, OCI_DEFAULT);
  const ErrorInfo info = lastError(err);
  logonCode = info.code;
  logonText = info.text;
  if (logonStatus == OCI_SUCCESS || logonStatus == OCI_SUCCESS_WITH_INFO)
    a.OCIAttrSet(svc, OCI_HTYPE_SVCCTX, user, 0, OCI_ATTR_SESSION, err);
}

void Session::end() {
  api().OCISessionEnd(svc, err, user, OCI_DEFAULT);
}

Session::~Session() {
  // Freeing the environment frees every handle below it.
  if (env != nullptr) api().OCIHandleFree(env, OCI_HTYPE_ENV);
}

ErrorInfo lastError(OCIError* err) {
  ErrorInfo info;
  text buffer[1024] = {};
  if (api().OCIErrorGet(err, 1, nullptr, &info.code, buffer, sizeof buffer, OCI_HTYPE_ERROR) ==
      OCI_SUCCESS)
    info.text = reinterpret_cast<const char*>(buffer);
  return info;
}

Statement::Statement(Session& s, const std::string& sql) : session(s) {
  api().OCIHandleAlloc(s.env, reinterpret_cast<void**>(&stmt), OCI_HTYPE_STMT, 0, nullptr);
  EXPECT_EQ(OCI_SUCCESS,
            api().OCIStmtPrepare(stmt, s.err, reinterpret_cast<const text*>(sql.c_str()),
                                 static_cast<ub4>(sql.size()), OCI_NTV_SYNTAX, OCI_DEFAULT));
}

Statement::~Statement() {
  api().OCIHandleFree(stmt, OCI_HTYPE_STMT);
}

sword Statement::execute(ub4 iters, ub4 mode, ub4 rowoff) {
  return api().OCIStmtExecute(session.svc, stmt, session.err, iters, rowoff, nullptr, nullptr,
                              mode);
}

void run(Session& session, const std::string& sql) {
  Statement s(session, sql);
  ASSERT_EQ(OCI_SUCCESS, s.execute()) << sql << "\n" << s.error().text;
}

Rows query(Session& session, const std::string& sql,
           const std::vector<std::pair<std::string, std::string>>& binds) {
  const Api& a = api();
  Statement s(session, sql);
  std::vector<std::string> values;
  values.reserve(binds.size());
  for (const auto& [name, value] : binds) {
    values.push_back(value);
    OCIBind* bind = nullptr;
    EXPECT_EQ(
        OCI_SUCCESS,
        a.OCIBindByName(s.stmt, &bind, session.err, reinterpret_cast<const text*>(name.c_str()), -1,
                        values.back().data(), static_cast<sb4>(values.back().size() + 1), SQLT_STR,
                        nullptr, nullptr, nullptr, 0, nullptr, OCI_DEFAULT));
  }
  Rows rows;
  if (s.execute(0) != OCI_SUCCESS) {
    ADD_FAILURE() << sql << "\n" << s.error().text;
    return rows;
  }
  ub4 columns = 0;
  a.OCIAttrGet(s.stmt, OCI_HTYPE_STMT, &columns, nullptr, OCI_ATTR_PARAM_COUNT, session.err);
  constexpr ub4 kBatch = 7, kWidth = 200;
  std::vector<std::vector<char>> buffers(columns, std::vector<char>(kBatch * kWidth));
  std::vector<std::vector<sb2>> indicators(columns, std::vector<sb2>(kBatch));
  for (ub4 c = 0; c < columns; ++c) {
    OCIDefine* define = nullptr;
    a.OCIDefineByPos(s.stmt, &define, session.err, c + 1, buffers[c].data(), kWidth, SQLT_STR,
                     indicators[c].data(), nullptr, nullptr, OCI_DEFAULT);
  }
  for (;;) {
    ub4 before = 0, after = 0;
    a.OCIAttrGet(s.stmt, OCI_HTYPE_STMT, &before, nullptr, OCI_ATTR_ROW_COUNT, session.err);
    const sword rc = a.OCIStmtFetch2(s.stmt, session.err, kBatch, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
    if (rc != OCI_SUCCESS && rc != OCI_NO_DATA) {
      ADD_FAILURE() << sql << "\n" << s.error().text;
      break;
    }
    a.OCIAttrGet(s.stmt, OCI_HTYPE_STMT, &after, nullptr, OCI_ATTR_ROW_COUNT, session.err);
    for (ub4 r = 0; r < after - before; ++r) {
      std::vector<std::string> row;
      for (ub4 c = 0; c < columns; ++c)
        row.push_back(indicators[c][r] == -1 ? "<null>" : std::string(&buffers[c][r * kWidth]));
      rows.push_back(std::move(row));
    }
    if (rc == OCI_NO_DATA) break;
  }
  return rows;
}

}  // namespace ocitest
