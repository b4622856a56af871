#pragma once
// A TIMESTAMP value held in an OCI date-time descriptor, so that timestamps
// can be bound and fetched with fractional seconds and time zones.
//
// A timestamp lives on its session as a LOB locator does: when the session
// logs off, it frees its descriptor and error handle (they belong to the
// session's environment) and reads as null; once the session is logged on
// again it makes new ones at its next use and serves as before. Once the
// session is destroyed it reads as null and is still safe to destroy. Calls
// that need the client raise "Not logged on" meanwhile.

#include <cstdint>
#include <string>

#include "oracle/values/complex_object.h"
#include "oracle/values/oracle_date.h"
#include "oracle/values/session_attached.h"
#include "platform/oci/oci_api.h"

namespace oracle {

class TSessionContext;

class TOracleTimestamp : public TComplexObject, public TSessionAttached {
 public:
  // Allocates an error handle and a descriptor of `descriptorType` (68
  // TIMESTAMP, 69 WITH TIME ZONE, 70 WITH LOCAL TIME ZONE) on the session's
  // environment; the value starts null. Raises "Can only create
  // TOracleTimestamp instance if Session is connected".
  TOracleTimestamp(TSessionContext* session, uint32_t descriptorType);
  ~TOracleTimestamp() override;
  TOracleTimestamp(const TOracleTimestamp&) = delete;
  TOracleTimestamp& operator=(const TOracleTimestamp&) = delete;

  // Sets every component; `fraction` is in nanoseconds, `timeZone` a zone
  // text such as "+02:00" (empty: the session's zone).
  void SetComponents(int year, int month, int day, int hour, int minute, int second,
                     uint32_t fraction, const std::string& timeZone = {});
  void Clear() { isNull_ = true; }
  bool IsNull() const { return isNull_; }
  // -1 when null, 0 otherwise.
  int16_t Indicator() const { return isNull_ ? -1 : 0; }
  // Takes the null state a bind's indicator holds after an execute wrote
  // into the descriptor (an out-bind).
  void TakeIndicator(int16_t indicator) { isNull_ = indicator == -1; }

  // The value with the fraction rounded to milliseconds (at most 999); 0 when
  // null.
  TDateTime Value() const;
  // Stores a date-time; zero stores null when the session's ZeroDateIsNull
  // preference is set.
  void SetValue(TDateTime value);

  // Text in the session's timestamp format; empty when null.
  std::string AsText() const;
  void SetAsText(const std::string& text);

  // Copies another timestamp's value, or a raw descriptor's (a fetched row).
  void Assign(const TOracleTimestamp& source);
  void Assign(const OCIDateTime* source, bool isNull);

  // Offset of the value's time zone from UTC.
  void TimeZoneOffset(int& hours, int& minutes) const;

  // The descriptor a bind points at (made anew after a log-off); raises "Not
  // logged on" unless the session is.
  OCIDateTime* Descriptor() const;
  uint32_t DescriptorType() const { return descriptorType_; }
  // The session; null once it was destroyed.
  TSessionContext* Session() const { return session_; }

  // TSessionAttached: at a logoff it lets go of what it holds of the
  // session's environment.
  void SessionLoggingOff() override { SessionEnvironmentEnding(); }
  void SessionEnvironmentEnding() override;
  void SessionDestroyed() override;

 private:
  // -2 raises "TOracleTimestamp: Invalid handle", -1 raises the Oracle error
  // of the timestamp's error handle; other statuses pass.
  void Check(sword status) const;
  OCIEnv* Environment() const;
  // The session is logged on with the client loaded.
  bool Live() const;
  // Makes the error handle and the descriptor when there are none (after a
  // log-off); raises "Not logged on" unless the session is.
  void MakeHandles() const;
  void FreeHandles() noexcept;

  mutable OCIDateTime* descriptor_ = nullptr;
  mutable OCIError* errorHandle_ = nullptr;
  mutable bool ownsHandles_ = false;
  TSessionContext* session_;
  uint32_t descriptorType_;
  bool isNull_ = true;
};

}  // namespace oracle
