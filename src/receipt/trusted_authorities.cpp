#include "receipt/trusted_authorities.h"

#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <openssl/x509_vfy.h>

#include <climits>
#include <mutex>
#include <optional>
#include <vector>

#include "foundation/settings_file_io.h"

namespace receipt {

struct TrustedAuthorities::Items {
  std::vector<X509*> certificates;
  std::vector<X509_CRL*> revocationLists;

  ~Items() {
    for (X509* c : certificates) X509_free(c);
    for (X509_CRL* l : revocationLists) X509_CRL_free(l);
  }
};

namespace {

std::optional<std::string> ReadBundle(const std::string& path) {
  try {
    return foundation::ReadWholeFile(path);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

// Takes every certificate and revocation list of a PEM text, as loading the
// file into a certificate store does; nothing on a malformed block or when the
// text holds neither.
std::unique_ptr<TrustedAuthorities::Items> ParseBundle(const std::string& pem) {
  if (pem.size() > static_cast<size_t>(INT_MAX)) return nullptr;
  BIO* in = BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size()));
  if (in == nullptr) return nullptr;
  // A malformed bundle leaves entries in the thread's TLS error queue, where
  // they would be taken for the cause of a later handshake failure.
  ERR_set_mark();
  STACK_OF(X509_INFO)* infos = PEM_X509_INFO_read_bio(in, nullptr, nullptr, nullptr);
  ERR_pop_to_mark();
  BIO_free(in);
  if (infos == nullptr) return nullptr;
  auto items = std::make_unique<TrustedAuthorities::Items>();
  for (int i = 0; i < sk_X509_INFO_num(infos); ++i) {
    X509_INFO* info = sk_X509_INFO_value(infos, i);
    if (info->x509 != nullptr) {
      items->certificates.push_back(info->x509);
      info->x509 = nullptr;
    }
    if (info->crl != nullptr) {
      items->revocationLists.push_back(info->crl);
      info->crl = nullptr;
    }
  }
  sk_X509_INFO_pop_free(infos, X509_INFO_free);
  if (items->certificates.empty() && items->revocationLists.empty()) return nullptr;
  return items;
}

// The last bundle parsed. Connections may be set up on several threads.
struct Cache {
  std::mutex mutex;
  std::string path;
  std::string content;
  std::shared_ptr<const TrustedAuthorities> authorities;
};

Cache& TheCache() {
  // Freed when the library is unloaded or the process ends (before the TLS
  // library's own clean-up at exit, which was registered earlier).
  static Cache cache;
  return cache;
}

}  // namespace

TrustedAuthorities::TrustedAuthorities(std::unique_ptr<Items> items) : items_(std::move(items)) {}
TrustedAuthorities::~TrustedAuthorities() = default;

std::shared_ptr<const TrustedAuthorities> TrustedAuthorities::Load(const std::string& path) {
  std::optional<std::string> content = ReadBundle(path);
  if (!content) return nullptr;
  Cache& cache = TheCache();
  std::lock_guard lock(cache.mutex);
  if (cache.authorities && cache.path == path && cache.content == *content) {
    return cache.authorities;
  }
  std::unique_ptr<Items> items = ParseBundle(*content);
  if (!items) return nullptr;
  cache.authorities.reset(new TrustedAuthorities(std::move(items)));
  cache.path = path;
  cache.content = std::move(*content);
  return cache.authorities;
}

bool TrustedAuthorities::AddTo(void* tlsContext) const {
  X509_STORE* s = SSL_CTX_get_cert_store(static_cast<SSL_CTX*>(tlsContext));
  if (s == nullptr) return false;
  ERR_set_mark();
  bool added = true;
  for (X509* c : items_->certificates) added = added && X509_STORE_add_cert(s, c) == 1;
  for (X509_CRL* l : items_->revocationLists) added = added && X509_STORE_add_crl(s, l) == 1;
  ERR_pop_to_mark();
  return added;
}

}  // namespace receipt
