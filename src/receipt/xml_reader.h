#pragma once
// Finds chosen elements of an XML document in one forward pass with Qt's XML
// stream reader, by local name (the part after a namespace prefix, compared
// without regard to ASCII case), whatever the prefix, layout, quoting or
// encoding of the document. The document is read in the encoding its
// byte-order mark or XML declaration gives (UTF-8 when neither does; UTF-16
// needs its byte-order mark, as XML requires); comments and processing
// instructions are passed over, CDATA sections are character data, attribute
// values may stand in either quote, and character references and the
// predefined entities are decoded. Prefixes need not be declared: names are
// matched by their local part. Entities declared inside the document are
// expanded within the reader's bound; external ones are never read.
//
// Reading stops at the first point where the document is not well formed (a
// tag cut short or not closed, an end tag that does not match, bytes that are
// not in the document's encoding, a reference to an undeclared entity):
// elements found before it stay found, and an element whose end tag was not
// reached is not closed and has no text. What is found of an element never
// depends on which other elements are asked for.

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace receipt {

// One attribute of a start tag: its local name and its value as text (UTF-8,
// references decoded, line breaks normalised as XML prescribes).
struct XmlAttributeValue {
  std::string name;
  std::string value;
};

// One element asked for, and what the reader found of its first occurrence.
struct XmlElement {
  std::string_view name;  // local name asked for
  bool wantText = false;  // collect the element's text (else only its tag)

  bool found = false;   // a start tag of that name was read
  bool closed = false;  // the end of an element whose text is wanted was
                        // reached (the end of one whose text is not wanted is
                        // not looked for)
  std::vector<XmlAttributeValue> attributes{};  // of its start tag
  std::string text{};                           // character data inside it, as UTF-8 (wantText)

  // Found, closed and with text that is not empty.
  bool HasText() const { return found && closed && !text.empty(); }
  // The value of the attribute of local name `attribute` (any case); nullptr
  // when the start tag has none.
  const std::string* Attribute(std::string_view attribute) const;

  // The reader's: the nesting depth of the content, and whether its text is
  // being collected.
  size_t contentDepth = 0;
  bool collecting = false;
};

// Fills each of `elements` from the first element of its name in `xml` (the
// document's bytes). An element's text is all character data between its
// start and end tags, that of elements nested in it included.
void ReadXmlElements(std::string_view xml, std::span<XmlElement> elements);

// A Boolean as XML Schema writes it: "true" or "1", "false" or "0", with
// white space around it allowed (letter case is not looked at). Nothing for
// any other text, the empty one included.
std::optional<bool> XmlBoolean(std::string_view text);

// The document as UTF-8 text, for a log: as it stands when it is in UTF-8
// (or its encoding cannot be told), else converted from the encoding its
// byte-order mark or declaration gives.
std::string XmlTextAsUtf8(std::string_view xml);

// Appends `text` with the predefined entities (&amp; &lt; &gt; &apos; &quot;)
// and decimal or hexadecimal character references decoded into UTF-8. A
// reference that is not well formed, or names no character XML allows, is
// kept as it stands.
void AppendXmlDecoded(std::string& out, std::string_view text);

// `text` without the blanks, tabs and line breaks XML counts as white space
// at either end.
std::string_view TrimXmlSpace(std::string_view text);

}  // namespace receipt
