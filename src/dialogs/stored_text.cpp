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
  return shown == StoredText(stored) ? stored : shown.toStdString();
}

}  // namespace dialogs
