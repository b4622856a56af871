#include "oracle/values/variables_stream.h"

#include <cstring>
#include <stdexcept>
#include <string>

#include "oracle/values/text_convert.h"
#include "oracle/values/type_codes.h"
#include "oracle/values/variables.h"

namespace oracle {
namespace {

// A stored PL/SQL table may not ask for more memory than this.
constexpr int64_t kMaxStreamedTableBytes = 64LL * 1024 * 1024;

class CorruptStream : public std::runtime_error {
 public:
  explicit CorruptStream(const std::string& detail)
      : std::runtime_error("Corrupt stream of Query variables: " + detail) {}
};

class Writer {
 public:
  void Int(int32_t v) {
    const auto u = static_cast<uint32_t>(v);
    for (int i = 0; i < 4; ++i) out_.push_back(static_cast<uint8_t>(u >> (8 * i)));
  }
  void Bytes(const void* data, std::size_t n) {
    const auto* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + n);
  }
  std::vector<uint8_t> Take() { return std::move(out_); }

 private:
  std::vector<uint8_t> out_;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> in) : in_(in) {}

  int32_t Int(const char* what) {
    if (in_.size() - pos_ < 4) throw CorruptStream(std::string("stream ends before ") + what);
    uint32_t u = 0;
    for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(in_[pos_ + i]) << (8 * i);
    pos_ += 4;
    return static_cast<int32_t>(u);
  }

  // A length followed by that many bytes.
  std::span<const uint8_t> Block(const char* what) {
    const int32_t n = Int(what);
    if (n < 0) throw CorruptStream(std::string("negative length of ") + what);
    if (static_cast<std::size_t>(n) > in_.size() - pos_) {
      throw CorruptStream(std::string("length of ") + what + " beyond the end of the stream");
    }
    const auto block = in_.subspan(pos_, static_cast<std::size_t>(n));
    pos_ += static_cast<std::size_t>(n);
    return block;
  }

  bool AtEnd() const { return pos_ == in_.size(); }

 private:
  std::span<const uint8_t> in_;
  std::size_t pos_ = 0;
};

// Owner of the collection a stream is read into before it replaces the real
// one: it lends the real collection's session and hears no changes.
class StagingOwner : public TVariablesOwner {
 public:
  explicit StagingOwner(const TSessionContext* session) : session_(session) {}
  const TSessionContext* VariablesSession() const override { return session_; }
  void VariablesChanged() override {}

 private:
  const TSessionContext* session_;
};

std::string DecodeName(std::span<const uint8_t> bytes, int32_t version) {
  if (version < 4) {
    // 8-bit names: each byte is its own character (Latin-1).
    std::u16string wide(bytes.begin(), bytes.end());
    return *Utf16ToUtf8(wide);
  }
  if (bytes.size() % 2 != 0) throw CorruptStream("odd byte length of a UTF-16 name");
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
  }
  auto name = Utf16ToUtf8(wide);
  if (!name) throw CorruptStream("malformed UTF-16 name");
  return *name;
}

void ReadVariable(Reader& in, int32_t version, int32_t number, TVariables& staged) {
  const std::string where = " of variable " + std::to_string(number);
  const std::string name = DecodeName(in.Block(("name" + where).c_str()), version);
  const int32_t type = in.Int(("type" + where).c_str());
  std::span<const uint8_t> value;
  if (version >= 2) value = in.Block(("value" + where).c_str());
  bool isTable = false;
  int32_t tableSize = 0;
  int32_t stringSize = 0;
  if (version >= 3) {
    const int32_t flag = in.Int(("table flag" + where).c_str());
    if (flag != 0 && flag != 1) throw CorruptStream("table flag" + where + " is neither 0 nor 1");
    isTable = flag == 1;
    if (isTable) {
      tableSize = in.Int(("table size" + where).c_str());
      stringSize = in.Int(("string size" + where).c_str());
      const int64_t elementBytes = stringSize > 0 ? int64_t{stringSize} + 1 : 8;
      if (tableSize > 0 && elementBytes * tableSize > kMaxStreamedTableBytes) {
        throw CorruptStream("PL/SQL Table" + where + " too large");
      }
    }
  }
  if (type < INT16_MIN || type > INT16_MAX) throw CorruptStream("type code" + where);
  const auto code = static_cast<int16_t>(type);
  TVariableData& variable = isTable ? staged.DeclarePLSQLTable(name, code, tableSize, stringSize)
                                    : staged.Declare(name, code);
  if (!value.empty()) {
    try {
      variable.LoadStreamedValue(value);
    } catch (const std::runtime_error& e) {
      throw CorruptStream(e.what());
    }
  }
}

}  // namespace

std::vector<uint8_t> WriteVariablesData(const TVariables& variables) {
  Writer out;
  out.Int(kVariablesStreamVersion);
  out.Int(variables.Count());
  for (int32_t i = 0; i < variables.Count(); ++i) {
    const TVariableData& v = variables.Data(i);
    const auto name = Utf8ToUtf16(v.Name());
    if (!name) throw std::runtime_error("Variable name " + v.Name() + " is not valid UTF-8");
    out.Int(static_cast<int32_t>(name->size() * 2));
    for (char16_t c : *name) {
      const uint8_t bytes[2] = {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)};
      out.Bytes(bytes, 2);
    }
    out.Int(v.DataType());
    const bool isText = v.DataType() == otype::Varchar2 || IsZeroTerminatedType(v.DataType());
    if (v.IsNull(0)) {
      out.Int(0);
    } else if (isText) {
      const std::string_view text = v.ElementText(0);
      out.Int(static_cast<int32_t>(text.size() + 1));
      out.Bytes(text.data(), text.size());
      out.Bytes("", 1);
    } else {
      out.Int(v.BufferSize());
      if (v.BufferSize() > 0) out.Bytes(v.Buffer(), static_cast<std::size_t>(v.BufferSize()));
    }
    out.Int(v.IsPLSQLTable() ? 1 : 0);
    if (v.IsPLSQLTable()) {
      out.Int(v.ArraySize());
      out.Int(isText ? v.BufferSize() - 1 : 0);
    }
  }
  return out.Take();
}

void ReadVariablesData(TVariables& variables, std::span<const uint8_t> stream) {
  Reader in(stream);
  const int32_t version = in.Int("the version");
  if (version > kVariablesStreamVersion) {
    throw std::runtime_error("Invalid version of Query variables");
  }
  if (version < 1) throw CorruptStream("version " + std::to_string(version));
  const int32_t count = in.Int("the count");
  if (count < 0) throw CorruptStream("negative count");
  // The variables are built apart and only take the collection's place once
  // the whole stream has been read.
  StagingOwner stagingOwner(variables.Session());
  TVariables staged(&stagingOwner);
  for (int32_t i = 0; i < count; ++i) ReadVariable(in, version, i, staged);
  if (!in.AtEnd()) throw CorruptStream("bytes after the last variable");
  variables.Replace(std::move(staged));
}

}  // namespace oracle
