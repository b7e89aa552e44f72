#include "platform/net/http_client.h"

#include <curl/curl.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace brevia::net {

namespace {

void initialiseCurl() {
  static std::once_flag once;
  std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

struct Sink {
  std::string* body;
  std::size_t limit;
  bool tooLarge = false;
};

size_t writeBody(char* data, size_t size, size_t count, void* user) {
  auto* sink = static_cast<Sink*>(user);
  const size_t bytes = size * count;
  if (bytes > sink->limit - sink->body->size()) {
    sink->tooLarge = true;
    return 0;  // curl ends the transfer with a write error
  }
  sink->body->append(data, bytes);
  return bytes;
}

long toCurlMilliseconds(std::chrono::milliseconds duration) {
  return duration.count() <= 0 ? 0L : static_cast<long>(duration.count());
}

// One attempt. True when it is worth trying again: the server could not be reached at all.
bool attempt(const std::string& url, const HttpOptions& options, curl_slist* headers,
             HttpResponse& response) {
  response = HttpResponse{};
  std::unique_ptr<CURL, EasyDeleter> curl(curl_easy_init());
  if (!curl) {
    response.error = "cannot start a network session";
    return false;
  }
  char errorText[CURL_ERROR_SIZE] = {};
  Sink sink{&response.body, options.maxBodyBytes};
  CURL* handle = curl.get();
  curl_easy_setopt(handle, CURLOPT_URL, url.c_str());
  curl_easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, toCurlMilliseconds(options.connectTimeout));
  curl_easy_setopt(handle, CURLOPT_TIMEOUT_MS, toCurlMilliseconds(options.totalTimeout));
  curl_easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeBody);
  curl_easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
  if (headers) curl_easy_setopt(handle, CURLOPT_HTTPHEADER, headers);

  const CURLcode result = curl_easy_perform(handle);
  if (result == CURLE_OK) {
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
    return false;
  }
  response.body.clear();
  if (sink.tooLarge) {
    char text[96];
    std::snprintf(text, sizeof text, "the response is larger than %zu bytes",
                  options.maxBodyBytes);
    response.error = text;
    return false;
  }
  response.error = errorText[0] ? errorText : curl_easy_strerror(result);
  if (response.error.empty()) response.error = "network error";
  if (result == CURLE_COULDNT_CONNECT) return true;
  if (result == CURLE_OPERATION_TIMEDOUT) {
    curl_off_t connected = 0;
    curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected);
    return connected == 0;
  }
  return false;
}

}  // namespace

HttpResponse httpGet(const std::string& url, const HttpOptions& options) {
  initialiseCurl();
  std::unique_ptr<curl_slist, ListDeleter> headers;
  for (const std::string& header : options.headers) {
    curl_slist* extended = curl_slist_append(headers.get(), header.c_str());
    if (!extended) break;
    headers.release();
    headers.reset(extended);
  }
  const int retries = options.connectRetries < 0                     ? 0
                      : options.connectRetries > kMaxConnectRetries ? kMaxConnectRetries
                                                                      : options.connectRetries;
  HttpResponse response;
  for (int attemptNumber = 0;; ++attemptNumber) {
    bool again = attempt(url, options, headers.get(), response);
    if (!again || attemptNumber >= retries) break;
    if (options.retryDelay.count() > 0) std::this_thread::sleep_for(options.retryDelay);
  }
  return response;
}

HttpResponse httpGet(const std::string& url, std::chrono::milliseconds timeout) {
  HttpOptions options;
  options.connectTimeout = timeout;
  return httpGet(url, options);
}

}  // namespace brevia::net
