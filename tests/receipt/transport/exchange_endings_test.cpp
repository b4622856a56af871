// How an exchange ends when the service's answer does not come back whole,
// and whether its request may have reached the service: only a failure
// before the connection stood (refused, a failed handshake or certificate
// check) leaves the request unsent. (That a request which went out is never
// sent again behind the caller's back is shown with the queue service, which
// keeps one transport for a round.)

#include <gtest/gtest.h>

#include <string>

#include "receipt/https_transport.h"
#include "receipt_service/transport_fixture.h"
#include "sample_receipt.h"

namespace {

using receipt::LastCommError;
using receipt::LastHTTPCode;
using receipt::LastRequestSent;
using receipt::SendXML;
using receiptservice::AnswerKind;
using transporttest::TransportFixture;

class ExchangeEndingTest : public TransportFixture {};

TEST_F(ExchangeEndingTest, EachEndingSaysWhetherTheRequestMayHaveGoneOut) {
  const struct {
    const char* name;
    AnswerKind kind;
    int httpCode;
    const char* errorHas;  // nullptr: no error
    bool sent;
    size_t requests;  // the service's records
  } cases[] = {
      {"failed handshake", AnswerKind::HandshakeFailure, -1, "SSL", false, 0},
      {"untrusted certificate", AnswerKind::UntrustedCertificate, -1, "SSL", false, 0},
      {"TLS broken after the request", AnswerKind::TlsBrokenAfterRequest, -1, "SSL", true, 1},
      {"closed after the request", AnswerKind::ClosedAfterRequest, -1, "", true, 1},
      {"answer cut short", AnswerKind::CutShort, 200, "", true, 1},
      {"answered", AnswerKind::Normal, 200, nullptr, true, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const size_t before = service_->RequestCount();
    service_->Plan({.kind = c.kind});
    const std::string response = SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1));
    EXPECT_EQ(LastHTTPCode, c.httpCode);
    if (c.errorHas == nullptr) {
      EXPECT_EQ(LastCommError, "");
      EXPECT_NE(response, "");
    } else {
      EXPECT_NE(LastCommError, "");
      EXPECT_NE(LastCommError.find(c.errorHas), std::string::npos) << LastCommError;
      EXPECT_EQ(response, "") << "no part of a broken answer is given";
    }
    EXPECT_EQ(LastRequestSent, c.sent);
    EXPECT_EQ(service_->RequestCount() - before, c.requests);
  }

  service_->RefuseConnections(true);
  SendXML(service_->Url(), receiptservice::SampleReceiptRequest(1));
  EXPECT_EQ(LastHTTPCode, -1);
  EXPECT_FALSE(LastRequestSent) << "refused";
}

}  // namespace
