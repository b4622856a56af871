#include "platform/com/bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "platform/utf8.h"

namespace {

constexpr size_t kPrefix = sizeof(uint32_t);
constexpr char16_t kReplacement = 0xFFFD;

// Decodes one UTF-8 sequence at `i`, advancing it; malformed input yields
// U+FFFD and consumes one byte.
char32_t DecodeUtf8OrReplacement(std::string_view s, size_t& i) {
  char32_t cp;
  if (platform::DecodeUtf8(s, i, cp)) return cp;
  ++i;
  return kReplacement;
}

}  // namespace

BSTR SysAllocStringLen(const OLECHAR* text, uint32_t length) {
  // The prefix holds the byte count in 32 bits.
  if (length > (std::numeric_limits<uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1) {
    return nullptr;
  }
  size_t bytes = kPrefix + (static_cast<size_t>(length) + 1) * sizeof(OLECHAR);
  auto* block = static_cast<unsigned char*>(std::malloc(bytes));
  if (block == nullptr) return nullptr;
  uint32_t byteCount = length * static_cast<uint32_t>(sizeof(OLECHAR));
  std::memcpy(block, &byteCount, kPrefix);
  auto* chars = reinterpret_cast<OLECHAR*>(block + kPrefix);
  if (text != nullptr) {
    std::memcpy(chars, text, length * sizeof(OLECHAR));
  } else {
    std::memset(chars, 0, length * sizeof(OLECHAR));
  }
  chars[length] = 0;
  return chars;
}

BSTR SysAllocString(const OLECHAR* text) {
  if (text == nullptr) return nullptr;
  size_t length = std::char_traits<char16_t>::length(text);
  if (length > std::numeric_limits<uint32_t>::max()) return nullptr;
  return SysAllocStringLen(text, static_cast<uint32_t>(length));
}

void SysFreeString(BSTR text) {
  if (text == nullptr) return;
  std::free(reinterpret_cast<unsigned char*>(text) - kPrefix);
}

uint32_t SysStringLen(BSTR text) {
  if (text == nullptr) return 0;
  uint32_t byteCount;
  std::memcpy(&byteCount, reinterpret_cast<unsigned char*>(text) - kPrefix, kPrefix);
  return byteCount / static_cast<uint32_t>(sizeof(OLECHAR));
}

std::u16string Utf16FromUtf8(std::string_view text) {
  std::u16string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    platform::AppendUtf16(out, DecodeUtf8OrReplacement(text, i));
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = kReplacement;
    }
    platform::AppendUtf8(out, c);
  }
  return out;
}

BSTR BstrFromUtf8(std::string_view text) {
  std::u16string wide = Utf16FromUtf8(text);
  if (wide.size() > std::numeric_limits<uint32_t>::max()) return nullptr;
  return SysAllocStringLen(wide.data(), static_cast<uint32_t>(wide.size()));
}

std::string Utf8FromBstr(BSTR text) {
  return Utf8FromUtf16(std::u16string_view(text == nullptr ? u"" : text, SysStringLen(text)));
}
