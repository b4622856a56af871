#include "hostplugin/plugin_core.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <filesystem>

#include "hostplugin/host_folders.h"
#include "hostplugin/message_box.h"

namespace hostplugin {
namespace {

std::tm LocalTime(std::time_t t) {
  std::tm tm{};
  localtime_r(&t, &tm);
  return tm;
}

// "yyyy.mm.dd.hh.nn.ss.zzz" of the current local time.
std::string LineTime() {
  auto now = std::chrono::system_clock::now();
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()) % 1000;
  std::tm tm = LocalTime(std::chrono::system_clock::to_time_t(now));
  char buf[80];
  std::snprintf(buf, sizeof buf, "%04d.%02d.%02d.%02d.%02d.%02d.%03d", tm.tm_year + 1900,
                tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec,
                static_cast<int>(ms.count()));
  return buf;
}

std::string FileDate() {
  std::tm tm = LocalTime(std::time(nullptr));
  char buf[48];
  std::snprintf(buf, sizeof buf, "%02d%02d%02d", tm.tm_year % 100, tm.tm_mon + 1, tm.tm_mday);
  return buf;
}

std::string DataText(const std::string& name, const std::string& value) {
  std::string padded = name;
  if (padded.size() < 40) padded.resize(40, ' ');
  return " " + padded + " = < " + value + " >";
}

}  // namespace

const char* LogTypePrefix(int type) {
  static constexpr const char* kPrefixes[] = {
      "**  Start Logging | ", "  ->  Interface   | ", "  <>  Method      | ",
      "  []  Checkpoint  | ", "      Data        | ", "      List Data   | ",
      "      Info.       | ", "  ER  ERROR       | ", "      System      | ",
      "      Internal    | ", "**  Stop Logging  | ", "**  File Closed   | ",
  };
  if (type < 0 || type >= static_cast<int>(std::size(kPrefixes))) return "";
  return kPrefixes[type];
}

void PluginCore::InitializeFields() {
  FAdapter.Reset();
  FEnabled = true;
  FPriority = ppNormal;
  SetLogLevel(0);
  FDescription = "TCustomAbstractPlugin";
  FLogName.clear();
}

void PluginCore::CleanUpFields() {
  WriteLog("TCustomAbstractPlugin.CleanUp: FAdapter := nil;", ltData, 5);
  FLogger.reset();
  FAdapter.Reset();
}

void PluginCore::SetLogLevel(uint8_t level) {
  if (FLogLevel == 0 && level != 0) {
    FLogLevel = level;
    CreateLog();
  } else if (FLogLevel != 0 && level == 0) {
    CloseLog();
    FLogLevel = 0;
  }
}

std::string PluginCore::GetLogName() {
  if (FLogName.empty()) FLogName = "CustomPlugin";
  return FLogName;
}

void PluginCore::CreateLog() {
  std::string fileName;
  try {
    bool created = false;
    std::filesystem::path folder = std::filesystem::path(GetWorkstationConfigDir(created)) / "Logs";
    std::filesystem::create_directories(folder);
    fileName = (folder / (GetLogName() + "_" + FileDate() + ".LOG")).string();
    if (!FLogger) FLogger = std::make_unique<TLogger>();
    FLogger->SetFileName(fileName);
    FLogger->Active = true;
    FLogger->DateStampMode = 0;
    FLogger->TimeStampMode = 0;
  } catch (const std::exception& error) {
    ShowMessageBox("CreateLog: Exception[" + ExceptionClassName(error) + "] " + error.what() +
                   " - " + fileName);
  }
}

void PluginCore::CloseLog() {
  FLogger.reset();
}

void PluginCore::WriteLog(const std::string& text, int type, int level) {
  if (FLogLevel == 0 || !FLogger) return;
  bool always = type == ltStartLogging || type == ltError || type >= ltStopLogging;
  if (!always && FLogLevel < level) return;
  FLogger->WriteLine(LineTime() + LogTypePrefix(type) + text);
}

bool PluginCore::ShouldLogData(int type, int level) const {
  return FLogLevel >= level || type == ltError;
}

void PluginCore::LogData(const std::string& name, const std::string& value, int type, int level) {
  if (!ShouldLogData(type, level)) return;
  WriteLog(DataText(name, value), type, level);
}

void PluginCore::LogData(const std::string& name, const char* value, int type, int level) {
  LogData(name, std::string(value ? value : ""), type, level);
}

void PluginCore::LogData(const std::string& name, int32_t value, int type, int level) {
  if (!ShouldLogData(type, level)) return;
  WriteLog(DataText(name, std::to_string(value)), type, level);
}

void PluginCore::LogData(const std::string& name, bool value, int type, int level) {
  LogData(name, std::string(value ? "True" : "False"), type, level);
}

}  // namespace hostplugin
