#include "receipt_service.h"

#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <utility>

namespace receiptservice {

namespace {

constexpr const char* kLoopback = "127.0.0.1";
constexpr std::chrono::seconds kStartBound{10};
// Where a redirect answer sends the client.
constexpr const char* kRedirectPath = "/WS/v2.0/moved";

struct KindName {
  AnswerKind kind;
  const char* name;
};

constexpr std::array<KindName, 18> kKindNames{{
    {AnswerKind::Normal, "normal"},
    {AnswerKind::ErrorStatus, "error-status"},
    {AnswerKind::MerchantNotFound, "merchant-not-found"},
    {AnswerKind::NotFound, "not-found"},
    {AnswerKind::ServerError, "server-error"},
    {AnswerKind::Stall, "stall"},
    {AnswerKind::Garbage, "garbage"},
    {AnswerKind::Redirect, "redirect"},
    {AnswerKind::BadRequest, "bad-request"},
    {AnswerKind::Reformatted, "reformatted"},
    {AnswerKind::Utf16, "utf-16"},
    {AnswerKind::NumericBooleans, "numeric-booleans"},
    {AnswerKind::CutShort, "cut-short"},
    {AnswerKind::TlsBrokenAfterRequest, "tls-broken-after-request"},
    {AnswerKind::ClosedAfterRequest, "closed-after-request"},
    {AnswerKind::UntrustedCertificate, "untrusted-certificate"},
    {AnswerKind::WrongHostCertificate, "wrong-host-certificate"},
    {AnswerKind::HandshakeFailure, "handshake-failure"},
}};

bool IsTlsKind(AnswerKind kind) {
  return kind == AnswerKind::UntrustedCertificate || kind == AnswerKind::WrongHostCertificate ||
         kind == AnswerKind::HandshakeFailure;
}

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return out;
}

X509* LoadCertificate(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("Cannot open certificate " + path);
  X509* cert = PEM_read_X509(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (cert == nullptr) throw std::runtime_error("Cannot read certificate " + path);
  return cert;
}

EVP_PKEY* LoadKey(const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) throw std::runtime_error("Cannot open key " + path);
  EVP_PKEY* key = PEM_read_PrivateKey(f, nullptr, nullptr, nullptr);
  std::fclose(f);
  if (key == nullptr) throw std::runtime_error("Cannot read key " + path);
  return key;
}

}  // namespace

const char* AnswerKindName(AnswerKind kind) {
  for (const auto& k : kKindNames) {
    if (k.kind == kind) return k.name;
  }
  return kind == AnswerKind::Custom ? "custom" : "unknown";
}

bool TakenWithoutAnswer(AnswerKind kind) {
  return kind == AnswerKind::CutShort || kind == AnswerKind::TlsBrokenAfterRequest ||
         kind == AnswerKind::ClosedAfterRequest;
}

bool AnswerKindFromName(std::string_view name, AnswerKind& kind) {
  for (const auto& k : kKindNames) {
    if (name == k.name) {
      kind = k.kind;
      return true;
    }
  }
  return false;
}

std::vector<std::string> ReceivedRequest::Header(std::string_view name) const {
  std::vector<std::string> values;
  const std::string wanted = Lower(name);
  for (const auto& [key, value] : headers) {
    if (Lower(key) == wanted) values.push_back(value);
  }
  return values;
}

// The certificates served instead of the service's own for the TLS answers.
struct ReceiptService::Tls {
  X509* untrusted = nullptr;
  EVP_PKEY* untrustedKey = nullptr;
  X509* wrongHost = nullptr;
  EVP_PKEY* wrongHostKey = nullptr;

  explicit Tls(const TestCertificates& c) {
    try {
      untrusted = LoadCertificate(c.untrustedCert);
      untrustedKey = LoadKey(c.untrustedKey);
      wrongHost = LoadCertificate(c.wrongHostCert);
      wrongHostKey = LoadKey(c.wrongHostKey);
    } catch (...) {
      Free();
      throw;
    }
  }
  ~Tls() { Free(); }
  Tls(const Tls&) = delete;
  Tls& operator=(const Tls&) = delete;

  void Free() {
    X509_free(untrusted);
    EVP_PKEY_free(untrustedKey);
    X509_free(wrongHost);
    EVP_PKEY_free(wrongHostKey);
    untrusted = wrongHost = nullptr;
    untrustedKey = wrongHostKey = nullptr;
  }
};

class ReceiptService::Server {
 public:
  explicit Server(const std::function<bool(SSL_CTX&)>& setup) : http(setup) {}
  httplib::SSLServer http;
};

ReceiptService::ReceiptService(TestCertificates certificates)
    : certificates_(std::move(certificates)) {}

ReceiptService::~ReceiptService() {
  Stop();
}

void ReceiptService::Start(int port) {
  if (server_) throw std::runtime_error("The receipt service is already running");
  if (!tls_) tls_ = std::make_unique<Tls>(certificates_);
  StartServer(port);
}

void ReceiptService::Stop() {
  StopServer();
  if (reservation_ >= 0) {
    ::close(reservation_);
    reservation_ = -1;
  }
}

std::string ReceiptService::Url(std::string_view merchant) const {
  return "https://localhost:" + std::to_string(port_) + "/WS/v2.0/" + std::string(merchant);
}

void ReceiptService::StartServer(int port) {
  auto setup = [this](SSL_CTX& ctx) {
    if (SSL_CTX_use_certificate_chain_file(&ctx, certificates_.serverCert.c_str()) != 1 ||
        SSL_CTX_use_PrivateKey_file(&ctx, certificates_.serverKey.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_set_min_proto_version(&ctx, TLS1_2_VERSION) != 1) {
      return false;
    }
    SSL_CTX_set_client_hello_cb(
        &ctx,
        [](SSL* ssl, int* alert, void* self) {
          return static_cast<ReceiptService*>(self)->ClientHello(ssl, alert);
        },
        this);
    return true;
  };
  auto server = std::make_unique<Server>(setup);
  if (!server->http.is_valid()) {
    throw std::runtime_error("The service certificate " + certificates_.serverCert +
                             " could not be used");
  }
  // Idle kept-alive connections are closed soon, so that stopping is quick.
  server->http.set_keep_alive_timeout(2);
  // Answers go out at once rather than waiting for the client's
  // acknowledgement of the head.
  server->http.set_tcp_nodelay(true);
  server->http.Post(".*", [this](const httplib::Request& req, httplib::Response& res) {
    ReceivedRequest r;
    r.method = req.method;
    r.path = req.path;
    r.version = req.version;
    for (const auto& [key, value] : req.headers) {
      // The server library adds the peers' addresses as headers of its own.
      if (key == "REMOTE_ADDR" || key == "REMOTE_PORT" || key == "LOCAL_ADDR" ||
          key == "LOCAL_PORT") {
        continue;
      }
      r.headers.emplace(key, value);
    }
    r.body = req.body;
    int status = 200;
    std::string body;
    std::string type;
    const Ending ending = Handle(std::move(r), status, body, type);
    if (ending != Ending::Answer) {
      EndWithoutAnswer(req, ending, body);
      return;
    }
    res.status = status;
    if (status / 100 == 3) res.set_header("Location", kRedirectPath);
    res.set_content(body, type.c_str());
  });
  if (port == 0) {
    port = server->http.bind_to_any_port(kLoopback);
    if (port < 0) throw std::runtime_error("Cannot listen on a free port of 127.0.0.1");
  } else if (!server->http.bind_to_port(kLoopback, port)) {
    throw std::runtime_error("Cannot listen on 127.0.0.1:" + std::to_string(port));
  }
  port_ = port;
  {
    std::lock_guard lock(mutex_);
    stopping_ = false;
  }
  httplib::SSLServer* http = &server->http;
  server_ = std::move(server);
  listener_ = std::thread([http] { http->listen_after_bind(); });
  const auto until = std::chrono::steady_clock::now() + kStartBound;
  while (!http->is_running() && std::chrono::steady_clock::now() < until) {
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (!http->is_running()) {
    StopServer();
    throw std::runtime_error("The receipt service did not start listening");
  }
}

void ReceiptService::StopServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  stallWake_.notify_all();
  if (server_) server_->http.stop();
  if (listener_.joinable()) listener_.join();
  server_.reset();
}

void ReceiptService::ReservePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return;
  const int yes = 1;
  ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_port = htons(static_cast<uint16_t>(port_));
  ::inet_pton(AF_INET, kLoopback, &addr.sin_addr);
  if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) {
    ::close(fd);
    return;  // still refused: nothing listens
  }
  reservation_ = fd;
}

void ReceiptService::RefuseConnections(bool on) {
  if (on) {
    if (!server_) return;
    StopServer();
    ReservePort();
  } else {
    if (server_ || port_ == 0) return;
    if (reservation_ >= 0) {
      ::close(reservation_);
      reservation_ = -1;
    }
    StartServer(port_);
  }
}

void ReceiptService::Plan(const Answer& answer) {
  std::lock_guard lock(mutex_);
  planned_.push_back(answer);
}

void ReceiptService::SetDefaultAnswer(const Answer& answer) {
  std::lock_guard lock(mutex_);
  default_ = answer;
}

size_t ReceiptService::PlannedLeft() const {
  std::lock_guard lock(mutex_);
  return planned_.size();
}

void ReceiptService::SetRecordFolder(std::string folder) {
  std::lock_guard lock(mutex_);
  recordFolder_ = std::move(folder);
}

std::vector<ReceivedRequest> ReceiptService::Requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

std::vector<ReceivedRequest> ReceiptService::TakeRequests() {
  std::lock_guard lock(mutex_);
  return std::exchange(requests_, {});
}

size_t ReceiptService::RequestCount() const {
  std::lock_guard lock(mutex_);
  return requests_.size();
}

size_t ReceiptService::TlsFailuresGiven() const {
  std::lock_guard lock(mutex_);
  return tlsFailures_;
}

size_t ReceiptService::StallsInProgress() const {
  std::lock_guard lock(mutex_);
  return stalls_;
}

// The next planned answer of the right sort: a TLS answer for a new
// connection, any other for a request. A planned answer of the other sort
// stays at the head of the plan for its turn.
Answer ReceiptService::TakeAnswer(bool handshake) {
  std::lock_guard lock(mutex_);
  if (!planned_.empty() && IsTlsKind(planned_.front().kind) == handshake) {
    Answer a = planned_.front();
    planned_.pop_front();
    if (handshake) ++tlsFailures_;
    return a;
  }
  Answer a = default_;
  if (IsTlsKind(a.kind) != handshake) a.kind = AnswerKind::Normal;
  if (handshake && IsTlsKind(a.kind)) ++tlsFailures_;
  return a;
}

int ReceiptService::ClientHello(void* sslHandle, int* alert) {
  SSL* ssl = static_cast<SSL*>(sslHandle);
  const Answer a = TakeAnswer(true);
  switch (a.kind) {
    case AnswerKind::HandshakeFailure:
      *alert = SSL_AD_HANDSHAKE_FAILURE;
      return SSL_CLIENT_HELLO_ERROR;
    case AnswerKind::UntrustedCertificate:
      if (SSL_use_certificate(ssl, tls_->untrusted) != 1 ||
          SSL_use_PrivateKey(ssl, tls_->untrustedKey) != 1) {
        *alert = SSL_AD_INTERNAL_ERROR;
        return SSL_CLIENT_HELLO_ERROR;
      }
      break;
    case AnswerKind::WrongHostCertificate:
      if (SSL_use_certificate(ssl, tls_->wrongHost) != 1 ||
          SSL_use_PrivateKey(ssl, tls_->wrongHostKey) != 1) {
        *alert = SSL_AD_INTERNAL_ERROR;
        return SSL_CLIENT_HELLO_ERROR;
      }
      break;
    default:
      break;
  }
  return SSL_CLIENT_HELLO_SUCCESS;
}

bool ReceiptService::WaitForStall(std::chrono::milliseconds stall) {
  std::unique_lock lock(mutex_);
  ++stalls_;
  const auto end = stallEnds_.insert(std::chrono::steady_clock::now() + stall);
  const bool stopped = stallWake_.wait_for(lock, stall, [this] { return stopping_; });
  stallEnds_.erase(end);
  --stalls_;
  stallEnded_.notify_all();
  return !stopped;
}

void ReceiptService::FinishStalls(std::chrono::milliseconds within) {
  std::unique_lock lock(mutex_);
  const auto limit = std::chrono::steady_clock::now() + within;
  stallEnded_.wait_until(lock, limit,
                         [&] { return stallEnds_.empty() || *stallEnds_.begin() > limit; });
}

void ReceiptService::MarkAnsweredAfterStall(std::vector<ReceivedRequest>& requests) const {
  std::lock_guard lock(mutex_);
  for (ReceivedRequest& request : requests) {
    if (answeredAfterStall_.contains(request.sequence)) request.answeredAfterStall = true;
  }
}

size_t ReceiptService::Record(ReceivedRequest& request) {
  std::string folder;
  size_t number = 0;
  {
    std::lock_guard lock(mutex_);
    request.sequence = ++received_;
    requests_.push_back(request);
    number = request.sequence;
    folder = recordFolder_;
  }
  if (folder.empty()) return request.sequence;
  char name[64];
  std::snprintf(name, sizeof name, "%04zu-%s.http", number, OperationName(request.operation));
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  std::ofstream out(std::filesystem::path(folder) / name, std::ios::binary | std::ios::trunc);
  out << request.method << ' ' << request.path << ' ' << request.version << "\r\n";
  for (const auto& [key, value] : request.headers) out << key << ": " << value << "\r\n";
  out << "\r\n" << request.body;
  return request.sequence;
}

// Ends an exchange on the request's own connection, from its handler,
// without the answer the server library would write afterwards: an answer
// cut short (its head announcing the whole body, a part of it, a clean TLS
// close), bytes that are no TLS record, or a clean close. The library's own
// answer then fails on the closed connection; a failing write there must
// not raise SIGPIPE, so the signal stays blocked in this worker thread.
void ReceiptService::EndWithoutAnswer(const httplib::Request& req, Ending ending,
                                      const std::string& body) {
  SSL* ssl = const_cast<SSL*>(req.ssl);
  if (ssl == nullptr) return;
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
  const int fd = SSL_get_fd(ssl);
  switch (ending) {
    case Ending::CutShort: {
      const std::string head =
          "HTTP/1.1 200 OK\r\nContent-Type: text/xml;charset=UTF-8\r\n"
          "Content-Length: " +
          std::to_string(body.size()) + "\r\n\r\n";
      const std::string part = head + body.substr(0, body.size() / 2);
      SSL_write(ssl, part.data(), static_cast<int>(part.size()));
      SSL_shutdown(ssl);
      break;
    }
    case Ending::BreakTls: {  // a plain-text head where a TLS record belongs
      static constexpr char kPlain[] = "HTTP/1.1 200 OK\r\n\r\n";
      [[maybe_unused]] const ssize_t sent = ::send(fd, kPlain, sizeof kPlain - 1, MSG_NOSIGNAL);
      break;
    }
    case Ending::Close:
    case Ending::Answer:
      SSL_shutdown(ssl);
      break;
  }
  ::shutdown(fd, SHUT_RDWR);
}

ReceiptService::Ending ReceiptService::Handle(ReceivedRequest request, int& status,
                                              std::string& body, std::string& type) {
  request.operation = OperationOf(request.body);
  Answer a = TakeAnswer(false);
  request.answer = a.kind;
  const Operation op = request.operation;
  CustomerAnswer customer;
  customer.authenticated = a.authenticated;
  customer.digitalDefault = a.digitalDefault;
  customer.temporaryId = a.temporaryId;
  customer.customerId = a.customerId;
  customer.emailAddress = RequestValue(request.body, "EmailAddress");
  const size_t sequence = Record(request);

  status = 200;
  type = "text/xml;charset=UTF-8";
  if (a.kind == AnswerKind::Stall) {
    if (!WaitForStall(a.stall)) {
      // The service is stopping: the connection is dropped with a bare 503.
      status = 503;
      body.clear();
      return Ending::Answer;
    }
    // Answered as normal: the service takes the request whether or not its
    // sender is still waiting for the answer.
    a.kind = AnswerKind::Normal;
    std::lock_guard lock(mutex_);
    answeredAfterStall_.insert(sequence);
  }
  switch (a.kind) {
    case AnswerKind::NotFound:
      status = 404;
      type = "text/html";
      body = "<html><body>Not Found</body></html>";
      return Ending::Answer;
    case AnswerKind::ServerError:
      status = 500;
      body = SoapFault("Internal service error");
      return Ending::Answer;
    case AnswerKind::Garbage:
      body = Garbage();
      if (a.garbageBytes > 0) body.resize(a.garbageBytes, '\xfe');
      return Ending::Answer;
    case AnswerKind::Redirect:
      status = 302;
      type = "text/plain";
      body.clear();
      return Ending::Answer;
    case AnswerKind::BadRequest:
      status = 400;
      body = SoapFault("The request could not be read");
      return Ending::Answer;
    case AnswerKind::TlsBrokenAfterRequest:
      return Ending::BreakTls;
    case AnswerKind::ClosedAfterRequest:
      return Ending::Close;
    case AnswerKind::Custom:
      status = a.status;
      if (!a.body.empty()) {
        body = a.body;
        return Ending::Answer;
      }
      break;
    default:
      break;
  }
  if (op == Operation::Unknown) {
    status = 500;
    body = SoapFault("Unknown operation");
    return Ending::Answer;
  }
  const bool auth = op == Operation::Authenticate;
  switch (a.kind) {
    case AnswerKind::ErrorStatus:
      body = auth ? AuthRefused("The customer could not be authenticated")
                  : ReceiptRefused("RECEIPT_REJECTED", "The receipt was rejected");
      break;
    case AnswerKind::MerchantNotFound:
      body = auth ? AuthRefused("MERCHANT_NOT_FOUND")
                  : ReceiptRefused("MERCHANT_NOT_FOUND", "The merchant identifier is unknown");
      break;
    case AnswerKind::Reformatted:
      body = auth ? AuthAcceptedReformatted(customer) : ReceiptAcceptedReformatted(customer);
      break;
    case AnswerKind::NumericBooleans:
      body = auth ? AuthAcceptedNumeric(customer) : ReceiptAcceptedNumeric(customer);
      break;
    case AnswerKind::Utf16:
      body = InUtf16(auth ? AuthAccepted(customer) : ReceiptAccepted(customer));
      type = "text/xml;charset=UTF-16";
      break;
    default:
      body = auth ? AuthAccepted(customer) : ReceiptAccepted(customer);
      break;
  }
  return a.kind == AnswerKind::CutShort ? Ending::CutShort : Ending::Answer;
}

}  // namespace receiptservice
