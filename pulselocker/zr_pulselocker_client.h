#pragma once
// ZRPulselockerClient: the streaming service's track client behind the deck's ZRPulselocker interface.
// It turns a "pulselocker://song/<id>" address into the media stream of that song through the service's
// SDK (song record from the SDK's cache, or fetched from the service; then the media download), reports
// the deck's play, pause, seek and eject, and cancels a deck's load on demand. Decks 0, 1 and 2 have a
// slot each: the current load's number, its cancel token and, once the SDK delivers it, its media.
//
// The program creates no client (pl1 stays null) and, on Linux, there is no SDK: a client made anyway
// answers every load with "Pulselocker is not available on this system" after one log line
// (pl::sdkAvailable). Tests drive it against a fake SDK.
//
// Every load has a number; the SDK's callbacks carry it and are dropped once the deck has moved on (a
// new load or a cancel), so a late callback of an old load never reaches the deck's newer one. A refused
// request (bad deck, not logged in, an address without a numeric song id above 0, no SDK) is reported
// through onStream with a null stream, a message and isError true, inside loadSong.
//
// Threads: loadSong, cancelAndDestroySong and sendPlayEvent run on the deck's streaming thread (the
// eject wherever the deck closes its source); the SDK's callbacks on threads of its own. The slots are
// read and replaced under one lock, which is also held while onStream and onProgress run for the
// current load (so a cancel waits until a delivery in progress is over, and never races it); those
// callbacks may call the client again on the same thread, not wait for another thread that does. The
// SDK's loadSongMedia is called without the lock. Callbacks that arrive after the client is gone find
// their slot state alive (they share it) and do nothing.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "dsp/engine/zr_pulselocker.h"

class ZRPulselockerClient : public ZRPulselocker {
 public:
  static constexpr int kDecks = 3;

  ZRPulselockerClient();
  ~ZRPulselockerClient() override;
  ZRPulselockerClient(const ZRPulselockerClient&) = delete;
  ZRPulselockerClient& operator=(const ZRPulselockerClient&) = delete;

  void loadSong(int deck, const std::string& url, StreamCallback onStream,
                ProgressCallback onProgress) override;
  void sendPlayEvent(int deck, PlayEventType type, int positionMs, int toMs) override;
  void cancelAndDestroySong(int deck) override;

  // Whether the user is logged in to the service; loadSong refuses every request while it is false.
  std::atomic<bool> loggedIn{false};

  // The song id of a service address: the decimal number right after "pulselocker://song/" (wherever
  // that stands in url; blanks and a plus sign before it are allowed, anything after its digits is
  // ignored). 0 when there is no such number or it does not fit 64 bits.
  static int64_t songIdOfUrl(const std::string& url);

  struct State;

 private:
  std::shared_ptr<State> state_;
};
