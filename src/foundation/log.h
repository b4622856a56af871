#pragma once
// The process-wide application log. Every part of the system writes through
// KWLog and its companions; lines are queued by the calling thread and written
// to the current log file by one writer thread. Before StartLogging and after
// StopLogging every call does nothing. No call ever raises to its caller.

#include <chrono>
#include <cstddef>
#include <exception>
#include <string>

namespace foundation {

// Level texts, nine characters each.
inline constexpr const char* kLevelInfo = " INFO    ";
inline constexpr const char* kLevelError = " ERROR   ";
inline constexpr const char* kLevelDebug = " DEBUG   ";
inline constexpr const char* kLevelWarning = " WARNING ";
inline constexpr const char* kLevelEnter = " >> ENTER";
inline constexpr const char* kLevelExit = " << EXIT ";

// Width of the tag column.
inline constexpr size_t kLogTagWidth = 50;

// Writes one line when the log is active and its level is >= `level`.
void KWLog(int level, const std::string& text, const std::string& levelText,
           const std::string& tag);

// "BEGIN" with " >> ENTER" and "END" with " << EXIT "; routines trace at level 7.
void LogEnter(int level, const std::string& tag);
void LogExit(int level, const std::string& tag);

// Level 9 with " DEBUG   ", only while debug logging is on.
void LogDebug(const std::string& text, const std::string& tag);

// Level 0 with " ERROR   " and an empty tag: the exception's class name, and
// when `place` is not empty " in " + place + ": " + its message.
void LogException(const std::exception& e, const std::string& place);

// Creates the global log when there is none and starts it: files named
// baseName + "_" + yyyymmdd [+ "_hhnnsszzz" when time-stamped] + ".log" in the
// log folder, and the start header.
void StartLogging(const std::string& baseName, bool timeStamped);

// Stops the global log: every line queued so far is written, the writer thread
// ends (waiting a bounded time for it) and the log is freed.
void StopLogging();

// Sets the level given to new logs and, when the log exists, its level
// (logging "LogLevel set to N" when N is not 0).
void SetLogLevel(int level);

// The log's level, or -1 when there is no log.
int GetLogLevel();

// Switches LogDebug lines on or off, for the current and future logs.
void SetDebugLogging(bool on);
bool GetDebugLogging();

// Whether the start header carries the machine block.
void SetMachineInfoLogging(bool on);
bool GetMachineInfoLogging();

// Reads the "loglevel" and "logmachine" switches of the host's command line
// into the settings above; run once at library start-up, before StartLogging.
void ReadLogCmdLine();

// Four lines about the plug-in (its version, the MSXML versions, the level)
// followed by the plug-in manifests found in the plug-ins folder. Run right
// after StartLogging at library start-up.
void LogEnvironmentSummary();

// Folder of the log files. The initial "logs/" means the host application's
// folder + "logs/", resolved at start. Tests point it elsewhere.
void SetLogFolder(const std::string& folder);
std::string GetLogFolder();

// Upper bound of lines waiting for the writer; beyond it the oldest are dropped
// and one line tells how many. Tests lower it.
inline constexpr size_t kDefaultLogQueueLimit = 1'000'000;
void SetLogQueueLimit(size_t lines);

// Upper bound of the memory the waiting lines take while the log file cannot
// be written; beyond it too the oldest are dropped and counted. Read when a
// log starts.
inline constexpr size_t kDefaultLogQueueBytes = 4u * 1024u * 1024u;
void SetLogQueueBytes(size_t bytes);

// Waits until every line queued so far was handed to the file (or a pass
// failed). True when that happened within `timeout`, or when no log runs.
bool WaitForLogWriter(std::chrono::milliseconds timeout);

}  // namespace foundation
