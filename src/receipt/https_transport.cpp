#include "receipt/https_transport.h"

#include <curl/curl.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <algorithm>
#include <cstdlib>
#include <limits>
#include <mutex>

#include "foundation/log.h"
#include "foundation/prefs_records.h"
#include "foundation/ui_guard.h"
#include "platform/text.h"
#include "receipt/card_masking.h"
#include "receipt/trusted_authorities.h"

namespace receipt {

int32_t LastHTTPCode = -1;
std::string LastCommError;
bool LastRequestSent = false;

namespace {

constexpr const char* kSendTag = "SendXML";
constexpr const char* kPostTag = "Tvk.Post";
constexpr int kTraceLevel = 7;
constexpr int kExchangeLevel = 5;
// How long one wait for socket activity lasts before pending user-interface
// events get their turn.
constexpr int kPumpIntervalMs = 20;
constexpr int kIdleWaitMs = 1000;

void InitCurlOnce() {
  static std::once_flag once;
  static CURLcode result = CURLE_OK;
  std::call_once(once, [] { result = curl_global_init(CURL_GLOBAL_DEFAULT); });
  if (result != CURLE_OK) {
    throw ETransportError(std::string("The HTTP client could not start: ") +
                          curl_easy_strerror(result));
  }
}

// Failures that happen in the TLS layer or in checking the peer's
// certificate.
bool IsTlsFailure(CURLcode code) {
  switch (code) {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_USE_SSL_FAILED:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CLIENTCERT:
      return true;
    default:
      return false;
  }
}

void PumpNonInputEvents() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

struct Tvk::Curl {
  CURL* easy = nullptr;
  CURLM* multi = nullptr;
  curl_slist* headers = nullptr;
  char errorText[CURL_ERROR_SIZE] = {};
  std::string body;
  std::string statusLine;
  bool bodyTooLarge = false;
  bool configured = false;
  // The PEM bundle of trusted authorities this handle's connections add from
  // the process-wide parse (empty: libcurl reads its own file), and why the
  // last connection could not use it.
  std::string authorityFile;
  std::string authorityError;

  Curl() {
    InitCurlOnce();
    easy = curl_easy_init();
    multi = curl_multi_init();
    if (easy == nullptr || multi == nullptr) {
      Release();
      throw ETransportError("The HTTP client could not be created");
    }
  }
  ~Curl() { Release(); }
  Curl(const Curl&) = delete;
  Curl& operator=(const Curl&) = delete;

  void Release() {
    if (headers != nullptr) curl_slist_free_all(headers);
    if (easy != nullptr) curl_easy_cleanup(easy);
    if (multi != nullptr) curl_multi_cleanup(multi);
    headers = nullptr;
    easy = nullptr;
    multi = nullptr;
  }

  static size_t OnBody(char* data, size_t size, size_t count, void* self) {
    auto* c = static_cast<Curl*>(self);
    const size_t n = size * count;
    if (c->body.size() + n > kMaxResponseBytes) {
      c->bodyTooLarge = true;
      return 0;  // ends the transfer with a write error
    }
    c->body.append(data, n);
    return n;
  }

  // Keeps the status line of the last response head (an interim "100
  // Continue" head is followed by the real one).
  static size_t OnHeader(char* data, size_t size, size_t count, void* self) {
    auto* c = static_cast<Curl*>(self);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) c->statusLine = platform::TrimRight(line, "\r\n");
    return size * count;
  }

  // Called by libcurl for each new TLS connection, after it has set up the
  // certificate store (the certificate folder, verification flags) without
  // a bundle file: adds the bundle's authorities, parsed once per process.
  static CURLcode OnTlsContext(CURL*, void* tlsContext, void* self) {
    auto* c = static_cast<Curl*>(self);
    try {
      const std::shared_ptr<const TrustedAuthorities> authorities =
          TrustedAuthorities::Load(c->authorityFile);
      if (authorities && authorities->AddTo(tlsContext)) return CURLE_OK;
      c->authorityError = "error setting certificate file: " + c->authorityFile;
    } catch (...) {
      // Out of memory: nothing may pass into libcurl; the connection still
      // fails below.
    }
    return CURLE_SSL_CACERT_BADFILE;
  }

  // Trusts `bundle` (or libcurl's own bundle file when empty) through
  // OnTlsContext. Without a bundle file or without a TLS layer that accepts
  // the callback, libcurl keeps reading the file itself.
  void TrustBundle(const char* bundle) {
    std::string file;
    if (bundle != nullptr && *bundle) {
      file = bundle;
    } else {
      char* builtIn = nullptr;
      if (curl_easy_getinfo(easy, CURLINFO_CAINFO, &builtIn) == CURLE_OK && builtIn != nullptr) {
        file = builtIn;
      }
    }
    if (file.empty()) return;
    if (curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &Curl::OnTlsContext) != CURLE_OK ||
        curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, this) != CURLE_OK) {
      curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, nullptr);
      if (bundle != nullptr && *bundle) curl_easy_setopt(easy, CURLOPT_CAINFO, bundle);
      return;
    }
    curl_easy_setopt(easy, CURLOPT_CAINFO, nullptr);
    authorityFile = std::move(file);
  }

  // Runs the transfer prepared on `easy` to its end and gives its result.
  CURLcode Run() {
    const bool pump = foundation::UiAvailableOnThisThread();
    CURLMcode mc = curl_multi_add_handle(multi, easy);
    if (mc != CURLM_OK) {
      throw ETransportError(std::string("The HTTP client failed: ") + curl_multi_strerror(mc));
    }
    int running = 1;
    while (mc == CURLM_OK) {
      mc = curl_multi_perform(multi, &running);
      if (mc != CURLM_OK || running == 0) break;
      mc = curl_multi_poll(multi, nullptr, 0, pump ? kPumpIntervalMs : kIdleWaitMs, nullptr);
      if (pump) PumpNonInputEvents();
    }
    CURLcode result = CURLE_OK;
    int left = 0;
    bool done = false;
    while (CURLMsg* msg = curl_multi_info_read(multi, &left)) {
      if (msg->msg == CURLMSG_DONE && msg->easy_handle == easy) {
        result = msg->data.result;
        done = true;
      }
    }
    curl_multi_remove_handle(multi, easy);
    if (mc != CURLM_OK) {
      throw ETransportError(std::string("The HTTP client failed: ") + curl_multi_strerror(mc));
    }
    if (!done) throw ETransportError("The HTTP client ended without a result");
    return result;
  }
};

Tvk::Tvk() = default;
Tvk::~Tvk() = default;

void Tvk::SetBasicAuthentication(bool on) {
  basicAuth_ = on;
}
void Tvk::SetContentType(const std::string& contentType) {
  contentType_ = contentType;
}
void Tvk::SetContentLength(int64_t length) {
  contentLength_ = length;
}
void Tvk::SetReadTimeout(int32_t milliseconds) {
  readTimeoutMs_ = milliseconds;
}
int32_t Tvk::ResponseCode() const {
  return responseCode_;
}
std::string Tvk::ResponseText() const {
  return responseText_;
}

int32_t Tvk::EffectiveTimeoutMs() const {
  // libcurl takes 0 as "no limit"; an exchange must always be bounded.
  return readTimeoutMs_ > 0 ? readTimeoutMs_ : kDefaultReadTimeoutMs;
}

std::string Tvk::Post(const std::string& url, std::string_view body) {
  responseCode_ = -1;
  responseText_.clear();
  requestSent_ = false;
  if (url.empty()) throw ETransportError("No service address to post to");
  if (contentType_.find_first_of("\r\n") != std::string::npos) {
    throw ETransportError("The content type holds a line break");
  }
  if (contentLength_ >= 0 && static_cast<uint64_t>(contentLength_) != body.size()) {
    throw ETransportError("Content length " + std::to_string(contentLength_) +
                          " does not match the request's " + std::to_string(body.size()) +
                          " bytes");
  }
  if (!curl_) curl_ = std::make_unique<Curl>();
  Curl& c = *curl_;
  CURL* h = c.easy;

  // Every option this transport uses is set again for each exchange. The
  // handle is not reset (which would keep cookies and connections too): a
  // reset after the cookie engine was switched on loses memory in libcurl.
  if (c.headers != nullptr) curl_slist_free_all(c.headers);
  c.headers = nullptr;
  for (const std::string& line : {"Content-Type: " + contentType_,
                                  std::string("Accept: text/html, */*"), std::string("Expect:")}) {
    curl_slist* next = curl_slist_append(c.headers, line.c_str());
    if (next == nullptr) throw ETransportError("Out of memory for the request headers");
    c.headers = next;
  }
  c.body.clear();
  c.statusLine.clear();
  c.bodyTooLarge = false;
  c.authorityError.clear();
  c.errorText[0] = '\0';

  const long timeoutMs = EffectiveTimeoutMs();
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_POST, 1L);
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, c.headers);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  if (!c.configured) {
    // Once per handle: the cookie store, which then lives as long as the
    // handle, and the trusted authorities.
    curl_easy_setopt(h, CURLOPT_COOKIEFILE, "");
    c.TrustBundle(std::getenv(kCaBundleEnvironment));
    c.configured = true;
  }
  curl_easy_setopt(h, CURLOPT_PROXY, "");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 0L);
  // A connection of its own for every request, closed after it: libcurl sends
  // a request again by itself when a kept-alive connection it reused closes
  // without an answer, which would deliver a receipt twice unseen.
  curl_easy_setopt(h, CURLOPT_FRESH_CONNECT, 1L);
  curl_easy_setopt(h, CURLOPT_FORBID_REUSE, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeoutMs);
  curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeoutMs);
  curl_easy_setopt(h, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, c.errorText);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Curl::OnBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &c);
  curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Curl::OnHeader);
  curl_easy_setopt(h, CURLOPT_HEADERDATA, &c);

  const CURLcode result = c.Run();

  // The connection stood (for https, its handshake completed) once its time
  // was taken; from then on the request may have gone out.
  char* scheme = nullptr;
  curl_easy_getinfo(h, CURLINFO_SCHEME, &scheme);
  const bool tls = scheme != nullptr && platform::SameText(scheme, "https");
  curl_off_t connected = 0;
  requestSent_ = curl_easy_getinfo(h, tls ? CURLINFO_APPCONNECT_TIME_T : CURLINFO_CONNECT_TIME_T,
                                   &connected) == CURLE_OK &&
                 connected > 0;

  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  responseCode_ = status > 0 ? static_cast<int32_t>(status) : -1;
  responseText_ = c.statusLine;

  if (result != CURLE_OK) {
    std::string message;
    if (c.bodyTooLarge) {
      message = "The response is larger than " + std::to_string(kMaxResponseBytes) + " bytes";
    } else if (!c.authorityError.empty()) {
      message = "SSL: " + c.authorityError;
    } else {
      message = c.errorText[0] != '\0' ? std::string(c.errorText) : curl_easy_strerror(result);
      if (IsTlsFailure(result) && message.find("SSL") == std::string::npos) {
        message = "SSL: " + message;
      }
    }
    c.body.clear();
    throw ETransportError(message);
  }
  // Only a 2xx answer is a completed exchange. A redirect is not followed,
  // so the request did not reach its service: a failure like any other, which
  // the caller reports and queues.
  if (responseCode_ < 200 || responseCode_ > 299) {
    c.body.clear();
    throw ETransportError(responseText_.empty() ? "HTTP status " + std::to_string(responseCode_)
                                                : responseText_);
  }
  std::string response = std::move(c.body);
  c.body.clear();
  return response;
}

std::string LoggableUrl(const std::string& url) {
  const size_t scheme = url.find("://");
  if (scheme == std::string::npos) return url;
  const size_t hostStart = scheme + 3;
  const size_t hostEnd = url.find_first_of("/?#", hostStart);
  const size_t at = url.rfind('@', hostEnd == std::string::npos ? url.size() : hostEnd);
  if (at == std::string::npos || at < hostStart) return url;
  return url.substr(0, hostStart) + "***@" + url.substr(at + 1);
}

std::string SendXML(const std::string& url, const std::string& request, Tvk* transport) {
  foundation::LogEnter(kTraceLevel, kSendTag);
  LastCommError.clear();
  LastRequestSent = false;

  int64_t seconds = foundation::MainPrefs.Timeout;
  if (seconds <= 0) seconds = kDefaultReadTimeoutMs / 1000;
  const auto timeoutMs =
      static_cast<int32_t>(std::min<int64_t>(seconds * 1000, std::numeric_limits<int32_t>::max()));

  std::string response;
  std::unique_ptr<Tvk> own;
  Tvk* tvk = transport;
  try {
    if (tvk == nullptr) {
      own = std::make_unique<Tvk>();
      tvk = own.get();
    }
    tvk->SetBasicAuthentication(false);
    tvk->SetContentType("text/xml");
    tvk->SetContentLength(static_cast<int64_t>(request.size()));
    tvk->SetReadTimeout(timeoutMs);

    foundation::KWLog(kExchangeLevel, "Calling POST", foundation::kLevelInfo, kSendTag);
    // Masking copies the whole request, so it is done only for a log that
    // will write the line.
    if (foundation::GetLogLevel() >= kExchangeLevel) {
      foundation::KWLog(kExchangeLevel, "Request = [ " + MaskCardNumbers(request) + " ]",
                        foundation::kLevelInfo, kSendTag);
    }
    foundation::KWLog(kExchangeLevel, "Transmitting to [ " + LoggableUrl(url) + " ]",
                      foundation::kLevelInfo, kSendTag);

    response = tvk->Post(url, request);
    LastRequestSent = tvk->RequestSent();
    foundation::KWLog(
        kExchangeLevel,
        "Response = " + std::to_string(tvk->ResponseCode()) + " " + tvk->ResponseText(),
        foundation::kLevelInfo, kSendTag);
    LastHTTPCode = tvk->ResponseCode();
  } catch (const std::exception& e) {
    response.clear();
    LastHTTPCode = tvk != nullptr ? tvk->ResponseCode() : -1;
    LastRequestSent = tvk != nullptr && tvk->RequestSent();
    LastCommError = e.what();
    if (LastCommError.empty()) LastCommError = "The exchange failed";
    foundation::KWLog(1, std::string(kPostTag) + " while posting: " + LastCommError,
                      foundation::kLevelError, kSendTag);
  } catch (...) {
    response.clear();
    LastHTTPCode = tvk != nullptr ? tvk->ResponseCode() : -1;
    LastRequestSent = tvk != nullptr && tvk->RequestSent();
    LastCommError = "The exchange failed";
    foundation::KWLog(1, std::string(kPostTag) + " while posting: " + LastCommError,
                      foundation::kLevelError, kSendTag);
  }
  foundation::LogExit(kTraceLevel, kSendTag);
  return response;
}

}  // namespace receipt
