// The query's steps for a session in OCI7 mode: one cursor data area opened
// on the session's logon data area takes the place of the statement and
// error handles; each call leaves its outcome (return code, SQL function code,
// rows processed, parse-error offset, warning flags) in the area.
#include <algorithm>
#include <array>
#include <stdexcept>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/query/query.h"
#include "oracle/query/query_guards.h"
#include "oracle/query/query_text.h"
#include "oracle/session/session.h"
#include "oracle/values/type_codes.h"
#include "platform/oci/oci7_area_layout.h"
#include "platform/oci/oci_rowid_layout.h"

namespace oracle {
namespace {

constexpr int32_t kNotInSelectList = 1007;
// oparse: parse when the statement is executed (deferred), version 7 rules.
constexpr sword kDeferredParse = 1;
constexpr ub4 kVersion7Syntax = 2;

}  // namespace

int32_t TOracleQuery::AreaReturnCode() const {
  return oci7area::Read<uint16_t>(cda_.data(), oci7area::kReturnCode);
}

void TOracleQuery::OpenCursorArea() {
  SessionStatementLock lock(*session_);
  cda_.fill(0);
  const sword rc = oopen(Area(), session_->OCI7LogonDataArea(), nullptr, -1, -1, nullptr, -1);
  lastStatus_ = rc;
  if (rc != 0) RaiseOCI7Error(session_, AreaReturnCode(), this);
  oci7_ = true;
  handlesOpen_ = true;
}

void TOracleQuery::CloseCursorArea() noexcept {
  if (OCIDllLoaded() && oclose != nullptr && session_ != nullptr && session_->Connected()) {
    oclose(Area());
  }
  cda_.fill(0);
  oci7_ = false;
  handlesOpen_ = false;
}

void TOracleQuery::RaiseOCI7StatementError(sword returnCode) {
  const TTextPosition position = TextPositionOfOffset(
      parsedText_, oci7area::Read<uint16_t>(cda_.data(), oci7area::kParseErrorOffset));
  errorLine_ = position.line;
  errorPosition_ = position.position;
  parsedText_.clear();
  described_ = false;
  snapshot_.errorCode = AreaReturnCode();
  snapshot_.warningFlags = 0;
  lastStatus_ = returnCode;
  RaiseOCI7Error(session_, AreaReturnCode(), this);
}

void TOracleQuery::ParseOCI7(const std::string& statement) {
  std::string text = statement;
  const sword rc = oparse(Area(), reinterpret_cast<OraText*>(text.data()),
                          static_cast<sb4>(text.size()), kDeferredParse, kVersion7Syntax);
  lastStatus_ = rc;
  if (rc != 0) RaiseOCI7StatementError(rc);
  sqlType_ = oci7area::Read<uint16_t>(cda_.data(), oci7area::kFunctionType);
}

sword TOracleQuery::BindOCI7(TVariableData& variable, void* buffer, sb4 size, ub2 type,
                             ub2* lengths) {
  std::string name = variable.Name();
  return obndra(Area(), reinterpret_cast<OraText*>(name.data()), static_cast<sword>(name.size()),
                static_cast<ub1*>(buffer), size, type, -1, variable.Indicators(), lengths, nullptr,
                0, nullptr, nullptr, -1, -1);
}

void TOracleQuery::ExecuteOCI7(int32_t iterations, int32_t offset) {
  Bind();
  sword iters = 1;
  sword rowOffset = 0;
  if (arraySize_ >= 2) {
    iters = iterations < 1 ? arraySize_ : iterations;
    rowOffset = offset < 0 ? 0 : offset;
  }
  sword rc;
  {
    SessionStatementLock lock(*session_);
    rc = oexn(Area(), iters, rowOffset);
  }
  lastStatus_ = rc;
  if (rc != 0) RaiseOCI7StatementError(rc);
  sqlType_ = oci7area::Read<uint16_t>(cda_.data(), oci7area::kFunctionType);
}

void TOracleQuery::ExecuteSelectOCI7(bool describeOnly) {
  Bind();
  if (!described_) DescribeAndDefine();
  fetchedTotal_ = 0;
  if (describeOnly) {
    rowIndex_ = 0;
    rowsInBuffer_ = 0;
    eof_ = true;
    return;
  }
  for (TQueryColumn& column : fields_) column.data->ClearPieces();
  sword rc;
  {
    SessionStatementLock lock(*session_);
    rc = oexfet(Area(), static_cast<ub4>(rowsPerFetch_), 0, 0);
  }
  lastStatus_ = rc;
  if (rc != 0 && AreaReturnCode() != kOraNoDataFound && AreaReturnCode() != kOraValueTruncated) {
    RaiseOCI7StatementError(rc);
  }
  AfterRoundTrip();
  eof_ = rowsInBuffer_ == 0;
}

void TOracleQuery::FetchBlockOCI7() {
  for (TQueryColumn& column : fields_) column.data->ClearPieces();
  sword rc;
  {
    SessionStatementLock lock(*session_);
    rc = ofen(Area(), rowsPerFetch_);
  }
  lastStatus_ = rc;
  if (rc != 0 && AreaReturnCode() != kOraNoDataFound && AreaReturnCode() != kOraValueTruncated) {
    snapshot_.errorCode = AreaReturnCode();
    RaiseOCI7Error(session_, AreaReturnCode(), this);
  }
  AfterRoundTrip();
}

bool TOracleQuery::DescribeColumnOCI7(ub4 position, TQueryColumn& column) {
  sb4 dataSize = 0, displaySize = 0;
  sb2 dataType = 0, precision = 0, scale = 0, nullable = 1;
  std::array<sb1, kMaxColumnName> name{};
  sb4 nameLength = static_cast<sb4>(name.size());
  sword rc;
  {
    SessionStatementLock lock(*session_);
    rc = odescr(Area(), static_cast<sword>(position), &dataSize, &dataType, name.data(),
                &nameLength, &displaySize, &precision, &scale, &nullable);
  }
  lastStatus_ = rc;
  if (rc != 0) {
    // The loop over the positions ends where the select list does.
    if (AreaReturnCode() == kNotInSelectList) return false;
    RaiseOCI7StatementError(rc);
  }
  column.name.assign(
      reinterpret_cast<const char*>(name.data()),
      static_cast<std::size_t>(std::clamp<sb4>(nameLength, 0, static_cast<sb4>(kMaxColumnName))));
  column.oracleType = dataType;
  column.dataSize = dataSize;
  column.precision = precision;
  column.scale = scale == -127 && precision == 0 ? 0 : scale;
  column.nullable = nullable != 0;
  return true;
}

void TOracleQuery::ReadLongOCI7(const TQueryColumn& column, int32_t i) const {
  TFieldData& data = *column.data;
  data.ClearPieces();
  const auto row = static_cast<std::size_t>(rowIndex_);
  const ub4 held = std::min<ub4>(data.Lengths()[row], static_cast<ub4>(data.ElementSize()));
  TLongPiece& first = data.AddPiece(0, held);
  std::copy_n(data.Buffer() + row * static_cast<std::size_t>(data.ElementSize()), held,
              first.Buffer());
  first.SetLength(held);
  if (data.ReturnCodes()[row] != kOraValueTruncated) return;  // the buffer held it all
  // The rest in growing pieces, until one comes back short.
  auto pieceSize = static_cast<ub4>(kFirstLongPiece);
  for (sb4 offset = static_cast<sb4>(held);;) {
    TLongPiece& piece = data.AddPiece(0, pieceSize);
    ub4 got = 0;
    sword rc;
    {
      SessionStatementLock lock(*session_);
      rc = oflng(Area(), i + 1, piece.Buffer(), static_cast<sb4>(pieceSize), data.DataType(), &got,
                 offset);
    }
    if (rc != 0) RaiseOCI7Error(session_, AreaReturnCode(), this);
    piece.SetLength(std::min(got, pieceSize));
    if (got < pieceSize) return;
    offset += static_cast<sb4>(got);
    pieceSize = std::min<ub4>(pieceSize * 2, static_cast<ub4>(kLargestLongPiece));
  }
}

void TOracleQuery::TakeSnapshotOCI7() {
  snapshot_.rowsProcessed = oci7area::Read<uint32_t>(cda_.data(), oci7area::kRowsProcessed);
  snapshot_.warningFlags = oci7area::Read<uint8_t>(cda_.data(), oci7area::kWarningFlags);
  // The area's ROWID of the last row processed; none while its block and
  // file are 0.
  OCIRowidLayout rowid{kOCIRowidTag, 0, {0, 0, 0}, 0, 0, 0, 0};
  rowid.objectNumber = oci7area::Read<uint32_t>(cda_.data(), oci7area::kRowIdObject);
  rowid.relativeFile = oci7area::Read<uint16_t>(cda_.data(), oci7area::kRowIdFile);
  rowid.block = oci7area::Read<uint32_t>(cda_.data(), oci7area::kRowIdBlock);
  rowid.row = oci7area::Read<uint16_t>(cda_.data(), oci7area::kRowIdRow);
  rowid.kind =
      static_cast<ub1>(rowid.objectNumber != 0 ? OCIRowidKind::Extended : OCIRowidKind::Restricted);
  snapshot_.rowId = rowid.block == 0 && rowid.relativeFile == 0 && rowid.row == 0
                        ? std::string()
                        : RowidLayoutText(rowid);
  snapshot_.errorCode = AreaReturnCode();
}

}  // namespace oracle
