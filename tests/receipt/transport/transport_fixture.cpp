#include "transport_fixture.h"

namespace transporttest {

namespace {

class CertificateEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    set_ = receiptservice::MakeTestCertificates(
        (fs::temp_directory_path() / ("norvane_tls_" + std::to_string(::getpid()))).string());
  }
  void TearDown() override {
    if (!set_.folder.empty()) fs::remove_all(set_.folder);
  }
  receiptservice::TestCertificates set_;
};

CertificateEnvironment* const kEnvironment = [] {
  auto* env = new CertificateEnvironment;
  ::testing::AddGlobalTestEnvironment(env);
  return env;
}();

const bool kQtApp = testsupport::InstallQtApplication();

}  // namespace

const receiptservice::TestCertificates& TestCertificates() {
  return kEnvironment->set_;
}

}  // namespace transporttest
