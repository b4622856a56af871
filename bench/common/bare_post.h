#pragma once
// The reference exchange of the transport benchmarks: one bare libcurl POST
// of a SOAP body over TLS (HTTP/1.1, no "Expect:"), trusting the given CA.

#include <curl/curl.h>

#include <stdexcept>
#include <string>

namespace benchsupport {

inline size_t CollectResponse(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

// The response body; a transfer failure raises with libcurl's text.
inline std::string BarePost(const std::string& url, const std::string& caFile,
                            const std::string& body) {
  CURL* h = curl_easy_init();
  curl_slist* headers = curl_slist_append(nullptr, "Content-Type: text/xml");
  headers = curl_slist_append(headers, "Expect:");
  std::string response;
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.data());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
  curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CollectResponse);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &response);
  const CURLcode rc = curl_easy_perform(h);
  curl_slist_free_all(headers);
  curl_easy_cleanup(h);
  if (rc != CURLE_OK) throw std::runtime_error(curl_easy_strerror(rc));
  return response;
}

}  // namespace benchsupport
