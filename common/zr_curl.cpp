#include "common/zr_curl.h"

#include <curl/curl.h>
#include <string.h>

#include "common/zr_logging.h"

namespace {

// Init and deinit run on the main thread only, when no transfer runs.
int globalInitCount = 0;

}  // namespace

int ZRCurlGlobalInit() {
  if (globalInitCount == 0) curl_global_init(CURL_GLOBAL_ALL);
  return ++globalInitCount;
}

void ZRCurlGlobalDeinit() {
  if (globalInitCount <= 0) return;
  if (--globalInitCount == 0) curl_global_cleanup();
}

ZRCurl::ZRCurl() : handle_(curl_easy_init()) {}

ZRCurl::~ZRCurl() {
  if (handle_ != nullptr) curl_easy_cleanup(static_cast<CURL*>(handle_));
}

void ZRCurl::GetContentData(char* destination) const {
  if (destination != nullptr && !content_.empty()) memcpy(destination, content_.data(), content_.size());
}

size_t ZRCurl::HttpContent(void* data, size_t size, size_t count, void* user) {
  size_t bytes = size * count;
  if (user == nullptr || bytes == 0) return bytes;
  ZRCurl* self = static_cast<ZRCurl*>(user);
  if (self->maxContentBytes_ > 0 && self->content_.size() + bytes > self->maxContentBytes_) {
    // Returning fewer bytes than given ends the transfer with a write error.
    return 0;
  }
  self->content_.append(static_cast<char*>(data), bytes);
  return bytes;
}

void ZRCurl::setTransferLimits(int totalTimeoutSeconds, size_t maxContentBytes,
                               const std::atomic<bool>* abort) {
  totalTimeoutSeconds_ = totalTimeoutSeconds > 0 ? totalTimeoutSeconds : 0;
  maxContentBytes_ = maxContentBytes;
  abort_ = abort;
}

void ZRCurl::setHttpsOnly(const std::string& caFile) {
  httpsOnly_ = true;
  caFile_ = caFile;
}

namespace {

// Called by libcurl about once a second even while nothing arrives; non-zero ends the transfer.
int abortWhenAsked(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const auto* abort = static_cast<const std::atomic<bool>*>(user);
  return abort != nullptr && abort->load(std::memory_order_acquire) ? 1 : 0;
}

}  // namespace

size_t ZRCurl::HttpHeader(void* data, size_t size, size_t count, void* user) {
  size_t bytes = size * count;
  if (user != nullptr) static_cast<ZRCurl*>(user)->headers_.emplace_back(static_cast<char*>(data), bytes);
  return bytes;
}

int ZRCurl::Fetch(std::string url, const std::map<std::string, std::string>* headers,
                  THttpOperationType operation, std::string data, bool verbose, int connectTimeoutSeconds,
                  bool tcpNoDelay, bool keepOptions) {
  httpStatus_ = 0;
  content_.clear();
  headers_.clear();
  CURL* curl = static_cast<CURL*>(handle_);
  if (curl == nullptr) return CURLE_FAILED_INIT;
  if (!keepOptions) curl_easy_reset(curl);

  if (operation == HttpOperationGet && !data.empty()) url += "?" + data;

  curl_slist* headerList = nullptr;
  if (headers != nullptr && !headers->empty()) {
    for (const auto& [name, value] : *headers) {
      std::string line = name + ": " + value;
      curl_slist* grown = curl_slist_append(headerList, line.c_str());
      if (grown == nullptr) break;
      headerList = grown;
    }
    if (curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headerList) != CURLE_OK) {
      ZRLOG("error setting custom headers");
    }
  }

  curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &ZRCurl::HttpContent);
  curl_easy_setopt(curl, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &ZRCurl::HttpHeader);
  curl_easy_setopt(curl, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(curl, CURLOPT_USERAGENT, "zerlin-agent/1.0");
  if (verbose) curl_easy_setopt(curl, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, static_cast<long>(connectTimeoutSeconds));
  if (tcpNoDelay) curl_easy_setopt(curl, CURLOPT_TCP_NODELAY, 1L);
  if (httpsOnly_) {
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!caFile_.empty()) curl_easy_setopt(curl, CURLOPT_CAINFO, caFile_.c_str());
  }
  if (totalTimeoutSeconds_ > 0)
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, static_cast<long>(totalTimeoutSeconds_));
  if (abort_ != nullptr) {
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &abortWhenAsked);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abort_));
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
  }

  // The body is copied by libcurl, so a request kept for a later Fetch never
  // points at this call's data.
  switch (operation) {
    case HttpOperationPut:
      curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "PUT");
      curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, data.c_str());
      break;
    case HttpOperationPost:
      curl_easy_setopt(curl, CURLOPT_POST, 1L);
      curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, data.c_str());
      break;
    case HttpOperationDelete:
      curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "DELETE");
      curl_easy_setopt(curl, CURLOPT_COPYPOSTFIELDS, data.c_str());
      break;
    default:
      break;
  }

  CURLcode result = curl_easy_perform(curl);
  if (result != CURLE_OK) content_.clear();
  if (result == CURLE_OK) {
    char* type = nullptr;
    if (curl_easy_getinfo(curl, CURLINFO_CONTENT_TYPE, &type) == CURLE_OK && type != nullptr) {
      contentType_ = type;
    }
    long code = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &code) == CURLE_OK) {
      httpStatus_ = static_cast<int>(code);
    }
  }
  // The list dies here; a kept handle must not point at it.
  if (headerList != nullptr) {
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_slist_free_all(headerList);
  }
  return static_cast<int>(result);
}
