// Small text routines shared by the web-service client, the dialogs and the
// plug-ins: XML escaping and reading, case-blind replacement, padding, digit
// extraction, phone formatting and file-path joining. Texts are UTF-8.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/text.h"

namespace foundation {

// Escapes a text for XML character data and attribute values: & < > ' " become
// their entity references; every code point outside printable ASCII becomes
// "&#nnn;" (decimal, at least three digits, so a line feed is "&#010;").
// Control characters that XML 1.0 forbids (and U+FFFE, U+FFFF) are dropped.
// A byte that is not part of valid UTF-8 is taken as the Latin-1 character of
// the same code, so nothing silently disappears.
std::string XmlEscape(std::string_view text);

// Replaces every occurrence of `oldText` (matched without regard to ASCII
// case) by `newText`. An empty `oldText` leaves the text unchanged.
std::string ReplaceAllText(std::string_view text, std::string_view oldText,
                           std::string_view newText);

// Finds the first "<" + tag (without regard to case, so a longer tag name that
// begins with `tag` also matches), skips to the first ">" after it and gives
// the text up to the next "<" (or the end), still in its XML form. False with
// an empty value when the tag is missing, has no ">", or the content is empty.
bool GetXMLTagValue(std::string_view xml, std::string_view tag, std::string& value);
// The same, giving the value as a view into `xml` (no copy).
bool GetXMLTagValue(std::string_view xml, std::string_view tag, std::string_view& value);

// Finds "<" + tag as GetXMLTagValue does; between the tag name and the next
// ">" finds ` attr="` (without regard to case) and gives the characters up to
// the next double quote (or the end of the tag). False when any part is
// missing; the value is then empty.
bool GetXMLAttrValue(std::string_view xml, std::string_view tag, std::string_view attr,
                     std::string& value);
// The same, giving the value as a view into `xml` (no copy).
bool GetXMLAttrValue(std::string_view xml, std::string_view tag, std::string_view attr,
                     std::string_view& value);

// The two steps of GetXMLAttrValue, for reading several attributes of one
// element: the text between the name of the first "<" + tag and the next ">"
// (false, empty, when the tag or the ">" is missing) ...
bool GetXMLTagAttributes(std::string_view xml, std::string_view tag, std::string_view& attributes);
// ... and the value of ` attr="` in that text (false, empty, when missing).
bool GetXMLAttrFromTag(std::string_view attributes, std::string_view attr, std::string_view& value);

// "TRUE" or "FALSE".
std::string BoolToText(bool b);

// Prefixes `pad` until the text is at least `width` characters (code points)
// long. An empty pad leaves the value as it is.
std::string PadLeftWith(std::string_view value, int width, std::string_view pad);

// The characters "0" to "9" of the text, in order.
std::string DigitsOnly(std::string_view text);

// The digits of a phone number; exactly ten digits are written "ddd-ddddddd",
// any other count as the bare digits.
std::string FormatPhone(std::string_view phone);

// Joins path parts with the platform separator: each further part loses one
// leading separator, and a separator is added unless the path already ends
// with one.
std::string PathJoin(std::initializer_list<std::string_view> parts);

namespace helpers {

// ASCII upper-case and lower-case copies (bytes above 127 are kept).
using platform::LowerAscii;
using platform::UpperAscii;

// The text without leading and trailing blanks and control characters.
inline std::string TrimText(std::string_view text) {
  return std::string(platform::TrimControls(text));
}

// True when both texts are equal, compared without regard to ASCII case.
using platform::SameText;

// Position of `c` in `text` at or after `from` (memchr); npos when absent.
// In markup the byte sought is often the very next one (a tag found where a
// view begins, a blank before an attribute), so that byte is looked at first.
inline size_t FindChar(std::string_view text, char c, size_t from = 0) {
  if (from >= text.size()) return std::string_view::npos;
  if (text[from] == c) return from;
  const void* p = std::memchr(text.data() + from, c, text.size() - from);
  return p == nullptr ? std::string_view::npos
                      : static_cast<size_t>(static_cast<const char*>(p) - text.data());
}

// Position of `needle` in `hay` at or after `from`, compared without regard to
// ASCII case; npos when absent.
size_t FindNoCase(std::string_view hay, std::string_view needle, size_t from = 0);

}  // namespace helpers
}  // namespace foundation
