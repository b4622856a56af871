// The OCILob* calls on CLOBs, BLOBs and temporary LOBs (BFILE calls:
// lob_files.cpp).
#include <algorithm>

#include "api_support.h"
#include "charsets.h"
#include "lob_value.h"

using namespace ocistandin;

namespace {

// The error handle and locator of a call; OCI_INVALID_HANDLE when either is
// not live.
struct LobCall {
  LobCall(const void* errhp, const void* locp)
      : lock(apiMutex()), err(beginCall(errhp)), locator(findLocator(locp)) {}
  bool valid() const { return err != nullptr && locator != nullptr; }
  sword fail(const OraError& error) const { return ocistandin::fail(err, error); }

  ApiLock lock;
  ErrorHandle* err;
  LobLocator* locator;
};

// The code units of a CLOB value or the bytes of a BLOB, spliced: `data`
// placed at the 0-based `at`, the gap before it padded (blanks for a CLOB,
// zero bytes for a BLOB).
template <class S>
void spliceInto(S& value, std::size_t at, const S& data, typename S::value_type pad) {
  if (value.size() < at) value.resize(at, pad);
  if (value.size() < at + data.size()) value.resize(at + data.size(), pad);
  std::copy(data.begin(), data.end(), value.begin() + static_cast<std::ptrdiff_t>(at));
}

// Changes a LOB's value by `change`, applied to its code units (CLOB) or
// bytes (BLOB).
template <class Change>
bool changeLob(LobLocator& locator, OraError& error, Change change) {
  std::string value;
  if (!loadLob(locator, value, error)) return false;
  if (locator.lobType == SQLT_CLOB) {
    std::u16string units = clobUnits(value);
    if (!change(units, u' ', error)) return false;
    value = clobText(units);
  } else if (!change(value, '\0', error)) {
    return false;
  }
  return storeLob(locator, value, error);
}

// A part of a LOB's value (`amount` units from the 0-based `from`) in the
// units of `target`'s kind: CLOB text as code units, else bytes.
bool lobPart(LobLocator& source, sqlite3_int64 from, sqlite3_int64 amount, std::u16string& units,
             std::string& bytes, OraError& error) {
  std::string value;
  if (!loadLob(source, value, error)) return false;
  if (source.lobType == SQLT_CLOB) {
    units = clobUnits(value);
    const auto start = std::min<std::size_t>(static_cast<std::size_t>(from), units.size());
    units = units.substr(start, static_cast<std::size_t>(amount));
    bytes = clobText(units);
  } else {
    const auto start = std::min<std::size_t>(static_cast<std::size_t>(from), value.size());
    bytes = value.substr(start, static_cast<std::size_t>(amount));
    units = clobUnits(bytes);
  }
  return true;
}

// Writes `amount` units of a source (0-based `from`) into `target` at the
// 1-based `offset` (OCILobCopy, OCILobAppend, OCILobLoadFromFile).
bool copyInto(LobLocator& target, LobLocator& source, sqlite3_int64 amount, sqlite3_int64 offset,
              sqlite3_int64 from, OraError& error) {
  std::u16string units;
  std::string bytes;
  if (!lobPart(source, from, amount, units, bytes, error)) return false;
  return changeLob(target, error, [&](auto& value, auto pad, OraError&) {
    using S = std::decay_t<decltype(value)>;
    if constexpr (std::is_same_v<S, std::u16string>)
      spliceInto(value, static_cast<std::size_t>(offset - 1), units, pad);
    else
      spliceInto(value, static_cast<std::size_t>(offset - 1), bytes, pad);
    return true;
  });
}

// Temporary LOBs made, by character-set form (1 implicit, 2 national); read
// by tests through ociStandin_TemporaryLobsMade. Guarded by the API lock.
int temporaryLobsMade[3] = {0, 0, 0};

}  // namespace

extern "C" {

sword OCILobGetLength(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* lenp) {
  LobCall call(errhp, locp);
  if (!call.valid() || lenp == nullptr) return OCI_INVALID_HANDLE;
  OraError error;
  sqlite3_int64 length = 0;
  if (!lobLength(*call.locator, length, error)) return call.fail(error);
  *lenp = static_cast<ub4>(length);
  return OCI_SUCCESS;
}

sword OCILobLocatorIsInit(OCIEnv*, OCIError* errhp, const OCILobLocator* locp, boolean* is_init) {
  LobCall call(errhp, locp);
  if (!call.valid() || is_init == nullptr) return OCI_INVALID_HANDLE;
  *is_init = call.locator->kind != LobLocator::Kind::kUninitialised ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobCharSetId(OCIEnv*, OCIError* errhp, const OCILobLocator* locp, ub2* csid) {
  LobCall call(errhp, locp);
  if (!call.valid() || csid == nullptr) return OCI_INVALID_HANDLE;
  *csid = call.locator->lobType != SQLT_CLOB         ? 0
          : call.locator->charsetForm == SQLCS_NCHAR ? OCI_CHARSET_AL16UTF16
                                                     : OCI_CHARSET_AL32UTF8;
  return OCI_SUCCESS;
}

sword OCILobCharSetForm(OCIEnv*, OCIError* errhp, const OCILobLocator* locp, ub1* csfrm) {
  LobCall call(errhp, locp);
  if (!call.valid() || csfrm == nullptr) return OCI_INVALID_HANDLE;
  *csfrm = call.locator->lobType == SQLT_CLOB ? call.locator->charsetForm : 0;
  return OCI_SUCCESS;
}

sword OCILobRead(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                 dvoid* bufp, ub4 bufl, dvoid*, OCICallbackLobRead cbfp, ub2 csid, ub1) {
  LobCall call(errhp, locp);
  if (!call.valid() || amtp == nullptr || bufp == nullptr) return OCI_INVALID_HANDLE;
  if (cbfp != nullptr) return call.fail({kUnimplemented, standardText(kUnimplemented)});
  if (call.locator->kind == LobLocator::Kind::kFile && !call.locator->fileOpen)
    return call.fail(lobError(22289));
  OraError error;
  if (!readLob(*call.locator, offset, *amtp, static_cast<char*>(bufp), bufl, csid, error))
    return call.fail(error);
  return OCI_SUCCESS;
}

sword OCILobWrite(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* amtp, ub4 offset,
                  dvoid* bufp, ub4 buflen, ub1 piece, dvoid*, OCICallbackLobWrite cbfp, ub2 csid,
                  ub1) {
  LobCall call(errhp, locp);
  if (!call.valid() || amtp == nullptr || bufp == nullptr) return OCI_INVALID_HANDLE;
  if (cbfp != nullptr || piece != OCI_ONE_PIECE)
    return call.fail({kUnimplemented, standardText(kUnimplemented)});
  if (offset < 1) return call.fail(lobError(24801));
  const std::string_view data(static_cast<const char*>(bufp), buflen);
  LobLocator& locator = *call.locator;
  OraError error;
  if (locator.lobType == SQLT_CLOB) {
    if (csid != 0 && !knownCharsetId(csid)) return call.fail(lobError(12715));
    std::u16string units;
    if (isUtf16CharsetId(csid)) {
      const std::size_t count = std::min<std::size_t>(*amtp == 0 ? buflen / 2 : *amtp, buflen / 2);
      const bool big = csid == OCI_CHARSET_AL16UTF16;
      for (std::size_t i = 0; i < count; ++i) {
        const auto a = static_cast<unsigned char>(data[2 * i]);
        const auto b = static_cast<unsigned char>(data[2 * i + 1]);
        units += static_cast<char16_t>(big ? (a << 8 | b) : (b << 8 | a));
      }
    } else {
      units = clobUnits(std::string(data));
      if (*amtp != 0 && *amtp < units.size()) units.resize(*amtp);
    }
    if (!changeLob(locator, error, [&](auto& value, auto pad, OraError&) {
          if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::u16string>)
            spliceInto(value, offset - 1, units, pad);
          return true;
        }))
      return call.fail(error);
    *amtp = isUtf16CharsetId(csid) ? static_cast<ub4>(units.size())
                                   : static_cast<ub4>(clobText(units).size());
    return OCI_SUCCESS;
  }
  const std::string bytes(data.substr(0, *amtp == 0 ? buflen : std::min(*amtp, buflen)));
  if (!changeLob(locator, error, [&](auto& value, auto pad, OraError&) {
        if constexpr (std::is_same_v<std::decay_t<decltype(value)>, std::string>)
          spliceInto(value, offset - 1, bytes, pad);
        return true;
      }))
    return call.fail(error);
  *amtp = static_cast<ub4>(bytes.size());
  return OCI_SUCCESS;
}

sword OCILobTrim(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4 newlen) {
  LobCall call(errhp, locp);
  if (!call.valid()) return OCI_INVALID_HANDLE;
  OraError error;
  if (!changeLob(*call.locator, error, [&](auto& value, auto, OraError& e) {
        if (newlen > value.size()) return (e = lobError(22926)), false;
        value.resize(newlen);
        return true;
      }))
    return call.fail(error);
  return OCI_SUCCESS;
}

sword OCILobErase(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4* amount, ub4 offset) {
  LobCall call(errhp, locp);
  if (!call.valid() || amount == nullptr) return OCI_INVALID_HANDLE;
  if (offset < 1) return call.fail(lobError(24801));
  OraError error;
  ub4 erased = 0;
  if (!changeLob(*call.locator, error, [&](auto& value, auto pad, OraError&) {
        const std::size_t from = std::min<std::size_t>(offset - 1, value.size());
        const std::size_t to = std::min<std::size_t>(from + *amount, value.size());
        std::fill(value.begin() + static_cast<std::ptrdiff_t>(from),
                  value.begin() + static_cast<std::ptrdiff_t>(to), pad);
        erased = static_cast<ub4>(to - from);
        return true;
      }))
    return call.fail(error);
  *amount = erased;
  return OCI_SUCCESS;
}

sword OCILobAppend(OCISvcCtx*, OCIError* errhp, OCILobLocator* dst_locp, OCILobLocator* src_locp) {
  LobCall call(errhp, dst_locp);
  LobLocator* source = findLocator(src_locp);
  if (!call.valid() || source == nullptr) return OCI_INVALID_HANDLE;
  OraError error;
  sqlite3_int64 length = 0;
  if (!lobLength(*call.locator, length, error) ||
      !copyInto(*call.locator, *source, sqlite3_int64{1} << 40, length + 1, 0, error))
    return call.fail(error);
  return OCI_SUCCESS;
}

sword OCILobCopy(OCISvcCtx*, OCIError* errhp, OCILobLocator* dst_locp, OCILobLocator* src_locp,
                 ub4 amount, ub4 dst_offset, ub4 src_offset) {
  LobCall call(errhp, dst_locp);
  LobLocator* source = findLocator(src_locp);
  if (!call.valid() || source == nullptr) return OCI_INVALID_HANDLE;
  if (dst_offset < 1 || src_offset < 1) return call.fail(lobError(24801));
  OraError error;
  if (!copyInto(*call.locator, *source, amount, dst_offset, src_offset - 1, error))
    return call.fail(error);
  return OCI_SUCCESS;
}

sword OCILobLoadFromFile(OCISvcCtx*, OCIError* errhp, OCILobLocator* dst_locp,
                         OCILobLocator* src_filep, ub4 amount, ub4 dst_offset, ub4 src_offset) {
  LobCall call(errhp, dst_locp);
  LobLocator* file = findLocator(src_filep);
  if (!call.valid() || file == nullptr || file->kind != LobLocator::Kind::kFile)
    return OCI_INVALID_HANDLE;
  if (!file->fileOpen) return call.fail(lobError(22289));
  if (dst_offset < 1 || src_offset < 1) return call.fail(lobError(24801));
  OraError error;
  if (!copyInto(*call.locator, *file, amount, dst_offset, src_offset - 1, error))
    return call.fail(error);
  return OCI_SUCCESS;
}

sword OCILobAssign(OCIEnv*, OCIError* errhp, const OCILobLocator* src_locp,
                   OCILobLocator** dst_locpp) {
  LobCall call(errhp, src_locp);
  LobLocator* target = dst_locpp != nullptr ? findLocator(*dst_locpp) : nullptr;
  if (!call.valid() || target == nullptr) return OCI_INVALID_HANDLE;
  LobLocator& source = *call.locator;
  if (target == &source) return OCI_SUCCESS;
  target->assignFrom(source);
  if (source.kind != LobLocator::Kind::kTemporary) return OCI_SUCCESS;
  // A temporary value is copied into a temporary of its own.
  OraError error;
  std::string value;
  std::shared_ptr<Connection> session = lobSession(source, error);
  if (!session || !loadLob(source, value, error)) {
    target->kind = LobLocator::Kind::kUninitialised;
    return call.fail(error);
  }
  target->temporaryId = session->temporaryLobs.create();
  *session->temporaryLobs.find(target->temporaryId) = value;
  return OCI_SUCCESS;
}

sword OCILobIsEqual(OCIEnv*, const OCILobLocator* x, const OCILobLocator* y, boolean* is_equal) {
  ApiLock lock(apiMutex());
  const LobLocator* a = findLocator(x);
  const LobLocator* b = findLocator(y);
  if (a == nullptr || b == nullptr || is_equal == nullptr) return OCI_INVALID_HANDLE;
  const bool same = a->kind == b->kind && a->kind != LobLocator::Kind::kUninitialised &&
                    a->connection.lock() == b->connection.lock() &&
                    (a->kind == LobLocator::Kind::kPersistent
                         ? a->table == b->table && a->column == b->column && a->rowid == b->rowid
                     : a->kind == LobLocator::Kind::kTemporary ? a->temporaryId == b->temporaryId
                     : a->kind == LobLocator::Kind::kFile
                         ? a->directory == b->directory && a->fileName == b->fileName
                         : a == b);
  *is_equal = same ? 1 : 0;
  return OCI_SUCCESS;
}

sword OCILobCreateTemporary(OCISvcCtx* svchp, OCIError* errhp, OCILobLocator* locp, ub2 csid,
                            ub1 csfrm, ub1 lobtype, boolean, OCIDuration) {
  LobCall call(errhp, locp);
  auto* svc = findAs<SvcCtxHandle>(svchp, OCI_HTYPE_SVCCTX);
  if (!call.valid() || svc == nullptr || call.locator->type != OCI_DTYPE_LOB)
    return OCI_INVALID_HANDLE;
  if (lobtype != OCI_TEMP_BLOB && lobtype != OCI_TEMP_CLOB) return call.fail(lobError(24801));
  if (csid != 0 && !knownCharsetId(csid)) return call.fail(lobError(12715));
  const std::shared_ptr<Connection> session = connectionOf(*svc);
  if (!session) return call.fail({kNotConnected, standardText(kNotConnected)});
  LobLocator fresh(OCI_DTYPE_LOB, nullptr);
  fresh.kind = LobLocator::Kind::kTemporary;
  fresh.lobType = lobtype == OCI_TEMP_BLOB ? SQLT_BLOB : SQLT_CLOB;
  fresh.charsetForm = csfrm == SQLCS_NCHAR ? SQLCS_NCHAR : SQLCS_IMPLICIT;
  fresh.connection = session;
  fresh.temporaryId = session->temporaryLobs.create();
  call.locator->assignFrom(fresh);
  ++temporaryLobsMade[fresh.charsetForm];
  return OCI_SUCCESS;
}

sword OCILobFreeTemporary(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp) {
  LobCall call(errhp, locp);
  if (!call.valid()) return OCI_INVALID_HANDLE;
  LobLocator& locator = *call.locator;
  if (locator.kind != LobLocator::Kind::kTemporary) return call.fail(lobError(22275));
  if (const std::shared_ptr<Connection> session = locator.connection.lock())
    session->temporaryLobs.free(locator.temporaryId);
  locator.kind = LobLocator::Kind::kUninitialised;
  locator.temporaryId = 0;
  return OCI_SUCCESS;
}

sword OCILobIsTemporary(OCIEnv*, OCIError* errhp, OCILobLocator* locp, boolean* is_temporary) {
  LobCall call(errhp, locp);
  if (!call.valid() || is_temporary == nullptr) return OCI_INVALID_HANDLE;
  *is_temporary = call.locator->kind == LobLocator::Kind::kTemporary ? 1 : 0;
  return OCI_SUCCESS;
}

// Buffering changes nothing here: every write reaches the value at once.
sword OCILobEnableBuffering(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp) {
  return LobCall(errhp, locp).valid() ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}
sword OCILobDisableBuffering(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp) {
  return LobCall(errhp, locp).valid() ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}
sword OCILobFlushBuffer(OCISvcCtx*, OCIError* errhp, OCILobLocator* locp, ub4) {
  return LobCall(errhp, locp).valid() ? OCI_SUCCESS : OCI_INVALID_HANDLE;
}

int ociStandin_TemporaryLobsMade(int form) {
  ApiLock lock(apiMutex());
  return form == SQLCS_IMPLICIT || form == SQLCS_NCHAR ? temporaryLobsMade[form] : 0;
}

}  // extern "C"
