// The statement journal: every SQL text sent, as received, with its bind
// values. Tests read it through the ociStandin_ exports.
#pragma once

#include <deque>
#include <string>
#include <vector>

namespace ocistandin {

struct JournalEntry {
  std::string sql;
  std::vector<std::string> binds;  // "NAME=value", per iteration for array DML
};

void recordStatement(JournalEntry entry);
// Records a session begin as "SESSION BEGIN user=NAME credt=N mode=N", with
// " pool=NAME" after it for a session a session pool made. The user name is
// shown as Oracle matches it (upper case unless quoted) and cut at a "/":
// what follows may be a password, which never enters the journal.
void recordSessionBegin(const std::string& username, unsigned credentials, unsigned mode,
                        const std::string& poolName = {});
// A deque: dropping the oldest line of a full journal is constant time.
std::deque<JournalEntry>& journalEntries();

}  // namespace ocistandin
