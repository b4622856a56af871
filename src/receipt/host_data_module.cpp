#include "receipt/host_data_module.h"

#include <memory>
#include <stdexcept>
#include <utility>

#include "foundation/log.h"
#include "oracle/values/ora_variant.h"
#include "oracle/values/type_codes.h"

namespace receipt {

namespace {

// The host database's built-in read account.
constexpr const char* kAccountName = "VESKDATA";
constexpr const char* kAccountPassword = "plimsy";

constexpr const char* kTag = "TdQ";

// A plain pointer, never destroyed with the library's statics: the module is
// freed by the plug-ins' clean-up, while the Oracle library still stands.
TdQ* g_module = nullptr;

// `text` with every occurrence of the account's password blanked out, for
// texts that leave the module.
std::string WithoutPassword(std::string text) {
  const std::string password = kAccountPassword;
  for (size_t at = text.find(password); at != std::string::npos; at = text.find(password, at)) {
    text.replace(at, password.size(), "******");
  }
  return text;
}

}  // namespace

TdQ::TdQ() : os1(this), oq1(this), ds1(this), ds2(this) {
  os1.SetLogonDatabase(kHostDatabaseAlias);
  os1.SetBytesPerCharacter(oracle::TBytesPerCharacter::bc2Bytes);
  // The same few statements run for every item and every sale (vendor and
  // card names); the session's statement cache keeps them compiled, so a
  // reopen only binds and runs.
  os1.SetStatementCache(true);
  oq1.SetSession(&os1);
  oq1.SetOptimize(false);
  for (oracle::TOracleDataSet* dataset : {&ds1, &ds2}) {
    dataset->SetSession(&os1);
    dataset->SetOptimize(false);
  }
}

bool TdQ::Connect() {
  if (!os1.Connected()) {
    try {
      os1.SetLogonUsername(kAccountName);
      os1.SetLogonPassword(kAccountPassword);
      os1.LogOn();
    } catch (const std::exception& e) {
      lastError_ = "Logon Ex: " + WithoutPassword(e.what());
    }
  }
  return os1.Connected();
}

void TdQ::SetSQL(oracle::TOracleDataSet& dataset, const std::string& sql) {
  if (dataset.Active()) dataset.Close();
  dataset.SetSQL("");
  dataset.DeleteVariables();
  dataset.SetSQL(sql);
}

bool TdQ::Open(oracle::TOracleDataSet& dataset, const std::string& sql, const TBinds& binds) {
  SetSQL(dataset, sql);
  for (const TBind& bind : binds) {
    dataset.DeclareAndSet(
        bind.name, oracle::otype::String,
        bind.value.empty() ? oracle::Variant::Null() : oracle::Variant::String(bind.value));
  }
  dataset.Open();
  if (!dataset.IsEmpty()) {
    dataset.First();
    return true;
  }
  dataset.Close();
  return false;
}

void TdQ::SetDS1SQL(const std::string& sql) {
  SetSQL(ds1, sql);
}

void TdQ::SetDS2SQL(const std::string& sql) {
  SetSQL(ds2, sql);
}

bool TdQ::OpenDS1(const std::string& sql, const TBinds& binds) {
  return Open(ds1, sql, binds);
}

bool TdQ::OpenDS2(const std::string& sql, const TBinds& binds) {
  return Open(ds2, sql, binds);
}

std::string StatementText(const std::string& sql, const TBinds& binds) {
  std::string text = sql;
  if (binds.empty()) return text;
  text += " [";
  for (size_t i = 0; i < binds.size(); ++i) {
    if (i != 0) text += ", ";
    text += binds[i].name + "=" + (binds[i].value.empty() ? "NULL" : "'" + binds[i].value + "'");
  }
  return text + "]";
}

TdQ* DataModule() {
  return g_module;
}

TdQ& EnsureDataModule() {
  if (g_module == nullptr) g_module = new TdQ();
  return *g_module;
}

void FreeDataModule() {
  std::unique_ptr<TdQ> module(std::exchange(g_module, nullptr));
  if (module == nullptr) return;
  if (module->os1.Connected()) {
    try {
      module->os1.LogOff();
    } catch (const std::exception& e) {
      foundation::LogException(e, std::string(kTag) + ".FreeDataModule while logging off");
    }
  }
}

void ReleaseDatabaseClient() {
  FreeDataModule();
  oracle::FinalizeOracleSessions();
}

}  // namespace receipt
