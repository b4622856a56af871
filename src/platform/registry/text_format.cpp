// The registry's file form: reading is strict, so that a damaged file is
// reported rather than half read.

#include <charconv>
#include <cstdio>
#include <set>

#include "platform/registry/names.h"
#include "platform/registry/tree.h"

namespace platform::registry {

namespace {

constexpr std::string_view kHeader = "NORVANE-REGISTRY 1";
constexpr std::string_view kEnd = "END ";

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  for (char c : text) {
    auto u = static_cast<unsigned char>(c);
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (u < 0x20 || u == 0x7F) {
          char hex[5];
          std::snprintf(hex, sizeof hex, "\\x%02X", u);
          out += hex;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

struct LineError {
  std::string what;
};

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

// Reads a quoted text starting at `pos` (on the opening quote) and moves
// `pos` past the closing quote.
std::string ReadQuoted(std::string_view line, size_t& pos) {
  if (pos >= line.size() || line[pos] != '"') throw LineError{"expected a quoted text"};
  std::string out;
  ++pos;
  while (true) {
    if (pos >= line.size()) throw LineError{"unterminated quoted text"};
    char c = line[pos++];
    auto u = static_cast<unsigned char>(c);
    if (c == '"') return out;
    if (u < 0x20 || u == 0x7F) throw LineError{"control character in quoted text"};
    if (c != '\\') {
      out += c;
      continue;
    }
    if (pos >= line.size()) throw LineError{"unterminated escape"};
    char e = line[pos++];
    switch (e) {
      case '"':
      case '\\':
        out += e;
        break;
      case 'n':
        out += '\n';
        break;
      case 'r':
        out += '\r';
        break;
      case 't':
        out += '\t';
        break;
      case 'x': {
        if (pos + 2 > line.size()) throw LineError{"incomplete \\x escape"};
        int hi = HexValue(line[pos]);
        int lo = HexValue(line[pos + 1]);
        if (hi < 0 || lo < 0) throw LineError{"bad \\x escape"};
        out += static_cast<char>(hi * 16 + lo);
        pos += 2;
        break;
      }
      default:
        throw LineError{"unknown escape"};
    }
  }
}

bool ReadCount(std::string_view text, size_t& value) {
  if (text.empty() || text.size() > 18) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string Tree::ToText() const {
  std::string out(kHeader);
  out += '\n';
  size_t sections = 0;
  size_t values = 0;
  for (const auto& [folded, key] : keys_) {
    bool isRoot = key.path.find('\\') == std::string::npos;
    if (isRoot && key.values.empty()) continue;
    out += '[' + key.path + "]\n";
    ++sections;
    for (const auto& [foldedName, value] : key.values) {
      if (value.name.empty()) {
        out += '@';
      } else {
        AppendQuoted(out, value.name);
      }
      if (value.type == Type::String) {
        out += "=sz:";
        AppendQuoted(out, value.text);
      } else {
        char hex[16];
        std::snprintf(hex, sizeof hex, "=dword:%08X", static_cast<unsigned>(value.dword));
        out += hex;
      }
      out += '\n';
      ++values;
    }
  }
  out += std::string(kEnd) + std::to_string(sections) + ' ' + std::to_string(values) + '\n';
  return out;
}

Tree Tree::FromText(std::string_view text, const std::string& source) {
  Tree tree;
  size_t lineNumber = 0;
  auto fail = [&](const std::string& what) {
    return RegistryError(source + ":" + std::to_string(lineNumber) + ": " + what);
  };
  if (text.empty())
    throw RegistryError(source + ": empty file (expected \"" + std::string(kHeader) + "\")");

  std::set<std::string> sectionsSeen;
  size_t values = 0;
  Key* current = nullptr;
  size_t pos = 0;
  bool ended = false;
  while (pos < text.size()) {
    ++lineNumber;
    size_t newline = text.find('\n', pos);
    if (newline == std::string_view::npos) {
      throw fail("truncated: the last line is incomplete");
    }
    std::string_view line = text.substr(pos, newline - pos);
    pos = newline + 1;
    if (ended) throw fail("text after the end marker");
    try {
      if (lineNumber == 1) {
        if (line != kHeader)
          throw LineError{"not a registry file (expected \"" + std::string(kHeader) + "\")"};
        continue;
      }
      if (line.substr(0, kEnd.size()) == kEnd) {
        std::string_view counts = line.substr(kEnd.size());
        size_t space = counts.find(' ');
        size_t expectedSections = 0;
        size_t expectedValues = 0;
        if (space == std::string_view::npos ||
            !ReadCount(counts.substr(0, space), expectedSections) ||
            !ReadCount(counts.substr(space + 1), expectedValues)) {
          throw LineError{"malformed end marker"};
        }
        if (expectedSections != sectionsSeen.size() || expectedValues != values) {
          throw LineError{"end marker counts " + std::to_string(expectedSections) + " keys and " +
                          std::to_string(expectedValues) + " values, the file holds " +
                          std::to_string(sectionsSeen.size()) + " and " + std::to_string(values)};
        }
        ended = true;
        continue;
      }
      if (!line.empty() && line.front() == '[') {
        if (line.size() < 2 || line.back() != ']') throw LineError{"malformed key line"};
        std::string_view path = line.substr(1, line.size() - 2);
        size_t slash = path.find('\\');
        std::string_view rootName = path.substr(0, slash);
        auto root = RootFromName(rootName);
        if (!root || rootName != RootName(*root)) throw LineError{"unknown root key"};
        std::string_view rest =
            slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
        if (slash != std::string_view::npos && rest.empty()) throw LineError{"empty key name"};
        if (!rest.empty() && (rest.front() == '\\' || rest.back() == '\\'))
          throw LineError{"empty key name"};
        if (!sectionsSeen.insert(FoldedPath(*root, rest)).second)
          throw LineError{"key listed twice"};
        current = &tree.Create(*root, rest);
        continue;
      }
      // A value line: @ or "name", then =sz:"text" or =dword:XXXXXXXX.
      if (current == nullptr) throw LineError{"value before the first key"};
      size_t at = 0;
      std::string name;
      if (!line.empty() && line.front() == '@') {
        at = 1;
      } else {
        name = ReadQuoted(line, at);
        if (name.empty()) throw LineError{"the default value is written @"};
      }
      Value value;
      value.name = name;
      std::string_view rest = line.substr(at);
      if (rest.substr(0, 4) == "=sz:") {
        size_t textPos = at + 4;
        value.text = ReadQuoted(line, textPos);
        if (textPos != line.size()) throw LineError{"text after the value"};
      } else if (rest.substr(0, 7) == "=dword:") {
        std::string_view hex = rest.substr(7);
        if (hex.size() != 8) throw LineError{"a DWORD has eight hexadecimal digits"};
        for (char c : hex) {
          int digit = HexValue(c);
          if (digit < 0) throw LineError{"a DWORD has eight hexadecimal digits"};
          value.dword = value.dword << 4 | static_cast<uint32_t>(digit);
        }
        value.type = Type::Dword;
      } else {
        throw LineError{"malformed value line"};
      }
      if (!current->values.try_emplace(FoldCase(name), std::move(value)).second) {
        throw LineError{"value listed twice"};
      }
      ++values;
    } catch (const LineError& e) {
      throw fail(e.what);
    } catch (const RegistryError& e) {
      throw fail(e.what());
    }
  }
  if (!ended) {
    ++lineNumber;
    throw fail("truncated: the end marker is missing");
  }
  return tree;
}

}  // namespace platform::registry
