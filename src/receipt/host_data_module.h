#pragma once
// TdQ: the plug-in's one connection to the host's database, for the values
// the host's business objects do not offer (vendor names, sales-order
// balances, card names, customer look-ups). It holds one session on the
// host's database alias, one statement object and two datasets.
//
// The session logs on with the host database's built-in read account; the
// account is fixed, not a setting, and its password never appears in a log
// line, in LastError or in a message.
//
// No value is ever pasted into a statement's text: statements name their
// values as bind variables (":name") and OpenDS1/OpenDS2 bind them.
//
// One process-wide module is made on demand (EnsureDataModule) and freed by
// the receipt plug-ins' clean-up (FreeDataModule); the next road that needs
// it makes it again. The library's unload releases what is left, and the
// Oracle client with it (ReleaseDatabaseClient).

#include <string>
#include <vector>

#include "oracle/dataset/dataset.h"
#include "oracle/query/query.h"
#include "oracle/session/session.h"

namespace receipt {

// The host's database alias the session logs on to.
inline constexpr const char* kHostDatabaseAlias = "RPROODS";

// One bind variable of a statement: its name (without the colon) and its
// value, bound as a string; an empty value binds NULL.
struct TBind {
  std::string name;
  std::string value;
};
using TBinds = std::vector<TBind>;

class TdQ {
 public:
  TdQ();
  TdQ(const TdQ&) = delete;
  TdQ& operator=(const TdQ&) = delete;

  // Logs on with the built-in account unless the session is connected
  // already. True when connected afterwards; a refused logon gives False and
  // LastError "Logon Ex: " + the server's message, and raises nothing.
  bool Connect();

  // Closes the dataset when open, forgets its statement and variables and
  // sets the new statement.
  void SetDS1SQL(const std::string& sql);
  void SetDS2SQL(const std::string& sql);

  // Sets the statement, binds `binds` and opens the dataset. True with the
  // first record current when a row came back; otherwise the dataset is
  // closed and the answer is False. Database errors reach the caller.
  bool OpenDS1(const std::string& sql, const TBinds& binds = {});
  bool OpenDS2(const std::string& sql, const TBinds& binds = {});

  const std::string& LastError() const { return lastError_; }

  // Declared first: the session outlives the objects attached to it.
  oracle::TOracleSession os1;
  oracle::TOracleQuery oq1;
  oracle::TOracleDataSet ds1;
  oracle::TOracleDataSet ds2;

 private:
  static void SetSQL(oracle::TOracleDataSet& dataset, const std::string& sql);
  static bool Open(oracle::TOracleDataSet& dataset, const std::string& sql, const TBinds& binds);

  std::string lastError_;
};

// The statement and its bind values as one line for the log:
// text + " [name='value', ...]" (NULL for an empty value).
std::string StatementText(const std::string& sql, const TBinds& binds);

// The process-wide module; null while there is none.
TdQ* DataModule();
// The process-wide module, made when there is none (not connected).
TdQ& EnsureDataModule();
// Logs the module's session off when it is connected (a failure is logged),
// frees the module and forgets it. Nothing happens when there is none.
void FreeDataModule();
// At library unload: frees the module (when no clean-up did), logs off any
// Oracle session still logged on, frees the shared client environment and
// closes the Oracle client library, so that the next load opens it afresh.
void ReleaseDatabaseClient();

}  // namespace receipt
