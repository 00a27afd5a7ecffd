// A deck takes a track's true length from the decode, not from the container's announcement: a track
// announced too short plays to its real end, one announced too long ends where its sound ends, and
// the block table, the overview and the stripe data follow.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <vector>

#include "codecs/zr_ffmpeg_audio.h"
#include "codecs/zr_master_codec.h"
#include "database/zr_database.h"
#include "database/zr_stripe_file.h"
#include "deck_test_util.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/resample.h"
#include "player_test_util.h"
#include "support/container_edits.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

namespace {

using namespace deck_test;

constexpr int kSeconds = 8;

using Edit = orvel_test::ContainerEdit;

struct DeckLengthRow {
  const char* name;
  const char* ext;
  const char* muxer;
  const char* encoder;
  int rate;
  bool vbr;
  const char* muxerOptions;
  Edit edit;
};
void PrintTo(const DeckLengthRow& row, std::ostream* out) {
  *out << row.name;
}

const DeckLengthRow kRows[] = {
    {"mp3_vbr_lame_header", "mp3", "mp3", "libmp3lame", 44100, true, "", Edit::kNone},
    {"mp3_vbr_no_header", "mp3", "mp3", "libmp3lame", 44100, true, "write_xing=0", Edit::kNone},
    {"mp3_cbr_no_header_apev2_cover", "mp3", "mp3", "libmp3lame", 44100, false, "write_xing=0",
     Edit::kApeCover},
    {"wma_rewritten_header", "wma", "asf", "wmav2", 44100, false, "", Edit::kAsfDuration145},
    {"aac_m4a_itunsmpb", "m4a", "ipod", "aac", 44100, false, "use_editlist=0", Edit::kITunSmpb},
    {"flac_48k", "flac", "flac", "flac", 48000, false, "", Edit::kNone},
};

class DeckTrackLength : public DeckFixture, public ::testing::WithParamInterface<DeckLengthRow> {
 protected:
  // The track as the master codec reads it in order, 16-bit stereo at 44100 Hz, to its end.
  static std::vector<int16_t> readWhole(const std::string& path) {
    ZRMasterCodec codec(9);
    ZRCodecBase::OpenStruct request;
    request.path = path;
    request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
    std::vector<int16_t> all;
    if (!codec.openFileOrStream(&request, 1.0f)) return all;
    std::vector<short> block(2 * 44100);
    for (int at = 0;; at += 44100) {
      const int got = codec.getSamplesShort(block.data(), 44100, at);
      all.insert(all.end(), block.begin(), block.begin() + 2 * std::max(got, 0));
      if (got < 44100) break;
    }
    return all;
  }
};

TEST_P(DeckTrackLength, DeckPlaysToTheTrueEnd) {
  const DeckLengthRow& row = GetParam();
  const std::string path = dir.file(std::string("track.") + row.ext);
  long packets = 0;
  orvel_test::EncodeOptions options;
  options.vbr = row.vbr;
  options.bitRate = 128000;
  options.muxerOptions = row.muxerOptions;
  options.packets = &packets;
  const int sourceFrames = row.rate * kSeconds + 777;
  const std::string why = orvel_test::encodeAudio(
      path, row.muxer, row.encoder, orvel_test::testSignal(sourceFrames, 2, row.rate), 2, row.rate, options);
  if (!why.empty()) GTEST_SKIP() << why;
  ASSERT_TRUE(orvel_test::applyContainerEdit(path, row.edit, packets, sourceFrames));
  const std::vector<int16_t> whole = readWhole(path);
  const long length = static_cast<long>(whole.size() / 2);
  ASSERT_GT(length, 44100 * (kSeconds - 1));

  loadAndDecode(path);
  ASSERT_TRUE(waitUntil([&] {
    return deck->GetLength() == length && deck->GetLoadingProgressPercent() >= 100;
  })) << "length "
      << deck->GetLength() << ", decoded length " << length;
  EXPECT_EQ(deck->getBlockCount(), (length + 44099) / 44100);
  deck->StartUseDisplayData();
  EXPECT_EQ(deck->getDisplayPointCount(), deck->getBlockCount() * 441) << "the overview follows";
  deck->StopUseDisplayData();

  // The blocks hold every frame up to the last one.
  const int tail = 3000;
  std::vector<float> out(2 * tail);
  deck->GetAudioData(out.data(), static_cast<int>(length - tail), tail);
  for (int i = 0; i < 2 * tail; ++i) {
    ASSERT_NEAR(out[i], whole[2 * (length - tail) + i] * kScale, 1.01f * kScale)
        << "frame " << length - tail + i / 2 << " of " << length;
  }
  // Played through the end: the frames up to the end sound, then the deck holds the last one it played
  // (its reader interpolates one frame behind the position, and stops at the last frame's position).
  playFrom(static_cast<double>(length - tail));
  std::vector<float> buffer(2 * 4096);
  deck->GetSamples(buffer.data(), 4096);
  for (int i = 0; i < tail - 1; ++i) {
    ASSERT_NEAR(buffer[2 * i], whole[2 * (length - tail + i)] * kScale, 1.01f * kScale)
        << "played frame " << length - tail + i << " of " << length;
  }
  EXPECT_EQ(deck->GetCurrentPos(), length - 1);
}

// The stripe data saved after the analysis holds the true length; the next load of the same file
// (announced too short again) takes it as it is instead of analysing the track again.
TEST_F(DeckFixture, StripeDataOfATrackAnnouncedTooShortIsKept) {
  const std::string path = dir.file("vbr.mp3");
  orvel_test::EncodeOptions options;
  options.vbr = true;
  options.muxerOptions = "write_xing=0";
  const std::string why =
      orvel_test::encodeAudio(path, "mp3", "libmp3lame",
                              clicks(44100L * 20, beatFrames(44100L * 20, 120.0, 1000)), 2, 44100, options);
  if (!why.empty()) GTEST_SKIP() << why;
  ZRMasterCodec probe(9);
  ZRCodecBase::OpenStruct r;
  r.path = path;
  r.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  ASSERT_TRUE(probe.openFileOrStream(&r, 1.0f));
  const int announced = r.format.totalFrames;
  probe.close();

  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(path);
  ZRDatabase::getInstance()->addOrUpdate(&record);
  loadRecord(record);
  const int length = deck->GetLength();
  ASSERT_NE((length + 44099) / 44100, (announced + 44099) / 44100) << "the test needs a wrong block count";
  ASSERT_TRUE(waitUntil([&] { return deck->isAnalysisDone(); }, 60));
  ASSERT_TRUE(request("---$"));
  collectEvents([](const std::vector<int>& v) { return contains(v, 4); });
  ZRDatabase::getInstance()->getTrackIdOnlyIfFound(-1, ZRString(path), &record);
  ASSERT_GE(record.stripe.len(), 3);
  EXPECT_EQ(readStripePointCount(stripeFilePath(ZRString(stripes()), record.stripe)),
            (length + 44099) / 44100 * 441);

  loadRecord(record);
  EXPECT_TRUE(deck->isStripeLoaded()) << "the stripe of the true length is taken";
  EXPECT_EQ(deck->GetLength(), length);
}

INSTANTIATE_TEST_SUITE_P(Files, DeckTrackLength, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<DeckLengthRow>& info) {
                           return std::string(info.param.name);
                         });

// The preview player, a sampler slot and the background analysis take the decoded length too: a VBR
// MP3 without its header announces about a second too little, and each of them plays or stores the
// whole track. The player's stream and the slot hold the track's own last frames.
TEST_F(DeckFixture, PreviewSamplerAndAnalysisTakeTheDecodedLength) {
  const std::string path = dir.file("vbr.mp3");
  orvel_test::EncodeOptions options;
  options.vbr = true;
  options.muxerOptions = "write_xing=0";
  const std::string why = orvel_test::encodeAudio(
      path, "mp3", "libmp3lame", orvel_test::testSignal(44100 * 20 + 333, 2, 44100), 2, 44100, options);
  if (!why.empty()) GTEST_SKIP() << why;
  ZRMasterCodec codec(9);
  ZRCodecBase::OpenStruct r;
  r.path = path;
  r.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  ASSERT_TRUE(codec.openFileOrStream(&r, 1.0f));
  const int announced = r.format.totalFrames;
  std::vector<float> whole;
  std::vector<float> block(2 * 44100);
  for (int at = 0;; at += 44100) {
    const int got = codec.getSamples(block.data(), 44100, at);
    whole.insert(whole.end(), block.begin(), block.begin() + 2 * std::max(got, 0));
    if (got < 44100) break;
  }
  codec.close();
  const int length = static_cast<int>(whole.size() / 2);
  ASSERT_LT(announced, length - 4410) << "the test needs a track announced too short";
  const auto sameTail = [&](const float* frames, int count) {
    for (int i = length - 2000; i < length; ++i) {
      if (i >= count || std::fabs(frames[2 * i] - whole[2 * static_cast<size_t>(i)]) > 1e-4f) return false;
    }
    return true;
  };

  ZRPreviewPlayer player(0, true, false);
  ASSERT_TRUE(player.OpenFileName(ZRString(path)));
  const std::vector<float> played = player_test::pull(player, length + 4096);
  EXPECT_EQ(player.GetLength(), length);
  EXPECT_TRUE(sameTail(played.data(), length)) << "the preview stops early";
  EXPECT_EQ(played[2 * static_cast<size_t>(length) + 100], 0.0f);

  ZRSamplerPlayer slot(0);
  ASSERT_TRUE(slot.Open(ZRString(path)));
  EXPECT_EQ(slot.GetLength(), length);

  TZRDatabaseTrack record;
  record.tags[kTagFileName] = ZRString(path);
  ZRDatabase::getInstance()->addOrUpdate(&record);
  ZRBatchAudioDetection analyser(ZRString(stripes()), false, false);
  analyser.analyzeFileAndUpdateDatabase(ZRString(path), 0);
  ASSERT_TRUE(ZRDatabase::getInstance()->getTrackIdOnlyIfFound(-1, ZRString(path), &record));
  EXPECT_EQ(record.durationMs, static_cast<int>(std::lrint(length / 44.1)));
  ASSERT_GE(record.stripe.len(), 3);
  EXPECT_EQ(readStripePointCount(stripeFilePath(ZRString(stripes()), record.stripe)),
            (length + 44099) / 44100 * 441);
}

}  // namespace
