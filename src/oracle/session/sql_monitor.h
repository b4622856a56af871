#pragma once
// The hook through which queries, LOB locators, objects, references and
// datasets report to an SQL monitor, beside the session's own trace hook
// (session.h). No hook is set unless an application sets one; every report
// then costs one test of an atomic flag.
//
// Each reporting object has a monitor id made on first use: its kind and a
// process-wide number ("Query1", "LOBLocator3", "OracleObject2",
// "OracleReference1", "DataSet4").

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace oracle {

class TOracleSession;

struct TMonitorNotice {
  enum class TKind {
    kStart,       // an activity begins: text, statement and variables (a query's run)
    kEnd,         // it ends: text (" (n records processed)" or empty), rows, error code
    kTrace,       // one-off activity: text ("LOB.Read(10)", "Object.Create(...)")
    kRegister,    // the object starts reporting (a dataset opening; text: its name)
    kUnregister,  // the object is gone or closed
  };
  TKind kind = TKind::kTrace;
  std::string id;
  const TOracleSession* session = nullptr;
  std::string text;
  std::string statement;
  // Name and value as text of each bind variable.
  std::vector<std::pair<std::string, std::string>> variables;
  std::int32_t rows = 0;
  std::int32_t errorCode = 0;
  // kRegister: the kind of object (kMonitorDataSetKind).
  int objectKind = 0;
};

// Kind a dataset registers with.
inline constexpr int kMonitorDataSetKind = 3;

using SQLMonitorHook = std::function<void(const TMonitorNotice&)>;
// Sets the hook (null removes it).
void SetSQLMonitorHook(SQLMonitorHook hook);
// Whether a hook is set: callers build their notices only then.
bool SQLMonitorActive();
void NotifySQLMonitor(const TMonitorNotice& notice);

// One object's monitor id, made on first use.
class TMonitorId {
 public:
  explicit TMonitorId(std::string_view kind) : kind_(kind) {}
  const std::string& Get();
  // Forgets the id (a query moved to another session gets a new one).
  void Clear() { id_.clear(); }
  bool Made() const { return !id_.empty(); }

  // Reports through this id when a hook is set.
  void Trace(const TOracleSession* session, std::string text);
  void Unregister(const TOracleSession* session);

 private:
  std::string kind_;
  std::string id_;
};

}  // namespace oracle
