#pragma once
// Queue files: a receipt request that could not be delivered is written as one
// file into the queue folder, from which a separate queue service sends it
// later.
//
// A queue file is never seen half written and never replaces another: the
// text is written to a hidden temporary file in the queue folder (a leading
// ".", no ".xml" ending), flushed to disk, and then published under its final
// name only if no file of that name exists; on a clash a new random part is
// drawn. The queue folder is created when it is missing; queue files can be
// read and written by their owner only.

#include <chrono>
#include <functional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace receipt {

// Queue files are named "Q-...xml"; the writer's temporary files begin with
// this (hidden, no ".xml" ending), so that a reader of the folder can tell
// them apart and pass them over.
inline constexpr const char* kQueueTemporaryPrefix = ".queue-";

// Raised inside the queue writer when a file cannot be written or published.
class EQueueWriteError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// "Q-" + local time "yyyymmddhhnnsszzz" + "_" + `random` in decimal (no
// leading zeros) + "_WS" + the workstation's letters, digits, "_" and "-" (any
// other character is left out) + ".xml".
std::string QueueFileName(std::chrono::system_clock::time_point when, int random,
                          std::string_view workstation);

// Gives the file `from` of the folder `fromFolder` the name `to` in the folder
// `toFolder` (descriptors of open folders, or AT_FDCWD for paths) unless a
// file of that name exists there. Where the file system cannot rename
// without replacing (some FUSE mounts and network shares refuse such a
// rename with EINVAL), a hard link under the new name and then the removal of
// the old name do the same; a process that dies between the two (or an old
// name that cannot be removed) leaves the file under both names. 0 when
// moved, else the system's error: EEXIST when the name is taken, EXDEV when
// the folders lie on different file systems.
int MoveWithoutReplacing(int fromFolder, const std::string& from, int toFolder,
                         const std::string& to);

// Writes `content` to a new file in `folder` (created when missing) and
// publishes it under the name `drawName` gives. `drawName` is called once the
// content is on disk, before each attempt to publish, and again after a clash
// with an existing file (a bounded number of times). Gives the published
// file's path; raises EQueueWriteError when the file cannot be written or
// published, leaving no file behind.
std::string WriteQueueFile(const std::string& folder, std::string_view content,
                           const std::function<std::string()>& drawName);

// Queues one request of the current sale: a file named by QueueFileName (the
// current time, a random number from 0 to 999, `workstation` being the sale's
// workstation number) holding `request` followed by CR LF. On success
// TransControl.RequestQueued is set. On failure the message form shows the
// error's class name + " exception when queuing request: " + its message
// (written to the application log instead where no user interface runs), the
// log receives "Queue Request Ex : " + the message, RequestQueued is left as
// it was, and nothing is raised.
void QueueRequest(const std::string& folder, std::string_view request,
                  std::string_view workstation);

}  // namespace receipt
