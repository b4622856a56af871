#include "oracle/client/oracle_errors.h"

#include <algorithm>
#include <array>
#include <exception>

#include "oracle/client/oci_entry_points.h"
#include "oracle/client/oracle_warnings.h"

namespace oracle {

std::atomic<int> MaxErrorMessageLength{1023};
std::function<void(EOracleError&)> OnOracleError;

namespace {

// The server's texts are at most 4000 characters; one more for the zero.
constexpr std::size_t kMessageBufferSize = 4001;
constexpr int kLongestMessage = 4000;

struct ErrorRecord {
  std::int32_t code = 0;
  std::string text;
};

std::string CutMessage(std::string text) {
  const int limit = std::clamp(MaxErrorMessageLength.load(), 0, kLongestMessage);
  if (text.size() > static_cast<std::size_t>(limit)) text.resize(static_cast<std::size_t>(limit));
  return text;
}

std::string BufferText(const std::array<text, kMessageBufferSize>& buffer) {
  const char* chars = reinterpret_cast<const char*>(buffer.data());
  return std::string(chars, std::find(chars, chars + kMessageBufferSize - 1, '\0'));
}

ErrorRecord RecordFromHandle(OCIError* errorHandle, sword status) {
  ErrorRecord record;
  if (status == OCI_INVALID_HANDLE) {
    record.code = kInvalidHandleErrorCode;
    record.text = "Invalid handle";
    return record;
  }
  std::array<text, kMessageBufferSize> buffer{};
  sb4 code = 0;
  sword got = OCI_INVALID_HANDLE;
  if (OCIErrorGet != nullptr && errorHandle != nullptr) {
    got = OCIErrorGet(errorHandle, 1, nullptr, &code, buffer.data(),
                      static_cast<ub4>(kMessageBufferSize), OCI_HTYPE_ERROR);
  }
  buffer.back() = 0;
  if (got == OCI_INVALID_HANDLE) {
    record.code = kInvalidHandleErrorCode;
    record.text = "Invalid handle";
  } else if (got != OCI_SUCCESS) {
    record.code = 0;
    record.text =
        "OCI call failed with status " + std::to_string(status) + " and left no error record";
  } else {
    record.code = code;
    record.text = BufferText(buffer);
  }
  return record;
}

ErrorRecord RecordFromOCI7Code(OracleSessionInfo* session, std::int32_t returnCode) {
  ErrorRecord record;
  record.code = returnCode;
  std::array<text, kMessageBufferSize> buffer{};
  if (oerhms != nullptr && session != nullptr) {
    oerhms(session->OCI7LogonDataArea(), static_cast<sb2>(returnCode), buffer.data(),
           static_cast<sword>(kMessageBufferSize));
    buffer.back() = 0;
    record.text = BufferText(buffer);
  }
  if (record.text.empty()) record.text = "ORA-" + std::to_string(returnCode);
  return record;
}

std::unique_ptr<EOracleError> Build(OracleErrorClass errorClass, OracleSessionInfo* session,
                                    const void* component, const ErrorRecord& record) {
  std::unique_ptr<EOracleError> error;
  const std::string message = CutMessage(record.text);
  if (errorClass == OracleErrorClass::Warning) {
    error = std::make_unique<EOracleWarning>(message, record.code, component, session);
  } else {
    error = std::make_unique<EOracleError>(message, record.code, component, session);
  }
  if (OnOracleError) OnOracleError(*error);
  return error;
}

OracleErrorClass ClassFor(std::int32_t code) {
  return IsOracleWarning(code) ? OracleErrorClass::Warning : OracleErrorClass::Error;
}

}  // namespace

EOracleError::EOracleError(const std::string& message, std::int32_t errorCode,
                           const void* component, OracleSessionInfo* session)
    : std::runtime_error(message),
      errorCode_(errorCode),
      component_(component),
      session_(session) {}

void EOracleError::Raise() const {
  throw *this;
}

void EOracleWarning::Raise() const {
  throw *this;
}

std::unique_ptr<EOracleError> CreateOracleError(OracleErrorClass errorClass,
                                                OracleSessionInfo* session, const void* component,
                                                OCIError* errorHandle, sword status) {
  return Build(errorClass, session, component, RecordFromHandle(errorHandle, status));
}

std::unique_ptr<EOracleError> CreateOCI7Error(OracleErrorClass errorClass,
                                              OracleSessionInfo* session, const void* component,
                                              std::int32_t returnCode) {
  return Build(errorClass, session, component, RecordFromOCI7Code(session, returnCode));
}

void RaiseOCIError(OracleSessionInfo* session, OCIError* errorHandle, const void* component,
                   sword status) {
  const ErrorRecord record = RecordFromHandle(errorHandle, status);
  Build(ClassFor(record.code), session, component, record)->Raise();
  std::terminate();  // not reached: Raise always throws
}

void RaiseOracleErrorCode(OracleSessionInfo* session, const void* component, std::int32_t errorCode,
                          const std::string& message) {
  const ErrorRecord record{errorCode, message};
  Build(ClassFor(record.code), session, component, record)->Raise();
  std::terminate();  // not reached: Raise always throws
}

void RaiseOCI7Error(OracleSessionInfo* session, std::int32_t returnCode, const void* component) {
  const ErrorRecord record = RecordFromOCI7Code(session, returnCode);
  Build(ClassFor(record.code), session, component, record)->Raise();
  std::terminate();  // not reached: Raise always throws
}

}  // namespace oracle
