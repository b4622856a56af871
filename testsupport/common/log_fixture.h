#pragma once
// A private log folder and a settable clock for each test, and readers for
// what the log wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "common/file_text.h"
#include "common/temp_folder.h"
#include "foundation/app_folders.h"
#include "foundation/log.h"
#include "foundation/log_time.h"
#include "foundation/os_version.h"
#include "platform/process.h"
#include "platform/wmi.h"

namespace logtest {

namespace fs = std::filesystem;

inline foundation::LogTime At(int y, int mo, int d, int h, int mi, int s, int ms) {
  return foundation::LogTime{y, mo, d, h, mi, s, ms};
}

class LogFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = temp_.Path();
    folder_ = root_.string() + "/logs/";
    foundation::SetLogFolder(folder_);
    foundation::SetLogLevel(1);
    foundation::SetDebugLogging(true);
    foundation::SetMachineInfoLogging(false);
    foundation::SetLogQueueLimit(foundation::kDefaultLogQueueLimit);
    foundation::SetLogQueueBytes(foundation::kDefaultLogQueueBytes);
    SetNow(At(2026, 12, 5, 19, 46, 56, 123));
    foundation::SetLogClock([this] {
      std::lock_guard lock(clockMutex_);
      return now_;
    });
    platform::wmi::SetComputerSystemProvider([] {
      return platform::wmi::ComputerSystem{"till07", "shop.example"};
    });
  }

  void TearDown() override {
    foundation::StopLogging();
    foundation::SetLogClock(nullptr);
    platform::wmi::SetComputerSystemProvider(nullptr);
    platform::SetCommandLineProvider(nullptr);
    platform::SetExecutablePathOverride("");
    foundation::ResetAppFolders();
  }

  // The writer thread reads the clock when it writes a line.
  void SetNow(const foundation::LogTime& t) {
    std::lock_guard lock(clockMutex_);
    now_ = t;
  }

  void Flush() { ASSERT_TRUE(foundation::WaitForLogWriter(std::chrono::seconds(30))); }

  std::vector<std::string> LogFiles() const {
    std::vector<std::string> names;
    if (!fs::exists(folder_)) return names;
    for (const auto& e : fs::directory_iterator(folder_)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }

  // The lines of one log file, split at CR LF.
  std::vector<std::string> Lines(const std::string& name) const {
    std::string all = testsupport::ReadFileText(folder_ + name);
    std::vector<std::string> lines;
    size_t pos = 0;
    while (pos < all.size()) {
      size_t end = all.find("\r\n", pos);
      if (end == std::string::npos) {
        lines.push_back(all.substr(pos));
        break;
      }
      lines.push_back(all.substr(pos, end - pos));
      pos = end + 2;
    }
    return lines;
  }

  // The text column of every line of every file, in file then line order.
  std::vector<std::string> Texts() const {
    std::vector<std::string> texts;
    for (const auto& name : LogFiles()) {
      for (const auto& line : Lines(name)) texts.push_back(TextOf(line));
    }
    return texts;
  }

  static std::string TextOf(const std::string& line) {
    // time (23) + " | " + level (9) + "|" + tag (50) + "| "
    constexpr size_t kTextColumn = 23 + 3 + 9 + 1 + 50 + 2;
    return line.size() >= kTextColumn ? line.substr(kTextColumn) : std::string("<short:") + line;
  }

  static bool Contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
  }

  testsupport::TempFolder temp_{"norvane_log"};
  fs::path root_;
  std::string folder_;
  std::mutex clockMutex_;
  foundation::LogTime now_;
};

}  // namespace logtest
