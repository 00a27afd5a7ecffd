#pragma once
// ZRCurl: the system's only HTTP client, a synchronous wrapper over one
// libcurl handle. Create one per user, call Fetch (it blocks until the
// transfer is over), then read the body, content type, raw header lines and
// HTTP status. Every request identifies itself as "zerlin-agent/1.0";
// redirects are not followed (a 3xx answer is the response) and, unless
// setTransferLimits says otherwise, only the connection has a time limit.
// One request at a time per object.
//
// ZRCurlGlobalInit / ZRCurlGlobalDeinit set the HTTP library up and tear it
// down for the process; the shell calls them on the main thread at start-up
// (before any ZRCurl exists) and shut-down.

#include <atomic>
#include <cstddef>
#include <map>
#include <string>
#include <vector>

enum THttpOperationType : int {
  HttpOperationDelete = 0,
  HttpOperationGet = 1,
  HttpOperationPost = 2,
  HttpOperationPut = 3,
};

// The first call sets libcurl up with all its features; returns the number of
// calls not yet matched by ZRCurlGlobalDeinit.
int ZRCurlGlobalInit();
// The call that matches the first init tears libcurl down.
void ZRCurlGlobalDeinit();

class ZRCurl {
 public:
  ZRCurl();
  ~ZRCurl();
  ZRCurl(const ZRCurl&) = delete;
  ZRCurl& operator=(const ZRCurl&) = delete;

  // Performs one request and returns the libcurl result code: 0 when the
  // transfer completed, whatever the HTTP status. A GET with non-empty data
  // requests url + "?" + data (the caller encodes the query); POST, PUT and
  // DELETE send data (up to its first NUL) as the body. headers (may be null)
  // are sent as "name: value" lines in the map's order. keepOptions false
  // starts from libcurl's defaults; true keeps the options of the earlier
  // request where this one does not set them (headers and body are never
  // kept). Status, body and header lines are reset at the start; the content
  // type changes only when a completed transfer reports one.
  int Fetch(std::string url, const std::map<std::string, std::string>* headers, THttpOperationType operation,
            std::string data, bool verbose, int connectTimeoutSeconds, bool tcpNoDelay, bool keepOptions);

  // Limits of the following requests (kept across keepOptions false): the
  // whole transfer ends after totalTimeoutSeconds (0: no limit) and a body
  // larger than maxContentBytes (0: no limit) ends it; either gives a
  // non-zero result and an empty body. While *abort (may be null) is true a
  // transfer ends within about a second, so a stalled server cannot hold up
  // the thread that waits for this one (shut-down sets it).
  void setTransferLimits(int totalTimeoutSeconds, size_t maxContentBytes, const std::atomic<bool>* abort);
  // Following requests (kept across keepOptions false) go over https only: any other scheme, also in a
  // redirect, fails the transfer before a connection is made. caFile, when not empty, names the
  // certificates (PEM) the server's must chain to instead of the system's; the peer and host checks
  // stay on either way.
  void setHttpsOnly(const std::string& caFile);

  // The body of the last response (any bytes).
  std::string Content() const { return content_; }
  size_t ContentSize() const { return content_.size(); }
  // Copies the body into destination (ContentSize() bytes, no terminator).
  void GetContentData(char* destination) const;
  // The Content-Type of the last response that had one.
  std::string Type() const { return contentType_; }
  // Every header line of the last transfer as received, with its line
  // ending: the status line first and the empty line that ends the block.
  std::vector<std::string> Headers() const { return headers_; }
  // The HTTP status of the last transfer; 0 before one and after a failure.
  int HttpStatus() const { return httpStatus_; }

  // libcurl callbacks; user is the ZRCurl (bytes are dropped when null).
  static size_t HttpContent(void* data, size_t size, size_t count, void* user);
  static size_t HttpHeader(void* data, size_t size, size_t count, void* user);

 private:
  std::string content_;
  std::string contentType_;
  std::vector<std::string> headers_;
  int httpStatus_ = 0;
  void* handle_ = nullptr;
  int totalTimeoutSeconds_ = 0;
  size_t maxContentBytes_ = 0;
  const std::atomic<bool>* abort_ = nullptr;
  bool httpsOnly_ = false;
  std::string caFile_;
};
