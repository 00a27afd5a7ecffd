// The audio-thread paths of every effect allocate nothing: counted through the global allocation operators
// while counting is on for the testing thread.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <new>
#include <thread>
#include <vector>

#include "dsp/engine/effect_amplitudes.h"
#include "dsp/engine/effect_bit_crusher.h"
#include "dsp/engine/effect_cutoff_filter.h"
#include "dsp/engine/effect_dynamics.h"
#include "dsp/engine/effect_echo.h"
#include "dsp/engine/effect_equalizer.h"
#include "dsp/engine/effect_flangers.h"
#include "dsp/engine/effect_phaser.h"
#include "dsp/engine/effect_plate_reverb.h"
#include "effects_test_util.h"
#include "support/allocation_counter.h"

using namespace effects_test;

TEST(EffectsRealtime, ProcessingAllocatesNothing) {
  TempoSource source(126.0f);
  std::vector<std::unique_ptr<CEffect>> effects;
  effects.emplace_back(new CEffectAmplitudes(nullptr, &source));
  effects.emplace_back(new CEffectFlangers(nullptr, &source));
  effects.emplace_back(new CEffectPhaser(nullptr, &source));
  effects.emplace_back(new CEffectReverbs(nullptr, &source));
  effects.emplace_back(new CEffectPlateReverb(nullptr, &source));
  effects.emplace_back(new CEffectDynamics(nullptr, &source));
  effects.emplace_back(new CEffectEqualizerIIR(nullptr, &source));
  effects.emplace_back(new CEffectCutoffFilter(nullptr, &source));
  effects.emplace_back(new CEffectBitCrusher(nullptr, &source));
  effects.emplace_back(new CEffectBeatSplice(nullptr, &source));
  Frames v = sine(CEffect::kMaxFrames, 440, 0.5f);

  // The counter sees allocations at all.
  orvel_test::resetCountedAllocations();
  orvel_test::setCountAllocations(true);
  std::vector<float>* volatile probe = new std::vector<float>(16);
  delete probe;
  orvel_test::setCountAllocations(false);
  ASSERT_GE(orvel_test::countedAllocations(), 1);

  orvel_test::resetCountedAllocations();
  orvel_test::setCountAllocations(true);
  for (int round = 0; round < 6; ++round) {
    for (auto& e : effects) {
      // Parameter and preset changes, starts and stops, all taken up on this (the audio) thread.
      e->setparam(0, round % 2 == 0 ? 1 : 300 + round);
      e->setparam(1, 100 * round);
      e->setparam(2, 900 - 100 * round);
      e->setdrywetmix(round == 3 ? 0.0f : 0.5f + 0.1f * round);
      if (e->allowdrywetmix()) {
        e->processDryWet(asFrames(v), CEffect::kMaxFrames, 126.0f);
      } else {
        e->processNormal(asFrames(v), CEffect::kMaxFrames, 126.0f);
      }
    }
  }
  orvel_test::setCountAllocations(false);
  EXPECT_EQ(orvel_test::countedAllocations(), 0);
}

TEST(EffectsRealtime, ParametersFromAnotherThreadWhileProcessing) {
  // The user-interface side turns knobs while the audio thread runs; values are taken up between buffers.
  TempoSource source(120.0f);
  std::vector<std::unique_ptr<CEffect>> effects;
  effects.emplace_back(new CEffectFlangers(nullptr, &source));
  effects.emplace_back(new CEffectReverbs(nullptr, &source));
  effects.emplace_back(new CEffectPlateReverb(nullptr, &source));
  effects.emplace_back(new CEffectEqualizerIIR(nullptr, &source));
  effects.emplace_back(new CEffectCutoffFilter(nullptr, &source));
  effects.emplace_back(new CEffectDynamics(nullptr, &source));
  effects.emplace_back(new CEffectPhaser(nullptr, &source));
  for (auto& e : effects) e->setdrywetmix(0.7f);
  effects[3]->start();

  std::atomic<bool> done{false};
  std::thread audio([&] {
    const Frames input = sine(512, 440, 0.5f);
    for (int buffer = 0; buffer < 400; ++buffer) {
      Frames v = input;
      for (auto& e : effects) {
        if (e->allowdrywetmix()) {
          e->processDryWet(asFrames(v), 512, 120.0f);
        } else {
          e->processNormal(asFrames(v), 512, 120.0f);
        }
      }
      for (float s : v) ASSERT_TRUE(std::isfinite(s));
    }
    done = true;
  });
  for (int turn = 0; !done && turn < 100000; ++turn) {
    for (size_t i = 0; i < effects.size(); ++i) {
      if (i == 3) {
        // The equaliser's parameters are band gains in dB, kills included.
        effects[i]->setparam(1 + turn % 3, turn % 2 == 0 ? -40 : 6 - turn % 20);
        continue;
      }
      effects[i]->setparam(0, turn % 6);
      effects[i]->setparam(1, (turn * 37) % 1001);
      effects[i]->setparam(2, (turn * 53) % 1001);
    }
  }
  audio.join();
  EXPECT_TRUE(done);
}
