#pragma once
// Shared set-up of the transport tests: one set of test certificates per
// program (made with the openssl tool in a temporary folder), a running
// stand-in service per test whose authority is trusted through
// NORVANE_CA_BUNDLE, the application log in a private folder, and a short
// send time-out.

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

#include "common/app_log_capture.h"
#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt/records.h"
#include "receipt_service.h"
#include "scripted_user/qt_test_app.h"
#include "test_certificates.h"

namespace transporttest {

namespace fs = std::filesystem;

using testsupport::ReadFileText;

// The certificates of this test program: made before the first test (in a
// temporary folder) and removed after the last.
const receiptservice::TestCertificates& TestCertificates();

class TransportFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    savedMain_ = foundation::MainPrefs;
    root_ = fs::temp_directory_path() /
            ("norvane_transport_" + std::to_string(::getpid()) + "_" +
             ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root_);
    fs::create_directories(root_);
    log_.emplace("Transport");

    service_ = std::make_unique<receiptservice::ReceiptService>(TestCertificates());
    service_->Start();
    ::setenv(receipt::kCaBundleEnvironment, TestCertificates().caCert.c_str(), 1);
    foundation::MainPrefs.Timeout = 20;
    receipt::LastHTTPCode = 0;
    receipt::LastCommError = "left from before";
    receipt::ResetTransControl();
  }

  void TearDown() override {
    service_->Stop();
    ::unsetenv(receipt::kCaBundleEnvironment);
    log_.reset();
    fs::remove_all(root_);
    foundation::MainPrefs = savedMain_;
    receipt::ResetTransControl();
  }

  // Everything the application log wrote so far.
  std::string AppLog() { return log_->Text(); }

  fs::path root_;
  std::optional<testsupport::AppLogCapture> log_;
  std::unique_ptr<receiptservice::ReceiptService> service_;
  foundation::TMainPrefs savedMain_;
};

}  // namespace transporttest
