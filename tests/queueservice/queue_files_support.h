#pragma once
// Queue folders for the queue service's tests: settings that point the
// service at a stand-in receipt service, and queue files as the plug-in's
// queue writer leaves them.

#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "receipt/queue_files.h"
#include "receipt_service.h"
#include "sample_receipt.h"
#include "soap_answers.h"

namespace queuetest {

namespace fs = std::filesystem;

// The sample receipt request with its receipt number replaced by `number`.
inline std::string RequestNumbered(const std::string& number) {
  static const std::string sample = receiptservice::SampleReceiptRequest(1);
  const std::string open = "<ReceiptNumber>";
  const size_t from = sample.find(open) + open.size();
  const size_t to = sample.find("</ReceiptNumber>", from);
  return sample.substr(0, from) + number + sample.substr(to);
}

// VeskMain.ini in `settings` naming `url`, with the QUEUESERVICE keys given
// as raw lines.
inline void WriteSettings(const fs::path& settings, const std::string& url,
                          const std::string& queueLines = "Enabled=1\nLogLevel=5\n") {
  fs::create_directories(settings / "Queue");
  std::ofstream(settings / "VeskMain.ini")
      << "[MAIN]\nProdURL=" << url << "\nURLType=P\nTimeout=5\n[QUEUESERVICE]\n"
      << queueLines;
}

// A queue file for receipt `number` written by the plug-in's queue writer,
// its modification time set `age` in the past (so the order of the files is
// the test's). Gives its name.
inline std::string Queue(const fs::path& folder, const std::string& number,
                         std::chrono::seconds age = std::chrono::seconds(0)) {
  static int counter = 0;
  const std::string path = receipt::WriteQueueFile(
      folder.string(), RequestNumbered(number) + "\r\n",
      [&] { return "Q-20240601120000000_" + std::to_string(++counter) + "_WS3.xml"; });
  const auto when = fs::file_time_type::clock::now() - age;
  fs::last_write_time(path, when);
  return fs::path(path).filename().string();
}

inline std::set<std::string> FileNames(const fs::path& folder) {
  std::set<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

// The receipt numbers of the receipt requests the service received, in
// order.
inline std::vector<std::string> ReceivedNumbers(const receiptservice::ReceiptService& service) {
  std::vector<std::string> numbers;
  for (const auto& request : service.Requests()) {
    numbers.push_back(receiptservice::RequestValue(request.body, "ReceiptNumber"));
  }
  return numbers;
}

}  // namespace queuetest
