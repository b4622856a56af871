#include "foundation/log_entry.h"

#include "foundation/log.h"

namespace foundation {

std::string FormatLogEntry(std::string_view levelText, std::string_view tag,
                           std::string_view text) {
  std::string line;
  line.reserve(levelText.size() + kLogTagWidth + 3 + text.size());
  line.append(levelText);
  line.push_back('|');
  tag = tag.substr(0, kLogTagWidth);
  line.append(tag);
  line.append(kLogTagWidth - tag.size(), ' ');
  line.append("| ");
  line.append(text);
  return line;
}

}  // namespace foundation
