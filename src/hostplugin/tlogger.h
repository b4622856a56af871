#pragma once
// TLogger: the line writer behind a plug-in's debug log. Every line opens the
// file, writes one line and closes it again, so the file is complete whenever
// the host stops.

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>

namespace hostplugin {

class TLogger {
 public:
  using Notify = std::function<void(TLogger&)>;
  using ErrorNotify = std::function<void(TLogger&, const std::string& error)>;

  // File name "?" first, then (through SetFileName) the default name.
  TLogger();
  virtual ~TLogger();
  TLogger(const TLogger&) = delete;
  TLogger& operator=(const TLogger&) = delete;

  // Opens the file for appending (anew when the new-file flag is set or
  // appending fails); the after-open notification runs, an I/O error goes to
  // the error notification.
  virtual void Open();
  virtual void Close();
  // Only while active: open, write the prefix and the (cut, padded, stamped)
  // text as one line, notify, close.
  virtual void WriteLine(const std::string& text);
  // Stores a different name; an empty name becomes the host executable's
  // path with ".log" appended.
  virtual void SetFileName(const std::string& name);
  // Appends the text and one blank to the line prefix.
  virtual void AddPrefix(const std::string& text);

  const std::string& FileName() const { return file_name_; }
  const std::string& Prefix() const { return prefix_; }

  // 0 = no fixed width; otherwise the text is cut and padded to it.
  uint8_t FixedWidth = 0;
  // 0 = none, 1 = "[stamp] " in front, 2 = " [stamp]" behind.
  uint8_t DateStampMode = 0;
  uint8_t TimeStampMode = 0;
  bool Active = false;
  // The next Open starts the file anew (the flag is used up by it).
  bool NewFile = false;

  Notify OnAfterOpen;
  Notify OnAfterWrite;
  ErrorNotify OnError;

 private:
  void Fail(const std::string& what);

  std::FILE* file_ = nullptr;
  std::string file_name_;
  std::string prefix_;
};

}  // namespace hostplugin
