#pragma once
// The stand-in receipt service: an HTTPS server on 127.0.0.1 that answers the
// two SOAP operations (customer authentication and digital receipt) and
// records every request it receives, in memory and, when asked, as files in a
// folder.
//
// What it answers is planned per request: each request (or, for the TLS
// answers, each new connection) takes the next planned answer, and when none
// is planned the default answer. Connections can also be refused for a while.
//
//   receiptservice::ReceiptService service(receiptservice::MakeTestCertificates(dir));
//   service.Start();
//   service.Plan({.kind = receiptservice::AnswerKind::NotFound});
//   ... post to service.Url() trusting service.Certificates().caCert ...
//   service.Requests();  // what arrived

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "soap_answers.h"
#include "test_certificates.h"

namespace httplib {
struct Request;
}

namespace receiptservice {

enum class AnswerKind {
  Normal,            // the operation's accepted answer
  ErrorStatus,       // the operation's refusal (errorStatus / not processed)
  MerchantNotFound,  // a refusal with the code "MERCHANT_NOT_FOUND"
  NotFound,          // HTTP 404
  ServerError,       // HTTP 500 with a SOAP fault
  Stall,             // no answer until `stall` has passed (or the service stops)
  Garbage,           // HTTP 200 with bytes that are not XML
  Redirect,          // HTTP 302 to another address of the service, no body
  BadRequest,        // HTTP 400 with a SOAP fault
  Reformatted,       // the accepted answer written in another well-formed form
  Utf16,             // the accepted answer in UTF-16 (byte-order mark and declaration)
  NumericBooleans,   // the accepted answer with its Booleans written 1 and 0
  CutShort,          // HTTP 200 announcing the accepted answer, cut short and closed
  // The request is read and the service holds it, but no answer comes back:
  TlsBrokenAfterRequest,  // bytes that are no TLS record, then the connection closes
  ClosedAfterRequest,     // the connection closes (cleanly) without an answer
  // Answers to a new connection, given during the TLS handshake:
  UntrustedCertificate,  // a self-signed certificate for the right host
  WrongHostCertificate,  // a trusted certificate for another host name
  HandshakeFailure,      // a handshake-failure alert
  // Not nameable (for programs only): HTTP `status` with `body`, or with the
  // accepted answer when `body` is empty.
  Custom,
};

// The name used on the command line ("normal", "error-status", ...).
const char* AnswerKindName(AnswerKind kind);
// False when `name` names no kind.
bool AnswerKindFromName(std::string_view name, AnswerKind& kind);

struct Answer {
  AnswerKind kind = AnswerKind::Normal;
  bool authenticated = true;
  bool digitalDefault = false;
  bool temporaryId = false;
  std::string customerId = "C-1000";
  std::chrono::milliseconds stall{60'000};
  size_t garbageBytes = 0;  // a garbage answer this long; 0: a short one
  int status = 200;         // of a Custom answer
  std::string body{};       // of a Custom answer; empty: the accepted answer
};

// Whether the service took a request of this answer without its answer
// reaching the sender whole (cut short, TLS broken, closed): it holds the
// receipt, though the sender saw no answer and may send it again.
bool TakenWithoutAnswer(AnswerKind kind);

struct ReceivedRequest {
  std::string method;
  std::string path;
  std::string version;                              // "HTTP/1.1"
  std::multimap<std::string, std::string> headers;  // names as sent
  std::string body;
  Operation operation = Operation::Unknown;
  AnswerKind answer = AnswerKind::Normal;
  // Its place among every request the service received, from 1.
  size_t sequence = 0;
  // A stalled request the service answered (normally) once its stall had
  // passed: the service took it, though its sender may have given up long
  // before and sent it again. Set by MarkAnsweredAfterStall.
  bool answeredAfterStall = false;

  // Values of header `name` (any letter case), in order.
  std::vector<std::string> Header(std::string_view name) const;
};

class ReceiptService {
 public:
  explicit ReceiptService(TestCertificates certificates);
  ~ReceiptService();
  ReceiptService(const ReceiptService&) = delete;
  ReceiptService& operator=(const ReceiptService&) = delete;

  // Starts listening on 127.0.0.1:`port` (0: a free port). Raises
  // std::runtime_error when the certificates cannot be loaded or the port
  // cannot be bound.
  void Start(int port = 0);
  // Stops listening; stalled answers end at once. Safe to call twice.
  void Stop();

  int Port() const { return port_; }
  // "https://localhost:<port>/WS/v2.0/<merchant>".
  std::string Url(std::string_view merchant = "M-1001") const;
  const TestCertificates& Certificates() const { return certificates_; }

  // Appends an answer for a later request (or, for a TLS answer, a later
  // connection).
  void Plan(const Answer& answer);
  // The answer when none is planned.
  void SetDefaultAnswer(const Answer& answer);
  size_t PlannedLeft() const;

  // While on, connection attempts are refused (nothing listens on the port,
  // which stays reserved); switching off listens again on the same port.
  void RefuseConnections(bool on);

  // When not empty, every request is also written there as
  // "<number>-<operation>.http": request line, headers, blank line, body.
  void SetRecordFolder(std::string folder);

  std::vector<ReceivedRequest> Requests() const;
  // The requests received so far, no longer kept (a long run).
  std::vector<ReceivedRequest> TakeRequests();
  size_t RequestCount() const;
  // TLS answers given so far, and requests now stalled.
  size_t TlsFailuresGiven() const;
  size_t StallsInProgress() const;
  // Waits until no stall that ends within `within` from now is still in
  // progress (a stall that lasts longer is left to run), so that the
  // requests a real service would still answer are answered before Stop.
  void FinishStalls(std::chrono::milliseconds within);
  // Sets answeredAfterStall on those of `requests` (taken before or not)
  // whose stall had passed and that were answered.
  void MarkAnsweredAfterStall(std::vector<ReceivedRequest>& requests) const;

 private:
  struct Tls;
  class Server;

  void StartServer(int port);
  void StopServer();
  void ReservePort();
  Answer TakeAnswer(bool handshake);
  // How a request's exchange ends.
  enum class Ending { Answer, CutShort, BreakTls, Close };
  Ending Handle(ReceivedRequest request, int& status, std::string& body, std::string& type);
  static void EndWithoutAnswer(const httplib::Request& req, Ending ending, const std::string& body);
  size_t Record(ReceivedRequest& request);
  bool WaitForStall(std::chrono::milliseconds stall);
  int ClientHello(void* ssl, int* alert);

  TestCertificates certificates_;
  std::unique_ptr<Tls> tls_;
  std::unique_ptr<Server> server_;
  std::thread listener_;
  int port_ = 0;
  int reservation_ = -1;  // bound, not listening socket while refusing

  mutable std::mutex mutex_;
  std::condition_variable stallWake_;
  std::condition_variable stallEnded_;
  std::multiset<std::chrono::steady_clock::time_point> stallEnds_;
  std::set<size_t> answeredAfterStall_;  // sequence numbers
  size_t received_ = 0;                  // requests received, taken ones included
  bool stopping_ = false;
  std::deque<Answer> planned_;
  Answer default_;
  std::vector<ReceivedRequest> requests_;
  std::string recordFolder_;
  size_t tlsFailures_ = 0;
  size_t stalls_ = 0;
};

}  // namespace receiptservice
