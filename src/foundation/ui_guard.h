// The check every user-interface entry point makes before it creates a widget.
#pragma once

#include <stdexcept>
#include <string>

namespace foundation {

// Raised when a dialog is asked for without a running user interface.
class UiUnavailableError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// True when a QApplication exists and the calling thread is its thread.
bool UiAvailableOnThisThread();

// Throws UiUnavailableError naming `where` unless UiAvailableOnThisThread().
void RequireUiThread(const std::string& where);

}  // namespace foundation
