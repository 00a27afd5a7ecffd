#pragma once
// A fake of the streaming service's SDK for the client's tests: it installs the SDK's singletons (root,
// current user, dispatch, content cache with an in-memory store) and lets a test play the SDK's part -
// answer API requests on a transport thread, and drive each media load's callbacks (media, progress,
// completion, error) from any thread. Everything it is asked is recorded.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "pulselocker/pl_api.h"
#include "pulselocker/pl_root.h"
#include "pulselocker/pl_storage.h"

namespace fake_pl {

class MemoryStorage : public pl::StorageStrategy {
 public:
  using pl::StorageStrategy::get;
  using pl::StorageStrategy::save;
  void save(const JSONNode& record) override;
  JSONNode get(int type, int64_t id) override;
  // Stores text as the record of (type, id) as it stands (a record of a wrong shape, say).
  void putRaw(int type, int64_t id, const std::string& text);
  bool has(int type, int64_t id);
  std::string raw(int type, int64_t id);

 private:
  std::mutex lock_;
  std::map<std::pair<int, int64_t>, std::string> records_;
};

// The service as the transport reaches it: answers each request on a thread of its own.
class FakeDispatch : public pl::api::Dispatch {
 public:
  using Answer = std::function<pl::http::Response(const pl::http::Request&)>;
  ~FakeDispatch() override { joinAll(); }
  void setAnswer(Answer answer);
  std::vector<pl::http::Request> sent();
  int refreshes() const { return refreshes_.load(); }
  // Waits for every transport thread started so far.
  void joinAll();
  void _refreshAndResend(pl::http::Request& request, ResponseHandler onResponse,
                         ErrorHandler onError) override;

 protected:
  void send(pl::http::Request request, ResponseHandler onResponse, ErrorHandler onError) override;

 private:
  std::mutex lock_;
  Answer answer_;
  std::vector<pl::http::Request> sent_;
  std::vector<std::thread> threads_;
  std::atomic<int> refreshes_{0};
};

struct MediaEvents : pl::MediaState {
  std::mutex lock;
  std::vector<std::string> events;  // "play 1500000", "seek 10000000 10250000", ...
  void playAt(int64_t t) override { add("play " + std::to_string(t)); }
  void pauseAt(int64_t t) override { add("pause " + std::to_string(t)); }
  void seek(int64_t f, int64_t t) override { add("seek " + std::to_string(f) + " " + std::to_string(t)); }
  void ejectAt(int64_t t) override { add("eject " + std::to_string(t)); }
  void add(const std::string& e) {
    std::lock_guard<std::mutex> guard(lock);
    events.push_back(e);
  }
  std::vector<std::string> taken() {
    std::lock_guard<std::mutex> guard(lock);
    return events;
  }
};

// One media load the client started; the test plays the download.
struct MediaLoad {
  pl::SongPartial song;
  std::shared_ptr<pl::Cancel::_State> cancel;
  pl::Root::OnMedia onMedia;
  pl::Root::OnDownloadProgress onProgress;
  pl::Root::OnComplete onComplete;
  pl::Root::OnError onError;
  std::shared_ptr<MediaEvents> events = std::make_shared<MediaEvents>();

  bool cancelled() const { return cancel->cancelled.load(); }
  // Hands over media whose stream holds bytes.
  void media(const std::string& bytes);
  void progress(uint64_t done, uint64_t total) { onProgress(0, done, total); }
  void complete() { onComplete(); }
  void fail(const pl::Error& e) { onError(e); }
};

class FakeRoot : public pl::Root {
 public:
  pl::Cancel loadSongMedia(const pl::SongPartial& song, bool flag, OnMedia onMedia,
                           OnDownloadProgress onDownloadProgress, OnComplete onComplete,
                           OnError onError) override;
  // With bytes set, onMedia runs inside loadSongMedia (a song the SDK has at hand).
  void setInlineMedia(const std::string& bytes) { inlineMedia_ = bytes; }
  std::size_t loads();
  std::shared_ptr<MediaLoad> load(std::size_t index);
  // Waits (bounded) until count loads were started.
  bool waitForLoads(std::size_t count, std::chrono::milliseconds bound = std::chrono::seconds(10));

 private:
  std::mutex lock_;
  std::condition_variable changed_;
  std::vector<std::shared_ptr<MediaLoad>> loads_;
  std::string inlineMedia_;
};

// Installs the whole fake SDK for the life of the object.
struct Sdk {
  Sdk();
  ~Sdk();
  std::shared_ptr<FakeRoot> root = std::make_shared<FakeRoot>();
  std::shared_ptr<pl::CurrentUser> user = std::make_shared<pl::CurrentUser>();
  std::shared_ptr<FakeDispatch> dispatch = std::make_shared<FakeDispatch>();
  std::shared_ptr<MemoryStorage> storage = std::make_shared<MemoryStorage>();
};

// A song as the service knows it: one artist, two territories.
pl::Song sampleSong(int64_t id);
// The reply of the service to a song request: status 200 and the song's JSON.
pl::http::Response songReply(const pl::Song& song);

}  // namespace fake_pl
