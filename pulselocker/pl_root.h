#pragma once
// The SDK's root object and a song's media. pl::Root::loadSongMedia starts the download of a song's
// media and returns the load's cancel token; it calls onMedia with the pl::SongMedia first, then
// onDownloadProgress (first, done, total byte counts) while downloading, and finally onComplete or
// onError (a pl::CancelledError when the token stopped it). pl::SongMedia owns the input stream the deck
// reads and reports play, pause, seek and eject (times in microseconds) to the service through the
// SDK's download state.
//
// Threads: the callbacks arrive on threads of the SDK's choosing (onMedia possibly before
// loadSongMedia returns); one media is reported on by one thread at a time.

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>

#include "pulselocker/pl_cancel.h"
#include "pulselocker/pl_error.h"
#include "pulselocker/pl_records.h"

namespace pl {

// What the SDK keeps of one media download and its play reporting.
class MediaState {
 public:
  virtual ~MediaState() = default;
  virtual void playAt(int64_t microseconds) = 0;
  virtual void pauseAt(int64_t microseconds) = 0;
  virtual void seek(int64_t fromMicroseconds, int64_t toMicroseconds) = 0;
  virtual void ejectAt(int64_t microseconds) = 0;
};

class SongMedia {
 public:
  SongMedia(SongPartial song, std::shared_ptr<std::istream> stream, std::shared_ptr<MediaState> state)
      : song_(std::move(song)), stream_(std::move(stream)), state_(std::move(state)) {}
  SongMedia(SongMedia&&) = default;
  SongMedia& operator=(SongMedia&&) = default;
  SongMedia(const SongMedia&) = delete;
  SongMedia& operator=(const SongMedia&) = delete;

  const SongPartial& song() const { return song_; }
  std::istream* stream() const { return stream_.get(); }
  void playAt(int64_t t) { state_->playAt(t); }
  void pauseAt(int64_t t) { state_->pauseAt(t); }
  void seek(int64_t from, int64_t to) { state_->seek(from, to); }
  void ejectAt(int64_t t) { state_->ejectAt(t); }

 private:
  SongPartial song_;
  std::shared_ptr<std::istream> stream_;
  std::shared_ptr<MediaState> state_;
};

class Root {
 public:
  using OnMedia = std::function<void(SongMedia)>;
  using OnDownloadProgress = std::function<void(uint64_t first, uint64_t done, uint64_t total)>;
  using OnComplete = std::function<void()>;
  using OnError = std::function<void(const Error&)>;

  virtual ~Root() = default;
  virtual Cancel loadSongMedia(const SongPartial& song, bool flag, OnMedia onMedia,
                               OnDownloadProgress onDownloadProgress, OnComplete onComplete,
                               OnError onError) = 0;
};

}  // namespace pl
