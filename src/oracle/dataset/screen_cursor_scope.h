#pragma once
// The dataset's busy cursor for the length of a long operation (fetching
// every row, searching the store).

#include "oracle/session/ui_hooks.h"

namespace oracle {

// Sets the screen cursor for its life when `cursor` is not 0.
class ScreenCursorScope {
 public:
  explicit ScreenCursorScope(TCursor cursor) : active_(cursor != 0) {
    if (!active_) return;
    saved_ = GetScreenCursor();
    SetScreenCursor(cursor);
  }
  ~ScreenCursorScope() {
    if (active_) SetScreenCursor(saved_);
  }
  ScreenCursorScope(const ScreenCursorScope&) = delete;
  ScreenCursorScope& operator=(const ScreenCursorScope&) = delete;

 private:
  bool active_;
  TCursor saved_ = crDefault;
};

}  // namespace oracle
