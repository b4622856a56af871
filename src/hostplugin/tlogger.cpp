#include "hostplugin/tlogger.h"

#include <cerrno>
#include <cstring>
#include <ctime>

#include "platform/process.h"

namespace hostplugin {
namespace {

std::tm LocalNow() {
  std::time_t now = std::time(nullptr);
  std::tm tm{};
  localtime_r(&now, &tm);
  return tm;
}

std::string DateStamp() {
  std::tm tm = LocalNow();
  char buf[32] = {};
  std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
  return buf;
}

std::string TimeStamp() {
  std::tm tm = LocalNow();
  char buf[32] = {};
  std::strftime(buf, sizeof buf, "%H:%M:%S", &tm);
  return buf;
}

}  // namespace

TLogger::TLogger() : file_name_("?") {
  SetFileName("");
}

TLogger::~TLogger() {
  Close();
}

void TLogger::Fail(const std::string& what) {
  if (OnError) OnError(*this, what + " " + file_name_ + ": " + std::strerror(errno));
}

void TLogger::Open() {
  Close();
  if (NewFile) {
    file_ = std::fopen(file_name_.c_str(), "w");
    NewFile = false;
  } else {
    file_ = std::fopen(file_name_.c_str(), "a");
    if (file_ == nullptr) file_ = std::fopen(file_name_.c_str(), "w");
  }
  if (file_ == nullptr) {
    Fail("cannot open");
    return;
  }
  if (OnAfterOpen) OnAfterOpen(*this);
}

void TLogger::Close() {
  if (file_ == nullptr) return;
  bool failed = std::fclose(file_) != 0;
  file_ = nullptr;
  if (failed) Fail("cannot close");
}

void TLogger::WriteLine(const std::string& text) {
  if (!Active) return;
  Open();
  if (file_ == nullptr) return;

  std::string body = text;
  if (FixedWidth != 0) body.resize(FixedWidth, ' ');
  std::string front;
  std::string back;
  if (DateStampMode == 1) front += "[" + DateStamp() + "] ";
  if (DateStampMode == 2) back += " [" + DateStamp() + "]";
  if (TimeStampMode == 1) front += "[" + TimeStamp() + "] ";
  if (TimeStampMode == 2) back += " [" + TimeStamp() + "]";

  std::string line = prefix_ + front + body + back + "\n";
  if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) Fail("cannot write");
  if (OnAfterWrite) OnAfterWrite(*this);
  Close();
}

void TLogger::SetFileName(const std::string& name) {
  std::string wanted = name.empty() ? platform::ExecutablePath() + ".log" : name;
  if (wanted == file_name_) return;
  Close();
  file_name_ = wanted;
}

void TLogger::AddPrefix(const std::string& text) {
  prefix_ += text + " ";
}

}  // namespace hostplugin
