#pragma once
// One round of the queue service: every queue file of the queue folder,
// oldest first, is posted to the receipt service as the request it holds,
// through the plug-in's own transport (certificate checks, time-out of the
// main settings). A file is removed only once the service accepted it: an
// answer the sale would read (an HTTP status from 200 to 298, its transfer
// whole) whose DigitalReceiptProcessed is true, read as the sale reads it. A
// round stops early when the service cannot be reached before anything of a
// request went out (nothing is listening, a failed TLS handshake or
// certificate check): the files left wait for the next round, however long
// the service stays away. Nor is anything sent while the folder does not let
// this process remove files, since a file that could be sent but not removed
// would be sent again at every round.
//
// Files that no round can deliver are set aside, never deleted: moved into
// the set-aside folder beside the queue (SetAsideFolder) or, where that folder
// cannot take them (it lies on another file system than the queue, or under a
// parent this process may not write), into the one inside the queue folder
// (InnerSetAsideFolder), so that a file set aside is never posted again
// wherever the queue folder lies. Where the file system cannot rename without
// replacing (some FUSE mounts and network shares), a file is set aside, as the
// queue writer publishes, by a hard link and the removal of its queue name; a
// queue file that a round so set aside and died before removing is only
// removed from the queue by the next round, not posted. The log names the
// path each file was set aside as; an administrator can move it back once
// the cause is mended.
//  - A rejection the service gives for the request itself (such an answer
//    with DigitalReceiptProcessed false: merchant not found, an error status)
//    sets the file aside at once; the log names the service's exception code
//    and description.
//  - A failed answer (any other status, an answer cut short, a readable one
//    that is no receipt answer, or none at all once the request may have
//    gone out: the exchange timed out, the connection closed or its TLS
//    broke after the connection stood) is counted per file, across rounds and
//    restarts (a small state file in the set-aside folder in use; while that
//    file cannot be written, a full disk, the counts go on in this process's
//    memory from round to round and are saved once it can be). A file is
//    set aside once it has met DeliveryLimits::failedAnswers such answers and
//    the first of them lies DeliveryLimits::failedPeriod back: an address
//    mended within that time still delivers everything. A first failed
//    answer dated later than now (the clock was put back since) starts the
//    period again at now. An accepted file or a rejection ends the count; a
//    round that reached no service neither adds to it nor ends it. A file
//    the service takes but never answers thus neither goes out at every round
//    for ever nor holds up the files behind it.
//
// A receipt reaches the service twice in two cases, both outside what the
// queue service can see:
//  - the service takes a request but its answer comes after the client's
//    time-out, or never reaches the client (lost on its way back, the
//    connection closed or its TLS broken after the request went out): the
//    client counts the exchange as a failed answer, keeps the file and sends
//    it again at the next round, until the file meets its limit and is set
//    aside. The sale road meets the same window: a sale whose
//    send failed so queues its receipt, which this service then delivers a
//    second time. Each post opens a connection of its own, so that the
//    transfer library never sends a request again by itself (as it would on
//    a kept-alive connection found closed);
//  - the queue service dies between the service taking the request and the
//    file's removal: the removal follows the end of the response at once (a
//    reading of the answer and one unlink call), so the window is the
//    answer's way back over the connection plus those two steps. A stop
//    asked for by a signal is taken between two files, never inside it.
//
// Names: "Q-*.xml" files are queue files; hidden files beginning with the
// queue writer's temporary prefix are writes in progress, passed over until
// they are older than kStaleTemporaryAge (a writer that died left them): one
// that holds a whole request (its writer died between flushing and
// publishing it) is then published under a queue file name and delivered,
// one cut short is removed. A temporary that is a second name of its
// published file (the writer publishes by hard link where rename cannot
// refuse to replace, and died before removing the temporary name) is only
// removed: stale, or at any age once its queue file is listed beside it.
// Other files are left alone. One queue service
// delivers a folder at a time: a round takes an exclusive lock on the folder
// and is skipped while another holds it.

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

// When a file that keeps meeting failed answers is set aside.
struct DeliveryLimits {
  int failedAnswers = 10;
  std::chrono::seconds failedPeriod = std::chrono::hours(24);
  // The clock the period is measured by; the system clock when empty.
  std::function<std::chrono::system_clock::time_point()> now;
};

// The set-aside folder of a queue folder: its path with "-SetAside" added
// ("VeskRcpts/Queue" gives "VeskRcpts/Queue-SetAside").
std::string SetAsideFolder(const std::string& queueFolder);

// The set-aside folder inside the queue folder, used where the one beside it
// cannot take a file ("VeskRcpts/Queue" gives "VeskRcpts/Queue/SetAside").
inline constexpr const char* kInnerSetAsideName = "SetAside";
std::string InnerSetAsideFolder(const std::string& queueFolder);

struct RoundResult {
  int found = 0;                 // queue files in the folder at the start
  int sent = 0;                  // accepted by the service and removed
  int setAside = 0;              // moved to the set-aside folder
  int kept = 0;                  // left for a later round
  int temporariesRemoved = 0;    // stale temporaries cut short, second names of queue files
  int temporariesPublished = 0;  // stale temporaries holding a whole request
  bool unreachable = false;      // the service was not reached: nothing went out
  bool busy = false;             // another queue service holds the folder
};

// Asked between two files: true ends the round.
using StopRequested = std::function<bool()>;

// Runs one round over settings.directory, posting to settings.url.
RoundResult DeliverQueue(const QueueSettings& settings, QueueLog& log,
                         const StopRequested& stopRequested = {},
                         const DeliveryLimits& limits = {});

// The request a queue file holds: its text without the one line break the
// queue writer appends.
std::string_view RequestOfQueueFile(std::string_view content);

// Whether a name in the queue folder is a queue file ("Q-" ... ".xml", not
// hidden), and whether it is a queue writer's temporary file.
bool IsQueueFileName(std::string_view name);
bool IsQueueTemporaryName(std::string_view name);

}  // namespace queueservice
