#pragma once
// The mixer's five output buses as separate buffers, for tests that look at each bus on its own.

#include <vector>

#include "dsp/engine/zr_mixer.h"

namespace mixer_test {

using Frames = float (*)[2];

struct Buses {
  std::vector<float> deckA, deckB, sampler, phones, master;
  explicit Buses(int frames)
      : deckA(2 * frames), deckB(2 * frames), sampler(2 * frames), phones(2 * frames), master(2 * frames) {}
};

// Mixes frames frames; returns the buses.
inline Buses mix(ZRMixer& m, int frames) {
  Buses b(frames);
  Frames decks[2] = {reinterpret_cast<Frames>(b.deckA.data()), reinterpret_cast<Frames>(b.deckB.data())};
  m.GetOutputSignalForExternalMixer(decks, reinterpret_cast<Frames>(b.sampler.data()),
                                    reinterpret_cast<Frames>(b.phones.data()),
                                    reinterpret_cast<Frames>(b.master.data()), frames);
  return b;
}

}  // namespace mixer_test
