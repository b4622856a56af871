// receipt-demo-client: sends the sample receipt through the plug-in's HTTPS
// transport and, when the service cannot be reached, writes it to the queue
// folder the way the sale workflow does.

#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "foundation/prefs_records.h"
#include "receipt/https_transport.h"
#include "receipt/queue_files.h"
#include "receipt/records.h"
#include "sample_receipt.h"

namespace {

constexpr const char* kUsage =
    "Usage: receipt-demo-client --url URL --queue DIR [--workstation WS] [--timeout S]\n"
    "\n"
    "Posts a sample digital receipt (two tenders, three items) to URL. When no\n"
    "answer comes, or the answer is 404, the receipt goes to the queue folder\n"
    "DIR instead. Trusted authorities: the system's, or the PEM file named by\n"
    "NORVANE_CA_BUNDLE. Prints the outcome; exits 0 when the receipt was\n"
    "either answered or queued.\n";

}  // namespace

int main(int argc, char** argv) {
  std::string url;
  std::string queue;
  std::string workstation = "3";
  int timeout = 10;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const bool hasValue = i + 1 < args.size();
    if (args[i] == "--help" || args[i] == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (args[i] == "--url" && hasValue) {
      url = args[++i];
    } else if (args[i] == "--queue" && hasValue) {
      queue = args[++i];
    } else if (args[i] == "--workstation" && hasValue) {
      workstation = args[++i];
    } else if (args[i] == "--timeout" && hasValue) {
      timeout = std::atoi(args[++i].c_str());
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (url.empty() || queue.empty()) {
    std::cerr << kUsage;
    return 2;
  }

  foundation::MainPrefs.Timeout = timeout;
  const std::string request = receiptservice::SampleReceiptRequest(3);
  const std::string response = receipt::SendXML(url, request);
  std::cout << "HTTP code: " << receipt::LastHTTPCode << "\n";
  if (!receipt::LastCommError.empty()) std::cout << "error: " << receipt::LastCommError << "\n";
  if (receipt::LastCommError.empty() && receipt::LastHTTPCode != 404) {
    std::cout << "response: " << response << "\n";
    return 0;
  }
  receipt::ResetTransControl();
  receipt::QueueRequest(queue, request, workstation);
  std::cout << (receipt::FTransControl.RequestQueued ? "queued in " + queue : "not queued") << "\n";
  return receipt::FTransControl.RequestQueued ? 0 : 1;
}
