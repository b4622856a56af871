#include "dialogs/stored_text.h"

#include "platform/utf8.h"

namespace dialogs {

QString StoredText(std::string_view bytes) {
  std::u32string codePoints;
  codePoints.reserve(bytes.size());
  size_t pos = 0;
  while (pos < bytes.size()) {
    char32_t cp = 0;
    if (!platform::DecodeUtf8(bytes, pos, cp)) cp = static_cast<unsigned char>(bytes[pos++]);
    codePoints.push_back(cp);
  }
  return QString::fromStdU32String(codePoints);
}

std::string TextToStore(const QString& shown, const std::string& stored) {
  if (shown == StoredText(stored)) return stored;
  // Blanks typed at either end of a value are slips of the keyboard, not
  // part of an address, identifier or name: they are not stored.
  qsizetype first = 0;
  qsizetype last = shown.size();
  const auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
  while (first < last && blank(shown[first])) ++first;
  while (last > first && blank(shown[last - 1])) --last;
  return shown.mid(first, last - first).toStdString();
}

}  // namespace dialogs
