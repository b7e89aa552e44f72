#pragma once
// A one-shot HTTP server on 127.0.0.1 for tests: a thread accepts one connection, keeps the
// request and answers with a canned response.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <thread>

namespace testing_net {

class LocalHttpServer {
 public:
  // How long the server waits for the client before giving up, so a failing test never hangs.
  static constexpr int kWaitMilliseconds = 20000;

  // delay: how long the server waits between the request and its answer (a slow server).
  explicit LocalHttpServer(std::string response, std::chrono::milliseconds delay = {})
      : response_(std::move(response)), delay_(delay) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 1) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { serve(); });
  }

  ~LocalHttpServer() {
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
  }

  LocalHttpServer(const LocalHttpServer&) = delete;
  LocalHttpServer& operator=(const LocalHttpServer&) = delete;

  // 0 when the server could not start.
  uint16_t port() const { return port_; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

  // The request received (head only); waits until the response has been sent.
  const std::string& request() {
    if (thread_.joinable()) thread_.join();
    return request_;
  }

  static std::string response(int status, const std::string& reason, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) + " " + reason +
           "\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
  }

  // A port on 127.0.0.1 where nothing listens.
  static uint16_t closedPort() {
    int s = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    uint16_t port = 0;
    if (s >= 0 && ::bind(s, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &size) == 0) {
      port = ntohs(address.sin_port);
    }
    if (s >= 0) ::close(s);
    return port;
  }

 private:
  bool waitReadable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, kWaitMilliseconds) == 1;
  }

  void serve() {
    if (!waitReadable(listener_)) return;
    int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (client < 0) return;
    char buffer[4096];
    while (request_.find("\r\n\r\n") == std::string::npos && waitReadable(client)) {
      ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) break;
      request_.append(buffer, static_cast<size_t>(n));
    }
    if (delay_.count() > 0) std::this_thread::sleep_for(delay_);
    size_t sent = 0;
    while (sent < response_.size()) {
      ssize_t n = ::send(client, response_.data() + sent, response_.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<size_t>(n);
    }
    ::shutdown(client, SHUT_WR);
    // Let the client read everything before the socket goes away.
    while (waitReadable(client) && ::recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    ::close(client);
  }

  std::string response_;
  std::chrono::milliseconds delay_;
  std::string request_;
  int listener_ = -1;
  uint16_t port_ = 0;
  std::thread thread_;
};

}  // namespace testing_net
