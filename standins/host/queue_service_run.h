#pragma once
// Runs the stand-in queue service program once over a staged host folder, as
// a queue service beside the real host would: a process of its own, reading
// the plug-in's settings in VeskRcpts/ and delivering VeskRcpts/Queue to the
// receipt service. The requests the service received meanwhile are the
// queue service's deliveries.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "receipt_service.h"

namespace hostsim {

// The longest one run may take (every exchange is bounded by the settings'
// time-out; a run past this is killed and reported).
inline constexpr std::chrono::seconds kQueueServiceBound{120};

struct QueueServiceRun {
  int filesBefore = 0;
  int filesAfter = 0;
  int setAside = 0;         // moved to the set-aside folder beside the queue
  size_t firstRequest = 0;  // the service's requests [firstRequest, endRequest)
  size_t endRequest = 0;    // came from this run
  std::string problem;      // why the run failed; empty when it ended well
  // Each queue file found: "<name>: receipt <number> <type>, sent" (or
  // "kept", "set aside"), in name order.
  std::vector<std::string> files;

  // "3 queue files, 3 sent, 0 kept (3 requests)" ("1 set aside" when any).
  std::string Summary() const;
};

// The queue files (Q-*.xml) of the host folder's queue.
int QueueFileCount(const std::filesystem::path& hostFolder);

// Runs `program` (the queue-service executable) with --once on the host
// folder's settings, its log appended to queue-service.log there.
// `requestsSoFar` is the number of requests the service received before.
QueueServiceRun RunQueueServiceOnce(const std::string& program,
                                    const std::filesystem::path& hostFolder,
                                    const receiptservice::ReceiptService& service,
                                    size_t requestsSoFar);

// The requests of a run's receipts that the queue service sent: ranges of
// indices into the service's requests.
struct QueueServiceDeliveries {
  bool ran = false;
  std::vector<std::pair<size_t, size_t>> ranges;

  void Add(const QueueServiceRun& run);
  bool Contains(size_t request) const;
};

}  // namespace hostsim
