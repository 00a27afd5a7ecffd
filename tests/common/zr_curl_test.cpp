#include "common/zr_curl.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// A one-connection-at-a-time HTTP server on 127.0.0.1 that records each
// request and answers by path. Every wait is bounded.
class TinyHttpServer {
 public:
  TinyHttpServer() {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    if (listener_ < 0 || bind(listener_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(listener_, 8) != 0) {
      return;
    }
    socklen_t len = sizeof(addr);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&addr), &len);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { run(); });
  }
  ~TinyHttpServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) close(listener_);
  }
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
    std::string status = "200 OK", headers = "Content-Type: text/plain\r\n", body = "hello";
    if (path == "/missing") {
      status = "404 Not Found";
      headers = "Content-Type: text/html\r\n";
      body = "<h1>not here</h1>";
    } else if (path == "/moved") {
      status = "302 Found";
      headers = "Location: /target\r\n";
      body = "moved";
    } else if (path == "/untyped") {
      headers = "";
      body = std::string("raw\0bytes", 9);
    }
    std::string response = "HTTP/1.1 " + status + "\r\n" + headers +
                           "Content-Length: " + std::to_string(body.size()) +
                           "\r\nConnection: close\r\n\r\n" + body;
    for (size_t done = 0; done < response.size();) {
      ssize_t w = write(client, response.data() + done, response.size() - done);
      if (w <= 0) break;
      done += static_cast<size_t>(w);
    }
  }

  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::vector<std::string> requests_;
};

class ZRCurlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Traffic to the local test server must never go through a proxy.
    setenv("no_proxy", "127.0.0.1,localhost", 1);
    setenv("NO_PROXY", "127.0.0.1,localhost", 1);
    ASSERT_GE(ZRCurlGlobalInit(), 1);
    ASSERT_GT(server.port(), 0);
  }
  void TearDown() override { ZRCurlGlobalDeinit(); }

  int get(ZRCurl& curl, const std::string& path, const std::string& data = std::string(),
          const std::map<std::string, std::string>* headers = nullptr) {
    return curl.Fetch(server.url(path), headers, HttpOperationGet, data, false, 3, false, false);
  }

  TinyHttpServer server;
};

}  // namespace

TEST_F(ZRCurlTest, GetAppendsTheQueryAndSendsTheAgent) {
  ZRCurl curl;
  EXPECT_EQ(curl.HttpStatus(), 0);
  ASSERT_EQ(get(curl, "/x", "id=5"), 0);
  EXPECT_EQ(curl.HttpStatus(), 200);
  EXPECT_EQ(curl.Content(), "hello");
  EXPECT_EQ(curl.ContentSize(), 5u);
  EXPECT_EQ(curl.Type(), "text/plain");
  ASSERT_EQ(get(curl, "/x"), 0);

  std::vector<std::string> requests = server.requests();
  ASSERT_EQ(requests.size(), 2u);
  EXPECT_EQ(requests[0].rfind("GET /x?id=5 HTTP/1.1\r\n", 0), 0u) << requests[0];
  EXPECT_NE(requests[0].find("\r\nUser-Agent: zerlin-agent/1.0\r\n"), std::string::npos);
  EXPECT_EQ(requests[1].rfind("GET /x HTTP/1.1\r\n", 0), 0u) << requests[1];

  std::vector<std::string> headers = curl.Headers();
  ASSERT_GE(headers.size(), 3u);
  EXPECT_EQ(headers.front(), "HTTP/1.1 200 OK\r\n");
  EXPECT_EQ(headers.back(), "\r\n");
  EXPECT_EQ(headers[1], "Content-Type: text/plain\r\n");
}

TEST_F(ZRCurlTest, HeadersGoOutInNameOrder) {
  ZRCurl curl;
  std::map<std::string, std::string> headers = {{"B", "2"}, {"A", "1"}};
  ASSERT_EQ(get(curl, "/h", "", &headers), 0);
  std::string request = server.requests().at(0);
  size_t a = request.find("\r\nA: 1\r\n");
  size_t b = request.find("\r\nB: 2\r\n");
  ASSERT_NE(a, std::string::npos) << request;
  ASSERT_NE(b, std::string::npos) << request;
  EXPECT_LT(a, b);
  // Headers are not kept for the next request.
  ASSERT_EQ(curl.Fetch(server.url("/h2"), nullptr, HttpOperationGet, "", false, 3, false, true), 0);
  EXPECT_EQ(server.requests().at(1).find("\r\nA: 1\r\n"), std::string::npos);
}

TEST_F(ZRCurlTest, ErrorStatusRedirectAndMissingType) {
  ZRCurl curl;
  ASSERT_EQ(get(curl, "/missing"), 0);
  EXPECT_EQ(curl.HttpStatus(), 404);
  EXPECT_EQ(curl.Content(), "<h1>not here</h1>");
  EXPECT_EQ(curl.Type(), "text/html");

  ASSERT_EQ(get(curl, "/moved"), 0);
  EXPECT_EQ(curl.HttpStatus(), 302);
  EXPECT_EQ(curl.Content(), "moved");
  // The Location was not followed: one request only.
  EXPECT_EQ(server.requests().size(), 2u);

  // No Content-Type in this answer: the earlier type stays.
  ASSERT_EQ(get(curl, "/untyped"), 0);
  EXPECT_EQ(curl.Type(), "text/html");
  EXPECT_EQ(curl.Content(), std::string("raw\0bytes", 9));
  std::vector<char> copy(curl.ContentSize());
  curl.GetContentData(copy.data());
  EXPECT_EQ(std::string(copy.begin(), copy.end()), std::string("raw\0bytes", 9));
}

TEST_F(ZRCurlTest, PostSendsTheBody) {
  ZRCurl curl;
  ASSERT_EQ(curl.Fetch(server.url("/post"), nullptr, HttpOperationPost, "a=1&b=2", false, 3, true, false), 0);
  std::string request = server.requests().at(0);
  EXPECT_EQ(request.rfind("POST /post HTTP/1.1\r\n", 0), 0u) << request;
  EXPECT_EQ(request.substr(request.size() - 7), "a=1&b=2");
  ASSERT_EQ(curl.Fetch(server.url("/put"), nullptr, HttpOperationPut, "v", false, 3, false, false), 0);
  EXPECT_EQ(server.requests().at(1).rfind("PUT /put HTTP/1.1\r\n", 0), 0u);
}

TEST_F(ZRCurlTest, RefusedConnectionGivesStatusZero) {
  ZRCurl curl;
  ASSERT_EQ(get(curl, "/x"), 0);
  ASSERT_EQ(curl.HttpStatus(), 200);

  // A port that is bound but not listening refuses connections.
  int holder = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  ASSERT_GE(holder, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)), 0);
  socklen_t len = sizeof(addr);
  getsockname(holder, reinterpret_cast<sockaddr*>(&addr), &len);
  const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(addr.sin_port)) + "/x";

  int result = curl.Fetch(url, nullptr, HttpOperationGet, "", false, 3, false, false);
  close(holder);
  EXPECT_EQ(result, 7);  // could not connect
  EXPECT_EQ(curl.HttpStatus(), 0);
  EXPECT_TRUE(curl.Content().empty());
  EXPECT_TRUE(curl.Headers().empty());
  EXPECT_EQ(curl.Type(), "text/plain");
}

TEST(ZRCurlGlobal, InitCountsCalls) {
  int first = ZRCurlGlobalInit();
  EXPECT_EQ(ZRCurlGlobalInit(), first + 1);
  ZRCurlGlobalDeinit();
  ZRCurlGlobalDeinit();
}
