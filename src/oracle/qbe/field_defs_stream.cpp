// The stored form of the QBE field list (the layout is in definition.h).
// Every count and length is checked against the bytes left before anything
// is allocated or read, so a damaged stream fails with EReadError instead of
// reading past its end or asking for a huge buffer.

#include <cstring>
#include <stdexcept>

#include "oracle/qbe/definition.h"
#include "platform/com/bstr.h"
#include "platform/utf8.h"

namespace oracle::qbe {
namespace {

class Reader {
 public:
  explicit Reader(dataset::TStream& stream)
      : stream_(stream), left_(stream.Size() - stream.Position()) {}

  int64_t Left() const { return left_; }

  void Bytes(void* buffer, int64_t count) {
    if (count < 0 || count > left_) throw dataset::EReadError();
    stream_.ReadBuffer(buffer, count);
    left_ -= count;
  }
  int32_t Int() {
    uint8_t b[4];
    Bytes(b, 4);
    return static_cast<int32_t>(static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
                                static_cast<uint32_t>(b[2]) << 16 |
                                static_cast<uint32_t>(b[3]) << 24);
  }
  bool Flag() {
    uint8_t b;
    Bytes(&b, 1);
    return b != 0;
  }

 private:
  dataset::TStream& stream_;
  int64_t left_;
};

void WriteInt(dataset::TStream& stream, int32_t value) {
  const auto u = static_cast<uint32_t>(value);
  const uint8_t b[4] = {static_cast<uint8_t>(u), static_cast<uint8_t>(u >> 8),
                        static_cast<uint8_t>(u >> 16), static_cast<uint8_t>(u >> 24)};
  stream.Write(b, 4);
}

void WriteFlag(dataset::TStream& stream, bool on) {
  const uint8_t b = on ? 1 : 0;
  stream.Write(&b, 1);
}

// Flags stored per entry by a version: Enabled, MatchFromStart and
// CaseInsensitive always, then one more for each version up to 4.
int FlagCount(int32_t version) {
  return version >= 4 ? 6 : version + 2;
}

// A UTF-16 text whose every surrogate is one half of a pair.
bool IsWellFormedUtf16(std::u16string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char16_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF) {
      if (i + 1 >= text.size() || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
      ++i;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
      return false;
    }
  }
  return true;
}

std::string ReadName(Reader& in, int32_t version) {
  const int32_t length = in.Int();
  if (length < 0 || length > in.Left() || (version >= 5 && length % 2 != 0)) {
    throw dataset::EReadError();
  }
  std::string bytes(static_cast<std::size_t>(length), '\0');
  in.Bytes(bytes.data(), length);
  std::string name;
  if (version < 5) {
    // One byte a character (Latin-1).
    for (unsigned char c : bytes) platform::AppendUtf8(name, c);
    return name;
  }
  std::u16string wide(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < wide.size(); ++i) {
    wide[i] = static_cast<char16_t>(static_cast<uint8_t>(bytes[2 * i]) |
                                    static_cast<uint8_t>(bytes[2 * i + 1]) << 8);
  }
  if (!IsWellFormedUtf16(wide)) throw dataset::EReadError();
  return Utf8FromUtf16(wide);
}

}  // namespace

void TQBEDefinition::ReadFieldDefs(dataset::TStream& stream) {
  fields_.clear();
  Reader in(stream);
  const int32_t version = in.Int();
  if (version < 1 || version > kQBEFieldDefsVersion) {
    throw std::runtime_error("Invalid version of QBEDefinition");
  }
  const int32_t count = in.Int();
  const int flags = FlagCount(version);
  // Each entry holds at least its name's length and its flags.
  if (count < 0 || count > in.Left() / (4 + flags)) throw dataset::EReadError();
  std::vector<std::unique_ptr<TQBEField>> read;
  read.reserve(static_cast<std::size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    auto field = std::make_unique<TQBEField>(*this, ReadName(in, version));
    const bool enabled = in.Flag();
    field->MatchFromStart = in.Flag();
    field->CaseInsensitive = in.Flag();
    if (version >= 2) field->WholeDay = in.Flag();
    if (version >= 3) field->MatchAnywhere = in.Flag();
    if (version >= 4) field->SoundsLike = in.Flag();
    field->SetEnabled(enabled);
    read.push_back(std::move(field));
  }
  fields_ = std::move(read);
}

void TQBEDefinition::WriteFieldDefs(dataset::TStream& stream) const {
  WriteInt(stream, kQBEFieldDefsVersion);
  WriteInt(stream, FieldCount());
  for (const auto& field : fields_) {
    const std::u16string name = Utf16FromUtf8(field->FieldName());
    WriteInt(stream, static_cast<int32_t>(name.size() * 2));
    for (char16_t c : name) {
      const uint8_t b[2] = {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>(c >> 8)};
      stream.Write(b, 2);
    }
    WriteFlag(stream, field->Enabled());
    WriteFlag(stream, field->MatchFromStart);
    WriteFlag(stream, field->CaseInsensitive);
    WriteFlag(stream, field->WholeDay);
    WriteFlag(stream, field->MatchAnywhere);
    WriteFlag(stream, field->SoundsLike);
  }
}

}  // namespace oracle::qbe
