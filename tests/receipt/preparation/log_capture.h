#pragma once
// The application log written into a private folder for the length of one
// test, so a test can read what was logged.

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "foundation/log.h"
#include "support/temp_folder.h"

namespace preparationtest {

class LogCapture {
 public:
  explicit LogCapture(const std::string& name) : temp_("norvane_log_" + name) {
    folder_ = temp_.Path();
    foundation::SetLogFolder(folder_.string() + "/");
    foundation::SetMachineInfoLogging(false);
    foundation::SetLogLevel(9);
    foundation::SetDebugLogging(true);
    foundation::StartLogging("Capture", false);
  }
  ~LogCapture() { foundation::StopLogging(); }
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;

  // Everything logged so far.
  std::string Text() const {
    foundation::WaitForLogWriter(std::chrono::seconds(30));
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(folder_)) {
      std::ifstream in(entry.path(), std::ios::binary);
      all.append(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    return all;
  }

 private:
  testsupport::TempFolder temp_;
  std::filesystem::path folder_;
};

}  // namespace preparationtest
