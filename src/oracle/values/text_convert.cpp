#include "oracle/values/text_convert.h"

#include <cctype>

#include "platform/utf8.h"

namespace oracle {
namespace {

template <typename Char>
std::basic_string<Char> StripCR(std::basic_string_view<Char> text) {
  std::basic_string<Char> out;
  out.reserve(text.size());
  for (Char c : text) {
    if (c != Char('\r')) out.push_back(c);
  }
  return out;
}

template <typename Char>
std::basic_string<Char> ToCRLF(std::basic_string_view<Char> text) {
  std::basic_string<Char> out;
  out.reserve(text.size() + text.size() / 16);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const Char c = text[i];
    if (c == Char('\r')) {
      out.push_back(Char('\r'));
      out.push_back(Char('\n'));
      if (i + 1 < text.size() && text[i + 1] == Char('\n')) ++i;
    } else if (c == Char('\n')) {
      out.push_back(Char('\r'));
      out.push_back(Char('\n'));
    } else {
      out.push_back(c);
    }
  }
  return out;
}

bool IsHighSurrogate(uint32_t u) {
  return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLowSurrogate(uint32_t u) {
  return u >= 0xDC00 && u <= 0xDFFF;
}

// Reads one code point of UTF-16 at `pos`; false for a lone surrogate.
bool DecodeUtf16(std::u16string_view s, std::size_t& pos, uint32_t& cp) {
  const uint32_t u = s[pos];
  if (IsHighSurrogate(u)) {
    if (pos + 1 >= s.size() || !IsLowSurrogate(s[pos + 1])) return false;
    cp = 0x10000 + ((u - 0xD800) << 10) + (static_cast<uint32_t>(s[pos + 1]) - 0xDC00);
    pos += 2;
    return true;
  }
  if (IsLowSurrogate(u)) return false;
  cp = u;
  ++pos;
  return true;
}

void AppendUtf16(uint32_t cp, std::u16string& out) {
  if (cp < 0x10000) {
    out.push_back(static_cast<char16_t>(cp));
  } else {
    cp -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
  }
}

}  // namespace

bool IsUtf8CharSet(int id) {
  return id >= 870 && id <= 873;
}
bool IsUtf16CharSet(int id) {
  return id == 1000 || id == kCharSetAL16UTF16;
}

std::string LineEndsToServer(std::string_view text) {
  return StripCR(text);
}
std::u16string LineEndsToServer(std::u16string_view text) {
  return StripCR(text);
}
std::string LineEndsFromServer(std::string_view text) {
  return ToCRLF(text);
}
std::u16string LineEndsFromServer(std::u16string_view text) {
  return ToCRLF(text);
}

int64_t Utf16ToUtf8(std::u16string_view src, std::span<char> dest) {
  std::size_t written = 0;
  std::size_t pos = 0;
  char bytes[4];
  while (pos < src.size()) {
    uint32_t cp;
    if (!DecodeUtf16(src, pos, cp)) return -1;
    const std::size_t n = platform::EncodeUtf8(cp, bytes);
    if (dest.size() - written < n) break;
    for (std::size_t i = 0; i < n; ++i) dest[written + i] = bytes[i];
    written += n;
  }
  return static_cast<int64_t>(written);
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view src) {
  std::string out(MaxUtf8Bytes(src.size()), '\0');
  const int64_t n = Utf16ToUtf8(src, std::span<char>(out));
  if (n < 0) return std::nullopt;
  out.resize(static_cast<std::size_t>(n));
  return out;
}

int64_t Utf8ToUtf16Length(std::string_view src) {
  int64_t units = 0;
  std::size_t pos = 0;
  while (pos < src.size()) {
    char32_t cp;
    if (!platform::DecodeUtf8(src, pos, cp)) return -1;
    units += cp < 0x10000 ? 1 : 2;
  }
  return units;
}

std::optional<std::u16string> Utf8ToUtf16(std::string_view src) {
  std::u16string out;
  out.reserve(src.size());
  std::size_t pos = 0;
  while (pos < src.size()) {
    char32_t cp;
    if (!platform::DecodeUtf8(src, pos, cp)) return std::nullopt;
    AppendUtf16(cp, out);
  }
  return out;
}

void SwapUtf16Bytes(std::u16string& text) {
  for (char16_t& c : text) c = static_cast<char16_t>((c >> 8) | (c << 8));
}

std::string UpperCaseIdentifier(std::string_view text, bool twoByteClient) {
  if (twoByteClient) return platform::UpperUtf8(text);
  std::string out;
  out.reserve(text.size());
  for (char c : text) out.push_back(static_cast<char>(std::toupper(static_cast<unsigned char>(c))));
  return out;
}

bool WideCharInSet(char16_t c, const std::bitset<256>& set) {
  if (c < 256) return set.test(c);
  return set.test(255);
}

std::string CountText(int64_t count, std::string_view word) {
  std::string out = std::to_string(count);
  out += ' ';
  out += word;
  if (count != 1) out += 's';
  return out;
}

}  // namespace oracle
