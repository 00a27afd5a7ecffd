// The true length of a track: the container's announcement is only an estimate, the decode finds the
// real end, and the gapless information a file declares (LAME/Xing header, iTunSMPB) is honoured.
#include <gtest/gtest.h>

#include <ostream>

#include "codecs/zr_ffmpeg_audio.h"
#include "codecs/zr_master_codec.h"
#include "support/container_edits.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

namespace {

constexpr int kFrames = 44100 * 6 + 1234;

enum class Expect {
  kSource,     // exactly the encoded PCM: the file declares its delay and padding
  kMp3Frames,  // every sample of every MP3 frame: nothing declared
  kLibav,      // what a plain libav decode loop gets
  // The encoded PCM to within a millisecond: an MP4 whose movie counts milliseconds declares its end
  // no finer (FFmpeg's own muxer writes such files).
  kSourceWithinMs,
};

using Edit = orvel_test::ContainerEdit;

struct LengthRow {
  const char* name;
  const char* ext;
  const char* muxer;
  const char* encoder;
  bool vbr;
  const char* encoderOptions;
  const char* muxerOptions;
  Edit edit;
  Expect expect;
};
void PrintTo(const LengthRow& row, std::ostream* out) {
  *out << row.name;
}

const LengthRow kRows[] = {
    {"mp3_cbr_lame_header", "mp3", "mp3", "libmp3lame", false, "", "", Edit::kNone, Expect::kSource},
    {"mp3_vbr_lame_header", "mp3", "mp3", "libmp3lame", true, "", "", Edit::kNone, Expect::kSource},
    {"mp3_abr_lame_header", "mp3", "mp3", "libmp3lame", false, "abr=1", "", Edit::kNone, Expect::kSource},
    {"mp3_cbr_no_header", "mp3", "mp3", "libmp3lame", false, "", "write_xing=0", Edit::kNone,
     Expect::kMp3Frames},
    {"mp3_vbr_no_header", "mp3", "mp3", "libmp3lame", true, "", "write_xing=0", Edit::kNone,
     Expect::kMp3Frames},
    {"mp3_abr_no_header", "mp3", "mp3", "libmp3lame", false, "abr=1", "write_xing=0", Edit::kNone,
     Expect::kMp3Frames},
    {"mp3_vbr_id3v1_apev2_cover", "mp3", "mp3", "libmp3lame", true, "", "write_xing=0:write_id3v1=1",
     Edit::kApeCover, Expect::kMp3Frames},
    {"mp3_cbr_lame_header_apev2_cover", "mp3", "mp3", "libmp3lame", false, "", "", Edit::kApeCover,
     Expect::kSource},
    {"wma_rewritten_header", "wma", "asf", "wmav2", false, "", "", Edit::kAsfDuration145, Expect::kLibav},
    {"aac_m4a_edit_list", "m4a", "ipod", "aac", false, "", "", Edit::kNone, Expect::kSourceWithinMs},
    {"aac_m4a_itunsmpb", "m4a", "ipod", "aac", false, "", "use_editlist=0", Edit::kITunSmpb, Expect::kSource},
};

class TrackLength : public ::testing::TestWithParam<LengthRow> {
 protected:
  void SetUp() override {
    const LengthRow& row = GetParam();
    path_ = dir_.file(std::string("track.") + row.ext);
    orvel_test::EncodeOptions options;
    options.vbr = row.vbr;
    options.bitRate = 128000;
    options.encoderOptions = row.encoderOptions;
    options.muxerOptions = row.muxerOptions;
    options.packets = &packets_;
    const std::string why = orvel_test::encodeAudio(
        path_, row.muxer, row.encoder, orvel_test::testSignal(kFrames, 2, 44100), 2, 44100, options);
    if (!why.empty()) GTEST_SKIP() << why;
    ASSERT_TRUE(orvel_test::applyContainerEdit(path_, row.edit, packets_, kFrames))
        << "cannot edit " << row.name;
    switch (row.expect) {
      case Expect::kSource:
      case Expect::kSourceWithinMs:
        expected_ = kFrames;
        break;
      case Expect::kMp3Frames:
        expected_ = packets_ * 1152;
        break;
      case Expect::kLibav:
        expected_ = orvel_test::libavDecodedFrames(path_);
        break;
    }
    ASSERT_GT(expected_, 44100);
  }
  orvel_test::TempDir dir_;
  std::string path_;
  long packets_ = 0;
  long expected_ = 0;
};

TEST_P(TrackLength, DecodedLengthIsTheTrueSampleCount) {
  ZRFFMpegAudio audio;
  TDSPAudioFormat format;
  ASSERT_TRUE(audio.openAudioStream(path_, nullptr, &format));
  EXPECT_EQ(audio.getDecodedLength(), -1) << "not known before the end is decoded";
  std::vector<int16_t> block(2 * 4096);
  long frames = 0;
  for (int got; (got = audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, -1)) > 0;) frames += got;
  if (GetParam().expect == Expect::kSourceWithinMs) {
    EXPECT_NEAR(frames, expected_, 44);
    expected_ = frames;
  }
  EXPECT_EQ(frames, expected_) << "announced at open: " << format.totalFrames;
  EXPECT_EQ(audio.getDecodedLength(), expected_);

  // A deck's way: the master codec reads one-second blocks from the announced length on until the end.
  ZRMasterCodec codec(0);
  ZRCodecBase::OpenStruct request;
  request.path = path_;
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  std::vector<short> second(2 * 44100);
  const int lastBlock = static_cast<int>((expected_ - 1) / 44100);
  const int got = codec.getSamplesShort(second.data(), 44100, lastBlock * 44100);
  EXPECT_EQ(got, expected_ - lastBlock * 44100L);
  EXPECT_EQ(codec.getDecodedLength(), expected_);
}

INSTANTIATE_TEST_SUITE_P(Files, TrackLength, ::testing::ValuesIn(kRows),
                         [](const ::testing::TestParamInfo<LengthRow>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
