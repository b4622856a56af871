// Date-time descriptors (TIMESTAMP, TIMESTAMP WITH [LOCAL] TIME ZONE): the
// OCIDateTime calls. All values are local times; the zone offset is 0.
#include <cstring>

#include "api_support.h"
#include "oracle_format.h"

using namespace ocistandin;

namespace {

DateTimeDescriptor* findDateTime(const void* pointer) {
  Handle* handle = findAnyHandle(pointer);
  if (handle == nullptr) return nullptr;
  if (handle->type != OCI_DTYPE_TIMESTAMP && handle->type != OCI_DTYPE_TIMESTAMP_TZ &&
      handle->type != OCI_DTYPE_TIMESTAMP_LTZ)
    return nullptr;
  return static_cast<DateTimeDescriptor*>(handle);
}

DateParts partsOf(const DateTimeDescriptor& d) {
  DateParts p;
  p.year = d.year;
  p.month = d.month;
  p.day = d.day;
  p.hour = d.hour;
  p.minute = d.minute;
  p.second = d.second;
  p.nanosecond = static_cast<long>(d.fraction);
  return p;
}

// Common checks: a live context handle, the error handle, the descriptor.
ErrorHandle* begin(const void* hndl, OCIError* errhp, const void* datetime,
                   DateTimeDescriptor** out) {
  ErrorHandle* err = beginCall(errhp);
  *out = findDateTime(datetime);
  if (err == nullptr || findAnyHandle(hndl) == nullptr || *out == nullptr) return nullptr;
  return err;
}

}  // namespace

namespace ocistandin {

void storeDateTime(DateTimeDescriptor& d, const DateParts& p) {
  d.year = static_cast<sb2>(p.year);
  d.month = static_cast<ub1>(p.month);
  d.day = static_cast<ub1>(p.day);
  d.hour = static_cast<ub1>(p.hour);
  d.minute = static_cast<ub1>(p.minute);
  d.second = static_cast<ub1>(p.second);
  d.fraction = static_cast<ub4>(p.nanosecond);
}

std::string dateTimeIsoText(const DateTimeDescriptor& d) {
  return isoTimestampText(partsOf(d));
}

}  // namespace ocistandin

extern "C" {

sword OCIDateTimeConstruct(dvoid* hndl, OCIError* errhp, OCIDateTime* datetime, sb2 yr, ub1 mnth,
                           ub1 dy, ub1 hr, ub1 mm, ub1 ss, ub4 fsec, text*, std::size_t) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  ErrorHandle* err = begin(hndl, errhp, datetime, &d);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  DateParts p{yr, mnth, dy, hr, mm, ss, static_cast<long>(fsec)};
  if (!isValidDate(p) || fsec > 999999999)
    return fail(err, OraError{1858,
                              "a non-numeric character was found where a numeric was "
                              "expected"});
  storeDateTime(*d, p);
  return OCI_SUCCESS;
}

sword OCIDateTimeGetDate(dvoid* hndl, OCIError* errhp, const OCIDateTime* date, sb2* yr, ub1* mnth,
                         ub1* dy) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  if (begin(hndl, errhp, date, &d) == nullptr) return OCI_INVALID_HANDLE;
  if (yr != nullptr) *yr = d->year;
  if (mnth != nullptr) *mnth = d->month;
  if (dy != nullptr) *dy = d->day;
  return OCI_SUCCESS;
}

sword OCIDateTimeGetTime(dvoid* hndl, OCIError* errhp, OCIDateTime* datetime, ub1* hr, ub1* mm,
                         ub1* ss, ub4* fsec) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  if (begin(hndl, errhp, datetime, &d) == nullptr) return OCI_INVALID_HANDLE;
  if (hr != nullptr) *hr = d->hour;
  if (mm != nullptr) *mm = d->minute;
  if (ss != nullptr) *ss = d->second;
  if (fsec != nullptr) *fsec = d->fraction;
  return OCI_SUCCESS;
}

sword OCIDateTimeAssign(dvoid* hndl, OCIError* errhp, const OCIDateTime* from, OCIDateTime* to) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* source = nullptr;
  if (begin(hndl, errhp, from, &source) == nullptr) return OCI_INVALID_HANDLE;
  DateTimeDescriptor* target = findDateTime(to);
  if (target == nullptr) return OCI_INVALID_HANDLE;
  storeDateTime(*target, partsOf(*source));
  return OCI_SUCCESS;
}

sword OCIDateTimeGetTimeZoneOffset(dvoid* hndl, OCIError* errhp, const OCIDateTime* datetime,
                                   sb1* hour, sb1* min) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  if (begin(hndl, errhp, datetime, &d) == nullptr) return OCI_INVALID_HANDLE;
  if (hour != nullptr) *hour = 0;
  if (min != nullptr) *min = 0;
  return OCI_SUCCESS;
}

sword OCIDateTimeToText(dvoid* hndl, OCIError* errhp, const OCIDateTime* date, const text* fmt,
                        ub1 fmt_length, ub1 fsprec, const text*, std::size_t, ub4* buf_size,
                        text* buf) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  ErrorHandle* err = begin(hndl, errhp, date, &d);
  if (err == nullptr || buf_size == nullptr) return OCI_INVALID_HANDLE;
  std::string model = fmt != nullptr && fmt_length > 0
                          ? std::string(reinterpret_cast<const char*>(fmt), fmt_length)
                          : std::string(kSessionTimestampFormat);
  // A bare FF takes the requested fractional precision.
  if (fsprec >= 1 && fsprec <= 9) {
    for (size_t at = model.find("FF"); at != std::string::npos; at = model.find("FF", at + 2)) {
      const bool hasDigit = at + 2 < model.size() && model[at + 2] >= '1' && model[at + 2] <= '9';
      if (!hasDigit) model.insert(at + 2, 1, static_cast<char>('0' + fsprec));
    }
  }
  std::string out;
  try {
    out = formatDate(partsOf(*d), model);
  } catch (const std::exception&) {
    return fail(err, OraError{1821, "date format not recognized"});
  }
  if (out.size() > *buf_size)
    return fail(err, OraError{1877, "string is too long for internal buffer"});
  if (buf != nullptr) std::memcpy(buf, out.data(), out.size());
  *buf_size = static_cast<ub4>(out.size());
  return OCI_SUCCESS;
}

sword OCIDateTimeFromText(dvoid* hndl, OCIError* errhp, const text* date_str,
                          std::size_t dstr_length, const text* fmt, ub1 fmt_length, const text*,
                          std::size_t, const text*, std::size_t, OCIDateTime* datetime) {
  ApiLock lock(apiMutex());
  DateTimeDescriptor* d = nullptr;
  ErrorHandle* err = begin(hndl, errhp, datetime, &d);
  if (err == nullptr) return OCI_INVALID_HANDLE;
  if (date_str == nullptr) return fail(err, kLiteralMismatch);
  const std::string value(reinterpret_cast<const char*>(date_str), dstr_length);
  const std::string model = fmt != nullptr && fmt_length > 0
                                ? std::string(reinterpret_cast<const char*>(fmt), fmt_length)
                                : std::string(kSessionTimestampFormat);
  const auto parts = parseDate(value, model);
  if (!parts) return fail(err, kLiteralMismatch);
  storeDateTime(*d, *parts);
  return OCI_SUCCESS;
}

}  // extern "C"
