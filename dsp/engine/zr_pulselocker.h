#pragma once
// What a deck needs of the streaming-service client. The system never
// creates a client, so the global pl1 stays null and a deck makes each call
// only when it is set.

#include <functional>
#include <istream>
#include <string>

class ZRPulselocker {
 public:
  enum PlayEventType { kPlay = 0, kPause = 1, kSeek = 2, kEject = 3 };

  using StreamCallback = std::function<bool(std::istream* stream, const std::string& error, bool isError)>;
  using ProgressCallback = std::function<bool(float progress)>;

  virtual ~ZRPulselocker() = default;
  // Starts loading a "pulselocker://song/" track for deck 0..2: progress
  // (0..1; a false answer asks to stop) and finally the media as a stream or
  // an error text, both on the client's own thread.
  virtual void loadSong(int deck, const std::string& url, StreamCallback onStream,
                        ProgressCallback onProgress) = 0;
  // Reports play, pause, seek (toMs the target) or eject at positionMs.
  virtual void sendPlayEvent(int deck, PlayEventType type, int positionMs, int toMs) = 0;
  // Cancels a loading song of deck 0..2 and releases its media.
  virtual void cancelAndDestroySong(int deck) = 0;
};

// The streaming-service client; null (no client exists).
extern ZRPulselocker* pl1;
