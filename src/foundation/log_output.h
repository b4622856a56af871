#pragma once
// The log file the writer thread appends to: its name (folder, base name,
// start date, optional start time) and the open/write/close of one pass.
// Files are created readable and writable by the owner only.

#include <string>
#include <string_view>

#include "foundation/log_time.h"

namespace foundation {

class TLogOutput {
 public:
  TLogOutput(std::string folder, std::string baseName, bool timeStamped, LogTime startDate);
  ~TLogOutput();
  TLogOutput(const TLogOutput&) = delete;
  TLogOutput& operator=(const TLogOutput&) = delete;

  // Opens the current file for appending, creating it when missing. On the
  // first open of a new calendar day the start date becomes now, so the file
  // changes, unless `sameFile` asks for the file of the last open. A folder
  // that went missing is made again (one level). False when the file cannot
  // be opened.
  bool Open(bool sameFile = false);

  // Writes as much of `data` as the file takes; returns the bytes written.
  size_t Write(std::string_view data);

  // Takes the last `bytes` bytes off the end of the open file. False when the
  // file refuses (an append-only file) or is shorter.
  bool Unwrite(size_t bytes);

  void Close();

  // The file name for the current start date.
  std::string FileName() const;

 private:
  std::string folder_;
  std::string baseName_;
  bool timeStamped_;
  LogTime startDate_;
  int fd_ = -1;
};

}  // namespace foundation
