#pragma once
// What bind variables, fetch buffers and timestamps need to know of the
// session they serve. The session class implements it; code that has no
// session passes a null pointer and gets the documented defaults.

#include <cstdint>

#include "oracle/client/oracle_errors.h"
#include "oracle/values/session_attached.h"

namespace oracle {

class TSessionContext : public OracleSessionInfo {
 public:
  // OCI environment of the connection (null when not connected).
  virtual OCIEnv* Environment() const = 0;
  // A zero date-time is bound as null (preference ZeroDateIsNull).
  virtual bool ZeroDateIsNull() const = 0;
  // A database null reads as a Null variant (NullValue = nvNull) rather than
  // an unassigned one.
  virtual bool NullValueIsNull() const = 0;
  // Line ends are converted between CR LF and LF (preference ConvertCRLF).
  virtual bool ConvertCRLF() const = 0;
  // Largest VARCHAR2 in characters for this connection.
  virtual int32_t MaxVarchar2Chars() const = 0;
  // A timestamp made on the session joins (and leaves) the session's list,
  // so that it is told when the session logs off and when it is destroyed.
  // A context that keeps no list ignores both.
  virtual void AttachTimestamp(TSessionAttached* /*timestamp*/) {}
  virtual void DetachTimestamp(TSessionAttached* /*timestamp*/) {}

 protected:
  ~TSessionContext() = default;
};

}  // namespace oracle
