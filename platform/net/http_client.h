#pragma once
// HTTP GET over libcurl: the program's only use of the network (fetching CMap files).

#include <chrono>
#include <cstddef>
#include <string>
#include <vector>

namespace brevia::net {

// Responses larger than this are refused unless the caller sets its own limit.
inline constexpr std::size_t kDefaultMaxBodyBytes = 64 * 1024 * 1024;
// Redirects followed before giving up.
inline constexpr long kMaxRedirects = 5;
// Connection attempts after the first one fails, at most.
inline constexpr int kMaxConnectRetries = 5;

struct HttpOptions {
  // Time allowed to establish the connection, per attempt.
  std::chrono::milliseconds connectTimeout{30000};
  // Time allowed for the whole transfer, per attempt; zero means no limit.
  std::chrono::milliseconds totalTimeout{std::chrono::minutes(5)};
  // Further attempts when the server cannot be reached, with the pause before each.
  int connectRetries = 0;
  std::chrono::milliseconds retryDelay{1000};
  // Request headers, each "Name: value" without the line break.
  std::vector<std::string> headers;
  std::size_t maxBodyBytes = kDefaultMaxBodyBytes;
  // Only https, for the address and every redirect.
  bool secureOnly = false;
};

struct HttpResponse {
  // The status code of the response; 0 when none arrived.
  long status = 0;
  std::string body;
  // Why the transfer failed (no connection, broken transfer, body too large); empty when a
  // complete response arrived, whatever its status.
  std::string error;

  bool failed() const { return !error.empty(); }
};

// Fetches url (http or https). Redirects are followed; proxies configured in the environment
// are used.
HttpResponse httpGet(const std::string& url, const HttpOptions& options);
// The same with default options and the given connection time-out.
HttpResponse httpGet(const std::string& url, std::chrono::milliseconds timeout);

}  // namespace brevia::net
