#include "oracle/values/oracle_timestamp.h"

#include <stdexcept>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oci_loader.h"
#include "oracle/client/oci_loader_state.h"
#include "oracle/values/session_context.h"

namespace oracle {
namespace {

constexpr uint32_t kNanosPerMilli = 1'000'000;
// Digits of the fraction in text conversions.
constexpr ub1 kFractionDigits = 6;

}  // namespace

TOracleTimestamp::TOracleTimestamp(TSessionContext* session, uint32_t descriptorType)
    : session_(session), descriptorType_(descriptorType) {
  if (session == nullptr || !session->IsConnected()) {
    throw std::runtime_error("Can only create TOracleTimestamp instance if Session is connected");
  }
  if (!OCI81Available) {
    throw std::runtime_error("TOracleTimestamp requires the OCI 8.1 client calls");
  }
  MakeHandles();
  session_->AttachTimestamp(this);
}

TOracleTimestamp::~TOracleTimestamp() {
  if (session_ != nullptr) session_->DetachTimestamp(this);
  // After a log-off, a lost session or the client's unload nothing is left
  // to free here.
  if (Live()) FreeHandles();
}

void TOracleTimestamp::MakeHandles() const {
  if (!Live()) throw std::runtime_error("Not logged on");
  if (errorHandle_ != nullptr && descriptor_ != nullptr) return;
  OCIEnv* env = Environment();
  void* handle = nullptr;
  if (errorHandle_ == nullptr) {
    Check(OCIHandleAlloc(env, &handle, OCI_HTYPE_ERROR, 0, nullptr));
    errorHandle_ = static_cast<OCIError*>(handle);
  }
  handle = nullptr;
  const sword status = OCIDescriptorAlloc(env, &handle, descriptorType_, 0, nullptr);
  if (status != OCI_SUCCESS && status != OCI_SUCCESS_WITH_INFO) {
    OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
    errorHandle_ = nullptr;
    if (status == OCI_INVALID_HANDLE) Check(status);
    throw std::runtime_error("TOracleTimestamp: descriptor allocation failed");
  }
  descriptor_ = static_cast<OCIDateTime*>(handle);
  ownsHandles_ = true;
}

void TOracleTimestamp::FreeHandles() noexcept {
  if (ownsHandles_) {
    if (descriptor_ != nullptr) OCIDescriptorFree(descriptor_, descriptorType_);
    if (errorHandle_ != nullptr) OCIHandleFree(errorHandle_, OCI_HTYPE_ERROR);
  }
  descriptor_ = nullptr;
  errorHandle_ = nullptr;
}

void TOracleTimestamp::SessionEnvironmentEnding() {
  // The descriptor and the error handle go with the session's environment:
  // freed now, while the client can still be called. The value goes with
  // them.
  if (Live()) FreeHandles();
  descriptor_ = nullptr;
  errorHandle_ = nullptr;
  isNull_ = true;
}

void TOracleTimestamp::SessionDestroyed() {
  session_ = nullptr;
  descriptor_ = nullptr;
  errorHandle_ = nullptr;
  isNull_ = true;
}

bool TOracleTimestamp::Live() const {
  return session_ != nullptr && session_->IsConnected() && OCIDllLoaded();
}

OCIDateTime* TOracleTimestamp::Descriptor() const {
  MakeHandles();
  return descriptor_;
}

OCIEnv* TOracleTimestamp::Environment() const {
  return session_->Environment();
}

void TOracleTimestamp::Check(sword status) const {
  if (status == OCI_INVALID_HANDLE) throw std::runtime_error("TOracleTimestamp: Invalid handle");
  if (status == OCI_ERROR) RaiseOCIError(session_, errorHandle_, this, status);
}

void TOracleTimestamp::SetComponents(int year, int month, int day, int hour, int minute, int second,
                                     uint32_t fraction, const std::string& timeZone) {
  std::string zone = timeZone;  // the call takes a non-const text
  MakeHandles();
  Check(OCIDateTimeConstruct(Environment(), errorHandle_, descriptor_, static_cast<sb2>(year),
                             static_cast<ub1>(month), static_cast<ub1>(day), static_cast<ub1>(hour),
                             static_cast<ub1>(minute), static_cast<ub1>(second), fraction,
                             zone.empty() ? nullptr : reinterpret_cast<text*>(zone.data()),
                             zone.size()));
  isNull_ = false;
}

TDateTime TOracleTimestamp::Value() const {
  if (isNull_) return 0;
  MakeHandles();
  sb2 year = 0;
  ub1 month = 0, day = 0, hour = 0, minute = 0, second = 0;
  ub4 fraction = 0;
  Check(OCIDateTimeGetDate(Environment(), errorHandle_, descriptor_, &year, &month, &day));
  Check(OCIDateTimeGetTime(Environment(), errorHandle_, descriptor_, &hour, &minute, &second,
                           &fraction));
  // Rounded to the millisecond but kept inside its second: 999.6 ms is 999.
  uint32_t millis = (fraction + kNanosPerMilli / 2) / kNanosPerMilli;
  if (millis > 999) millis = 999;
  return EncodeDateTime({year, month, day, hour, minute, second, static_cast<int>(millis)});
}

void TOracleTimestamp::SetValue(TDateTime value) {
  if (session_ == nullptr) throw std::runtime_error("Not logged on");
  if (value == 0 && session_->ZeroDateIsNull()) {
    Clear();
    return;
  }
  const TDateTimeParts p = DecodeDateTime(value);
  SetComponents(p.year, p.month, p.day, p.hour, p.minute, p.second,
                static_cast<uint32_t>(p.millisecond) * kNanosPerMilli);
}

std::string TOracleTimestamp::AsText() const {
  if (isNull_) return {};
  MakeHandles();
  text buffer[256];
  ub4 size = sizeof buffer;
  Check(OCIDateTimeToText(Environment(), errorHandle_, descriptor_, nullptr, 0, kFractionDigits,
                          nullptr, 0, &size, buffer));
  if (size > sizeof buffer) size = sizeof buffer;
  return std::string(reinterpret_cast<const char*>(buffer), size);
}

void TOracleTimestamp::SetAsText(const std::string& value) {
  MakeHandles();
  Check(OCIDateTimeFromText(Environment(), errorHandle_,
                            reinterpret_cast<const text*>(value.data()), value.size(), nullptr, 0,
                            nullptr, 0, nullptr, 0, descriptor_));
  isNull_ = false;
}

void TOracleTimestamp::Assign(const TOracleTimestamp& source) {
  if (&source == this) return;
  Assign(source.descriptor_, source.isNull_);
}

void TOracleTimestamp::Assign(const OCIDateTime* source, bool isNull) {
  if (!isNull) {
    MakeHandles();
    Check(OCIDateTimeAssign(Environment(), errorHandle_, source, descriptor_));
  }
  isNull_ = isNull;
}

void TOracleTimestamp::TimeZoneOffset(int& hours, int& minutes) const {
  sb1 h = 0, m = 0;
  MakeHandles();
  Check(OCIDateTimeGetTimeZoneOffset(Environment(), errorHandle_, descriptor_, &h, &m));
  hours = h;
  minutes = m;
}

}  // namespace oracle
