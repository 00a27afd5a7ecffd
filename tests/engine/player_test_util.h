#pragma once
// Shared pieces of the preview, sampler and filler tests: pulling a preview player the way the mixer does,
// faster than real time, by running its decode steps whenever its ring is short.

#include <algorithm>
#include <vector>

#include "dsp/engine/zr_preview_player.h"

namespace player_test {

// Makes sure the next frames frames are decoded (or the file's end is), running decode steps on the
// calling thread; the player's own thread may run them too.
inline void fill(ZRPreviewPlayer& player, int frames) {
  for (int guard = 0; guard < 64; ++guard) {
    if (player.GetBufferedFrames() >= frames || player.IsFullyStreamed()) return;
    player.AsyncStreamingFunction();
  }
}

// frames frames pulled in buffers of buffer frames.
inline std::vector<float> pull(ZRPreviewPlayer& player, long frames, int buffer = 512) {
  std::vector<float> out(2 * frames);
  for (long done = 0; done < frames;) {
    const int n = static_cast<int>(std::min<long>(buffer, frames - done));
    fill(player, n);
    player.GetSamples(out.data() + 2 * done, n);
    done += n;
  }
  return out;
}

}  // namespace player_test
