#pragma once
// What the queue service reads from the plug-in's main settings file
// (VeskMain.ini in the settings folder), read as the plug-in reads it: the
// QUEUESERVICE section (Enabled, Interval, LogLevel, Directory) and the
// service address and send time-out the plug-in itself uses.

#include <cstdint>
#include <string>

namespace queueservice {

struct QueueSettings {
  bool enabled = true;
  int32_t intervalSeconds = 30;  // between two rounds; below 1 means 30
  int32_t logLevel = 1;
  // The queue folder: QUEUESERVICE Directory, by default the settings
  // folder's "Queue". A relative folder is taken from the working folder,
  // as the plug-in takes it.
  std::string directory;
  std::string url;  // the active service address (MAIN URLType chooses)
};

// Reads the settings of `settingsFolder` (which must exist; a missing
// VeskMain.ini reads as all defaults, so with no address). Raises
// std::runtime_error when the folder is missing or the file cannot be read.
QueueSettings ReadQueueSettings(const std::string& settingsFolder);

}  // namespace queueservice
