#include "accounting.h"

#include <pugixml.hpp>

#include <algorithm>

#include "expectations.h"
#include "queue_delivery.h"

namespace fs = std::filesystem;

namespace hostsim {

namespace {

// The log line the plug-in writes for each receipt it sets out to send,
// before sending or queueing it; the request follows on the line.
constexpr std::string_view kTransmitting = "SendDigitalReceipt: Transmitting [ ";

// The receipt number a request (or the rest of a log line) holds.
std::string ReceiptNumber(std::string_view text) {
  return receiptservice::RequestValue(text, "ReceiptNumber");
}

// An answer that confirms the receipt, in any of its forms.
bool Confirming(receiptservice::AnswerKind kind) {
  using receiptservice::AnswerKind;
  return kind == AnswerKind::Normal || kind == AnswerKind::Reformatted ||
         kind == AnswerKind::Utf16 || kind == AnswerKind::NumericBooleans;
}

// A request the service holds though its answer did not reach its sender:
// answered after the sender's time-out, or taken and then cut short, its TLS
// broken or its connection closed. Its sender queues or keeps the receipt,
// which then reaches the service a second time.
bool TakenLate(const receiptservice::ReceivedRequest& request) {
  return request.answeredAfterStall || receiptservice::TakenWithoutAnswer(request.answer);
}

// A request the service took with HTTP 200, whatever its body said: the
// plug-in does not queue it. One answered 404, 500, 400 or with a redirect
// is queued instead; so is one whose answer did not reach the plug-in, which
// the service still holds when it took it (TakenLate).
bool Answered(const receiptservice::ReceivedRequest& request) {
  using receiptservice::AnswerKind;
  if (Confirming(request.answer) || TakenLate(request)) return true;
  return request.answer == AnswerKind::ErrorStatus ||
         request.answer == AnswerKind::MerchantNotFound || request.answer == AnswerKind::Garbage;
}

// Why a receipt taken late reached the service twice.
std::string LateReason(const receiptservice::ReceivedRequest& request) {
  return request.answeredAfterStall ? "answered after its sender gave up"
                                    : "taken, its answer never reaching its sender whole";
}

// "twice", "3 times".
std::string TimesText(int times) {
  return times == 2 ? std::string("twice") : std::to_string(times) + " times";
}

std::string LateText(const receiptservice::ReceivedRequest& request) {
  return TakenLate(request) ? ", " + LateReason(request) : "";
}

// A value as both sides are compared: Null, Empty and "" alike.
std::string Comparable(std::string text) {
  return text == "(null)" || text == "(empty)" ? std::string() : text;
}

bool WellFormed(const std::string& text) {
  pugi::xml_document document;
  return static_cast<bool>(document.load_buffer(text.data(), text.size()));
}

void CountReceipts(const fs::path& folder,
                   const std::vector<receiptservice::ReceivedRequest>& received,
                   const QueueServiceDeliveries& queueService, Accounting& accounting) {
  for (const fs::path& file : FilesBelow(folder / "logs")) {
    const std::string log = ReadFile(file);
    const std::string_view text = log;
    for (size_t at = text.find(kTransmitting); at != std::string_view::npos;
         at = text.find(kTransmitting, at + 1)) {
      // The request follows on the line, which may run over several lines
      // of the file: it ends with " ]".
      const size_t end = text.find(" ]", at);
      const std::string_view line =
          text.substr(at, end == std::string_view::npos ? std::string_view::npos : end - at);
      ++accounting.receipts[ReceiptNumber(line)].asked;
    }
  }
  int queueServiceSent = 0;
  for (size_t index = 0; index < received.size(); ++index) {
    const receiptservice::ReceivedRequest& request = received[index];
    if (request.operation == receiptservice::Operation::SendReceipt) {
      ReceiptCount& count = accounting.receipts[ReceiptNumber(request.body)];
      const std::string answer = receiptservice::AnswerKindName(request.answer);
      const std::string type = receiptservice::RequestValue(request.body, "ReceiptType");
      if (TakenLate(request)) {
        ++count.late;
        count.lateReason = request.answeredAfterStall ? "answered after the sender gave up"
                                                      : "its answer never reached the sender";
      }
      if (queueService.Contains(index)) {
        // The queue service removes a file only when the service accepted
        // it; on any other answer the file stays and is counted there (or
        // in the set-aside folder), unless the service took it late.
        ++queueServiceSent;
        const bool accepted = Confirming(request.answer);
        const bool held = accepted || TakenLate(request);
        count.delivered += held ? 1 : 0;
        count.byQueueService += held ? 1 : 0;
        count.outcomes.push_back(
            type + (accepted ? " delivered by the queue service"
                             : " met " + answer + " from the queue service" + LateText(request)));
      } else {
        const bool answered = Answered(request);
        count.delivered += answered ? 1 : 0;
        count.outcomes.push_back(type + (answered && !TakenLate(request)
                                             ? " answered " + answer
                                             : " met " + answer + LateText(request)));
      }
    }
    ++accounting.xmlChecked;
    if (!WellFormed(request.body)) {
      accounting.failures.push_back(std::string("a ") +
                                    receiptservice::OperationName(request.operation) +
                                    " request the service received is not well-formed XML");
    }
  }
  const fs::path queue = folder / "VeskRcpts" / "Queue";
  for (const fs::path& file : FilesIn(queue)) {
    const std::string text = ReadFile(file);
    ReceiptCount& count = accounting.receipts[ReceiptNumber(text)];
    ++count.queued;
    count.outcomes.push_back(receiptservice::RequestValue(text, "ReceiptType") + " queued");
    ++accounting.xmlChecked;
    if (!WellFormed(text)) {
      accounting.failures.push_back("the queue file " + file.filename().string() +
                                    " is not well-formed XML");
    }
  }
  // What the queue service set aside, beside the queue or inside it (its own
  // state file is no queue file).
  std::vector<fs::path> asideFiles = FilesIn(queueservice::SetAsideFolder(queue.string()));
  for (const fs::path& file : FilesIn(queueservice::InnerSetAsideFolder(queue.string()))) {
    asideFiles.push_back(file);
  }
  for (const fs::path& file : asideFiles) {
    if (!queueservice::IsQueueFileName(file.filename().string())) continue;
    const std::string text = ReadFile(file);
    ReceiptCount& count = accounting.receipts[ReceiptNumber(text)];
    ++count.setAside;
    count.outcomes.push_back(receiptservice::RequestValue(text, "ReceiptType") +
                             " set aside by the queue service");
  }
  int sent = 0;
  int taken = 0;
  int byQueueService = 0;
  int queued = 0;
  int setAside = 0;
  int twice = 0;
  int lost = 0;
  int others = 0;
  for (const auto& [number, count] : accounting.receipts) {
    const int held = count.delivered + count.queued + count.setAside;
    // A test receipt from the setup dialog is sent without the sale's log
    // line: it belongs to no sale.
    if (count.asked == 0 && held > 0) {
      others += held;
      continue;
    }
    sent += count.asked;
    taken += count.delivered;
    byQueueService += count.byQueueService;
    queued += count.queued;
    setAside += count.setAside;
    if (held == count.asked) continue;
    (held > count.asked ? twice : lost) += 1;
    if (held > count.asked && held - count.asked <= count.late) {
      accounting.heldMoreThanOnce[number] = held;  // the protocol's window: checked apart
      continue;
    }
    accounting.failures.push_back("receipt \"" + number + "\" was sent " +
                                  std::to_string(count.asked) + " time(s), but the service has " +
                                  std::to_string(count.delivered) + ", the queue " +
                                  std::to_string(count.queued) + " and the set-aside folder " +
                                  std::to_string(count.setAside));
  }
  std::string twiceNames;
  for (const auto& [number, times] : accounting.heldMoreThanOnce) {
    twiceNames += (twiceNames.empty() ? " (" : "; ") + number + " " + TimesText(times) + ": " +
                  accounting.receipts[number].lateReason + ", and sent again";
  }
  if (!twiceNames.empty()) twiceNames += ")";
  accounting.lines.push_back(
      "receipts: " + std::to_string(sent) + " sent by the sales, " + std::to_string(taken) +
      " taken by the service" +
      (queueService.ran ? " (" + std::to_string(byQueueService) + " delivered by the queue service)"
                        : std::string()) +
      ", " + std::to_string(queued) + " queued, " +
      (setAside > 0 ? std::to_string(setAside) + " set aside, " : std::string()) +
      std::to_string(twice) + " held more than once" + twiceNames + ", " + std::to_string(lost) +
      " lost; " + std::to_string(others) + " from outside the sales (test receipts)");
  if (queueService.ran) {
    std::string line = "queue service: " + std::to_string(queueServiceSent) + " request(s) sent, " +
                       std::to_string(byQueueService) + " receipt(s) of the sales delivered, " +
                       std::to_string(queued) + " left in the queue";
    if (setAside > 0) line += ", " + std::to_string(setAside) + " set aside";
    if (queued == 0 && lost == 0 && setAside == 0) {
      line += twice == 0
                  ? "; every receipt a sale sent is held exactly once by the service's records"
                  : "; every receipt a sale sent is held by the service's records, " +
                        std::to_string(twice) +
                        " of them more than once (a request the service took without its "
                        "answer reaching the sender, sent again)";
    }
    accounting.lines.push_back(line);
  }
}

void CompareCustomers(BusinessObjectStore& store, HostDatabase& database, Accounting& accounting) {
  static const std::vector<std::pair<const char*, const char*>> kCompared = {
      {"First Name", "first_name"}, {"Last Name", "last_name"}, {"EMail", "email_addr"}};
  for (const RecordPtr& record : *store.Table(kKindCustomer)) {
    auto sid = record->attributes.find("Cust Sid");
    if (sid == record->attributes.end() || sid->second.IsNull() || sid->second.IsEmpty()) {
      ++accounting.customersDiffering;
      accounting.failures.push_back("a customer of the host has no Cust Sid");
      continue;
    }
    ++accounting.customersInHost;
    const std::string key = ValueText(sid->second);
    // Cust Sid is a number the host gave: safe to put in the statement.
    const auto rows = database.Query(
        "select first_name, last_name, email_addr from customer where cust_sid = " + key);
    std::string differences;
    if (rows.size() != 1) {
      differences = " is not in the database";
    } else {
      for (size_t i = 0; i < kCompared.size(); ++i) {
        auto value = record->attributes.find(kCompared[i].first);
        const std::string host =
            Comparable(value == record->attributes.end() ? "" : ValueText(value->second));
        const std::string stored = Comparable(rows[0][i]);
        if (host != stored) {
          differences += std::string(" ") + kCompared[i].first + " \"" + host +
                         "\" in the host, \"" + stored + "\" in the database;";
        }
      }
    }
    if (!differences.empty()) {
      ++accounting.customersDiffering;
      accounting.failures.push_back("customer " + key + differences);
    }
  }
  accounting.lines.push_back("customers: " + std::to_string(accounting.customersInHost) +
                             " in the host, " + std::to_string(accounting.customersDiffering) +
                             " differing from the database");
}

}  // namespace

Accounting Account(const fs::path& folder,
                   const std::vector<receiptservice::ReceivedRequest>& received,
                   BusinessObjectStore& store, HostDatabase& database,
                   const QueueServiceDeliveries& queueService) {
  Accounting accounting;
  CountReceipts(folder, received, queueService, accounting);
  CompareCustomers(store, database, accounting);
  const size_t malformed = static_cast<size_t>(std::count_if(
      accounting.failures.begin(), accounting.failures.end(),
      [](const std::string& failure) { return failure.ends_with("not well-formed XML"); }));
  accounting.lines.push_back("XML: " + std::to_string(accounting.xmlChecked) +
                             " requests and queue files, " + std::to_string(malformed) +
                             " not well-formed");
  return accounting;
}

std::vector<std::string> ReceiptLines(const Accounting& accounting) {
  std::vector<std::string> lines;
  for (const auto& [number, count] : accounting.receipts) {
    std::string line = "receipt " + (number.empty() ? std::string("(no number)") : number) + ":";
    for (const std::string& outcome : count.outcomes) line += " " + outcome + ";";
    lines.push_back(line);
  }
  return lines;
}

void CheckReceipts(const Accounting& accounting, const std::vector<std::string>& wanted,
                   const std::map<std::string, int>& moreThanOnce,
                   std::vector<std::string>& failures) {
  std::map<std::string, int> listed;
  for (const std::string& number : wanted) ++listed[number];
  for (const auto& [number, times] : listed) {
    auto it = accounting.receipts.find(number);
    const int asked = it == accounting.receipts.end() ? 0 : it->second.asked;
    if (asked != times) {
      failures.push_back("receipts: \"" + number + "\" was sent " + std::to_string(asked) +
                         " time(s), expected " + std::to_string(times));
    }
  }
  for (const auto& [number, count] : accounting.receipts) {
    if (count.asked > 0 && !listed.contains(number)) {
      failures.push_back("receipts: \"" + number + "\" was sent, but is not listed");
    }
  }
  const std::map<std::string, int>& found = accounting.heldMoreThanOnce;
  for (const auto& [number, times] : found) {
    auto named = moreThanOnce.find(number);
    if (named == moreThanOnce.end()) {
      failures.push_back("receipt \"" + number + "\" is held " + TimesText(times) +
                         " by the service's records: it took a request whose answer did not "
                         "reach its sender, and the receipt was sent again");
    } else if (named->second != times) {
      failures.push_back("receipt \"" + number + "\" is held " + TimesText(times) +
                         " by the service's records, not " + TimesText(named->second));
    }
  }
  for (const auto& [number, times] : moreThanOnce) {
    if (!found.contains(number)) {
      failures.push_back("receipt \"" + number + "\" is named as held " + TimesText(times) +
                         ", but the service's records do not hold it more than once");
    }
  }
}

}  // namespace hostsim
