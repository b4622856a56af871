// OCIBindByName, OCIBindByPos, OCIBindArrayOfStruct, and reading bind
// buffers at execute time.
#include <cctype>
#include <cstring>

#include "api_support.h"
#include "charsets.h"
#include "lob.h"
#include "object_columns.h"
#include "oracle_format.h"
#include "statement.h"

#include "platform/text.h"

namespace ocistandin {
namespace {

template <class T>
T readAt(const char* base) {
  T value;
  std::memcpy(&value, base, sizeof value);
  return value;
}

std::string hex(const std::string& bytes) {
  static const char digits[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits[c >> 4];
    out += digits[c & 15];
  }
  return out;
}

}  // namespace

bool readBindValue(const BindHandle& bind, ub4 iteration, BindValue& out, OraError& error) {
  out = BindValue{};
  const ub4 indicatorSkip = bind.indicatorSkip != 0 ? bind.indicatorSkip : sizeof(sb2);
  const ub4 lengthSkip = bind.lengthSkip != 0 ? bind.lengthSkip : sizeof(ub2);
  if (bind.indicators != nullptr) {
    const auto indicator = readAt<sb2>(static_cast<const char*>(bind.indicators) +
                                       static_cast<size_t>(iteration) * indicatorSkip);
    if (indicator < 0) return true;  // NULL
  }
  if (bind.dataType == SQLT_NTY || bind.dataType == SQLT_REF)
    return objectBindValue(bind, iteration, out, error);
  if (bind.value == nullptr) return true;
  if (bind.valueSize < 0) {
    error = {kIllegalVariable, standardText(kIllegalVariable)};
    return false;
  }
  const ub4 size = static_cast<ub4>(bind.valueSize);
  const ub4 skip = bind.valueSkip != 0 ? bind.valueSkip : size;
  const char* element =
      static_cast<const char*>(bind.value) + static_cast<size_t>(iteration) * skip;
  ub4 length = size;
  if (bind.lengths != nullptr) {
    length = readAt<ub2>(reinterpret_cast<const char*>(bind.lengths) +
                         static_cast<size_t>(iteration) * lengthSkip);
    if (length > size) length = size;
  }
  // Text arrives in the character set the bind names.
  auto text = [&](std::string_view bytes) {
    if (!fromCharset(bytes, bind.charsetId, out.bytes)) {
      error = {kInvalidCharset, standardText(kInvalidCharset)};
      return false;
    }
    out.kind = BindValue::Kind::kText;
    return true;
  };
  switch (bind.dataType) {
    case SQLT_CHR:
    case SQLT_AFC:
    case SQLT_LNG:
      if (length == 0) return true;  // Oracle: the empty string is NULL
      return text({element, length});
    case SQLT_STR:
    case SQLT_AVC: {
      size_t n = 0;
      if (isUtf16CharsetId(bind.charsetId)) {
        // Ended by a zero code unit.
        while (n + 1 < size && (element[n] != 0 || element[n + 1] != 0)) n += 2;
        if (n + 1 >= size) n = size;
      } else {
        const void* end = std::memchr(element, '\0', size);
        n = end == nullptr ? size : static_cast<size_t>(static_cast<const char*>(end) - element);
      }
      if (n >= size) {
        error = {kTrailingNullMissing, standardText(kTrailingNullMissing)};
        return false;
      }
      if (n == 0) return true;
      return text({element, n});
    }
    case SQLT_INT:
    case SQLT_UIN: {
      const bool isSigned = bind.dataType == SQLT_INT;
      out.kind = BindValue::Kind::kInteger;
      switch (size) {
        case 1:
          out.integer = isSigned ? readAt<std::int8_t>(element) : readAt<std::uint8_t>(element);
          return true;
        case 2:
          out.integer = isSigned ? readAt<std::int16_t>(element) : readAt<std::uint16_t>(element);
          return true;
        case 4:
          // Not one conditional expression: its common type, unsigned, would
          // turn a negative value into a large positive one.
          if (isSigned)
            out.integer = readAt<std::int32_t>(element);
          else
            out.integer = readAt<std::uint32_t>(element);
          return true;
        case 8: {
          if (isSigned) {
            out.integer = readAt<std::int64_t>(element);
          } else {
            const auto u = readAt<std::uint64_t>(element);
            if (u > static_cast<std::uint64_t>(INT64_MAX)) {
              out.kind = BindValue::Kind::kReal;
              out.real = static_cast<double>(u);
            } else {
              out.integer = static_cast<sqlite3_int64>(u);
            }
          }
          return true;
        }
        default:
          error = {kInconsistentTypes,
                   "inconsistent datatypes: integer bind of size " + std::to_string(size)};
          return false;
      }
    }
    case SQLT_FLT:
    case SQLT_BFLOAT:
    case SQLT_BDOUBLE:
    case SQLT_IBFLOAT:
    case SQLT_IBDOUBLE:
      out.kind = BindValue::Kind::kReal;
      if (size == sizeof(float))
        out.real = readAt<float>(element);
      else if (size == sizeof(double))
        out.real = readAt<double>(element);
      else {
        error = {kInconsistentTypes,
                 "inconsistent datatypes: float bind of size " + std::to_string(size)};
        return false;
      }
      return true;
    case SQLT_DAT: {
      if (size < 7) {
        error = {kInconsistentTypes, "inconsistent datatypes: DATE bind shorter than 7 bytes"};
        return false;
      }
      const auto date = fromOracleDate7(reinterpret_cast<const unsigned char*>(element));
      if (!date) {
        const auto month = static_cast<unsigned char>(element[2]);
        error = month < 1 || month > 12
                    ? OraError{1843, "not a valid month"}
                    : OraError{1847, "day of month must be between 1 and last day of month"};
        return false;
      }
      out.kind = BindValue::Kind::kText;
      out.bytes = isoText(*date);
      return true;
    }
    case SQLT_TIMESTAMP:
    case SQLT_TIMESTAMP_TZ:
    case SQLT_TIMESTAMP_LTZ: {
      // The element holds a pointer to a date-time descriptor.
      void* pointer = nullptr;
      if (size >= sizeof pointer) std::memcpy(&pointer, element, sizeof pointer);
      Handle* handle = findAnyHandle(pointer);
      if (handle == nullptr || handle->type < OCI_DTYPE_TIMESTAMP ||
          handle->type > OCI_DTYPE_TIMESTAMP_LTZ) {
        error = {kInconsistentTypes, "inconsistent datatypes: no date-time descriptor"};
        return false;
      }
      out.kind = BindValue::Kind::kText;
      out.bytes = dateTimeIsoText(*static_cast<const DateTimeDescriptor*>(handle));
      return true;
    }
    case SQLT_CLOB:
    case SQLT_BLOB:
    case SQLT_BFILEE:
      return lobBindValue(element, size, out, error);
    case SQLT_BIN:
    case SQLT_LBI:
      if (length == 0) return true;
      out.kind = BindValue::Kind::kBlob;
      out.bytes.assign(element, length);
      return true;
    case SQLT_LVC:
    case SQLT_LVB: {
      // A 4-byte length, then the value; the element's size counts both.
      if (size < sizeof(sb4)) {
        error = {kInconsistentTypes, "inconsistent datatypes: long bind shorter than its length"};
        return false;
      }
      const auto stated = readAt<sb4>(element);
      if (stated < 0 || static_cast<ub4>(stated) > size - sizeof(sb4)) {
        error = {kInconsistentTypes, "inconsistent datatypes: long bind length " +
                                         std::to_string(stated) + " beyond its buffer"};
        return false;
      }
      if (stated == 0) return true;  // as Oracle: no bytes is NULL
      const std::string_view value(element + sizeof(sb4), static_cast<size_t>(stated));
      if (bind.dataType == SQLT_LVC) return text(value);
      out.kind = BindValue::Kind::kBlob;
      out.bytes.assign(value);
      return true;
    }
    default:
      error = {kUnimplemented, standardText(kUnimplemented)};
      return false;
  }
}

std::string journalText(const BindValue& value) {
  switch (value.kind) {
    case BindValue::Kind::kNull:
      return "NULL";
    case BindValue::Kind::kInteger:
      return std::to_string(value.integer);
    case BindValue::Kind::kReal:
      return numberText(value.real);
    case BindValue::Kind::kBlob:
      return "hextoraw('" + hex(value.bytes) + "')";
    case BindValue::Kind::kText: {
      std::string quoted = "'";
      for (char c : value.bytes) {
        quoted += c;
        if (c == '\'') quoted += '\'';
      }
      return quoted + "'";
    }
  }
  return {};
}

}  // namespace ocistandin

using namespace ocistandin;

namespace {

sword bindCommon(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, std::string name, ub4 position,
                 dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep,
                 ub4 maxarr_len, ub4* curelep) {
  ApiLock lock(apiMutex());
  ErrorHandle* err = beginCall(errhp);
  auto* stmt = findAs<StmtHandle>(stmtp, OCI_HTYPE_STMT);
  if (err == nullptr || stmt == nullptr || bindp == nullptr) return OCI_INVALID_HANDLE;
  if (!stmt->prepared) return fail(err, OraError{24337, "statement handle not prepared"});
  if (!name.empty()) {
    bool known = false;
    for (const auto& p : stmt->rewritten.placeholders) known = known || p.name == name;
    for (const auto& v : stmt->rewritten.returningInto) known = known || v == name;
    if (!known) return fail(err, kIllegalVariable);
  } else if (position == 0 || position > stmt->rewritten.placeholders.size()) {
    return fail(err, kIllegalVariable);
  }
  auto* bind = registerHandle(std::make_unique<BindHandle>(OCI_HTYPE_BIND, stmt));
  bind->name = std::move(name);
  bind->position = position;
  bind->value = valuep;
  bind->valueSize = value_sz;
  bind->dataType = dty;
  bind->indicators = indp;
  bind->lengths = alenp;
  bind->returnCodes = rcodep;
  bind->maxElements = maxarr_len;
  bind->currentElements = curelep;
  stmt->binds.push_back(bind);
  *bindp = reinterpret_cast<OCIBind*>(bind);
  return OCI_SUCCESS;
}

}  // namespace

extern "C" {

sword OCIBindByName(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, const text* placeholder,
                    sb4 placeh_len, dvoid* valuep, sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp,
                    ub2* rcodep, ub4 maxarr_len, ub4* curelep, ub4) {
  if (placeholder == nullptr) {
    ApiLock lock(apiMutex());
    ErrorHandle* err = beginCall(errhp);
    return err == nullptr ? OCI_INVALID_HANDLE : fail(err, kIllegalVariable);
  }
  const auto* chars = reinterpret_cast<const char*>(placeholder);
  std::string name =
      placeh_len < 0 ? std::string(chars) : std::string(chars, static_cast<size_t>(placeh_len));
  if (!name.empty() && name.front() == ':') name.erase(0, 1);
  if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
    name = name.substr(1, name.size() - 2);
  else
    name = platform::UpperAscii(name);
  if (name.empty()) name = " ";  // never matches a placeholder
  return bindCommon(stmtp, bindp, errhp, name, 0, valuep, value_sz, dty, indp, alenp, rcodep,
                    maxarr_len, curelep);
}

sword OCIBindByPos(OCIStmt* stmtp, OCIBind** bindp, OCIError* errhp, ub4 position, dvoid* valuep,
                   sb4 value_sz, ub2 dty, dvoid* indp, ub2* alenp, ub2* rcodep, ub4 maxarr_len,
                   ub4* curelep, ub4) {
  return bindCommon(stmtp, bindp, errhp, {}, position, valuep, value_sz, dty, indp, alenp, rcodep,
                    maxarr_len, curelep);
}

sword OCIBindArrayOfStruct(OCIBind* bindp, OCIError* errhp, ub4 pvskip, ub4 indskip, ub4 alskip,
                           ub4 rcskip) {
  return setArrayOfStruct<BindHandle>(bindp, OCI_HTYPE_BIND, errhp, pvskip, indskip, alskip,
                                      rcskip);
}

}  // extern "C"
