// queue-service: delivers the queued receipt files of a settings folder to
// the receipt service, once or every interval until stopped.

#include <signal.h>

#include <cerrno>
#include <cstring>
#include <ctime>
#include <iostream>
#include <string>
#include <vector>

#include "queue_delivery.h"
#include "queue_log.h"
#include "queue_settings.h"

namespace {

constexpr const char* kUsage =
    "Usage: queue-service [--settings DIR] [--once] [--log FILE]\n"
    "\n"
    "Delivers the receipt requests the plug-in queued when the receipt service\n"
    "could not be reached. Reads DIR/VeskMain.ini as the plug-in does: the\n"
    "QUEUESERVICE section (Enabled, Interval in seconds, LogLevel, Directory:\n"
    "the queue folder, DIR/Queue by default) and the service address and send\n"
    "time-out. Every interval it posts each queue file, oldest first, and\n"
    "removes the file once the service has accepted it (HTTP 200 and\n"
    "DigitalReceiptProcessed true); any other outcome keeps the file for the\n"
    "next round. With Enabled 0 nothing is sent. The settings are read again\n"
    "at every round. NORVANE_CA_BUNDLE is honoured as by the plug-in.\n"
    "\n"
    "Options:\n"
    "  --settings DIR  the plug-in's settings folder (default: ./VeskRcpts)\n"
    "  --once          one round, then exit\n"
    "  --log FILE      append the log there (default: standard error)\n"
    "  --help          show this text\n"
    "\n"
    "Runs until SIGTERM or SIGINT, which it takes between two files (the file\n"
    "in flight is finished first). Exit status: 0 after a round or a stop, 1\n"
    "when the settings or the log cannot be read or opened, 2 for a usage\n"
    "error.\n";

// The stop signals stay blocked and are taken only where the service looks
// for them: between two files and while it waits for the next round.
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

bool StopPending() {
  sigset_t pending;
  sigemptyset(&pending);
  if (sigpending(&pending) != 0) return false;
  return sigismember(&pending, SIGTERM) == 1 || sigismember(&pending, SIGINT) == 1;
}

// Waits `seconds`; false when a stop signal came meanwhile.
bool WaitForNextRound(int seconds) {
  const sigset_t set = StopSignals();
  timespec timeout{seconds, 0};
  for (;;) {
    const int taken = sigtimedwait(&set, nullptr, &timeout);
    if (taken > 0) return false;
    if (errno == EAGAIN) return true;
    if (errno != EINTR) return true;
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string settingsFolder = "./VeskRcpts";
  std::string logFile;
  bool once = false;
  const std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--once") {
      once = true;
    } else if (arg == "--settings" && i + 1 < args.size()) {
      settingsFolder = args[++i];
    } else if (arg == "--log" && i + 1 < args.size()) {
      logFile = args[++i];
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }

  const sigset_t stops = StopSignals();
  if (sigprocmask(SIG_BLOCK, &stops, nullptr) != 0) {
    std::cerr << "queue-service: cannot block the stop signals: " << std::strerror(errno) << "\n";
    return 1;
  }

  try {
    queueservice::QueueLog log(logFile);
    log.Write(queueservice::kLogFiles,
              "Queue service started for " + settingsFolder + (once ? " (one round)" : ""));
    for (;;) {
      int interval = 30;
      try {
        const queueservice::QueueSettings settings =
            queueservice::ReadQueueSettings(settingsFolder);
        log.SetLevel(settings.logLevel);
        interval = settings.intervalSeconds;
        log.Write(queueservice::kLogDetails, "Settings: enabled " +
                                                 std::to_string(settings.enabled) + ", interval " +
                                                 std::to_string(settings.intervalSeconds) +
                                                 " s, queue folder " + settings.directory);
        if (!settings.enabled) {
          log.Write(queueservice::kLogDetails, "Disabled in the settings: nothing sent");
        } else {
          queueservice::DeliverQueue(settings, log, StopPending);
        }
      } catch (const std::exception& error) {
        log.Write(queueservice::kLogErrors,
                  std::string("Cannot read the settings: ") + error.what());
        if (once) return 1;
      }
      if (once || StopPending() || !WaitForNextRound(interval)) break;
    }
    log.Write(queueservice::kLogRounds, "Queue service stopped");
  } catch (const std::exception& error) {
    std::cerr << "queue-service: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
