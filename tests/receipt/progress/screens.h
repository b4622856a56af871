#pragma once
// Where the dialog tests save their screenshots, for a person to look at.

#include <QString>
#include <filesystem>

namespace progresstest {

inline QString ScreenshotPath(const char* name) {
  const auto folder = std::filesystem::temp_directory_path() / "norvane_receipt_screens";
  std::filesystem::create_directories(folder);
  return QString::fromStdString((folder / name).string());
}

}  // namespace progresstest
