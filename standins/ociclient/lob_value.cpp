#include "lob_value.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "charsets.h"

#include "platform/text.h"
#include "platform/utf8.h"

namespace ocistandin {
namespace {

// Bytes of the UTF-8 sequence a lead byte begins, and the UTF-16 code units
// its character takes. Stray continuation bytes count as one-byte
// characters, so that any bytes can be walked.
int sequenceBytes(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}
int sequenceUnits(unsigned char lead) {
  return lead >= 0xF0 ? 2 : 1;
}

// Decodes one sequence leniently (a three-byte surrogate too); advances
// `pos` by at least one byte.
char32_t decodeAt(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  const int n = sequenceBytes(lead);
  if (n == 1 || pos + static_cast<std::size_t>(n) > text.size()) {
    ++pos;
    return lead < 0x80 ? lead : 0xFFFD;
  }
  char32_t cp = lead & (0x7F >> n);
  for (int i = 1; i < n; ++i) cp = (cp << 6) | (static_cast<unsigned char>(text[pos + i]) & 0x3F);
  pos += static_cast<std::size_t>(n);
  return cp;
}

void putUnit(char* out, char16_t unit, ub2 csid) {
  const auto high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
  const bool big = csid == OCI_CHARSET_AL16UTF16;
  out[0] = big ? high : low;
  out[1] = big ? low : high;
}

// Reads a value in pieces: an SQLite blob handle on a table's row (kept by
// the locator between reads, so that reading on does not walk the value's
// pages from its start again), a file, or bytes in memory.
class ValueReader {
 public:
  explicit ValueReader(LobLocator& locator) : locator_(locator) {}
  ~ValueReader() { finish(After::kAsFound); }
  ValueReader(const ValueReader&) = delete;
  ValueReader& operator=(const ValueReader&) = delete;

  bool open(OraError& error) {
    const LobLocator& locator = locator_;
    if (locator.kind == LobLocator::Kind::kCopy) {
      memory_ = locator.copy;
      return true;
    }
    if (locator.kind == LobLocator::Kind::kFile) {
      if (!bfilePath(locator, path_, error)) return false;
      std::error_code ec;
      fileSize_ = static_cast<sqlite3_int64>(std::filesystem::file_size(path_, ec));
      if (ec) return (error = lobError(22288)), false;
      return true;
    }
    std::shared_ptr<Connection> session = lobSession(locator, error);
    if (!session) return false;
    if (locator.kind == LobLocator::Kind::kTemporary) {
      const std::string* value = session->temporaryLobs.find(locator.temporaryId);
      if (value == nullptr) return (error = lobError(22922)), false;
      memory_ = *value;
      return true;
    }
    db_ = session->db;
    stamp_ = sqlite3_total_changes64(db_);
    if (locator_.blob != nullptr && locator_.blobStamp == stamp_) {
      blob_ = locator_.blob;
      reused_ = true;
      return true;
    }
    locator_.closeBlob();
    openBlob();
    return true;
  }
  sqlite3_int64 size() const {
    if (blob_ != nullptr) return sqlite3_blob_bytes(blob_);
    return path_.empty() ? static_cast<sqlite3_int64>(memory_.size()) : fileSize_;
  }
  // Copies `n` bytes from `offset` (all inside the value).
  void read(sqlite3_int64 offset, sqlite3_int64 n, char* out) {
    if (n <= 0) return;
    if (blob_ != nullptr) {
      const auto blobRead = [&] {
        return sqlite3_blob_read(blob_, out, static_cast<int>(n), static_cast<int>(offset));
      };
      if (blobRead() != SQLITE_OK) {  // expired (a rollback): once more on a new handle
        openBlob();
        if (blob_ != nullptr) blobRead();
      }
    } else if (!path_.empty()) {
      std::ifstream in(path_, std::ios::binary);
      in.seekg(offset);
      in.read(out, n);
    } else {
      std::memcpy(out, memory_.data() + offset, static_cast<std::size_t>(n));
    }
  }
  // What becomes of the blob handle: kept by the locator for the next read,
  // closed, or kept only when it came from the locator.
  enum class After { kKeep, kClose, kAsFound };
  void finish(After after) {
    if (blob_ == nullptr) return;
    if (after == After::kKeep || (after == After::kAsFound && reused_)) {
      if (blob_ != locator_.blob) locator_.keepBlob(blob_, db_, stamp_);
    } else if (blob_ == locator_.blob) {
      locator_.closeBlob();
    } else {
      sqlite3_blob_close(blob_);
    }
    blob_ = nullptr;
  }

 private:
  void openBlob() {
    if (blob_ != nullptr && blob_ == locator_.blob)
      locator_.closeBlob();
    else if (blob_ != nullptr)
      sqlite3_blob_close(blob_);
    blob_ = nullptr;
    // A NULL value or a deleted row opens no handle: the value is empty.
    if (sqlite3_blob_open(db_, "main", locator_.table.c_str(), locator_.column.c_str(),
                          locator_.rowid, 0, &blob_) != SQLITE_OK) {
      if (blob_ != nullptr) sqlite3_blob_close(blob_);
      blob_ = nullptr;
    }
  }

  LobLocator& locator_;
  sqlite3* db_ = nullptr;
  long long stamp_ = -1;
  sqlite3_blob* blob_ = nullptr;
  bool reused_ = false;
  std::string_view memory_;
  std::string path_;
  sqlite3_int64 fileSize_ = 0;
};

// Walks a CLOB's UTF-8 bytes from (unit, byte), a character boundary, to
// the character holding code unit `target`, in pieces of 64 KiB.
void seekUnit(ValueReader& reader, sqlite3_int64 target, sqlite3_int64& unit, sqlite3_int64& byte) {
  const sqlite3_int64 size = reader.size();
  char piece[65536];
  while (byte < size && unit < target) {
    const sqlite3_int64 n = std::min<sqlite3_int64>(sizeof piece, size - byte);
    reader.read(byte, n, piece);
    sqlite3_int64 i = 0;
    while (i < n && unit < target) {
      const auto lead = static_cast<unsigned char>(piece[i]);
      if (unit + sequenceUnits(lead) > target) break;  // the target is this pair's second half
      unit += sequenceUnits(lead);
      i += sequenceBytes(lead);  // may run into the next piece
    }
    byte += i;
    if (unit < target && i < n) return;
  }
}

bool readClob(LobLocator& locator, ValueReader& reader, sqlite3_int64 offset, ub4& amount,
              char* buffer, ub4 capacity, ub2 csid, OraError& error) {
  if (csid != 0 && !knownCharsetId(csid)) return (error = lobError(12715)), false;
  const bool utf16 = isUtf16CharsetId(csid);
  const std::shared_ptr<Connection> session = locator.connection.lock();
  const long long stamp = session ? sqlite3_total_changes64(session->db) : -1;
  sqlite3_int64 unit = 0, byte = 0;
  const sqlite3_int64 target = offset - 1;
  if (stamp >= 0 && stamp == locator.stamp && locator.markUnit <= target) {
    unit = locator.markUnit;
    byte = locator.markByte;
  }
  seekUnit(reader, target, unit, byte);
  const sqlite3_int64 size = reader.size();
  const sqlite3_int64 wanted = amount == 0 ? (sqlite3_int64{1} << 40) : amount;
  // Enough bytes for the units wanted: at most three bytes a unit, and one
  // character begun before the offset.
  const sqlite3_int64 window = std::max<sqlite3_int64>(
      0, std::min<sqlite3_int64>(size - byte, std::min<sqlite3_int64>(wanted, capacity) * 3 + 4));
  std::string bytes(static_cast<std::size_t>(window), '\0');
  reader.read(byte, window, bytes.data());
  const bool windowCut = byte + window < size;
  sqlite3_int64 units = 0;  // delivered
  ub4 written = 0;
  std::size_t pos = 0;
  sqlite3_int64 at = unit;  // code unit at `pos`
  sqlite3_int64 markUnit = unit, markByte = byte;
  while (pos < bytes.size() && units < wanted) {
    const std::size_t start = pos;
    const auto lead = static_cast<unsigned char>(bytes[pos]);
    if (windowCut && start + static_cast<std::size_t>(sequenceBytes(lead)) > bytes.size()) break;
    std::u16string pieces;
    platform::AppendUtf16(pieces, decodeAt(bytes, pos));
    const std::size_t skip = static_cast<std::size_t>(std::max<sqlite3_int64>(target - at, 0));
    if (utf16) {
      std::size_t k = std::min(skip, pieces.size());
      for (; k < pieces.size() && units < wanted && written + 2 <= capacity; ++k) {
        putUnit(buffer + written, pieces[k], csid);
        written += 2;
        ++units;
      }
      if (k < pieces.size()) break;
    } else if (skip == 0) {  // UTF-8 cannot begin inside a pair: its second half is skipped
      const std::size_t n = pos - start;
      if (written + n > capacity || units + static_cast<sqlite3_int64>(pieces.size()) > wanted)
        break;
      std::memcpy(buffer + written, bytes.data() + start, n);
      written += static_cast<ub4>(n);
      units += static_cast<sqlite3_int64>(pieces.size());
    }
    at += static_cast<sqlite3_int64>(pieces.size());
    markUnit = at;
    markByte = byte + static_cast<sqlite3_int64>(pos);
  }
  locator.stamp = stamp;
  locator.markUnit = markUnit;
  locator.markByte = markByte;
  amount = utf16 ? static_cast<ub4>(units) : written;
  return true;
}

}  // namespace

LobLocator* findLocator(const void* pointer) {
  Handle* handle = findAnyHandle(pointer);
  if (handle == nullptr || (handle->type != OCI_DTYPE_LOB && handle->type != OCI_DTYPE_FILE))
    return nullptr;
  return static_cast<LobLocator*>(handle);
}

OraError lobError(sb4 code) {
  switch (code) {
    case 22275:
      return {code, "invalid LOB locator specified"};
    case 22285:
      return {code, "non-existent directory or file for FILEOPEN operation"};
    case 22288:
      return {code, "file or LOB operation FILEOPEN failed"};
    case 22289:
      return {code, "cannot perform FILEREAD operation on an unopened file or LOB"};
    case 22920:
      return {code, "row containing the LOB value is not locked"};
    case 22922:
      return {code, "nonexistent LOB value"};
    case 22926:
      return {code, "specified trim length is greater than current LOB value's length"};
    case 24801:
      return {code, "illegal parameter value in OCI lob function"};
    default:
      return {code, standardText(code)};
  }
}

std::shared_ptr<Connection> lobSession(const LobLocator& locator, OraError& error) {
  if (locator.kind == LobLocator::Kind::kUninitialised) {
    error = lobError(22275);
    return nullptr;
  }
  std::shared_ptr<Connection> session = locator.connection.lock();
  if (!session || session->ended) error = lobError(22922);
  return session && !session->ended ? session : nullptr;
}

std::u16string clobUnits(const std::string& utf8) {
  std::u16string units;
  units.reserve(utf8.size());
  for (std::size_t pos = 0; pos < utf8.size();) platform::AppendUtf16(units, decodeAt(utf8, pos));
  return units;
}

std::string clobText(const std::u16string& units) {
  std::string out;
  out.reserve(units.size());
  for (std::size_t i = 0; i < units.size(); ++i) {
    char32_t cp = units[i];
    if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
        units[i + 1] < 0xE000)
      cp = 0x10000 + ((cp - 0xD800) << 10) + (units[++i] - 0xDC00);
    platform::AppendUtf8(out, cp);  // a lone surrogate keeps its three bytes
  }
  return out;
}

bool loadLob(LobLocator& locator, std::string& value, OraError& error) {
  ValueReader reader(locator);
  if (!reader.open(error)) return false;
  value.assign(static_cast<std::size_t>(reader.size()), '\0');
  reader.read(0, reader.size(), value.data());
  reader.finish(ValueReader::After::kAsFound);
  return true;
}

bool storeLob(LobLocator& locator, const std::string& value, OraError& error) {
  if (locator.kind == LobLocator::Kind::kFile)
    return (error = {22286,
                     "insufficient privileges on file or directory to perform FILEWRITE "
                     "operation"}),
           false;
  if (locator.kind == LobLocator::Kind::kCopy) return (error = lobError(22920)), false;
  std::shared_ptr<Connection> session = lobSession(locator, error);
  if (!session) return false;
  locator.stamp = -1;
  locator.closeBlob();
  if (locator.kind == LobLocator::Kind::kTemporary) {
    std::string* held = session->temporaryLobs.find(locator.temporaryId);
    if (held == nullptr) return (error = lobError(22922)), false;
    *held = value;
    return true;
  }
  if (!session->transactionRows.count({platform::UpperAscii(locator.table), locator.rowid}))
    return (error = lobError(22920)), false;
  const std::string sql =
      "UPDATE \"" + locator.table + "\" SET \"" + locator.column + "\" = ?1 WHERE rowid = ?2";
  sqlite3_stmt* stmt = nullptr;
  if (sqlite3_prepare_v2(session->db, sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
    error = {kInternalError, sqlite3_errmsg(session->db)};
    sqlite3_finalize(stmt);
    return false;
  }
  if (locator.lobType == SQLT_BLOB)
    sqlite3_bind_blob64(stmt, 1, value.data(), value.size(), SQLITE_STATIC);
  else
    sqlite3_bind_text64(stmt, 1, value.data(), value.size(), SQLITE_STATIC, SQLITE_UTF8);
  sqlite3_bind_int64(stmt, 2, locator.rowid);
  const int rc = sqlite3_step(stmt);
  sqlite3_finalize(stmt);
  if (rc != SQLITE_DONE) error = {kInternalError, sqlite3_errmsg(session->db)};
  return rc == SQLITE_DONE;
}

bool lobLength(LobLocator& locator, sqlite3_int64& length, OraError& error) {
  ValueReader reader(locator);
  if (!reader.open(error)) return false;
  length = reader.size();
  if (locator.lobType != SQLT_CLOB) {
    reader.finish(ValueReader::After::kAsFound);
    return true;
  }
  // Code units: every character one, four-byte ones two.
  length = 0;
  char piece[65536];
  for (sqlite3_int64 at = 0; at < reader.size(); at += static_cast<sqlite3_int64>(sizeof piece)) {
    const sqlite3_int64 n = std::min<sqlite3_int64>(sizeof piece, reader.size() - at);
    reader.read(at, n, piece);
    for (sqlite3_int64 i = 0; i < n; ++i) {
      const auto b = static_cast<unsigned char>(piece[i]);
      if (b < 0x80 || b >= 0xC0) length += sequenceUnits(b);
    }
  }
  reader.finish(ValueReader::After::kAsFound);
  return true;
}

bool readLob(LobLocator& locator, sqlite3_int64 offset, ub4& amount, char* buffer, ub4 capacity,
             ub2 csid, OraError& error) {
  if (offset < 1) return (error = lobError(24801)), false;
  ValueReader reader(locator);
  if (!reader.open(error)) return false;
  if (locator.lobType == SQLT_CLOB) {
    if (!readClob(locator, reader, offset, amount, buffer, capacity, csid, error)) return false;
    reader.finish(locator.markByte < reader.size() ? ValueReader::After::kKeep
                                                   : ValueReader::After::kClose);
    return true;
  }
  const sqlite3_int64 from = offset - 1;
  const sqlite3_int64 rest = std::max<sqlite3_int64>(reader.size() - from, 0);
  const sqlite3_int64 wanted = amount == 0 ? rest : std::min<sqlite3_int64>(amount, rest);
  const sqlite3_int64 n = std::min<sqlite3_int64>(wanted, capacity);
  reader.read(from, n, buffer);
  amount = static_cast<ub4>(n);
  // Kept open while there is more to read; the end of the value closes it.
  reader.finish(n < rest ? ValueReader::After::kKeep : ValueReader::After::kClose);
  return true;
}

}  // namespace ocistandin
