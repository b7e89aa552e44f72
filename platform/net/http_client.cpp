#include "platform/net/http_client.h"

#include <curl/curl.h>
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <mutex>
#include <thread>

namespace brevia::net {

namespace {

// The network library and the two dozen libraries it brings are loaded on the first download
// only: nearly every run of the reader downloads nothing, and loading them costs start-up time
// and memory on every run.
struct CurlApi {
  decltype(&::curl_global_init) global_init = nullptr;
  decltype(&::curl_easy_init) easy_init = nullptr;
  decltype(&::curl_easy_setopt) easy_setopt = nullptr;
  decltype(&::curl_easy_perform) easy_perform = nullptr;
  decltype(&::curl_easy_getinfo) easy_getinfo = nullptr;
  decltype(&::curl_easy_cleanup) easy_cleanup = nullptr;
  decltype(&::curl_easy_strerror) easy_strerror = nullptr;
  decltype(&::curl_slist_append) slist_append = nullptr;
  decltype(&::curl_slist_free_all) slist_free_all = nullptr;
  bool loaded = false;
};

template <typename F>
bool bind(void* library, const char* name, F& out) {
  out = reinterpret_cast<F>(::dlsym(library, name));
  return out != nullptr;
}

const CurlApi& curl() {
  static CurlApi api;
  static std::once_flag once;
  std::call_once(once, [] {
    void* library = ::dlopen("libcurl.so.4", RTLD_NOW | RTLD_LOCAL);
    if (!library) return;
    CurlApi a;
    if (bind(library, "curl_global_init", a.global_init) &&
        bind(library, "curl_easy_init", a.easy_init) &&
        bind(library, "curl_easy_setopt", a.easy_setopt) &&
        bind(library, "curl_easy_perform", a.easy_perform) &&
        bind(library, "curl_easy_getinfo", a.easy_getinfo) &&
        bind(library, "curl_easy_cleanup", a.easy_cleanup) &&
        bind(library, "curl_easy_strerror", a.easy_strerror) &&
        bind(library, "curl_slist_append", a.slist_append) &&
        bind(library, "curl_slist_free_all", a.slist_free_all) &&
        a.global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK) {
      a.loaded = true;
      api = a;
    }
    // The library stays loaded for the life of the process, as a linked one would.
  });
  return api;
}

struct EasyDeleter {
  void operator()(CURL* handle) const { curl().easy_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl().slist_free_all(list); }
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
  const CurlApi& api = net::curl();
  std::unique_ptr<CURL, EasyDeleter> curl(api.easy_init());
  if (!curl) {
    response.error = "cannot start a network session";
    return false;
  }
  char errorText[CURL_ERROR_SIZE] = {};
  Sink sink{&response.body, options.maxBodyBytes};
  CURL* handle = curl.get();
  api.easy_setopt(handle, CURLOPT_URL, url.c_str());
  api.easy_setopt(handle, CURLOPT_HTTPGET, 1L);
  api.easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
  api.easy_setopt(handle, CURLOPT_ERRORBUFFER, errorText);
  const char* protocols = options.secureOnly ? "https" : "http,https";
  api.easy_setopt(handle, CURLOPT_PROTOCOLS_STR, protocols);
  api.easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, protocols);
  api.easy_setopt(handle, CURLOPT_FOLLOWLOCATION, 1L);
  api.easy_setopt(handle, CURLOPT_MAXREDIRS, kMaxRedirects);
  api.easy_setopt(handle, CURLOPT_CONNECTTIMEOUT_MS, toCurlMilliseconds(options.connectTimeout));
  api.easy_setopt(handle, CURLOPT_TIMEOUT_MS, toCurlMilliseconds(options.totalTimeout));
  api.easy_setopt(handle, CURLOPT_WRITEFUNCTION, writeBody);
  api.easy_setopt(handle, CURLOPT_WRITEDATA, &sink);
  if (headers) api.easy_setopt(handle, CURLOPT_HTTPHEADER, headers);

  const CURLcode result = api.easy_perform(handle);
  if (result == CURLE_OK) {
    api.easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &response.status);
    return false;
  }
  response.body.clear();
  if (sink.tooLarge) {
    char text[96];
    std::snprintf(text, sizeof text, "the response is larger than %zu bytes", options.maxBodyBytes);
    response.error = text;
    return false;
  }
  response.error = errorText[0] ? errorText : api.easy_strerror(result);
  if (response.error.empty()) response.error = "network error";
  if (result == CURLE_COULDNT_CONNECT) return true;
  if (result == CURLE_OPERATION_TIMEDOUT) {
    curl_off_t connected = 0;
    api.easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connected);
    return connected == 0;
  }
  return false;
}

}  // namespace

HttpResponse httpGet(const std::string& url, const HttpOptions& options) {
  const CurlApi& api = curl();
  if (!api.loaded) {
    HttpResponse failed;
    failed.error = "the network library (libcurl) cannot be loaded";
    return failed;
  }
  std::unique_ptr<curl_slist, ListDeleter> headers;
  for (const std::string& header : options.headers) {
    curl_slist* extended = api.slist_append(headers.get(), header.c_str());
    if (!extended) break;
    headers.release();
    headers.reset(extended);
  }
  const int retries = options.connectRetries < 0                    ? 0
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
