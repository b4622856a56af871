#pragma once
// One set of test certificates for a whole test program: made with the openssl
// tool in a temporary folder before the first test and removed after the last.
//
//   const auto* const kCertificates = testsupport::AddCertificateEnvironment("my_tls");
//   ... kCertificates->Certificates() ...

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <utility>

#include "test_certificates.h"

namespace testsupport {

class CertificateEnvironment : public ::testing::Environment {
 public:
  explicit CertificateEnvironment(std::string prefix) : prefix_(std::move(prefix)) {}

  void SetUp() override {
    set_ = receiptservice::MakeTestCertificates(
        (std::filesystem::temp_directory_path() / (prefix_ + "_" + std::to_string(::getpid())))
            .string());
  }
  void TearDown() override {
    std::error_code ignored;
    if (!set_.folder.empty()) std::filesystem::remove_all(set_.folder, ignored);
  }

  const receiptservice::TestCertificates& Certificates() const { return set_; }

 private:
  std::string prefix_;
  receiptservice::TestCertificates set_;
};

// Registers a certificate environment with GoogleTest (which owns it); call it
// while the program starts, before the tests run.
inline const CertificateEnvironment* AddCertificateEnvironment(std::string prefix) {
  auto* environment = new CertificateEnvironment(std::move(prefix));
  ::testing::AddGlobalTestEnvironment(environment);
  return environment;
}

}  // namespace testsupport
