// receipt-service: runs the stand-in receipt service until interrupted.

#include <signal.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "receipt_service.h"
#include "test_certificates.h"

namespace {

constexpr const char* kUsage =
    "Usage: receipt-service --certs DIR [options]\n"
    "\n"
    "An HTTPS receipt service on 127.0.0.1 for tests and demonstrations. It\n"
    "answers the AuthenticateUserPOS and sendDigitalReceipt SOAP requests and\n"
    "runs until it receives SIGINT or SIGTERM.\n"
    "\n"
    "Options:\n"
    "  --certs DIR       folder of the test certificates; they are made there\n"
    "                    with the openssl tool unless --reuse-certs is given\n"
    "                    and a set exists (clients must trust DIR/ca.pem)\n"
    "  --reuse-certs     use the set already in DIR\n"
    "  --port N          port to listen on (default: a free port)\n"
    "  --record DIR      write every request received into DIR as\n"
    "                    NNNN-<operation>.http\n"
    "  --answer KIND     plan the answer to the next request (repeatable, in\n"
    "                    order); afterwards requests get the default answer\n"
    "  --default KIND    the answer when none is planned (default: normal)\n"
    "  --not-authenticated, --digital-default, --temporary-id\n"
    "                    how normal answers describe the customer\n"
    "  --help            show this text\n"
    "\n"
    "KIND: normal, error-status, merchant-not-found, not-found, server-error,\n"
    "      stall, garbage, redirect, bad-request, reformatted, utf-16,\n"
    "      numeric-booleans, cut-short, tls-broken-after-request,\n"
    "      closed-after-request, untrusted-certificate, wrong-host-certificate,\n"
    "      handshake-failure\n"
    "\n"
    "Once listening it prints one line: \"listening <url> ca <ca.pem>\".\n";

int Fail(const std::string& message) {
  std::cerr << "receipt-service: " << message << "\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string certs;
  std::string record;
  bool reuse = false;
  int port = 0;
  std::vector<receiptservice::AnswerKind> planned;
  receiptservice::Answer base;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == "--help" || a == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (a == "--certs" && hasValue) {
      certs = args[++i];
    } else if (a == "--reuse-certs") {
      reuse = true;
    } else if (a == "--record" && hasValue) {
      record = args[++i];
    } else if (a == "--port" && hasValue) {
      char* end = nullptr;
      const long value = std::strtol(args[++i].c_str(), &end, 10);
      if (*end != '\0' || value < 0 || value > 65535) return Fail("bad port " + args[i]);
      port = static_cast<int>(value);
    } else if ((a == "--answer" || a == "--default") && hasValue) {
      receiptservice::AnswerKind kind;
      if (!receiptservice::AnswerKindFromName(args[++i], kind)) {
        return Fail("unknown answer " + args[i]);
      }
      if (a == "--answer") {
        planned.push_back(kind);
      } else {
        base.kind = kind;
      }
    } else if (a == "--not-authenticated") {
      base.authenticated = false;
    } else if (a == "--digital-default") {
      base.digitalDefault = true;
    } else if (a == "--temporary-id") {
      base.temporaryId = true;
    } else {
      std::cerr << kUsage;
      return Fail("unknown or incomplete option " + a);
    }
  }
  if (certs.empty()) {
    std::cerr << kUsage;
    return Fail("--certs is required");
  }

  // SIGINT and SIGTERM are taken by sigwait below, in no other thread.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  try {
    const bool haveSet = std::filesystem::exists(receiptservice::CertificatePaths(certs).caCert);
    const receiptservice::TestCertificates set = reuse && haveSet
                                                     ? receiptservice::CertificatePaths(certs)
                                                     : receiptservice::MakeTestCertificates(certs);
    receiptservice::ReceiptService service(set);
    service.SetDefaultAnswer(base);
    for (const auto kind : planned) {
      receiptservice::Answer answer = base;
      answer.kind = kind;
      service.Plan(answer);
    }
    if (!record.empty()) service.SetRecordFolder(record);
    service.Start(port);
    std::cout << "listening " << service.Url() << " ca " << set.caCert << std::endl;

    int signal = 0;
    sigwait(&stopSignals, &signal);
    service.Stop();
    std::cout << "stopped after " << service.RequestCount() << " request(s)" << std::endl;
  } catch (const std::exception& e) {
    return Fail(e.what());
  }
  return 0;
}
