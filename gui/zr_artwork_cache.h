#pragma once
// ZRArtworkCache: cover pictures for track rows, read and decoded on the cache's own thread ("artwork",
// priority 0, every 65 ms) and kept decoded in memory by key (the track table uses the track's file path).
// A cover comes from the audio file's embedded picture (empty address) or from a web address (http or
// https only). Results travel back to the asking node through that node's own lock-free queue; the node
// applies them on the render thread (ZRTableView::updateArtworkForRow).
//
// The cache is bounded: when the decoded pictures it keeps exceed its byte budget (64 MiB unless set),
// the least recently used go first. A download ends after 10 s or beyond 16 MiB whatever the server does,
// and shut-down ends one in progress within about a second.
//
// Threads: requests and cancels may be posted from any thread (through a lock-free queue); only the worker
// touches the pending list, the tag reader and the HTTP client. The map is read under the shared lock and
// changed under the exclusive lock.
//
// Results: each is a TArtworkResult the receiver owns: it frees the pixels with delete[] and the result
// with delete (freeResult does both, for results that are dropped).

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <memory>

#include "common/zr_critical_section.h"
#include "common/zr_curl.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"
#include "common/zr_thread.h"
#include "tags/zr_tag.h"

class ZRArtworkCache {
 public:
  struct TArtworkData {
    std::unique_ptr<unsigned char[]> pixels;
    int size = 0;  // bytes
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
    uint64_t lastUse = 0;  // a use stamp; written under the shared lock, hence atomic access
  };

  struct TArtworkRequest {
    int row = 0;
    ZRString key;
    ZRString address;
    int requestedWidth = 0;
    int requestedHeight = 0;
    ZRLockFreeQueue<void*>* replyQueue = nullptr;
    // Equal when row, key, size and reply queue are (the address does not count).
    bool sameAs(const TArtworkRequest& o) const {
      return row == o.row && key == o.key && requestedWidth == o.requestedWidth &&
             requestedHeight == o.requestedHeight && replyQueue == o.replyQueue;
    }
  };

  // The request it answers, and the picture.
  struct TArtworkResult : TArtworkRequest {
    unsigned char* pixels = nullptr;  // new[]; the receiver frees it
    int width = 0;
    int height = 0;
    bool hasAlpha = false;
  };

  static constexpr size_t kDefaultByteBudget = 64u * 1024 * 1024;

  // The process's cache; the first call creates it and starts its thread.
  static ZRArtworkCache* getInstance();
  static inline std::atomic<ZRArtworkCache*> instance{nullptr};

  // A cache of its own (tests, tools), with its thread running.
  explicit ZRArtworkCache(size_t byteBudget = kDefaultByteBudget);
  ~ZRArtworkCache();
  ZRArtworkCache(const ZRArtworkCache&) = delete;
  ZRArtworkCache& operator=(const ZRArtworkCache&) = delete;

  // True with a new[] copy of the pixels when the key is cached at exactly the requested size (in pixels);
  // otherwise posts a load request (the result arrives later in replyQueue) and returns false.
  bool getArtworkOrSendRequest(const ZRString& key, const ZRString& address, int row,
                               ZRLockFreeQueue<void*>* replyQueue, unsigned char*& pixels, int& width,
                               int& height, bool& hasAlpha, int requestedWidth, int requestedHeight);
  // Posts a cancel: every pending request equal to it is dropped before the worker reaches it.
  void cancelRequest(const ZRString& key, int row, ZRLockFreeQueue<void*>* replyQueue, int requestedWidth,
                     int requestedHeight);
  // The synchronous load the worker runs: from the map, else read, decoded and stored. False when the
  // picture cannot be had.
  bool getArtworkNow(const ZRString& key, const ZRString& address, unsigned char*& pixels, int& width,
                     int& height, bool& hasAlpha, int requestedWidth, int requestedHeight);
  // Moves posted requests and cancels into the pending list (worker thread).
  void processLockFreeRequests();
  // Stops the worker (a download in progress is abandoned), drops what is pending and empties the map.
  // Called at shut-down; the cache answers nothing afterwards. With timeoutMs of 0 or more the caller waits
  // at most that long: a worker stuck in a read that does not end (a cover file on a hung network mount,
  // a named pipe) is left behind, still asked to stop, with the pending work and the map untouched, and
  // the result is false. The cache must then stay alive (the process-wide one always does).
  bool stopProcessingThread(int timeoutMs = -1);
  // Frees every cached picture.
  void clearCache();

  void setByteBudget(size_t bytes);
  // Limits of each download (10 s and 16 MiB unless set); a picture larger than maxBytes is not fetched.
  void setDownloadLimits(int totalSeconds, size_t maxBytes);
  size_t getCachedBytes();
  size_t getCachedCount();

  static void freeResult(TArtworkResult* result);

 private:
  struct Message {
    int kind = 0;  // 0 load, 1 cancel
    TArtworkRequest request;
  };

  bool workerPass();
  // Under the shared lock: a new[] copy of the entry when it is cached at exactly this size.
  bool copyCached(const ZRString& key, int requestedWidth, int requestedHeight, unsigned char*& pixels,
                  int& width, int& height, bool& hasAlpha, bool& cachedAtOtherSize);
  bool loadPixels(const ZRString& key, const ZRString& address, unsigned char*& pixels, int& width,
                  int& height, bool& hasAlpha, int requestedWidth, int requestedHeight);
  void store(const ZRString& key, const unsigned char* pixels, int width, int height, bool hasAlpha);
  void evictOverBudget();  // under the exclusive lock

  ZRCriticalSection lock_;
  std::map<ZRString, TArtworkData> map_;
  size_t cachedBytes_ = 0;
  std::atomic<size_t> byteBudget_;
  std::atomic<uint64_t> useClock_{0};
  std::atomic<int> downloadSeconds_;
  std::atomic<size_t> downloadBytes_;

  ZRLockFreeQueue<void*> requests_;
  std::list<TArtworkRequest> pending_;
  ZRTag tag_;
  std::unique_ptr<ZRCurl> curl_;
  std::atomic<bool> stopping_{false};
  std::unique_ptr<ZRThread> thread_;
};
