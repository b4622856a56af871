// TLS peers are verified: an untrusted chain, a certificate for another host
// and a failed handshake all end without a response and with "SSL" in the
// error text (the sale workflow retries exactly those).

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "receipt/https_transport.h"
#include "receipt_service/transport_fixture.h"
#include "sample_receipt.h"

namespace {

using receipt::LastCommError;
using receipt::LastHTTPCode;
using receipt::SendXML;
using receiptservice::AnswerKind;
using transporttest::ReadFileText;
using transporttest::TransportFixture;

class TlsFailureTest : public TransportFixture {
 protected:
  void ExpectTlsFailure(const std::string& response) {
    EXPECT_EQ(LastHTTPCode, -1);
    EXPECT_NE(LastCommError.find("SSL"), std::string::npos) << LastCommError;
    EXPECT_EQ(response, "");
    EXPECT_EQ(service_->RequestCount(), 0u) << "no request may pass an unverified connection";
  }
};

TEST_F(TlsFailureTest, TheServiceAuthorityIsUntrustedWithoutTheBundleSetting) {
  ::unsetenv(receipt::kCaBundleEnvironment);
  ExpectTlsFailure(SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1)));
}

TEST_F(TlsFailureTest, SelfSignedOrOtherHostCertificatesAndFailedHandshakesAreRefused) {
  for (const AnswerKind kind : {AnswerKind::UntrustedCertificate, AnswerKind::WrongHostCertificate,
                                AnswerKind::HandshakeFailure}) {
    SCOPED_TRACE(static_cast<int>(kind));
    service_->Plan({.kind = kind});
    ExpectTlsFailure(SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1)));
  }
  EXPECT_EQ(service_->TlsFailuresGiven(), 3u);
}

TEST_F(TlsFailureTest, AMissingBundleFileIsATlsFailure) {
  ::setenv(receipt::kCaBundleEnvironment, (root_ / "missing.pem").c_str(), 1);
  ExpectTlsFailure(SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1)));
}

// The parsed bundle is kept for the process; a bundle file changed in place
// (another authority, no certificate at all, the right one again) is trusted
// as it stands at each new connection.
TEST_F(TlsFailureTest, ABundleFileChangedInPlaceIsTrustedAsItNowStands) {
  const std::string bundle = (root_ / "bundle.pem").string();
  const std::string authority = ReadFileText(transporttest::TestCertificates().caCert);
  const std::string other = ReadFileText(transporttest::TestCertificates().untrustedCert);
  ::setenv(receipt::kCaBundleEnvironment, bundle.c_str(), 1);
  const struct {
    std::string content;
    bool trusted;
  } steps[] = {
      {authority, true}, {other, false}, {"not a certificate\n", false}, {authority, true}};
  size_t requests = 0;
  for (const auto& step : steps) {
    std::ofstream(bundle, std::ios::trunc) << step.content;
    const std::string response = SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1));
    if (step.trusted) {
      EXPECT_EQ(LastHTTPCode, 200) << LastCommError;
      ++requests;
    } else {
      EXPECT_NE(LastCommError.find("SSL"), std::string::npos) << LastCommError;
      EXPECT_EQ(response, "");
    }
    EXPECT_EQ(service_->RequestCount(), requests) << "no request may pass an unverified connection";
  }
}

TEST_F(TlsFailureTest, TheServiceAddressedByItsIpAddressIsVerifiedToo) {
  // The service certificate names 127.0.0.1 as well as localhost.
  std::string url = service_->Url();
  url.replace(url.find("localhost"), 9, "127.0.0.1");
  SendXML(url, receiptservice::SampleReceiptRequest(1));
  EXPECT_EQ(LastHTTPCode, 200) << LastCommError;
}

}  // namespace
