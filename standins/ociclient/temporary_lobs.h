// The temporary LOBs of one session: values that live in the session's
// memory from OCILobCreateTemporary until OCILobFreeTemporary or the end of
// the session. A process-wide count of the live ones serves the test hook.
#pragma once

#include <map>
#include <string>

namespace ocistandin {

struct TemporaryLobs {
  TemporaryLobs() = default;
  ~TemporaryLobs();
  TemporaryLobs(const TemporaryLobs&) = delete;
  TemporaryLobs& operator=(const TemporaryLobs&) = delete;

  // A new empty value; answers its id (never 0).
  long long create();
  // The value of a live id, else null.
  std::string* find(long long id);
  // Frees a value; false when the id is not live.
  bool free(long long id);

 private:
  std::map<long long, std::string> values_;
  long long next_ = 1;
};

// Temporary LOBs alive in all sessions of the process.
int liveTemporaryLobs();

}  // namespace ocistandin
