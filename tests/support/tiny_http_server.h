#pragma once
// Local HTTP servers for tests of the HTTP client and its users. Every wait is bounded.
//
// TinyHttpServer: one connection at a time on 127.0.0.1; records each request and answers it with what
// the responder returns for its path (the default responder answers "200 OK", text/plain "hello").
// StallingHttpServer: accepts connections (the system completes them) and never answers.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace orvel_test {

struct HttpResponse {
  std::string status = "200 OK";
  std::string headers = "Content-Type: text/plain\r\n";  // each line ends with \r\n
  std::string body = "hello";
};

// A socket on 127.0.0.1 with a free port, listening; -1 on failure.
inline int listenOnLoopback(int* port) {
  int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  addr.sin_port = 0;
  if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(fd, 8) != 0) {
    if (fd >= 0) close(fd);
    return -1;
  }
  socklen_t len = sizeof(addr);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len);
  *port = ntohs(addr.sin_port);
  return fd;
}

class TinyHttpServer {
 public:
  using Responder = std::function<HttpResponse(const std::string& path)>;

  explicit TinyHttpServer(Responder responder = nullptr) : responder_(std::move(responder)) {
    listener_ = listenOnLoopback(&port_);
    if (listener_ >= 0) thread_ = std::thread([this] { run(); });
  }
  ~TinyHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }
  TinyHttpServer(const TinyHttpServer&) = delete;
  TinyHttpServer& operator=(const TinyHttpServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::vector<std::string> requests() {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
  }

 private:
  void run() {
    while (!stop_) {
      pollfd p{listener_, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      int client = accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      serve(client);
      close(client);
    }
  }

  void serve(int client) {
    std::string request;
    size_t headerEnd = std::string::npos;
    size_t wanted = 0;
    for (int rounds = 0; rounds < 100; ++rounds) {
      if (headerEnd != std::string::npos && request.size() >= headerEnd + 4 + wanted) break;
      pollfd p{client, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      char buffer[4096];
      ssize_t n = read(client, buffer, sizeof(buffer));
      if (n <= 0) break;
      request.append(buffer, static_cast<size_t>(n));
      if (headerEnd == std::string::npos) {
        headerEnd = request.find("\r\n\r\n");
        size_t cl = request.find("Content-Length: ");
        if (cl != std::string::npos && cl < headerEnd)
          wanted = std::strtoul(request.c_str() + cl + 16, nullptr, 10);
      }
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      requests_.push_back(request);
    }
    std::string path = request.substr(request.find(' ') + 1);
    path = path.substr(0, path.find(' '));
    HttpResponse r = responder_ ? responder_(path) : HttpResponse();
    std::string response = "HTTP/1.1 " + r.status + "\r\n" + r.headers +
                           "Content-Length: " + std::to_string(r.body.size()) +
                           "\r\nConnection: close\r\n\r\n" + r.body;
    for (size_t done = 0; done < response.size();) {
      ssize_t w = write(client, response.data() + done, response.size() - done);
      if (w <= 0) break;
      done += static_cast<size_t>(w);
    }
  }

  Responder responder_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

class StallingHttpServer {
 public:
  StallingHttpServer() { listener_ = listenOnLoopback(&port_); }
  ~StallingHttpServer() {
    if (listener_ >= 0) close(listener_);
  }
  StallingHttpServer(const StallingHttpServer&) = delete;
  StallingHttpServer& operator=(const StallingHttpServer&) = delete;
  int port() const { return port_; }
  std::string url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }

 private:
  int listener_ = -1;
  int port_ = 0;
};

}  // namespace orvel_test
