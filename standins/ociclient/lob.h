// LOB locators of the stand-in client. A locator names the LOB value it
// stands for:
// - a persistent LOB: table, row (SQLite rowid) and column of the session's
//   database; BLOB columns hold SQLite blobs, CLOB and NCLOB columns UTF-8
//   text;
// - a temporary LOB: a value in its session's memory (temporary_lobs.h);
// - a fetched value with no row to name (an expression, a join): a read-only
//   copy;
// - a BFILE: a directory alias of the configuration and a file name.
// A locator fetched from a NULL column, or never filled, is uninitialised.
//
// Amounts and offsets follow Oracle: offsets are 1-based; BLOB and BFILE
// amounts are bytes; CLOB amounts are characters counted in UTF-16 code
// units (a four-byte character counts 2), and the text travels in the
// character set the call names (0 or the UTF-8 ids: UTF-8, whose amount
// out is in bytes; 1000 and 2000: UTF-16).
#pragma once

#include <sqlite3.h>

#include <memory>
#include <string>
#include <vector>

#include "handles.h"
#include "statement.h"

namespace ocistandin {

struct LobLocator : Handle {
  LobLocator(ub4 handleType, Handle* parentHandle);
  ~LobLocator() override;

  enum class Kind { kUninitialised, kPersistent, kTemporary, kCopy, kFile };
  Kind kind = Kind::kUninitialised;
  ub2 lobType = 0;  // SQLT_CLOB, SQLT_BLOB or SQLT_BFILEE
  ub1 charsetForm = SQLCS_IMPLICIT;
  std::weak_ptr<Connection> connection;
  // kPersistent
  std::string table, column;
  sqlite3_int64 rowid = 0;
  // kTemporary
  long long temporaryId = 0;
  // kCopy
  std::string copy;
  // kFile
  std::string directory, fileName;
  bool fileOpen = false;
  // Where the last CLOB read stopped: code unit and byte offset, valid while
  // the connection's change count is `stamp`. Reading on from there does not
  // scan the text from its start again.
  long long stamp = -1;
  sqlite3_int64 markUnit = 0, markByte = 0;
  // The blob handle of a persistent LOB read part way, valid while the
  // connection's change count is `blobStamp`; closed at the value's end.
  sqlite3_blob* blob = nullptr;
  long long blobStamp = -1;
  sqlite3* blobDb = nullptr;
  void keepBlob(sqlite3_blob* handle, sqlite3* db, long long changes);
  void closeBlob();

  // Makes this locator stand for what `source` stands for (a temporary
  // value is not shared: the caller copies it).
  void assignFrom(const LobLocator& source);
};

// A LOB descriptor for OCIDescriptorAlloc (types OCI_DTYPE_LOB and
// OCI_DTYPE_FILE).
std::unique_ptr<Handle> makeLobLocator(ub4 type, Handle* parent);

// Fills the locator whose pointer a LOB define's element holds from column
// `column` of the statement's current row (define_fetch.cpp). A NULL value
// leaves it uninitialised and sets `isNull`.
bool fetchLobColumn(StmtHandle& stmt, int column, ub2 dataType, const void* element, sb4 size,
                    bool& isNull, OraError& error);

// The value of the locator whose pointer a LOB bind's element holds, as it
// goes into a statement (binds.cpp): a blob, text, or NULL when
// uninitialised.
bool lobBindValue(const char* element, ub4 size, BindValue& out, OraError& error);

// Whether a select of this prepared statement fetches a LOB column of a
// table, so that the row's rowid must come along (statement.cpp).
bool selectsTableLob(sqlite3_stmt* stmt);
// The CLOB and BLOB columns of table `table` (upper case) a prepared select
// names directly, with their description.
std::vector<StmtHandle::LazyLob> tableLobColumns(sqlite3* db, sqlite3_stmt* stmt,
                                                 const std::string& table);
// The lazy LOB column at a select-list position, or null.
const StmtHandle::LazyLob* lazyLobAt(const StmtHandle& stmt, int column);
// Runs "select column from table where rowid = ?" for a lazy LOB column of
// the statement's current row; the caller steps nothing and finalizes the
// result. Null when the row is gone.
sqlite3_stmt* lazyLobValue(const StmtHandle& stmt, const StmtHandle::LazyLob& lazy);

// The SQL functions empty_clob(), empty_blob() and bfilename(dir, name).
bool registerLobFunctions(sqlite3* db, OraError& error);

// The value a BFILE column stores for bfilename(dir, name), and back.
std::string bfileValue(const std::string& directory, const std::string& name);
bool parseBfileValue(const std::string& value, std::string& directory, std::string& name);

// BFILE access (lob_files.cpp). The file a locator names, refused when the
// alias is unknown (ORA-22285) or the name would leave its folder
// (ORA-22288).
bool bfilePath(const LobLocator& locator, std::string& path, OraError& error);

// Closes the blob handles locators keep on a connection, so that no read
// outlives the statement after it (statement.cpp, before each execute).
void closeLobReads(sqlite3* db);

// Live locators of the process (test hook).
int liveLobLocators();

}  // namespace ocistandin
