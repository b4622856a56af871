#pragma once
// Finds chosen elements of an XML text in one forward pass, by local name
// (the part after a namespace prefix, compared without regard to ASCII case),
// whatever the prefix, layout or quoting of the text: markup is read as XML
// writes it, so comments, processing instructions and a document type
// declaration are passed over, CDATA sections are character data, attribute
// values may stand in either quote with blanks, tabs or line breaks around
// the "=", and character references are decoded (nothing is looked up in a
// document type declaration, so no entity of one is ever expanded).
//
// The reader does not validate: a document whose elements are not balanced
// or whose prefixes are not declared is still read as far as its markup can
// be told apart. A tag that does not end before the next "<" is no tag and
// is read past; where the markup cannot be told apart at all (a "<" that
// opens no name, a comment or section without its end), reading stops
// there: elements found before stay found, and an element whose end tag was
// not reached has no text. What is found of an element never depends on
// which other elements are asked for.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

namespace receipt {

// One element asked for, and what the reader found of its first occurrence.
struct XmlElement {
  std::string_view name;  // local name asked for
  bool wantText = false;  // collect the element's text (else only its tag)

  bool found = false;             // a start tag of that name was read
  bool closed = false;            // its end was reached: "<x/>", or the end tag of an
                                  // element whose text is wanted (the end of one whose
                                  // text is not wanted is not looked for)
  std::string_view attributes{};  // the start tag's attribute text, as written
  std::string text{};             // character data inside it, decoded (wantText)

  // Found, closed and with text that is not empty.
  bool HasText() const { return found && closed && !text.empty(); }

  // The reader's: the nesting depth of the content, and whether its text is
  // being collected.
  size_t contentDepth = 0;
  bool collecting = false;
};

// Fills each of `elements` from the first element of its name in `xml`.
// An element's text is all character data between its start and end tags,
// that of elements nested in it included. An element that another's end tag
// closes (the markup is not balanced) counts as found but not closed. `xml`
// must outlive the views written into `elements`.
void ReadXmlElements(std::string_view xml, std::span<XmlElement> elements);

// The value of the attribute of local name `name` (any case) in an attribute
// text of a start tag as ReadXmlElements gives it, decoded; false (value
// empty) when the attribute is not there.
bool XmlAttribute(std::string_view attributes, std::string_view name, std::string& value);

// Appends `text` with the predefined entities (&amp; &lt; &gt; &apos; &quot;)
// and decimal or hexadecimal character references decoded into UTF-8. A
// reference that is not well formed, or names no character XML allows, is
// kept as it stands.
void AppendXmlDecoded(std::string& out, std::string_view text);

// The same without decoding: the value as it stands between its quotes.
bool XmlAttributeAsWritten(std::string_view attributes, std::string_view name,
                           std::string_view& value);

// `text` without the blanks, tabs and line breaks XML counts as white space
// at either end.
std::string_view TrimXmlSpace(std::string_view text);

}  // namespace receipt
