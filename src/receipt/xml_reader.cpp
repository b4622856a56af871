#include "receipt/xml_reader.h"

#include <algorithm>
#include <array>
#include <cstdint>

#include "foundation/helpers_text.h"
#include "platform/utf8.h"

namespace receipt {

namespace {

constexpr std::string_view kXmlSpace = " \t\r\n";
constexpr size_t kNone = std::string_view::npos;

// Character classes, one table look-up each.
enum : uint8_t {
  kSpace = 1,      // white space
  kNameEnd = 2,    // ends a name in a tag
  kTagStop = 4,    // ends a start tag or opens a quoted value in it
  kPrefixEnd = 8,  // ends a name's namespace prefix, or the name
};

constexpr std::array<uint8_t, 256> MakeClasses() {
  std::array<uint8_t, 256> classes{};
  for (const char c : {' ', '\t', '\r', '\n'}) {
    classes[static_cast<unsigned char>(c)] = kSpace | kNameEnd;
  }
  for (const char c : {'/', '=', '>', '<'}) classes[static_cast<unsigned char>(c)] |= kNameEnd;
  for (const char c : {'>', '<', '"', '\''}) classes[static_cast<unsigned char>(c)] |= kTagStop;
  for (auto& c : classes) {
    if ((c & kNameEnd) != 0) c |= kPrefixEnd;
  }
  classes[static_cast<unsigned char>(':')] |= kPrefixEnd;
  return classes;
}

constexpr std::array<uint8_t, 256> kClasses = MakeClasses();

bool Is(char c, uint8_t what) {
  return (kClasses[static_cast<unsigned char>(c)] & what) != 0;
}

bool IsSpace(char c) {
  return Is(c, kSpace);
}

// A name begins with a letter, "_", ":" or a character beyond ASCII.
bool StartsName(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':' || u >= 0x80;
}

// Reads a name from `pos`: gives its end, and in `local` the part after its
// last ":".
size_t ScanName(std::string_view s, size_t pos, std::string_view& local) {
  size_t localStart = pos;
  while (pos < s.size() && !Is(s[pos], kNameEnd)) {
    if (s[pos] == ':') localStart = pos + 1;
    ++pos;
  }
  local = s.substr(localStart, pos - localStart);
  return pos;
}

// Where the local part of a name that begins at `pos` begins: after its
// namespace prefix and ":", or at `pos` when it has none.
size_t LocalStart(std::string_view s, size_t pos) {
  size_t at = pos;
  while (at < s.size() && !Is(s[at], kPrefixEnd)) ++at;
  return at < s.size() && s[at] == ':' ? at + 1 : pos;
}

// Whether the local part of a name beginning at `localStart` is `name` (any
// case): the characters of `name`, then the end of the name. A name that
// does not match is mostly told apart by its first eight characters, so its
// whole length is never read.
bool NameIs(std::string_view s, size_t localStart, std::string_view name) {
  const size_t end = localStart + name.size();
  return end <= s.size() && !name.empty() && (s[localStart] | 0x20) == (name[0] | 0x20) &&
         foundation::helpers::SameText(s.substr(localStart, name.size()), name) &&
         (end == s.size() || Is(s[end], kNameEnd));
}

// The ">" that ends a start tag whose attributes begin at `pos`, quoted
// values passed over whole (a ">" may stand in one); npos when the tag does
// not end before the next "<", which no tag may hold, not even in a value.
size_t StartTagEnd(std::string_view s, size_t pos) {
  while (pos < s.size()) {
    const char c = s[pos];
    if (!Is(c, kTagStop)) {
      ++pos;
    } else if (c == '>') {
      return pos;
    } else if (c == '<') {
      return kNone;
    } else {
      ++pos;
      while (pos < s.size() && s[pos] != c && s[pos] != '<') ++pos;
      if (pos == s.size() || s[pos] == '<') return kNone;
      ++pos;
    }
  }
  return kNone;
}

// The next "<" at or after `pos`.
size_t NextMarkup(std::string_view s, size_t pos) {
  return foundation::helpers::FindChar(s, '<', pos);
}

size_t SkipSpace(std::string_view s, size_t pos) {
  while (pos < s.size() && IsSpace(s[pos])) ++pos;
  return pos;
}

enum class AttrStep { kAttribute, kEnd, kBroken };

// From `pos` in `s`: skips white space, then either reads one attribute
// (name, "=", value in single or double quotes, white space allowed around
// the "=") and leaves `pos` after its closing quote, giving the name's local
// part, or stops at the end of the tag ("/", ">" or the end of `s`) with
// `pos` there.
AttrStep NextAttribute(std::string_view s, size_t& pos, std::string_view& local,
                       std::string_view& value) {
  pos = SkipSpace(s, pos);
  if (pos >= s.size() || s[pos] == '>' || s[pos] == '/') return AttrStep::kEnd;
  if (!StartsName(s[pos])) return AttrStep::kBroken;
  size_t at = SkipSpace(s, ScanName(s, pos, local));
  if (at >= s.size() || s[at] != '=') return AttrStep::kBroken;
  at = SkipSpace(s, at + 1);
  if (at >= s.size() || (s[at] != '"' && s[at] != '\'')) return AttrStep::kBroken;
  const size_t close = s.find(s[at], at + 1);
  if (close == kNone) return AttrStep::kBroken;
  value = s.substr(at + 1, close - at - 1);
  pos = close + 1;
  return AttrStep::kAttribute;
}

// Index of the ">" that ends a declaration ("<!DOCTYPE ...>") whose text
// starts at `pos`: quoted texts and an internal subset in brackets may hold
// ">" of their own.
size_t DeclarationEnd(std::string_view s, size_t pos) {
  int brackets = 0;
  char quote = 0;
  for (; pos < s.size(); ++pos) {
    const char c = s[pos];
    if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == '[') {
      ++brackets;
    } else if (c == ']') {
      if (brackets > 0) --brackets;
    } else if (c == '>' && brackets == 0) {
      return pos;
    }
  }
  return kNone;
}

// The characters XML 1.0 allows in a document.
bool IsXmlChar(uint32_t cp) {
  if (cp < 0x20) return cp == 0x09 || cp == 0x0A || cp == 0x0D;
  if (cp >= 0xD800 && cp <= 0xDFFF) return false;
  if (cp == 0xFFFE || cp == 0xFFFF) return false;
  return cp <= 0x10FFFF;
}

// The character a reference body (the text between "&" and ";") stands for;
// false when it is not a known entity or a valid character reference.
bool ResolveReference(std::string_view body, uint32_t& cp) {
  if (body == "amp") {
    cp = '&';
  } else if (body == "lt") {
    cp = '<';
  } else if (body == "gt") {
    cp = '>';
  } else if (body == "apos") {
    cp = '\'';
  } else if (body == "quot") {
    cp = '"';
  } else if (body.size() >= 2 && body[0] == '#') {
    const bool hex = body[1] == 'x';
    const std::string_view digits = body.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t value = 0;
    for (char c : digits) {
      uint32_t d;
      if (c >= '0' && c <= '9') {
        d = static_cast<uint32_t>(c - '0');
      } else if (hex && c >= 'a' && c <= 'f') {
        d = static_cast<uint32_t>(c - 'a' + 10);
      } else if (hex && c >= 'A' && c <= 'F') {
        d = static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return false;
      }
      value = value * (hex ? 16u : 10u) + d;
    }
    if (!IsXmlChar(value)) return false;
    cp = value;
  } else {
    return false;
  }
  return true;
}

// Adds `text` to every element whose text is being collected.
void AddText(std::span<XmlElement> elements, std::string_view text, bool decode) {
  for (XmlElement& e : elements) {
    if (!e.collecting) continue;
    if (decode) {
      AppendXmlDecoded(e.text, text);
    } else {
      e.text.append(text);
    }
  }
}

}  // namespace

void AppendXmlDecoded(std::string& out, std::string_view text) {
  size_t amp = foundation::helpers::FindChar(text, '&');
  if (amp == kNone) {
    out.append(text);
    return;
  }
  size_t pos = 0;
  for (; amp != kNone; amp = text.find('&', pos)) {
    out.append(text.substr(pos, amp - pos));
    // The longest reference is "&#x" + 8 digits + ";".
    const size_t semi = text.substr(amp, 13).find(';');
    uint32_t cp = 0;
    if (semi != kNone && ResolveReference(text.substr(amp + 1, semi - 1), cp)) {
      platform::AppendUtf8(out, cp);
      pos = amp + semi + 1;
    } else {
      out += '&';
      pos = amp + 1;
    }
  }
  out.append(text.substr(pos));
}

void ReadXmlElements(std::string_view xml, std::span<XmlElement> elements) {
  for (XmlElement& e : elements) {
    e.found = false;
    e.closed = false;
    e.collecting = false;
    e.attributes = {};
    e.text.clear();
  }
  size_t missing = elements.size();  // not found yet
  size_t open = 0;                   // elements collecting their text
  // Nesting depth at `pos`, counted from where the first element now
  // collecting began; only needed (and kept) while one collects.
  size_t depth = 0;
  size_t pos = 0;
  while (pos < xml.size() && (missing > 0 || open > 0)) {
    const size_t lt = NextMarkup(xml, pos);
    if (open > 0) AddText(elements, xml.substr(pos, (lt == kNone ? xml.size() : lt) - pos), true);
    if (lt == kNone || lt + 1 == xml.size()) break;
    const char kind = xml[lt + 1];

    if (kind == '/') {
      if (open == 0) {
        // No element collects: nothing to learn from an end tag.
        pos = lt + 2;
        continue;
      }
      const size_t localStart = LocalStart(xml, lt + 2);
      size_t gt = localStart;
      while (gt < xml.size() && !Is(xml[gt], kNameEnd)) ++gt;
      gt = SkipSpace(xml, gt);
      if (gt >= xml.size() || xml[gt] != '>') {
        pos = lt + 2;  // not an end tag: read on after it, as when skipped
        continue;
      }
      if (depth > 0) --depth;
      for (XmlElement& e : elements) {
        if (e.collecting && e.contentDepth == depth + 1) {
          // Another element's end tag leaves this one without its end.
          e.closed = NameIs(xml, localStart, e.name);
          e.collecting = false;
          --open;
        }
      }
      pos = gt + 1;
    } else if (kind == '!' || kind == '?') {
      const std::string_view markup = xml.substr(lt);
      size_t end;
      if (markup.starts_with("<!--")) {
        end = xml.find("-->", lt + 4);
        pos = end + 3;
      } else if (markup.starts_with("<![CDATA[")) {
        end = xml.find("]]>", lt + 9);
        if (end != kNone && open > 0) AddText(elements, xml.substr(lt + 9, end - lt - 9), false);
        pos = end + 3;
      } else if (kind == '?') {
        end = xml.find("?>", lt + 2);
        pos = end + 2;
      } else {
        end = DeclarationEnd(xml, lt + 2);
        pos = end + 1;
      }
      if (end == kNone) break;
    } else {
      if (!StartsName(kind)) break;
      const size_t localStart = LocalStart(xml, lt + 1);
      XmlElement* wanted = nullptr;
      for (XmlElement& e : elements) {
        if (!e.found && NameIs(xml, localStart, e.name)) {
          wanted = &e;
          break;
        }
      }
      if (wanted == nullptr && open == 0) {
        // A "<" cannot stand inside a start tag, so the next markup begins
        // after this tag whatever its attributes hold.
        pos = localStart;
        continue;
      }
      const size_t gt = StartTagEnd(xml, localStart);
      if (gt == kNone) {
        // Not a tag: read on after its name, as when it is skipped, so that
        // what is found never depends on which elements are asked for.
        pos = localStart;
        continue;
      }
      const bool empty = xml[gt - 1] == '/';
      if (!empty && open == 0) depth = 0;
      if (wanted != nullptr) {
        XmlElement& e = *wanted;
        const size_t nameEnd = localStart + e.name.size();
        e.found = true;
        e.attributes = xml.substr(nameEnd, gt - (empty ? 1 : 0) - nameEnd);
        --missing;
        if (empty) {
          e.closed = true;
        } else if (e.wantText) {
          e.contentDepth = depth + 1;
          e.collecting = true;
          ++open;
        }
      }
      if (!empty) ++depth;
      pos = gt + 1;
    }
  }
}

bool XmlAttributeAsWritten(std::string_view attributes, std::string_view name,
                           std::string_view& value) {
  size_t pos = 0;
  std::string_view attrName;
  while (NextAttribute(attributes, pos, attrName, value) == AttrStep::kAttribute) {
    if (foundation::helpers::SameText(attrName, name)) return true;
  }
  value = {};
  return false;
}

bool XmlAttribute(std::string_view attributes, std::string_view name, std::string& value) {
  value.clear();
  std::string_view written;
  if (!XmlAttributeAsWritten(attributes, name, written)) return false;
  AppendXmlDecoded(value, written);
  return true;
}

std::string_view TrimXmlSpace(std::string_view text) {
  const size_t first = text.find_first_not_of(kXmlSpace);
  if (first == kNone) return {};
  return text.substr(first, text.find_last_not_of(kXmlSpace) - first + 1);
}

}  // namespace receipt
