#pragma once
// Certificates for the stand-in receipt service, made with the `openssl`
// command-line tool when a test or the demo starts (never kept in the
// repository): a private certificate authority, the service's certificate for
// "localhost" and 127.0.0.1 signed by it, a certificate for another host name
// signed by the same authority, and a self-signed certificate for "localhost"
// that no one trusts. All are valid for two days from their making.

#include <stdexcept>
#include <string>

namespace receiptservice {

class CertificateError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct TestCertificates {
  std::string folder;
  std::string caCert;  // the authority clients must trust (PEM)
  std::string serverCert;
  std::string serverKey;
  std::string wrongHostCert;  // signed by the authority, for another host name
  std::string wrongHostKey;
  std::string untrustedCert;  // self-signed, for "localhost"
  std::string untrustedKey;
};

// The file names inside `folder`, whether or not they exist.
TestCertificates CertificatePaths(const std::string& folder);

// Makes a fresh set in `folder` (created when missing; keys are owner-only).
// Raises CertificateError, with the tool's output, when the tool fails or is
// missing.
TestCertificates MakeTestCertificates(const std::string& folder);

}  // namespace receiptservice
