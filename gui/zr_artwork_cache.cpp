#include "gui/zr_artwork_cache.h"

#include <chrono>
#include <cstring>
#include <future>
#include <mutex>
#include <new>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_image_raw_data.h"

namespace {

constexpr int kTotalDownloadSeconds = 10;
constexpr size_t kMaxDownloadBytes = 16u * 1024 * 1024;
constexpr int kMaxAddressBytes = 4096;

unsigned char* copyOf(const unsigned char* pixels, size_t bytes) {
  unsigned char* out = new (std::nothrow) unsigned char[bytes];
  if (out != nullptr) std::memcpy(out, pixels, bytes);
  return out;
}

bool isWebAddress(const std::string& address) {
  auto startsWith = [&](const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (address.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
      if (std::tolower(static_cast<unsigned char>(address[i])) != prefix[i]) return false;
    }
    return true;
  };
  return startsWith("http://") || startsWith("https://");
}

// The picture's pixel bytes as the decoder laid them out: 4 per pixel with alpha, else 3.
size_t pixelBytes(int width, int height, bool hasAlpha) {
  return static_cast<size_t>(width) * static_cast<size_t>(height) * (hasAlpha ? 4 : 3);
}

}  // namespace

ZRArtworkCache* ZRArtworkCache::getInstance() {
  static std::once_flag once;
  std::call_once(once, [] { instance.store(new ZRArtworkCache(), std::memory_order_release); });
  return instance.load(std::memory_order_acquire);
}

ZRArtworkCache::ZRArtworkCache(size_t byteBudget)
    : byteBudget_(byteBudget), downloadSeconds_(kTotalDownloadSeconds), downloadBytes_(kMaxDownloadBytes) {
  thread_ = std::make_unique<ZRThread>([this](void*) { return workerPass(); }, nullptr, 0, 65, "artwork");
}

ZRArtworkCache::~ZRArtworkCache() {
  stopProcessingThread();
}

bool ZRArtworkCache::copyCached(const ZRString& key, int requestedWidth, int requestedHeight,
                                unsigned char*& pixels, int& width, int& height, bool& hasAlpha,
                                bool& cachedAtOtherSize) {
  bool found = false;
  lock_.enterShared();
  auto it = map_.find(key);
  cachedAtOtherSize = it != map_.end();
  if (it != map_.end() && it->second.width == requestedWidth && it->second.height == requestedHeight) {
    cachedAtOtherSize = false;
    unsigned char* copy = copyOf(it->second.pixels.get(), static_cast<size_t>(it->second.size));
    if (copy != nullptr) {
      std::atomic_ref<uint64_t>(it->second.lastUse).store(++useClock_, std::memory_order_relaxed);
      pixels = copy;
      width = it->second.width;
      height = it->second.height;
      hasAlpha = it->second.hasAlpha;
      found = true;
    }
  }
  lock_.leaveShared();
  return found;
}

bool ZRArtworkCache::getArtworkOrSendRequest(const ZRString& key, const ZRString& address, int row,
                                             ZRLockFreeQueue<void*>* replyQueue, unsigned char*& pixels,
                                             int& width, int& height, bool& hasAlpha, int requestedWidth,
                                             int requestedHeight) {
  bool otherSize = false;
  if (copyCached(key, requestedWidth, requestedHeight, pixels, width, height, hasAlpha, otherSize))
    return true;
  if (stopping_.load(std::memory_order_acquire)) return false;
  auto* message = new Message;
  message->kind = 0;
  message->request = TArtworkRequest{row, key, address, requestedWidth, requestedHeight, replyQueue};
  if (!requests_.enqueue(message)) delete message;
  return false;
}

void ZRArtworkCache::cancelRequest(const ZRString& key, int row, ZRLockFreeQueue<void*>* replyQueue,
                                   int requestedWidth, int requestedHeight) {
  if (stopping_.load(std::memory_order_acquire)) return;
  auto* message = new Message;
  message->kind = 1;
  message->request = TArtworkRequest{row, key, ZRString(), requestedWidth, requestedHeight, replyQueue};
  if (!requests_.enqueue(message)) delete message;
}

void ZRArtworkCache::processLockFreeRequests() {
  void* item = nullptr;
  while (requests_.try_dequeue(item)) {
    auto* message = static_cast<Message*>(item);
    if (message->kind == 0) {
      pending_.push_back(std::move(message->request));
    } else {
      pending_.remove_if([&](const TArtworkRequest& r) { return r.sameAs(message->request); });
    }
    delete message;
  }
}

bool ZRArtworkCache::workerPass() {
  processLockFreeRequests();
  while (!pending_.empty() && !stopping_.load(std::memory_order_acquire)) {
    TArtworkRequest request = std::move(pending_.front());
    pending_.pop_front();
    unsigned char* pixels = nullptr;
    int width = 0, height = 0;
    bool hasAlpha = false;
    if (getArtworkNow(request.key, request.address, pixels, width, height, hasAlpha, request.requestedWidth,
                      request.requestedHeight)) {
      auto* result = new TArtworkResult;
      static_cast<TArtworkRequest&>(*result) = request;
      result->pixels = pixels;
      result->width = width;
      result->height = height;
      result->hasAlpha = hasAlpha;
      if (request.replyQueue == nullptr || !request.replyQueue->enqueue(result)) freeResult(result);
    }
    // Cancels that came in meanwhile are honoured before the next load.
    processLockFreeRequests();
  }
  return true;
}

bool ZRArtworkCache::getArtworkNow(const ZRString& key, const ZRString& address, unsigned char*& pixels,
                                   int& width, int& height, bool& hasAlpha, int requestedWidth,
                                   int requestedHeight) {
  pixels = nullptr;
  bool cached = false;
  if (copyCached(key, requestedWidth, requestedHeight, pixels, width, height, hasAlpha, cached)) return true;
  if (cached) {
    // Kept at another size: that entry goes (unless someone stored this size meanwhile).
    lock_.enterExclusive();
    auto again = map_.find(key);
    if (again != map_.end() &&
        (again->second.width != requestedWidth || again->second.height != requestedHeight)) {
      cachedBytes_ -= static_cast<size_t>(again->second.size);
      map_.erase(again);
    }
    lock_.leaveExclusive();
  }
  if (!loadPixels(key, address, pixels, width, height, hasAlpha, requestedWidth, requestedHeight))
    return false;
  store(key, pixels, width, height, hasAlpha);
  return true;
}

bool ZRArtworkCache::loadPixels(const ZRString& key, const ZRString& address, unsigned char*& pixels,
                                int& width, int& height, bool& hasAlpha, int requestedWidth,
                                int requestedHeight) {
  int bytes = 0;
  const bool swapRB = ZRTexture::isReverseRBNeededForDefaultDevice();
  if (address.empty()) {
    if (!tag_.open(key)) return false;
    char* picture = nullptr;
    int size = 0;
    bool ok = tag_.getPictureData(&picture, &size);
    if (ok) {
      ok = getImageRawData(picture, size, false, false, pixels, hasAlpha, width, height, bytes,
                           requestedWidth, requestedHeight, swapRB);
      delete[] picture;
    }
    tag_.close();
    return ok;
  }
  char cut[kMaxAddressBytes + 1];
  address.toUTF8(cut, sizeof cut);
  if (!isWebAddress(cut)) {
    ZRLOG("artwork: not a web address, cover not fetched: '%s'", cut);
    return false;
  }
  if (!curl_) curl_ = std::make_unique<ZRCurl>();
  const size_t maxBytes = downloadBytes_.load(std::memory_order_relaxed);
  curl_->setTransferLimits(downloadSeconds_.load(std::memory_order_relaxed), maxBytes, &stopping_);
  if (curl_->Fetch(cut, nullptr, HttpOperationGet, "", false, 3, false, false) != 0) return false;
  const size_t size = curl_->ContentSize();
  if (size == 0 || size > maxBytes || size > 0x7fffffff) return false;
  std::string body = curl_->Content();
  return getImageRawData(body.data(), static_cast<int>(body.size()), false, false, pixels, hasAlpha, width,
                         height, bytes, requestedWidth, requestedHeight, swapRB);
}

void ZRArtworkCache::store(const ZRString& key, const unsigned char* pixels, int width, int height,
                           bool hasAlpha) {
  const size_t bytes = pixelBytes(width, height, hasAlpha);
  // A picture larger than the whole budget is handed out but not kept.
  if (bytes > byteBudget_.load(std::memory_order_relaxed)) return;
  TArtworkData entry;
  entry.pixels.reset(copyOf(pixels, bytes));
  if (!entry.pixels) return;
  entry.size = static_cast<int>(bytes);
  entry.width = width;
  entry.height = height;
  entry.hasAlpha = hasAlpha;
  entry.lastUse = ++useClock_;
  lock_.enterExclusive();
  auto it = map_.find(key);
  if (it != map_.end()) {
    cachedBytes_ -= static_cast<size_t>(it->second.size);
    it->second = std::move(entry);
  } else {
    map_.emplace(key, std::move(entry));
  }
  cachedBytes_ += bytes;
  evictOverBudget();
  lock_.leaveExclusive();
}

void ZRArtworkCache::evictOverBudget() {
  const size_t budget = byteBudget_.load(std::memory_order_relaxed);
  while (cachedBytes_ > budget && !map_.empty()) {
    auto oldest = map_.begin();
    for (auto it = map_.begin(); it != map_.end(); ++it) {
      if (it->second.lastUse < oldest->second.lastUse) oldest = it;
    }
    cachedBytes_ -= static_cast<size_t>(oldest->second.size);
    map_.erase(oldest);
  }
}

bool ZRArtworkCache::stopProcessingThread(int timeoutMs) {
  stopping_.store(true, std::memory_order_release);
  if (thread_ && timeoutMs >= 0) {
    // The join runs on a helper thread so that the wait can end.
    std::shared_ptr<ZRThread> worker(thread_.release());
    auto joined = std::make_shared<std::promise<void>>();
    std::future<void> done = joined->get_future();
    std::thread([worker = std::move(worker), joined]() mutable {
      worker.reset();
      joined->set_value();
    }).detach();
    if (done.wait_for(std::chrono::milliseconds(timeoutMs)) != std::future_status::ready) {
      ZRLOG("error: artwork: the worker did not stop within %d ms; left behind", timeoutMs);
      return false;
    }
  }
  thread_.reset();
  processLockFreeRequests();
  pending_.clear();
  clearCache();
  return true;
}

void ZRArtworkCache::clearCache() {
  lock_.enterExclusive();
  map_.clear();
  cachedBytes_ = 0;
  lock_.leaveExclusive();
}

void ZRArtworkCache::setByteBudget(size_t bytes) {
  byteBudget_.store(bytes, std::memory_order_relaxed);
  lock_.enterExclusive();
  evictOverBudget();
  lock_.leaveExclusive();
}

void ZRArtworkCache::setDownloadLimits(int totalSeconds, size_t maxBytes) {
  downloadSeconds_.store(totalSeconds, std::memory_order_relaxed);
  downloadBytes_.store(maxBytes, std::memory_order_relaxed);
}

size_t ZRArtworkCache::getCachedBytes() {
  lock_.enterShared();
  size_t bytes = cachedBytes_;
  lock_.leaveShared();
  return bytes;
}

size_t ZRArtworkCache::getCachedCount() {
  lock_.enterShared();
  size_t count = map_.size();
  lock_.leaveShared();
  return count;
}

void ZRArtworkCache::freeResult(TArtworkResult* result) {
  if (result == nullptr) return;
  delete[] result->pixels;
  delete result;
}
