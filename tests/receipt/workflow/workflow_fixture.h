#pragma once
// Shared set-up of the sale workflow tests: the stand-in receipt service over
// TLS (its authority trusted through NORVANE_CA_BUNDLE), a private working
// folder holding the traffic log and the queue folder, the application log in
// a private folder (to count the posts), and a customer with a card number as
// loyalty number (to see it masked).

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "common/app_log_capture.h"
#include "common/file_text.h"
#include "common/temp_folder.h"
#include "foundation/prefs_records.h"
#include "receipt_service.h"
#include "test_certificates.h"

namespace workflowtest {

namespace fs = std::filesystem;

// The certificates of this test program, made once.
const receiptservice::TestCertificates& TestCertificates();

using testsupport::ReadFileText;

class WorkflowFixture : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Queue files written so far.
  std::vector<fs::path> QueueFiles() const;
  // The traffic log ("" when nothing was written).
  std::string TrafficLog() const;
  // How many posts SendXML made.
  size_t Posts() const;
  // A receipt request of a prepared sale paid by card.
  std::string ReceiptRequest();

  testsupport::TempFolder temp_{"norvane_workflow"};
  fs::path root_;
  fs::path queue_;
  fs::path savedCwd_;
  foundation::TMainPrefs savedPrefs_;
  std::unique_ptr<testsupport::AppLogCapture> log_;
  std::unique_ptr<receiptservice::ReceiptService> service_;
};

// A Luhn-valid card number used as the customer's loyalty number.
inline constexpr const char* kCardNumber = "4111111111111111";

}  // namespace workflowtest
