#include "charsets.h"

#include "platform/utf8.h"

namespace ocistandin {
namespace {

bool bigEndian(ub2 id) {
  // AL16UTF16 is big-endian; OCI_UTF16ID is the client's order (this
  // stand-in runs on little-endian machines).
  return id == OCI_CHARSET_AL16UTF16;
}

void putUnit(std::string& out, char16_t unit, bool big) {
  const auto high = static_cast<char>(unit >> 8);
  const auto low = static_cast<char>(unit & 0xFF);
  out += big ? high : low;
  out += big ? low : high;
}

}  // namespace

bool knownCharsetId(ub2 id) {
  return id == 0 || (id >= 870 && id <= 873) || isUtf16CharsetId(id);
}

bool isUtf16CharsetId(ub2 id) {
  return id == OCI_UTF16ID || id == OCI_CHARSET_AL16UTF16;
}

std::string toCharset(std::string_view utf8, ub2 id) {
  if (!isUtf16CharsetId(id)) return std::string(utf8);
  const bool big = bigEndian(id);
  std::string out;
  out.reserve(utf8.size() * 2);
  for (size_t pos = 0; pos < utf8.size();) {
    char32_t cp = 0;
    if (!platform::DecodeUtf8(utf8, pos, cp)) {
      cp = 0xFFFD;
      ++pos;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      putUnit(out, static_cast<char16_t>(0xD800 + (cp >> 10)), big);
      putUnit(out, static_cast<char16_t>(0xDC00 + (cp & 0x3FF)), big);
    } else {
      putUnit(out, static_cast<char16_t>(cp), big);
    }
  }
  return out;
}

bool fromCharset(std::string_view bytes, ub2 id, std::string& utf8) {
  if (!isUtf16CharsetId(id)) {
    utf8.assign(bytes);
    return true;
  }
  if (bytes.size() % 2 != 0) return false;
  const bool big = bigEndian(id);
  auto unitAt = [&](size_t i) {
    const auto first = static_cast<unsigned char>(bytes[i]);
    const auto second = static_cast<unsigned char>(bytes[i + 1]);
    return static_cast<char16_t>(big ? (first << 8) | second : (second << 8) | first);
  };
  utf8.clear();
  for (size_t i = 0; i < bytes.size(); i += 2) {
    char32_t cp = unitAt(i);
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (i + 3 >= bytes.size()) return false;
      const char16_t low = unitAt(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) return false;
      cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
      i += 2;
    } else if (cp >= 0xDC00 && cp <= 0xDFFF) {
      return false;
    }
    platform::AppendUtf8(utf8, cp);
  }
  return true;
}

}  // namespace ocistandin
