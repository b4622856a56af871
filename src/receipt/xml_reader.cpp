#include "receipt/xml_reader.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QStringConverter>
#include <QStringDecoder>
#include <QStringView>
#include <QXmlStreamReader>
#include <cstdint>

#include "foundation/helpers_text.h"
#include "platform/utf8.h"

namespace receipt {

namespace {

constexpr std::string_view kXmlSpace = " \t\r\n";
constexpr size_t kNone = std::string_view::npos;

// A reader over the bytes of `xml`, which must outlive it. Names keep their
// prefixes (and undeclared ones are no error): elements are matched by local
// name.
class StreamReader : public QXmlStreamReader {
 public:
  explicit StreamReader(std::string_view xml)
      : QXmlStreamReader(QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size()))) {
    setNamespaceProcessing(false);
  }
};

// The part of a qualified name after its prefix.
QStringView LocalPart(QStringView qualified) {
  const qsizetype colon = qualified.lastIndexOf(u':');
  return colon < 0 ? qualified : qualified.mid(colon + 1);
}

bool SameName(QStringView local, std::string_view name) {
  return local.compare(QLatin1StringView(name.data(), static_cast<qsizetype>(name.size())),
                       Qt::CaseInsensitive) == 0;
}

void AppendUtf8(std::string& out, QStringView text) {
  const QByteArray utf8 = text.toUtf8();
  out.append(utf8.constData(), static_cast<size_t>(utf8.size()));
}

std::string Utf8(QStringView text) {
  std::string out;
  AppendUtf8(out, text);
  return out;
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

}  // namespace

const std::string* XmlElement::Attribute(std::string_view attribute) const {
  for (const XmlAttributeValue& a : attributes) {
    if (foundation::helpers::SameText(a.name, attribute)) return &a.value;
  }
  return nullptr;
}

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
    e.attributes.clear();
    e.text.clear();
  }
  size_t missing = elements.size();  // not found yet
  size_t open = 0;                   // elements collecting their text
  size_t depth = 0;                  // nesting depth of the current content
  StreamReader reader(xml);
  while ((missing > 0 || open > 0) && !reader.atEnd()) {
    switch (reader.readNext()) {
      case QXmlStreamReader::StartElement: {
        ++depth;
        if (missing == 0) break;
        const QStringView local = LocalPart(reader.qualifiedName());
        for (XmlElement& e : elements) {
          if (e.found || !SameName(local, e.name)) continue;
          e.found = true;
          --missing;
          for (const QXmlStreamAttribute& a : reader.attributes()) {
            e.attributes.push_back({Utf8(LocalPart(a.qualifiedName())), Utf8(a.value())});
          }
          e.contentDepth = depth;
          if (e.wantText) {
            e.collecting = true;
            ++open;
          }
          break;
        }
        break;
      }
      case QXmlStreamReader::EndElement:
        for (XmlElement& e : elements) {
          if (e.collecting && e.contentDepth == depth) {
            e.closed = true;
            e.collecting = false;
            --open;
          }
        }
        if (depth > 0) --depth;
        break;
      case QXmlStreamReader::Characters:
        if (open == 0) break;
        for (XmlElement& e : elements) {
          if (e.collecting) AppendUtf8(e.text, reader.text());
        }
        break;
      default:
        break;
    }
  }
  // Where the document broke off, what was being collected has no end.
  for (XmlElement& e : elements) {
    if (e.collecting) {
      e.collecting = false;
      e.text.clear();
    }
  }
}

std::optional<bool> XmlBoolean(std::string_view text) {
  const std::string_view value = TrimXmlSpace(text);
  if (value == "1" || foundation::helpers::SameText(value, "true")) return true;
  if (value == "0" || foundation::helpers::SameText(value, "false")) return false;
  return std::nullopt;
}

std::string XmlTextAsUtf8(std::string_view xml) {
  const QByteArray bytes = QByteArray::fromRawData(xml.data(), static_cast<qsizetype>(xml.size()));
  // A byte-order mark, or the first character "<" in UTF-16 or UTF-32.
  std::optional<QStringConverter::Encoding> encoding =
      QStringConverter::encodingForData(bytes, u'<');
  QStringDecoder decoder;
  if (encoding) {
    if (*encoding == QStringConverter::Utf8) return std::string(xml);
    decoder = QStringDecoder(*encoding);
  } else {
    // Otherwise the encoding the XML declaration names, if any.
    StreamReader reader(xml);
    reader.readNext();
    const QString declared = reader.documentEncoding().toString();
    if (declared.isEmpty()) return std::string(xml);
    decoder = QStringDecoder(declared.toLatin1().constData());
    if (!decoder.isValid() || decoder.name() == std::string_view("UTF-8")) return std::string(xml);
  }
  const QString text = decoder.decode(bytes);
  std::string out = Utf8(text);
  // The byte-order mark, decoded, is no part of the text.
  if (out.starts_with("\xEF\xBB\xBF")) out.erase(0, 3);
  return out;
}

std::string_view TrimXmlSpace(std::string_view text) {
  const size_t first = text.find_first_not_of(kXmlSpace);
  if (first == kNone) return {};
  return text.substr(first, text.find_last_not_of(kXmlSpace) - first + 1);
}

}  // namespace receipt
