#include "foundation/ini_file.h"

#include <limits>

#include "foundation/settings_file_io.h"
#include "platform/text.h"

namespace foundation {

namespace {

constexpr const char* kByteOrderMark = "\xEF\xBB\xBF";

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  }
  return true;
}

bool HasLineBreak(const std::string& text) {
  return text.find_first_of("\r\n") != std::string::npos;
}

std::string CheckedSection(const std::string& section) {
  std::string name = TrimProfileBlanks(section);
  if (name.empty() || HasLineBreak(name) || name.find(']') != std::string::npos) {
    throw IniFormatError("Invalid settings section name \"" + section + "\"");
  }
  return name;
}

std::string CheckedKey(const std::string& key) {
  std::string name = TrimProfileBlanks(key);
  if (name.empty() || HasLineBreak(name) || name.find('=') != std::string::npos ||
      name.front() == '[' || name.front() == ';') {
    throw IniFormatError("Invalid settings key name \"" + key + "\"");
  }
  return name;
}

// Whether a trimmed value stands in one pair of matching quotes, which a
// profile-file read drops.
bool Quoted(const std::string& value) {
  return value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
         value.back() == value.front();
}

// The form to store a value in so that it reads back exactly: a value that
// itself stands in quotes, or has blanks at its ends (which a read trims),
// is stored in a pair of quotes, which the read drops.
std::string StoredValue(const std::string& value) {
  const bool blankEnds = TrimProfileBlanks(value).size() != value.size();
  return Quoted(value) || blankEnds ? "\"" + value + "\"" : value;
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = LowerAscii(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

int32_t ParseProfileInteger(const std::string& text, int32_t defaultValue) {
  const std::string s = TrimProfileBlanks(text);
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    negative = s[i] == '-';
    ++i;
  }
  bool hex = false;
  if (i < s.size() && s[i] == '$') {
    hex = true;
    ++i;
  } else if (i + 1 < s.size() && s[i] == '0' && LowerAscii(s[i + 1]) == 'x') {
    hex = true;
    i += 2;
  }
  if (i >= s.size()) return defaultValue;

  // Decimal must fit a signed 32-bit value; hexadecimal may use all 32 bits
  // (so $FFFFFFFF is -1), as the classic conversion does.
  const uint64_t limit =
      hex ? 0xFFFFFFFFull
          : (negative ? 0x80000000ull : static_cast<uint64_t>(std::numeric_limits<int32_t>::max()));
  uint64_t magnitude = 0;
  for (; i < s.size(); ++i) {
    int digit = hex ? HexDigit(s[i]) : (s[i] >= '0' && s[i] <= '9' ? s[i] - '0' : -1);
    if (digit < 0) return defaultValue;
    magnitude = magnitude * (hex ? 16 : 10) + static_cast<uint64_t>(digit);
    if (magnitude > limit) return defaultValue;
  }
  uint32_t bits = static_cast<uint32_t>(magnitude);
  if (negative) bits = 0u - bits;
  return static_cast<int32_t>(bits);
}

std::string UnquoteProfileValue(const std::string& value) {
  return Quoted(value) ? value.substr(1, value.size() - 2) : value;
}

// One line of the file as the reader sees it.
struct IniFile::Entry {
  enum class Kind { kOther, kSection, kKey } kind = Kind::kOther;
  std::string name;   // section or key name, trimmed
  std::string value;  // key value, trimmed, as it stands in the file
};

IniFile::IniFile(std::string fileName) : fileName_(std::move(fileName)) {
  std::optional<std::string> content = ReadWholeFile(fileName_);
  if (!content) return;
  std::string text = std::move(*content);
  if (text.rfind(kByteOrderMark, 0) == 0) {
    byteOrderMark_ = true;
    text.erase(0, 3);
  }
  size_t firstBreak = text.find_first_of("\r\n");
  if (firstBreak != std::string::npos && text[firstBreak] == '\r') {
    lineEnd_ = (firstBreak + 1 < text.size() && text[firstBreak + 1] == '\n') ? "\r\n" : "\r";
  }
  lines_ = SplitLines(text);
}

IniFile::Entry IniFile::Parse(size_t index) const {
  Entry entry;
  const std::string line = TrimProfileBlanks(lines_[index]);
  if (line.empty() || line.front() == ';') return entry;
  if (line.front() == '[') {
    size_t close = line.find(']');
    if (close != std::string::npos) {
      entry.kind = Entry::Kind::kSection;
      entry.name = TrimProfileBlanks(line.substr(1, close - 1));
    }
    return entry;
  }
  size_t equals = line.find('=');
  if (equals == std::string::npos) return entry;
  entry.kind = Entry::Kind::kKey;
  entry.name = TrimProfileBlanks(line.substr(0, equals));
  entry.value = TrimProfileBlanks(line.substr(equals + 1));
  return entry;
}

size_t IniFile::FindKey(const std::string& section, const std::string& key) const {
  const std::string sectionName = TrimProfileBlanks(section);
  const std::string keyName = TrimProfileBlanks(key);
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Entry entry = Parse(i);
    if (entry.kind == Entry::Kind::kSection) {
      inSection = SameName(entry.name, sectionName);
    } else if (inSection && entry.kind == Entry::Kind::kKey && SameName(entry.name, keyName)) {
      return i;
    }
  }
  return std::string::npos;
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& defaultValue) const {
  size_t index = FindKey(section, key);
  return index == std::string::npos ? defaultValue : UnquoteProfileValue(Parse(index).value);
}

int32_t IniFile::ReadInteger(const std::string& section, const std::string& key,
                             int32_t defaultValue) const {
  size_t index = FindKey(section, key);
  return index == std::string::npos
             ? defaultValue
             : ParseProfileInteger(UnquoteProfileValue(Parse(index).value), defaultValue);
}

bool IniFile::ReadBool(const std::string& section, const std::string& key,
                       bool defaultValue) const {
  return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

std::vector<std::string> IniFile::ReadSectionValues(const std::string& section) const {
  const std::string sectionName = TrimProfileBlanks(section);
  std::vector<std::string> values;
  bool inSection = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Entry entry = Parse(i);
    if (entry.kind == Entry::Kind::kSection) {
      inSection = SameName(entry.name, sectionName);
    } else if (inSection && entry.kind == Entry::Kind::kKey) {
      values.push_back(entry.name + "=" + UnquoteProfileValue(entry.value));
    }
  }
  return values;
}

void IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  const std::string sectionName = CheckedSection(section);
  const std::string keyName = CheckedKey(key);
  if (HasLineBreak(value)) {
    throw IniFormatError("The value of settings key \"" + keyName + "\" holds a line break");
  }
  const std::string& newValue = value;

  size_t existing = FindKey(sectionName, keyName);
  if (existing != std::string::npos) {
    Entry entry = Parse(existing);
    if (UnquoteProfileValue(entry.value) != newValue) {
      lines_[existing] = entry.name + "=" + StoredValue(newValue);
    }
    return;
  }

  // Find the first section of that name and the end of its block.
  size_t header = std::string::npos;
  size_t blockEnd = lines_.size();
  for (size_t i = 0; i < lines_.size(); ++i) {
    Entry entry = Parse(i);
    if (entry.kind != Entry::Kind::kSection) continue;
    if (header == std::string::npos) {
      if (SameName(entry.name, sectionName)) header = i;
    } else {
      blockEnd = i;
      break;
    }
  }
  const std::string line = keyName + "=" + StoredValue(newValue);
  if (header == std::string::npos) {
    if (!lines_.empty() && !TrimProfileBlanks(lines_.back()).empty()) lines_.emplace_back();
    lines_.push_back("[" + sectionName + "]");
    lines_.push_back(line);
    return;
  }
  // Insert after the section's last non-blank line, so blank lines that
  // separate it from the next section stay in front of that section.
  size_t at = blockEnd;
  while (at > header + 1 && TrimProfileBlanks(lines_[at - 1]).empty()) --at;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(at), line);
}

void IniFile::WriteInteger(const std::string& section, const std::string& key, int32_t value) {
  WriteString(section, key, std::to_string(value));
}

void IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  WriteString(section, key, value ? "1" : "0");
}

void IniFile::EraseSection(const std::string& section) {
  const std::string sectionName = TrimProfileBlanks(section);
  std::vector<std::string> kept;
  kept.reserve(lines_.size());
  bool erasing = false;
  for (size_t i = 0; i < lines_.size(); ++i) {
    Entry entry = Parse(i);
    if (entry.kind == Entry::Kind::kSection) erasing = SameName(entry.name, sectionName);
    if (!erasing) kept.push_back(std::move(lines_[i]));
  }
  lines_ = std::move(kept);
}

std::string IniFile::Text() const {
  std::string text = byteOrderMark_ ? kByteOrderMark : "";
  for (const std::string& line : lines_) {
    text += line;
    text += lineEnd_;
  }
  return text;
}

void IniFile::UpdateFile() const {
  WriteFileAtomically(fileName_, Text());
}

std::string TrimProfileBlanks(const std::string& text) {
  return std::string(platform::Trim(text, platform::kBlankAndTab));
}

}  // namespace foundation
