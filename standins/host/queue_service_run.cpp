#include "queue_service_run.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>

#include "queue_delivery.h"
#include "soap_answers.h"

extern char** environ;

namespace fs = std::filesystem;

namespace hostsim {

namespace {

std::string Plural(int n, const char* word) {
  return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

}  // namespace

std::string QueueServiceRun::Summary() const {
  const int sent = filesBefore - filesAfter - setAside;
  return Plural(filesBefore, "queue file") + ", " + std::to_string(sent) + " sent, " +
         (setAside > 0 ? std::to_string(setAside) + " set aside, " : std::string()) +
         std::to_string(filesAfter) + " kept (" +
         Plural(static_cast<int>(endRequest - firstRequest), "request") + " received)";
}

namespace {

fs::path QueueFolder(const fs::path& hostFolder) {
  return hostFolder / "VeskRcpts" / "Queue";
}

// The queue files of `folder` by name, each with its receipt number and type.
std::map<std::string, std::string> QueueFiles(const fs::path& folder);

// The queue files set aside, beside the queue or inside it.
std::map<std::string, std::string> SetAsideFiles(const fs::path& queue) {
  std::map<std::string, std::string> files =
      QueueFiles(queueservice::SetAsideFolder(queue.string()));
  files.merge(QueueFiles(queueservice::InnerSetAsideFolder(queue.string())));
  return files;
}

std::map<std::string, std::string> QueueFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (!queueservice::IsQueueFileName(name)) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    files[name] = "receipt " + receiptservice::RequestValue(text.str(), "ReceiptNumber") + " " +
                  receiptservice::RequestValue(text.str(), "ReceiptType");
  }
  return files;
}

}  // namespace

int QueueFileCount(const fs::path& hostFolder) {
  return static_cast<int>(QueueFiles(QueueFolder(hostFolder)).size());
}

QueueServiceRun RunQueueServiceOnce(const std::string& program, const fs::path& hostFolder,
                                    const receiptservice::ReceiptService& service,
                                    size_t requestsSoFar) {
  QueueServiceRun run;
  const fs::path queue = QueueFolder(hostFolder);
  const std::map<std::string, std::string> before = QueueFiles(queue);
  const std::map<std::string, std::string> asideBefore = SetAsideFiles(queue);
  run.filesBefore = static_cast<int>(before.size());
  run.firstRequest = requestsSoFar;
  std::vector<std::string> words = {program,      "--once",
                                    "--settings", (hostFolder / "VeskRcpts").string(),
                                    "--log",      (hostFolder / "queue-service.log").string()};
  std::vector<char*> argv;
  for (std::string& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  // Started from the host folder (a relative queue folder is the host's);
  // NORVANE_CA_BUNDLE, set for the plug-in, is inherited.
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) {
    run.problem = "cannot start " + program + ": " + std::strerror(spawned);
  } else {
    const auto deadline = std::chrono::steady_clock::now() + kQueueServiceBound;
    int status = 0;
    for (;;) {
      const pid_t done = ::waitpid(pid, &status, WNOHANG);
      if (done == pid) break;
      if (done < 0 && errno != EINTR) {
        run.problem = std::string("cannot wait for the queue service: ") + std::strerror(errno);
        break;
      }
      if (std::chrono::steady_clock::now() > deadline) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        run.problem = "the queue service did not end within " +
                      std::to_string(kQueueServiceBound.count()) + " s";
        break;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (run.problem.empty() && !(WIFEXITED(status) && WEXITSTATUS(status) == 0)) {
      run.problem = WIFEXITED(status)
                        ? "the queue service exited with " + std::to_string(WEXITSTATUS(status))
                        : "the queue service ended by a signal";
    }
  }
  const std::map<std::string, std::string> after = QueueFiles(queue);
  const std::map<std::string, std::string> asideAfter = SetAsideFiles(queue);
  run.filesAfter = static_cast<int>(after.size());
  run.setAside = static_cast<int>(asideAfter.size() - asideBefore.size());
  for (const auto& [name, receipt] : before) {
    const char* outcome = after.contains(name)                                       ? ", kept"
                          : asideAfter.contains(name) && !asideBefore.contains(name) ? ", set aside"
                                                                                     : ", sent";
    run.files.push_back(name + ": " + receipt + outcome);
  }
  run.endRequest = std::max(requestsSoFar, service.RequestCount());
  return run;
}

void QueueServiceDeliveries::Add(const QueueServiceRun& run) {
  ran = true;
  if (run.endRequest > run.firstRequest) ranges.emplace_back(run.firstRequest, run.endRequest);
}

bool QueueServiceDeliveries::Contains(size_t request) const {
  for (const auto& [first, end] : ranges) {
    if (request >= first && request < end) return true;
  }
  return false;
}

}  // namespace hostsim
