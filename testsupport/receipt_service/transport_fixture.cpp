#include "receipt_service/transport_fixture.h"

#include "common/certificate_environment.h"

namespace transporttest {

namespace {

const auto* const kEnvironment = testsupport::AddCertificateEnvironment("norvane_tls");

const bool kQtApp = testsupport::InstallQtApplication();

}  // namespace

const receiptservice::TestCertificates& TestCertificates() {
  return kEnvironment->Certificates();
}

}  // namespace transporttest
