#include "foundation/kw_logger.h"

#include <cxxabi.h>
#include <sys/stat.h>
#include <cstdlib>
#include <typeinfo>

#include "foundation/log.h"
#include "foundation/machine_info.h"
#include "foundation/os_version.h"

namespace foundation {
namespace {

constexpr auto kStopTimeout = std::chrono::seconds(10);

}  // namespace

std::string ExceptionClassName(const std::exception& e) {
  const char* mangled = typeid(e).name();
  int status = 0;
  char* demangled = abi::__cxa_demangle(mangled, nullptr, nullptr, &status);
  std::string name = (status == 0 && demangled != nullptr) ? demangled : mangled;
  std::free(demangled);
  return name;
}

TKWLogger::TKWLogger(std::string baseName, bool timeStamped, LogConfig config)
    : baseName_(std::move(baseName)),
      timeStamped_(timeStamped),
      config_(std::move(config)),
      level_(config_.level),
      debugOn_(config_.debugOn) {}

TKWLogger::~TKWLogger() {
  Stop();
}

void TKWLogger::Start() {
  if (thread_) return;
  try {
    // Owner-only: the log may tell more about the shop than others should see.
    // A failure shows later as lines that cannot be written.
    ::mkdir(config_.folder.c_str(), 0700);
    auto output = std::make_unique<TLogOutput>(config_.folder, baseName_, timeStamped_, LogNow());
    thread_ = std::make_unique<TLogThread>(std::move(output), config_.folder, baseName_,
                                           config_.queueLimit, config_.queueBytes);
    active_.store(true, std::memory_order_release);
    WriteStartHeader();
  } catch (...) {
    // The log stays as far as it got; logging never takes the host down.
  }
}

void TKWLogger::WriteStartHeader() {
  const std::string rule(86, '=');
  Info("");
  Info(rule);
  Info("START OF LOG");
  Info(rule);
  Info("");
  Info("LogLevel = " + std::to_string(Level()));
  Info("");
  try {
    Info("Language : " + SystemLanguageName());
    Info("Locale   : " + SystemLocaleLanguageEnglish());
    ComputerIdentity id = GetComputerIdentity();
    Info("Computer : " + id.computerName);
    Info("Domain   : " + id.domainName);
    if (config_.machineInfo) {
      for (const std::string& line : MachineBlockLines()) Info(line);
    }
  } catch (...) {
    Info("*** full system information could not be obtained ***");
  }
  Info("");
  Info(GetWindowsVersionText());
}

void TKWLogger::Stop() {
  active_.store(false, std::memory_order_release);
  if (thread_) {
    thread_->Stop(kStopTimeout);
    thread_.reset();
  }
}

void TKWLogger::Log(int level, std::string_view text, std::string_view levelText,
                    std::string_view tag) {
  if (level_.load(std::memory_order_relaxed) < level) return;
  if (!active_.load(std::memory_order_acquire) || !thread_) return;
  thread_->Enqueue(FormatLogEntry(levelText, tag, text));
}

void TKWLogger::Enter(int level, std::string_view tag) {
  Log(level, "BEGIN", kLevelEnter, tag);
}

void TKWLogger::Leave(int level, std::string_view tag) {
  Log(level, "END", kLevelExit, tag);
}

void TKWLogger::Debug(std::string_view text, std::string_view tag) {
  if (DebugOn()) Log(9, text, kLevelDebug, tag);
}

void TKWLogger::Error(const std::exception& e, std::string_view place) {
  std::string text = ExceptionClassName(e);
  if (!place.empty()) {
    text += " in ";
    text += place;
    text += ": ";
    text += e.what();
  }
  Log(0, text, kLevelError, "");
}

void TKWLogger::SetLevel(int level) {
  level_.store(level, std::memory_order_relaxed);
  if (level != 0) Info("LogLevel set to " + std::to_string(level));
}

bool TKWLogger::WaitIdle(std::chrono::milliseconds timeout) {
  return !thread_ || thread_->WaitIdle(timeout);
}

}  // namespace foundation
