#pragma once
// The application log started in a private temporary folder for the life of
// the object (machine facts left out), so a test can read what was logged.

#include <chrono>
#include <filesystem>
#include <string>

#include "common/file_text.h"
#include "common/temp_folder.h"
#include "foundation/log.h"

namespace testsupport {

class AppLogCapture {
 public:
  explicit AppLogCapture(const std::string& name, int level = 9, bool debug = false)
      : temp_("norvane_log_" + name) {
    foundation::SetLogFolder(temp_.Path().string() + "/");
    foundation::SetMachineInfoLogging(false);
    foundation::SetLogLevel(level);
    if (debug) foundation::SetDebugLogging(true);
    foundation::StartLogging(name, false);
  }
  ~AppLogCapture() { foundation::StopLogging(); }
  AppLogCapture(const AppLogCapture&) = delete;
  AppLogCapture& operator=(const AppLogCapture&) = delete;

  const std::filesystem::path& Folder() const { return temp_.Path(); }

  // Everything logged so far, once the writer has caught up.
  std::string Text() const {
    foundation::WaitForLogWriter(std::chrono::seconds(30));
    std::string all;
    for (const auto& entry : std::filesystem::directory_iterator(temp_.Path())) {
      all += ReadFileText(entry.path());
    }
    return all;
  }

 private:
  TempFolder temp_;
};

}  // namespace testsupport
