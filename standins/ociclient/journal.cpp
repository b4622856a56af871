#include "journal.h"

#include <cctype>

#include "errors.h"
#include "handles.h"
#include "ociclient_testing.h"

#include "platform/text.h"

namespace ocistandin {

std::deque<JournalEntry>& journalEntries() {
  static std::deque<JournalEntry> entries;
  return entries;
}

void recordStatement(JournalEntry entry) {
  auto& entries = journalEntries();
  // Bounded so that a long-running process does not grow without limit.
  if (entries.size() >= 10000) entries.pop_front();
  entries.push_back(std::move(entry));
}

void recordSessionBegin(const std::string& username, unsigned credentials, unsigned mode,
                        const std::string& poolName) {
  std::string user = username.substr(0, username.find('/'));
  if (user.empty() || user.front() != '"') user = platform::UpperAscii(user);
  recordStatement({"SESSION BEGIN user=" + user + " credt=" + std::to_string(credentials) +
                       " mode=" + std::to_string(mode) +
                       (poolName.empty() ? "" : " pool=" + poolName),
                   {}});
}

}  // namespace ocistandin

using namespace ocistandin;

extern "C" {

int ociStandin_JournalSize(void) {
  std::lock_guard lock(apiMutex());
  return static_cast<int>(journalEntries().size());
}

const char* ociStandin_JournalSql(int index) {
  std::lock_guard lock(apiMutex());
  const auto& entries = journalEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return nullptr;
  return entries[static_cast<size_t>(index)].sql.c_str();
}

int ociStandin_JournalBindCount(int index) {
  std::lock_guard lock(apiMutex());
  const auto& entries = journalEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return -1;
  return static_cast<int>(entries[static_cast<size_t>(index)].binds.size());
}

const char* ociStandin_JournalBind(int index, int bind) {
  std::lock_guard lock(apiMutex());
  const auto& entries = journalEntries();
  if (index < 0 || index >= static_cast<int>(entries.size())) return nullptr;
  const auto& binds = entries[static_cast<size_t>(index)].binds;
  if (bind < 0 || bind >= static_cast<int>(binds.size())) return nullptr;
  return binds[static_cast<size_t>(bind)].c_str();
}

void ociStandin_JournalClear(void) {
  std::lock_guard lock(apiMutex());
  journalEntries().clear();
}

void ociStandin_FailNextCall(int oraCode, const char* message) {
  std::lock_guard lock(apiMutex());
  injectError(oraCode, message != nullptr ? message : standardText(oraCode));
}

void ociStandin_FailStatements(const char* fragment, int oraCode, const char* message) {
  std::lock_guard lock(apiMutex());
  injectStatementError(fragment != nullptr ? fragment : "", oraCode,
                       message != nullptr ? message : standardText(oraCode));
}

void ociStandin_ClearFailure(void) {
  std::lock_guard lock(apiMutex());
  clearInjectedError();
}

}  // extern "C"
