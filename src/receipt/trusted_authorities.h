#pragma once
// The certificate authorities the transport trusts from a PEM bundle file,
// parsed once per process and reused by every TLS connection while the file's
// content stays the same. Parsing a bundle (the system's holds well over a
// hundred certificates) is a large share of setting up a connection; reading
// the file again on each connection is cheap and keeps the check exact: a
// changed, removed or unreadable file is noticed on the next connection.

#include <memory>
#include <string>

namespace receipt {

// The certificates and revocation lists of one bundle file. Shared between
// threads; never changed once built.
class TrustedAuthorities {
 public:
  ~TrustedAuthorities();
  TrustedAuthorities(const TrustedAuthorities&) = delete;
  TrustedAuthorities& operator=(const TrustedAuthorities&) = delete;

  // The parsed content of the PEM file at `path`, reusing the last parse of
  // the same path and content. Null when the file cannot be read or holds no
  // certificate or revocation list (a connection trusting it must fail).
  static std::shared_ptr<const TrustedAuthorities> Load(const std::string& path);

  // Adds every certificate and revocation list to the certificate store of
  // `tlsContext` (an SSL_CTX*); false when the store refuses one.
  bool AddTo(void* tlsContext) const;

  // The parsed certificates and revocation lists (defined in the source).
  struct Items;

 private:
  explicit TrustedAuthorities(std::unique_ptr<Items> items);
  std::unique_ptr<Items> items_;
};

}  // namespace receipt
