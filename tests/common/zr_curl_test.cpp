#include "common/zr_curl.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "support/tiny_http_server.h"

namespace {

// The routes the client's tests ask for.
orvel_test::HttpResponse answer(const std::string& path) {
  orvel_test::HttpResponse r;
  if (path == "/missing") {
    r.status = "404 Not Found";
    r.headers = "Content-Type: text/html\r\n";
    r.body = "<h1>not here</h1>";
  } else if (path == "/moved") {
    r.status = "302 Found";
    r.headers = "Location: /target\r\n";
    r.body = "moved";
  } else if (path == "/untyped") {
    r.headers = "";
    r.body = std::string("raw\0bytes", 9);
  }
  return r;
}

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

  orvel_test::TinyHttpServer server{answer};
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

TEST_F(ZRCurlTest, TransferLimitsEndStalledAndOversizedTransfers) {
  orvel_test::StallingHttpServer stalled;
  ASSERT_GT(stalled.port(), 0);
  ZRCurl curl;

  // A server that takes the connection and never answers: only the total limit ends the wait.
  curl.setTransferLimits(1, 0, nullptr);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(curl.Fetch(stalled.url("/cover.jpg"), nullptr, HttpOperationGet, "", false, 3, false, false), 28);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
  EXPECT_EQ(curl.HttpStatus(), 0);

  // The abort flag ends it as well, without a total limit.
  std::atomic<bool> abort{false};
  curl.setTransferLimits(0, 0, &abort);
  std::thread asker([&abort] {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    abort = true;
  });
  start = std::chrono::steady_clock::now();
  EXPECT_NE(curl.Fetch(stalled.url("/cover.jpg"), nullptr, HttpOperationGet, "", false, 3, false, false), 0);
  asker.join();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));

  // A body above the cap fails and leaves nothing; one within passes.
  curl.setTransferLimits(5, 3, nullptr);
  EXPECT_NE(get(curl, "/x"), 0);
  EXPECT_TRUE(curl.Content().empty());
  curl.setTransferLimits(5, 5, nullptr);
  ASSERT_EQ(get(curl, "/x"), 0);
  EXPECT_EQ(curl.Content(), "hello");
}
