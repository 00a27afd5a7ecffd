#include "fake_pl_sdk.h"

#include <sstream>

#include "pulselocker/pl_singleton.h"

namespace fake_pl {

void MemoryStorage::save(const JSONNode& record) {
  std::lock_guard<std::mutex> guard(lock_);
  records_[{pl::Object::kSong, record["song_id"].asInt()}] = record.write();
}

JSONNode MemoryStorage::get(int type, int64_t id) {
  std::string text;
  {
    std::lock_guard<std::mutex> guard(lock_);
    const auto it = records_.find({type, id});
    if (it == records_.end()) throw pl::storage::NotFoundError(1, "Record not found.");
    text = it->second;
  }
  return JSONNode::parse(text);
}

void MemoryStorage::putRaw(int type, int64_t id, const std::string& text) {
  std::lock_guard<std::mutex> guard(lock_);
  records_[{type, id}] = text;
}

bool MemoryStorage::has(int type, int64_t id) {
  std::lock_guard<std::mutex> guard(lock_);
  return records_.count({type, id}) != 0;
}

std::string MemoryStorage::raw(int type, int64_t id) {
  std::lock_guard<std::mutex> guard(lock_);
  const auto it = records_.find({type, id});
  return it == records_.end() ? std::string() : it->second;
}

void FakeDispatch::setAnswer(Answer answer) {
  std::lock_guard<std::mutex> guard(lock_);
  answer_ = std::move(answer);
}

std::vector<pl::http::Request> FakeDispatch::sent() {
  std::lock_guard<std::mutex> guard(lock_);
  return sent_;
}

void FakeDispatch::joinAll() {
  // A transport thread may start another (a resend): join until none is left.
  for (;;) {
    std::vector<std::thread> threads;
    {
      std::lock_guard<std::mutex> guard(lock_);
      threads.swap(threads_);
    }
    if (threads.empty()) return;
    for (std::thread& t : threads) t.join();
  }
}

void FakeDispatch::send(pl::http::Request request, ResponseHandler onResponse, ErrorHandler onError) {
  std::lock_guard<std::mutex> guard(lock_);
  sent_.push_back(request);
  Answer answer = answer_;
  threads_.emplace_back([request, answer, onResponse, onError] {
    if (!answer) {
      onError(pl::api::ResponseError(9, "No answer."));
      return;
    }
    onResponse(answer(request));
  });
}

void FakeDispatch::_refreshAndResend(pl::http::Request& request, ResponseHandler onResponse,
                                     ErrorHandler onError) {
  refreshes_.fetch_add(1);
  try {
    sendCounted(request, onResponse, onError);
  } catch (const pl::Error& e) {
    onError(e);
  }
}

void MediaLoad::media(const std::string& bytes) {
  onMedia(pl::SongMedia(song, std::make_shared<std::istringstream>(bytes), events));
}

pl::Cancel FakeRoot::loadSongMedia(const pl::SongPartial& song, bool, OnMedia onMedia,
                                   OnDownloadProgress onDownloadProgress, OnComplete onComplete,
                                   OnError onError) {
  pl::Cancel token;
  auto load = std::make_shared<MediaLoad>();
  load->song = song;
  load->cancel = token.state();
  load->onMedia = std::move(onMedia);
  load->onProgress = std::move(onDownloadProgress);
  load->onComplete = std::move(onComplete);
  load->onError = std::move(onError);
  std::string inlineMedia;
  {
    std::lock_guard<std::mutex> guard(lock_);
    loads_.push_back(load);
    inlineMedia = inlineMedia_;
  }
  changed_.notify_all();
  if (!inlineMedia.empty()) load->media(inlineMedia);
  return token;
}

std::size_t FakeRoot::loads() {
  std::lock_guard<std::mutex> guard(lock_);
  return loads_.size();
}

std::shared_ptr<MediaLoad> FakeRoot::load(std::size_t index) {
  std::lock_guard<std::mutex> guard(lock_);
  return index < loads_.size() ? loads_[index] : nullptr;
}

bool FakeRoot::waitForLoads(std::size_t count, std::chrono::milliseconds bound) {
  std::unique_lock<std::mutex> guard(lock_);
  return changed_.wait_for(guard, bound, [&] { return loads_.size() >= count; });
}

Sdk::Sdk() {
  pl::Singleton<pl::Root>::_install(root);
  pl::Singleton<pl::CurrentUser>::_install(user);
  pl::Singleton<pl::api::Dispatch>::_install(dispatch);
  pl::Singleton<pl::content::Cache>::_install(std::make_shared<pl::content::Cache>(storage));
}

Sdk::~Sdk() {
  dispatch->joinAll();
  pl::Singleton<pl::Root>::_install(nullptr);
  pl::Singleton<pl::CurrentUser>::_install(nullptr);
  pl::Singleton<pl::api::Dispatch>::_install(nullptr);
  pl::Singleton<pl::content::Cache>::_install(nullptr);
}

pl::Song sampleSong(int64_t id) {
  pl::Song song;
  song.id = id;
  song.name = "Song " + std::to_string(id);
  song.updated_on = "2026-01-02T03:04:05Z";
  song.track = 3;
  song.disk = 1;
  song.bpm = 124.5;
  song.songKey = "Am";
  song.durationMicroseconds = 61999999;
  song.territories = {1, 3};
  pl::ArtistPartial artist;
  artist.type = pl::Object::kArtist;
  artist.id = 7;
  artist.name = "Artist";
  artist.picture180x80 = "a1";
  artist.picture190x230 = "a2";
  artist.picture375x250 = "a3";
  artist.updated_on = "u";
  song.artists.push_back(artist);
  song.release.id = 8;
  song.release.name = "Album";
  return song;
}

pl::http::Response songReply(const pl::Song& song) {
  pl::http::Response response;
  response.status = 200;
  response.body = song.toJSON().write();
  return response;
}

}  // namespace fake_pl
