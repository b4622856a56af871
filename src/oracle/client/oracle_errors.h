#pragma once
// The exceptions of the Oracle library and the one routine through which every
// failed OCI call raises: the server's error number and text are fetched from
// the failing call's error handle (or, in OCI7 mode, from the return code), and
// numbers listed as warnings (oracle_warnings.h) raise EOracleWarning.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/oci/oci_api.h"

namespace oracle {

// What error building and feature checks need to know about a session; the
// session class implements it.
class OracleSessionInfo {
 public:
  virtual bool IsConnected() const = 0;
  // True when the session talks to the server through the OCI8 calls.
  virtual bool InOCI8Mode() const = 0;
  // The session's OCI7 logon data area (used in OCI7 mode only).
  virtual Lda_Def* OCI7LogonDataArea() = 0;

 protected:
  ~OracleSessionInfo() = default;
};

// An Oracle error: the server's message text, its error number, and the
// component (session, query or dataset; identity only, may be null) and the
// session (may be null) it was raised for.
class EOracleError : public std::runtime_error {
 public:
  EOracleError(const std::string& message, std::int32_t errorCode, const void* component,
               OracleSessionInfo* session);
  ~EOracleError() override = default;
  EOracleError(const EOracleError&) = default;
  EOracleError& operator=(const EOracleError&) = default;

  std::string Message() const { return what(); }
  std::int32_t ErrorCode() const { return errorCode_; }
  const void* Component() const { return component_; }
  OracleSessionInfo* Session() const { return session_; }

  // Throws this exception as its own class.
  [[noreturn]] virtual void Raise() const;

 private:
  std::int32_t errorCode_;
  const void* component_;
  OracleSessionInfo* session_;
};

// An Oracle error whose number is listed as a warning.
class EOracleWarning : public EOracleError {
 public:
  using EOracleError::EOracleError;
  [[noreturn]] void Raise() const override;
};

// A failure status of the transaction-server support library.
class EOracleMTSError : public std::runtime_error {
 public:
  EOracleMTSError(const std::string& message, std::int32_t errorCode)
      : std::runtime_error(message), errorCode_(errorCode) {}
  std::int32_t ErrorCode() const { return errorCode_; }

 private:
  std::int32_t errorCode_;
};

enum class OracleErrorClass { Error, Warning };

// Messages are cut at this many characters; values outside 0..4000 count as
// the nearest bound (4000 is the longest text the server returns).
extern std::atomic<int> MaxErrorMessageLength;

// When set, receives each newly built error before it is raised.
extern std::function<void(EOracleError&)> OnOracleError;

// ErrorCode of the error built when a call answered OCI_INVALID_HANDLE; the
// message is then "Invalid handle".
constexpr std::int32_t kInvalidHandleErrorCode = -2;

// Builds (does not raise) an error from the failing call's error handle, as
// used in OCI8 mode and without a session. `status` is the failing call's
// status: OCI_INVALID_HANDLE gives "Invalid handle"; a call that left no error
// record gives ErrorCode 0 and a text naming the status.
std::unique_ptr<EOracleError> CreateOracleError(OracleErrorClass errorClass,
                                                OracleSessionInfo* session, const void* component,
                                                OCIError* errorHandle, sword status = OCI_ERROR);

// Builds an error from an OCI7 return code (a session in OCI7 mode).
std::unique_ptr<EOracleError> CreateOCI7Error(OracleErrorClass errorClass,
                                              OracleSessionInfo* session, const void* component,
                                              std::int32_t returnCode);

// Raises EOracleWarning when the error number is listed as a warning, else
// EOracleError. Use after a failed call of a session in OCI8 mode or when
// there is no session.
[[noreturn]] void RaiseOCIError(OracleSessionInfo* session, OCIError* errorHandle,
                                const void* component, sword status = OCI_ERROR);

// For an error the library finds itself in what a call returned (a value the
// client reported cut in a column's return codes): the number and text are
// given; listed numbers raise EOracleWarning, and OnOracleError sees it.
[[noreturn]] void RaiseOracleErrorCode(OracleSessionInfo* session, const void* component,
                                       std::int32_t errorCode, const std::string& message);

// The same for a session in OCI7 mode, from the call's return code.
[[noreturn]] void RaiseOCI7Error(OracleSessionInfo* session, std::int32_t returnCode,
                                 const void* component);

}  // namespace oracle
