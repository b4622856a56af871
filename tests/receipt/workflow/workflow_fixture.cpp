#include "workflow_fixture.h"

#include "common/certificate_environment.h"
#include "receipt/https_transport.h"
#include "receipt/progress_window.h"
#include "receipt/receipt_preparation.h"
#include "receipt/records.h"
#include "receipt/soap_messages.h"
#include "sales/invoice_builder.h"
#include "scripted_user/qt_test_app.h"

namespace workflowtest {

namespace {

const auto* const kEnvironment = testsupport::AddCertificateEnvironment("norvane_wf_tls");

const bool kQtApp = testsupport::InstallQtApplication();

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

const receiptservice::TestCertificates& TestCertificates() {
  return kEnvironment->Certificates();
}

void WorkflowFixture::SetUp() {
  savedPrefs_ = foundation::MainPrefs;
  savedCwd_ = fs::current_path();
  root_ = temp_.Path();
  fs::create_directories(root_ / "VeskRcpts");
  queue_ = root_ / "queue";
  fs::create_directories(queue_);
  fs::current_path(root_);
  log_ = std::make_unique<testsupport::AppLogCapture>("workflow", 9, true);

  service_ = std::make_unique<receiptservice::ReceiptService>(TestCertificates());
  service_->Start();
  ::setenv(receipt::kCaBundleEnvironment, TestCertificates().caCert.c_str(), 1);

  auto& prefs = foundation::MainPrefs;
  prefs.URL = service_->Url();
  prefs.Timeout = 20;
  prefs.MerchID = "M-1001";
  prefs.QueueDirectory = queue_.string();
  prefs.Cards = {"VISA=Visa"};

  receipt::ResetTransControl();
  receipt::ResetAuth();
  receipt::ResetReceipt();
  receipt::fAuth.EmailAddress = "jane@example.com";
  receipt::fAuth.LoyaltyCardNumber = kCardNumber;
  receipt::fAuth.MerchantID = "M-1001";
  receipt::fDRcpt.POSID = "03";  // the sale's workstation 3, padded for the service
  receipt::LastHTTPCode = 0;
  receipt::LastCommError.clear();
}

void WorkflowFixture::TearDown() {
  receipt::CloseNM();
  service_->Stop();
  ::unsetenv(receipt::kCaBundleEnvironment);
  log_.reset();
  fs::current_path(savedCwd_);
  foundation::MainPrefs = savedPrefs_;
  receipt::ResetTransControl();
  receipt::ResetAuth();
  receipt::ResetReceipt();
}

std::vector<fs::path> WorkflowFixture::QueueFiles() const {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(queue_)) {
    if (entry.path().extension() == ".xml") files.push_back(entry.path());
  }
  return files;
}

std::string WorkflowFixture::TrafficLog() const {
  const fs::path path = root_ / "VeskRcpts" / "VeskRcpt.log";
  return fs::exists(path) ? ReadFileText(path) : "";
}

size_t WorkflowFixture::Posts() const {
  return Count(log_->Text(), "Calling POST");
}

std::string WorkflowFixture::ReceiptRequest() {
  auto invoice = preparationtest::SaleInvoice();
  preparationtest::AddFields(*invoice, {{"Invc Total", 20.0}, {"Subtotal w/o tax", 20.0}});
  preparationtest::AddItem(*invoice, "Boots", 1, 20.0);
  preparationtest::AddCardTender(*invoice, 20.0);
  receipt::PrepareDigitalReceipt(*invoice, false);
  EXPECT_FALSE(receipt::FTransControl.NoVesk);
  return receipt::ConstructMessage(*invoice);
}

}  // namespace workflowtest
