// The stand-in's configuration: which SQLite file a connect identifier names,
// and the lock time-out. See README.md for the file format and its lookup.
#pragma once

#include <map>
#include <optional>
#include <string>

namespace ocistandin {

struct ClientConfig {
  std::string sourcePath;  // file the configuration came from
  int busyTimeoutMs = 500;
  // BFILE directory aliases ("@directory NAME = folder"): alias upper case,
  // folder absolute.
  std::map<std::string, std::string> directories;
};

// Path of the configuration file in use: NORVANE_OCI_CONFIG, else
// $ORACLE_HOME/network/admin/ociclient.conf. Empty when neither is set.
std::string configFilePath();

// Database file for a connect identifier (matched without regard to case),
// or nothing when the identifier is unknown or no configuration exists.
std::optional<std::string> resolveAlias(const std::string& alias, ClientConfig* config);

// The settings of the configuration file in use (defaults without one).
ClientConfig currentConfig();

}  // namespace ocistandin
