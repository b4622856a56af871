#pragma once
// The end-of-run accounting of digital receipts and customers, for a run of
// many sales:
//  - every receipt the plug-in set out to send (a "Transmitting" line of its
//    application log, one per send) is held exactly once by the service's
//    records (answered, so not to be sent again), the queue folder or the
//    queue service's set-aside folder: none twice, none lost;
//    A request the service took without its answer reaching the sender
//    (answered after its stall, when the sender had timed out; or cut short,
//    its TLS broken or its connection closed once the request was read)
//    counts as held by the service though its sender queued or sent it
//    again: such a receipt is held more than once (twice, or more where the
//    queue service met the same again), which is the protocol's own window
//    and is listed apart with how many times each is held (the scenario names
//    the receipts it expects so, with their counts); any other receipt held
//    more than once is a fault.
//    When the queue service ran, its deliveries count as the service's
//    records: a request it sent counts when the service accepted it (the
//    queue service then removed the file) or took it late, and a further
//    line tells what it delivered and what the queue still holds;
//  - every customer the host keeps is in the database copy with the same
//    names and address;
//  - every request the service received and every queue file parse as XML.
// Each part gives one line for the transcript and a failure per fault.

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "business_objects.h"
#include "host_database.h"
#include "queue_service_run.h"
#include "receipt_service.h"

namespace hostsim {

struct ReceiptCount {
  int asked = 0;           // sends the plug-in logged
  int delivered = 0;       // requests the service received and answered
  int byQueueService = 0;  // of those, delivered by the queue service
  int queued = 0;          // queue files
  int setAside = 0;        // files the queue service set aside
  int late = 0;            // requests the service took without its answer reaching the sender
  std::string lateReason;  // how the last of those went
  // Each request in order: its receipt type and where it went
  // ("DigitalOnly answered normal", "PaperOnly met server-error", "... queued").
  std::vector<std::string> outcomes;
};

struct Accounting {
  std::map<std::string, ReceiptCount> receipts;  // by receipt number
  // Receipts held more than once because the service took a request whose
  // answer did not reach its sender, and it was sent again: how many times
  // the service's records, the queue and the set-aside folder hold each.
  std::map<std::string, int> heldMoreThanOnce;
  int customersInHost = 0;
  int customersDiffering = 0;
  int xmlChecked = 0;
  std::vector<std::string> lines;     // what the transcript shows
  std::vector<std::string> failures;  // one per fault found
};

// Counts the receipts of the run in the host folder `folder` (its logs/,
// VeskRcpts/Queue and the queue's set-aside folder) against the service's
// `received` requests (marked with MarkAnsweredAfterStall), of which those
// `queueService` names were sent by the queue service, and checks the host's
// customers against `database`.
Accounting Account(const std::filesystem::path& folder,
                   const std::vector<receiptservice::ReceivedRequest>& received,
                   BusinessObjectStore& store, HostDatabase& database,
                   const QueueServiceDeliveries& queueService = {});

// One line per receipt number: its requests' types and outcomes.
std::vector<std::string> ReceiptLines(const Accounting& accounting);

// The receipt numbers sent or queued must be `wanted`, each as often as
// listed there (a receipt sent again with the e-mail button counts twice),
// and those held more than once after a late answer `moreThanOnce`, each held
// as many times as given there.
void CheckReceipts(const Accounting& accounting, const std::vector<std::string>& wanted,
                   const std::map<std::string, int>& moreThanOnce,
                   std::vector<std::string>& failures);

}  // namespace hostsim
