#include "oracle/session/sql_monitor.h"

#include <memory>
#include <mutex>

namespace oracle {

namespace {

struct MonitorGlobals {
  std::mutex mutex;
  std::shared_ptr<const SQLMonitorHook> hook;
  std::atomic<bool> active{false};
  std::atomic<std::int64_t> lastId{0};
};

MonitorGlobals& M() {
  static MonitorGlobals globals;
  return globals;
}

}  // namespace

void SetSQLMonitorHook(SQLMonitorHook hook) {
  std::lock_guard lock(M().mutex);
  M().hook = hook ? std::make_shared<const SQLMonitorHook>(std::move(hook)) : nullptr;
  M().active = M().hook != nullptr;
}

bool SQLMonitorActive() {
  return M().active.load(std::memory_order_relaxed);
}

void NotifySQLMonitor(const TMonitorNotice& notice) {
  std::shared_ptr<const SQLMonitorHook> hook;
  {
    std::lock_guard lock(M().mutex);
    hook = M().hook;
  }
  // Called outside the lock: the hook may itself set another one.
  if (hook) (*hook)(notice);
}

const std::string& TMonitorId::Get() {
  if (id_.empty()) id_ = kind_ + std::to_string(++M().lastId);
  return id_;
}

void TMonitorId::Trace(const TOracleSession* session, std::string text) {
  if (!SQLMonitorActive()) return;
  TMonitorNotice notice;
  notice.kind = TMonitorNotice::TKind::kTrace;
  notice.id = Get();
  notice.session = session;
  notice.text = std::move(text);
  NotifySQLMonitor(notice);
}

void TMonitorId::Unregister(const TOracleSession* session) {
  // Only an object that reported is known to the monitor.
  if (!SQLMonitorActive() || id_.empty()) return;
  TMonitorNotice notice;
  notice.kind = TMonitorNotice::TKind::kUnregister;
  notice.id = id_;
  notice.session = session;
  NotifySQLMonitor(notice);
}

}  // namespace oracle
