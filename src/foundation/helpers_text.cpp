#include "foundation/helpers_text.h"

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/utf8.h"

namespace foundation {
namespace helpers {

namespace {
char UpperChar(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}
char LowerChar(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Position of the first byte at or after `from` and before `end` that is `a`
// or `b`; `end` when there is none.
size_t FindEither(std::string_view s, char a, char b, size_t from, size_t end) {
  const auto find = [&](char c, size_t until) {
    const void* p = std::memchr(s.data() + from, c, until - from);
    return p == nullptr ? until : static_cast<size_t>(static_cast<const char*>(p) - s.data());
  };
  const size_t first = find(a, end);
  if (a == b || first == from) return first;
  // Only the stretch before the first `a` can hold an earlier `b`.
  return find(b, first);
}
}  // namespace

size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from) {
  if (needle.empty()) return from <= hay.size() ? from : std::string_view::npos;
  if (hay.size() < needle.size()) return std::string_view::npos;
  // Candidates are found by their first byte in either case (memchr), and
  // only they are compared in full.
  const size_t end = hay.size() - needle.size() + 1;  // one past the last start
  const std::string_view rest = needle.substr(1);
  const char lower = LowerChar(needle[0]);
  const char upper = UpperChar(needle[0]);
  for (size_t i = from; i < end; ++i) {
    i = FindEither(hay, lower, upper, i, end);
    if (i == end) break;
    if (SameText(hay.substr(i + 1, rest.size()), rest)) return i;
  }
  return std::string_view::npos;
}

}  // namespace helpers

namespace {

// Decodes one UTF-8 sequence at `pos`. Returns the code point and advances
// `pos`; an invalid or truncated sequence (overlong forms and surrogates
// included) yields its first byte as a Latin-1 code point.
uint32_t NextCodePoint(std::string_view s, size_t& pos) {
  char32_t cp;
  if (platform::DecodeUtf8(s, pos, cp)) return cp;
  return static_cast<unsigned char>(s[pos++]);
}

// True for the code points XML 1.0 does not allow in a document at all.
bool ForbiddenInXml(uint32_t cp) {
  if (cp < 0x20) return cp != 0x09 && cp != 0x0A && cp != 0x0D;
  return cp == 0xFFFE || cp == 0xFFFF;
}

// Number of UTF-8 code points (invalid bytes count one each).
size_t CodePointCount(std::string_view s) {
  size_t n = 0;
  for (size_t pos = 0; pos < s.size(); ++n) NextCodePoint(s, pos);
  return n;
}

}  // namespace

std::string XmlEscape(std::string_view text) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  size_t pos = 0;
  while (pos < text.size()) {
    const uint32_t cp = NextCodePoint(text, pos);
    switch (cp) {
      case '&':
        out += "&amp;";
        continue;
      case '<':
        out += "&lt;";
        continue;
      case '>':
        out += "&gt;";
        continue;
      case '\'':
        out += "&apos;";
        continue;
      case '"':
        out += "&quot;";
        continue;
      default:
        break;
    }
    if (cp >= 32 && cp <= 126) {
      out += static_cast<char>(cp);
    } else if (!ForbiddenInXml(cp)) {
      char buf[16];
      std::snprintf(buf, sizeof buf, "&#%03u;", static_cast<unsigned>(cp));
      out += buf;
    }
  }
  return out;
}

std::string ReplaceAllText(std::string_view text, std::string_view oldText,
                           std::string_view newText) {
  if (oldText.empty()) return std::string(text);
  std::string out;
  out.reserve(text.size());
  size_t from = 0;
  for (;;) {
    const size_t at = helpers::FindNoCase(text, oldText, from);
    if (at == std::string_view::npos) break;
    out.append(text.substr(from, at - from));
    out.append(newText);
    from = at + oldText.size();
  }
  out.append(text.substr(from));
  return out;
}

namespace {

// Start of "<" + tag in `xml` (tag compared without regard to case), npos
// when absent: each "<" is a candidate, and only its name is compared.
size_t FindTagStart(std::string_view xml, std::string_view tag) {
  const size_t need = 1 + tag.size();
  for (size_t at = 0; xml.size() - at >= need; ++at) {
    at = helpers::FindChar(xml, '<', at);
    if (at == std::string_view::npos || xml.size() - at < need) break;
    if (helpers::SameText(xml.substr(at + 1, tag.size()), tag)) return at;
  }
  return std::string_view::npos;
}

// Start of ` attr="` in `inside` (attr compared without regard to case),
// npos when absent: each blank is a candidate.
size_t FindAttrStart(std::string_view inside, std::string_view attr) {
  const size_t need = attr.size() + 3;  // blank, name, '=', '"'
  for (size_t at = 0; inside.size() - at >= need; ++at) {
    at = helpers::FindChar(inside, ' ', at);
    if (at == std::string_view::npos || inside.size() - at < need) break;
    const size_t eq = at + 1 + attr.size();
    if (inside[eq] == '=' && inside[eq + 1] == '"' &&
        helpers::SameText(inside.substr(at + 1, attr.size()), attr)) {
      return at;
    }
  }
  return std::string_view::npos;
}

}  // namespace

bool GetXMLTagValue(std::string_view xml, std::string_view tag, std::string_view& value) {
  value = {};
  const size_t start = FindTagStart(xml, tag);
  if (start == std::string_view::npos) return false;
  const size_t gt = helpers::FindChar(xml, '>', start + 1 + tag.size());
  if (gt == std::string_view::npos) return false;
  const size_t lt = helpers::FindChar(xml, '<', gt + 1);
  const size_t end = lt == std::string_view::npos ? xml.size() : lt;
  value = xml.substr(gt + 1, end - gt - 1);
  return !value.empty();
}

bool GetXMLTagValue(std::string_view xml, std::string_view tag, std::string& value) {
  std::string_view found;
  const bool ok = GetXMLTagValue(xml, tag, found);
  value.assign(found);
  return ok;
}

bool GetXMLTagAttributes(std::string_view xml, std::string_view tag, std::string_view& attributes) {
  attributes = {};
  const size_t start = FindTagStart(xml, tag);
  if (start == std::string_view::npos) return false;
  const size_t nameEnd = start + 1 + tag.size();
  const size_t gt = helpers::FindChar(xml, '>', nameEnd);
  if (gt == std::string_view::npos) return false;
  attributes = xml.substr(nameEnd, gt - nameEnd);
  return true;
}

bool GetXMLAttrFromTag(std::string_view attributes, std::string_view attr,
                       std::string_view& value) {
  value = {};
  if (attr.empty()) return false;
  const size_t at = FindAttrStart(attributes, attr);
  if (at == std::string_view::npos) return false;
  const size_t valueStart = at + attr.size() + 3;
  const size_t quote = helpers::FindChar(attributes, '"', valueStart);
  const size_t valueEnd = quote == std::string_view::npos ? attributes.size() : quote;
  value = attributes.substr(valueStart, valueEnd - valueStart);
  return true;
}

bool GetXMLAttrValue(std::string_view xml, std::string_view tag, std::string_view attr,
                     std::string_view& value) {
  std::string_view attributes;
  if (!GetXMLTagAttributes(xml, tag, attributes)) {
    value = {};
    return false;
  }
  return GetXMLAttrFromTag(attributes, attr, value);
}

bool GetXMLAttrValue(std::string_view xml, std::string_view tag, std::string_view attr,
                     std::string& value) {
  std::string_view found;
  const bool ok = GetXMLAttrValue(xml, tag, attr, found);
  value.assign(found);
  return ok;
}

std::string BoolToText(bool b) {
  return b ? "TRUE" : "FALSE";
}

std::string PadLeftWith(std::string_view value, int width, std::string_view pad) {
  std::string out(value);
  if (pad.empty() || width <= 0) return out;
  const size_t target = static_cast<size_t>(width);
  const size_t padLen = CodePointCount(pad);
  size_t len = CodePointCount(out);
  std::string prefix;
  while (len < target) {
    prefix.append(pad);
    len += padLen;
  }
  return prefix + out;
}

std::string DigitsOnly(std::string_view text) {
  std::string out;
  for (char c : text) {
    if (c >= '0' && c <= '9') out += c;
  }
  return out;
}

std::string FormatPhone(std::string_view phone) {
  std::string digits = DigitsOnly(phone);
  if (digits.size() == 10) return digits.substr(0, 3) + "-" + digits.substr(3);
  return digits;
}

std::string PathJoin(std::initializer_list<std::string_view> parts) {
  constexpr char kSep = '/';
  std::string path;
  bool first = true;
  for (std::string_view part : parts) {
    if (first) {
      path.assign(part);
      first = false;
      continue;
    }
    if (!part.empty() && part.front() == kSep) part.remove_prefix(1);
    if (path.empty() || path.back() != kSep) path += kSep;
    path.append(part);
  }
  return path;
}

}  // namespace foundation
