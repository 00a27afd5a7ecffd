#include "dsp/engine/zr_time_pitch_scaling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

#include "common/zr_ring_buffer.h"
#include "dsp/engine/zr_time_pitch_scaling_rubberband.h"

namespace {

// An input that counts its calls and delivers a running ramp.
struct RampInput {
  int calls = 0;
  long next = 0;
  ZRTimePitchScalingInput fn() {
    return [this](float** channels, int frames) {
      ++calls;
      for (int i = 0; i < frames; ++i, ++next) {
        channels[0][i] = static_cast<float>(next % 1000) / 1000.0f;
        channels[1][i] = -channels[0][i];
      }
      return frames;
    };
  }
};

TEST(TimePitchScalingTest, FactoryTypes) {
  EXPECT_EQ(ZRTimePitchScalingFactory::create(static_cast<ZRTimePitchScalingType>(1), 44100, 2, 1.0f),
            nullptr);
  std::unique_ptr<ZRTimePitchScaling> vinyl(
      ZRTimePitchScalingFactory::create(kZRTimePitchScalingVinyl, 44100, 2, 1.0f));
  ASSERT_NE(vinyl, nullptr);
  EXPECT_EQ(vinyl->getLatency(), 0);
  std::unique_ptr<ZRTimePitchScaling> rb(
      ZRTimePitchScalingFactory::create(kZRTimePitchScalingRubberband, 44100, 2, 1.0f));
  ASSERT_NE(rb, nullptr);
  rb->setTempo(2.0);
  EXPECT_DOUBLE_EQ(rb->getTempo(), 2.0);
  rb->setPitch(1.5);
  EXPECT_DOUBLE_EQ(rb->getPitch(), 1.5);
  EXPECT_EQ(ZRTimePitchScaling_Rubberband::options(), 0x10010111);
}

TEST(TimePitchScalingTest, VinylStepSizes) {
  struct Case {
    double tempo;
    int frames;
  };
  for (const Case c : {Case{1.0, 11025}, Case{2.0, 5512}, Case{0.5, 22050}}) {
    std::unique_ptr<ZRTimePitchScaling> vinyl(
        ZRTimePitchScalingFactory::create(kZRTimePitchScalingVinyl, 44100, 2, 1.0f));
    vinyl->setTempo(c.tempo);
    ZRRingBuffer ring(44100 * 8 * 2, false);
    RampInput input;
    int dropped = -1, produced = -1;
    const int result = vinyl->processToRingBuffer(input.fn(), &ring, 1, true, dropped, produced);
    EXPECT_EQ(produced, c.frames) << c.tempo;
    EXPECT_EQ(result, c.frames);
    EXPECT_EQ(dropped, 0);
    EXPECT_EQ(ring.getUsed(), c.frames * 8);
    if (c.tempo == 1.0) {
      std::vector<float> out(2 * 11025);
      ASSERT_TRUE(ring.getBlock(out.data(), 11025 * 8));
      for (int i = 0; i < 11025; i += 997) EXPECT_FLOAT_EQ(out[2 * i], (i % 1000) / 1000.0f);
    }
  }
}

TEST(TimePitchScalingTest, FillTargetReturnsAtOnceWhenRingHoldsEnough) {
  std::unique_ptr<ZRTimePitchScaling> rb(
      ZRTimePitchScalingFactory::create(kZRTimePitchScalingRubberband, 44100, 2, 1.0f));
  ZRRingBuffer ring(352800, false);
  std::vector<float> fill(2 * 1000);
  ASSERT_TRUE(ring.putBlock(fill.data(), 1000 * 8));
  RampInput input;
  int dropped = 0, produced = 0;
  EXPECT_EQ(rb->processToRingBuffer(input.fn(), &ring, 1000, false, dropped, produced), 8000);
  EXPECT_EQ(input.calls, 0);
  EXPECT_EQ(produced, 0);

  // Filling to a target pulls input and stretches it.
  ring.clear();
  rb->setTempo(1.25);
  const int held = rb->processToRingBuffer(input.fn(), &ring, 22050, false, dropped, produced);
  EXPECT_GE(held, 22050 * 8);
  EXPECT_GT(input.calls, 0);
  EXPECT_EQ(held, ring.getUsed());
}

}  // namespace
