// The statement journal: every SQL text sent, as received, with its bind
// values. Tests read it through the ociStandin_ exports.
#pragma once

#include <string>
#include <vector>

namespace ocistandin {

struct JournalEntry {
  std::string sql;
  std::vector<std::string> binds;  // "NAME=value", per iteration for array DML
};

void recordStatement(JournalEntry entry);
std::vector<JournalEntry>& journalEntries();

}  // namespace ocistandin
