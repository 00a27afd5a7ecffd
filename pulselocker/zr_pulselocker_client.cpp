#include "pulselocker/zr_pulselocker_client.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <utility>

#include "common/zr_logging.h"
#include "pulselocker/pl_api.h"
#include "pulselocker/pl_root.h"
#include "pulselocker/pl_sdk.h"
#include "pulselocker/pl_singleton.h"
#include "pulselocker/pl_storage.h"

namespace {

constexpr char kSongPrefix[] = "pulselocker://song/";
constexpr int kCancelledClass = pl::Error::kClassCancelled;  // 17039360: the deck is told "no error"

bool validDeck(int deck) {
  return static_cast<unsigned>(deck) < static_cast<unsigned>(ZRPulselockerClient::kDecks);
}

}  // namespace

struct ZRPulselockerClient::State {
  struct Slot {
    uint64_t load = 0;  // number of the deck's current load; a callback of another number is stale
    std::shared_ptr<pl::Cancel> cancelToken;
    std::shared_ptr<pl::SongMedia> songMedia;
  };
  std::recursive_mutex lock;
  Slot slots[kDecks];

  // Sets the cancel flag of the deck's current token when load is still the deck's load.
  void cancelLoad(int deck, uint64_t load) {
    std::lock_guard<std::recursive_mutex> guard(lock);
    Slot& slot = slots[deck];
    if (slot.load == load && slot.cancelToken) slot.cancelToken->cancel();
  }

  // Empties the deck's slot and makes every callback of its load stale.
  void clear(int deck) {
    std::shared_ptr<pl::Cancel> token;
    std::shared_ptr<pl::SongMedia> media;
    {
      std::lock_guard<std::recursive_mutex> guard(lock);
      Slot& slot = slots[deck];
      ++slot.load;
      if (slot.cancelToken) slot.cancelToken->cancel();
      token = std::move(slot.cancelToken);
      media = std::move(slot.songMedia);
    }
    // The SDK's objects are released outside the lock, token first, as a load's end expects.
    token.reset();
    media.reset();
  }

  static void metadataError(const pl::Error& e, const StreamCallback& onStream) {
    ZRLOG("loadSongMedia cannot get song error '%s'", e.toString());
    onStream(nullptr, e.toString(), true);
  }

  static void songReady(const std::shared_ptr<State>& self, int deck, uint64_t load, const pl::Song& song,
                        const StreamCallback& onStream, const ProgressCallback& onProgress);
};

void ZRPulselockerClient::State::songReady(const std::shared_ptr<State>& self, int deck, uint64_t load,
                                           const pl::Song& song, const StreamCallback& onStream,
                                           const ProgressCallback& onProgress) {
  auto token = std::make_shared<pl::Cancel>();
  {
    std::lock_guard<std::recursive_mutex> guard(self->lock);
    if (self->slots[deck].load != load) return;  // the deck asked for something else meanwhile
    self->slots[deck].cancelToken = token;
  }
  const pl::SongPartial partial(song);

  auto onMedia = [self, deck, load, onProgress](pl::SongMedia media) {
    ZRLOG("loadSongMedia started");
    std::lock_guard<std::recursive_mutex> guard(self->lock);
    State::Slot& slot = self->slots[deck];
    if (slot.load != load) return;
    slot.songMedia = std::make_shared<pl::SongMedia>(std::move(media));
    if (!onProgress(0.0f) && slot.cancelToken) slot.cancelToken->cancel();
  };
  auto onDownloadProgress = [self, deck, load, onProgress](uint64_t, uint64_t done, uint64_t total) {
    // A download of unknown length has no share to report.
    if (total == 0) return;
    const float fraction = std::min(1.0f, static_cast<float>(done) / static_cast<float>(total));
    std::lock_guard<std::recursive_mutex> guard(self->lock);
    State::Slot& slot = self->slots[deck];
    if (slot.load != load) return;
    if (!onProgress(fraction) && slot.cancelToken) slot.cancelToken->cancel();
  };
  auto onComplete = [self, deck, load, onStream]() {
    ZRLOG("loadSongMedia fully loaded");
    std::lock_guard<std::recursive_mutex> guard(self->lock);
    State::Slot& slot = self->slots[deck];
    // Without media (the load was cancelled) nothing is delivered.
    if (slot.load != load || !slot.songMedia) return;
    onStream(slot.songMedia->stream(), std::string(), false);
  };
  auto onError = [self, deck, load, onStream](const pl::Error& e) {
    ZRLOG("loadSongMedia error '%s'", e.toString());
    std::lock_guard<std::recursive_mutex> guard(self->lock);
    if (self->slots[deck].load != load) return;
    onStream(nullptr, e.toString(), e.getClassCode() != kCancelledClass);
  };

  pl::Cancel started = pl::Singleton<pl::Root>::getInstance()->loadSongMedia(
      partial, false, onMedia, onDownloadProgress, onComplete, onError);
  std::lock_guard<std::recursive_mutex> guard(self->lock);
  State::Slot& slot = self->slots[deck];
  if (slot.load != load || slot.cancelToken != token) {
    // Cancelled or replaced while the load was being started: stop the SDK's load too.
    started.cancel();
    return;
  }
  // From now on the slot's token stops this load. A cancel asked for before the SDK's token was here
  // (onMedia runs inside loadSongMedia for a song the SDK has at hand) carries over.
  const bool cancelledAlready = token->isCancelled();
  *token = std::move(started);
  if (cancelledAlready) token->cancel();
}

ZRPulselockerClient::ZRPulselockerClient() : state_(std::make_shared<State>()) {}

ZRPulselockerClient::~ZRPulselockerClient() {
  for (int deck = 0; deck < kDecks; ++deck) state_->clear(deck);
}

int64_t ZRPulselockerClient::songIdOfUrl(const std::string& url) {
  const std::size_t at = url.find(kSongPrefix);
  if (at == std::string::npos) return 0;
  const char* p = url.data() + at + sizeof(kSongPrefix) - 1;
  const char* end = url.data() + url.size();
  while (p < end && (*p == ' ' || *p == '\t')) ++p;
  if (p < end && *p == '+') ++p;
  int64_t id = 0;
  const auto [next, error] = std::from_chars(p, end, id);
  if (error != std::errc() || next == p) return 0;
  return id;
}

void ZRPulselockerClient::loadSong(int deck, const std::string& url, StreamCallback onStream,
                                   ProgressCallback onProgress) {
  if (!validDeck(deck)) {
    // The deck waits for an answer: a refusal it would take as "nothing to say" would leave it waiting.
    ZRLOG("error: deck number not valid");
    onStream(nullptr, "Deck number not valid", true);
    return;
  }
  if (!loggedIn.load()) {
    ZRLOG("error: user not logged in");
    onStream(nullptr, "Please login to Pulselocker first", true);
    return;
  }
  cancelAndDestroySong(deck);
  uint64_t load = 0;
  {
    std::lock_guard<std::recursive_mutex> guard(state_->lock);
    load = state_->slots[deck].load;
  }
  const int64_t id = songIdOfUrl(url);
  if (id < 1) {
    ZRLOG("error: Pulselocker song id not valid in '%s'", url);
    onStream(nullptr, "Pulselocker song id not valid", true);
    return;
  }
  if (!pl::sdkAvailable()) {
    onStream(nullptr, "Pulselocker is not available on this system", true);
    return;
  }

  const std::shared_ptr<State> self = state_;
  try {
    std::optional<pl::Song> cached;
    try {
      cached = pl::Singleton<pl::content::Cache>::getInstance()->storage().get<pl::Song>(id);
    } catch (const pl::json::ShapeError&) {
    } catch (const pl::storage::NotFoundError&) {
    }
    if (cached) {
      State::songReady(self, deck, load, *cached, onStream, onProgress);
    } else {
      pl::_details::_GetFromAPI<pl::Song, false>::execute(
          id,
          [self, deck, load, onStream, onProgress](pl::Song song) {
            State::songReady(self, deck, load, song, onStream, onProgress);
          },
          [onStream](const pl::Error& e) { State::metadataError(e, onStream); });
    }
  } catch (const pl::Error& e) {
    State::metadataError(e, onStream);
  } catch (const std::exception& e) {
    State::metadataError(pl::Error(1, std::string("Unknown error: ") + e.what()), onStream);
  }
}

void ZRPulselockerClient::sendPlayEvent(int deck, PlayEventType type, int positionMs, int toMs) {
  if (!validDeck(deck) || positionMs < 0 || static_cast<unsigned>(type) > 3u) return;
  if (type == kSeek && (toMs < 0 || std::abs(static_cast<int64_t>(toMs) - positionMs) < 250)) return;
  std::shared_ptr<pl::SongMedia> media;
  {
    std::lock_guard<std::recursive_mutex> guard(state_->lock);
    media = state_->slots[deck].songMedia;
  }
  if (!media) return;
  const int64_t position = static_cast<int64_t>(positionMs) * 1000;
  try {
    switch (type) {
      case kPlay:
        media->playAt(position);
        break;
      case kPause:
        media->pauseAt(position);
        break;
      case kSeek:
        media->seek(position, static_cast<int64_t>(toMs) * 1000);
        break;
      case kEject:
        media->ejectAt(position);
        break;
    }
  } catch (const pl::Error& e) {
    ZRLOG("error: Pulselocker play event not sent '%s'", e.toString());
  }
}

void ZRPulselockerClient::cancelAndDestroySong(int deck) {
  if (!validDeck(deck)) {
    ZRLOG("error: deck number not valid");
    return;
  }
  state_->clear(deck);
}
