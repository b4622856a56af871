#pragma once
// Shared set-up of the request and response tests: a private working folder
// (the traffic log is written below it), the application log running in it at
// the most detailed level, known settings and empty sale records.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "common/app_log_capture.h"
#include "common/file_text.h"
#include "common/temp_folder.h"
#include "foundation/prefs_records.h"
#include "foundation/vesk_log.h"
#include "receipt/records.h"
#include "receipt/soap_responses.h"

namespace soaptest {

namespace fs = std::filesystem;

using testsupport::ReadFileText;

inline size_t CountOf(const std::string& hay, const std::string& needle) {
  size_t n = 0;
  for (size_t at = hay.find(needle); at != std::string::npos; at = hay.find(needle, at + 1)) ++n;
  return n;
}

class SoapFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    savedMain_ = foundation::MainPrefs;
    savedStore_ = foundation::StorePrefs;
    root_ = temp_.Path();
    fs::create_directories(root_ / "VeskRcpts");
    oldCwd_ = fs::current_path();
    fs::current_path(root_);
    log_.emplace("Soap");
    ResetRecords();
    // A loaded card list keeps message building from reading settings files.
    foundation::MainPrefs.Cards = {"VISA=Visa"};
    foundation::MainPrefs.MerchID = "M-1001";
    foundation::StorePrefs = {"Main Street Store", "12 Main St", "Springfield", "OR", "97477",
                              "541-555-0100"};
  }

  void TearDown() override {
    log_.reset();
    fs::current_path(oldCwd_);
    foundation::MainPrefs = savedMain_;
    foundation::StorePrefs = savedStore_;
    ResetRecords();
  }

  static void ResetRecords() {
    receipt::ResetTransControl();
    receipt::ResetAuth();
    receipt::ResetReceipt();
    receipt::LastRequest.clear();
  }

  // Everything the application log wrote so far.
  std::string AppLog() { return log_->Text(); }

  std::string TrafficLog() const { return ReadFileText(root_ / foundation::kVeskLogPath); }

  testsupport::TempFolder temp_{"norvane_soap"};
  fs::path root_;
  fs::path oldCwd_;
  std::optional<testsupport::AppLogCapture> log_;
  foundation::TMainPrefs savedMain_;
  foundation::TStorePrefs savedStore_;
};

}  // namespace soaptest
