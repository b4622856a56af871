// The test certificates and the receipt-service program.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "receipt_service/transport_fixture.h"
#include "test_certificates.h"

namespace {

namespace fs = std::filesystem;

// Exit status and output of a shell command.
int RunCommand(const std::string& command, std::string& output) {
  output.clear();
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (p == nullptr) return -1;
  char buf[512];
  while (size_t n = std::fread(buf, 1, sizeof buf, p)) output.append(buf, n);
  const int status = ::pclose(p);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(TestCertificates, TheServiceChainVerifiesAndTheOthersDoNot) {
  const auto& set = transporttest::TestCertificates();
  std::string out;
  EXPECT_EQ(RunCommand("openssl verify -CAfile '" + set.caCert + "' '" + set.serverCert + "'", out),
            0)
      << out;
  EXPECT_EQ(RunCommand("openssl verify -CAfile '" + set.caCert + "' -verify_hostname localhost '" +
                           set.serverCert + "'",
                       out),
            0)
      << out;
  EXPECT_NE(
      RunCommand("openssl verify -CAfile '" + set.caCert + "' '" + set.untrustedCert + "'", out),
      0);
  EXPECT_NE(RunCommand("openssl verify -CAfile '" + set.caCert + "' -verify_hostname localhost '" +
                           set.wrongHostCert + "'",
                       out),
            0);
  for (const auto& key : {set.serverKey, set.untrustedKey, set.wrongHostKey}) {
    EXPECT_EQ(fs::status(key).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write)
        << key;
  }
}

TEST(ReceiptServiceProgram, ExplainsItselfAndRefusesUnknownOptions) {
  std::string out;
  EXPECT_EQ(RunCommand(std::string(RECEIPT_SERVICE_PROGRAM) + " --help", out), 0);
  EXPECT_TRUE(out.starts_with("Usage: receipt-service")) << out;
  EXPECT_NE(out.find("handshake-failure"), std::string::npos);
  EXPECT_EQ(RunCommand(std::string(RECEIPT_SERVICE_PROGRAM) + " --certs x --answer sometimes", out),
            2);
  EXPECT_NE(out.find("unknown answer sometimes"), std::string::npos) << out;
  EXPECT_EQ(RunCommand(std::string(RECEIPT_SERVICE_PROGRAM) + " --port", out), 2);
}

}  // namespace
