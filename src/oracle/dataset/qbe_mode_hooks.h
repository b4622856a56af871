#pragma once
// How the dataset reaches its query-by-example mode, which lives in a layer
// above it (oracle/qbemode) and sets itself in at its first use.

#include <string>

namespace oracle {

class TQBEModeHooks {
 public:
  virtual ~TQBEModeHooks() = default;
  // The dataset opened with QBEMode set: the mode is entered.
  virtual void Opened() = 0;
  // The dataset is about to close: fields, controls and the user's SQL
  // text are restored; QBEMode stays set.
  virtual void Closing() = 0;
  // The record count asked in QBE mode: the rows the example selects.
  virtual int RecordCount() = 0;
  // The SQL text as the user wrote it: as it was before the example's
  // condition was put into it, else the current text.
  virtual std::string TextBeforeQBE() const = 0;
};

}  // namespace oracle
