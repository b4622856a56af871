#pragma once
// The part of the plug-in root class that does not depend on which host
// interface a plug-in implements: the root's fields, the base initialisation
// and the per-plug-in debug log (off unless a level is set).

#include <cstdint>
#include <memory>
#include <string>

#include "host_interfaces/host_interfaces.h"
#include "hostplugin/tlogger.h"
#include "platform/com/com_ptr.h"

namespace hostplugin {

// Debug-log line types (WriteLog's second argument). Types 0, 7, 10, 11 and
// anything above are written whatever the level.
enum LogType : int {
  ltStartLogging = 0,
  ltInterface = 1,
  ltMethod = 2,
  ltCheckpoint = 3,
  ltData = 4,
  ltListData = 5,
  ltInfo = 6,
  ltError = 7,
  ltSystem = 8,
  ltInternal = 9,
  ltStopLogging = 10,
  ltFileClosed = 11,
};

// The 20-character prefix of a line type; empty for 12 and above.
const char* LogTypePrefix(int type);

class PluginCore {
 public:
  PluginCore() = default;
  virtual ~PluginCore() = default;
  PluginCore(const PluginCore&) = delete;
  PluginCore& operator=(const PluginCore&) = delete;

  // The class's name as used in log lines and messages.
  virtual const char* ClassName() const { return "TCustomAbstractPlugin"; }

  // 0 switches the debug log off; from 0 to another level it is created, from
  // a level to 0 it is closed; a change between two non-zero levels is
  // ignored.
  void SetLogLevel(uint8_t level);
  uint8_t LogLevel() const { return FLogLevel; }
  // FLogName, or "CustomPlugin" when it is empty.
  std::string GetLogName();
  void CreateLog();
  void CloseLog();
  TLogger* Logger() const { return FLogger.get(); }

  // One line: time "yyyy.mm.dd.hh.nn.ss.zzz", the type's prefix, the text.
  void WriteLog(const std::string& text, int type, int level);
  // " name.....(40 wide) = < value >" through WriteLog.
  void LogData(const std::string& name, const std::string& value, int type, int level);
  void LogData(const std::string& name, const char* value, int type, int level);
  void LogData(const std::string& name, int32_t value, int type, int level);
  void LogData(const std::string& name, bool value, int type, int level);

 protected:
  // The base initialisation of every plug-in.
  void InitializeFields();
  // The base clean-up: note it in the debug log, free the logger, drop the
  // adapter.
  void CleanUpFields();

  uint8_t FLogLevel = 0;
  ComPtr<IPluginAdapter> FAdapter;
  std::string FDescription;
  bool FEnabled = false;
  GUID FGUID = GUID_NULL;
  int32_t FPriority = ppNormal;
  std::string FLogName;
  std::unique_ptr<TLogger> FLogger;

 private:
  bool ShouldLogData(int type, int level) const;
};

}  // namespace hostplugin
