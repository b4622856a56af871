#pragma once
// One round of the queue service: every queue file of the queue folder,
// oldest first, is posted to the receipt service as the request it holds,
// through the plug-in's own transport (certificate checks, time-out of the
// main settings). A file is removed only once the service accepted it: HTTP
// 200 and DigitalReceiptProcessed "true". On any other outcome it stays for a
// later round, so a receipt is never lost. A round stops early when the
// service gives no response at all (nothing is listening or the exchange
// timed out): the files left wait for the next round. Nor is anything sent
// while the folder does not let this process remove files, since a file that
// could be sent but not removed would be sent again at every round.
//
// A receipt can reach the service twice only when the service dies between
// taking the request and the file's removal: the removal follows the end of
// the response at once (one reading of the answer and one unlink call), so
// the window is the answer's way back over the connection plus those two
// steps. A stop asked for by a signal is taken between two files, never
// inside that window.
//
// Names: "Q-*.xml" files are queue files; hidden files beginning with the
// queue writer's temporary prefix are writes in progress, passed over, and
// removed only when older than kStaleTemporaryAge (a writer that died left
// them). Other files are left alone. One queue service delivers a folder at a
// time: a round takes an exclusive lock on the folder and is skipped while
// another holds it.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>

#include "queue_log.h"
#include "queue_settings.h"

namespace queueservice {

// A live writer holds its temporary file for the time of one write, flush
// and rename; one this old was left by a writer that died.
inline constexpr std::chrono::minutes kStaleTemporaryAge{60};

// A queue file larger than this is not a request the plug-in wrote: kept and
// reported.
inline constexpr size_t kMaxQueueFileBytes = 64u * 1024u * 1024u;

struct RoundResult {
  int found = 0;               // queue files in the folder at the start
  int sent = 0;                // accepted by the service and removed
  int kept = 0;                // left for a later round
  int temporariesRemoved = 0;  // stale temporaries of dead writers
  bool unreachable = false;    // the service gave no response
  bool busy = false;           // another queue service holds the folder
};

// Asked between two files: true ends the round.
using StopRequested = std::function<bool()>;

// Runs one round over settings.directory, posting to settings.url.
RoundResult DeliverQueue(const QueueSettings& settings, QueueLog& log,
                         const StopRequested& stopRequested = {});

// The request a queue file holds: its text without the one line break the
// queue writer appends.
std::string_view RequestOfQueueFile(std::string_view content);

// Whether a name in the queue folder is a queue file ("Q-" ... ".xml", not
// hidden), and whether it is a queue writer's temporary file.
bool IsQueueFileName(std::string_view name);
bool IsQueueTemporaryName(std::string_view name);

}  // namespace queueservice
