#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <ostream>
#include <random>

#include "codecs/zr_decoder_ffmpeg.h"
#include "codecs/zr_ffmpeg_audio.h"
#include "common/zr_memory_istream.h"
#include "log_capture.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

using orvel_test::LogCapture;

namespace {

constexpr int kSeconds = 5;

struct FormatRow {
  const char* name;
  const char* ext;
  const char* muxer;  // null: a WAV written by the test support
  const char* encoder;
  bool lossless;
  int rate;
  int channels;
  bool vbr;
  // Raw ADTS carries no gapless information: the encoder's priming stays in front of the sound and the
  // length is an estimate from the bit rate. kUnknownPriming: containers that carry no gapless
  // information for this codec; the sound lines up with the source at a lag of the codec's own.
  int priming = 0;
};
constexpr int kUnknownPriming = -1;
// Test names and CTest's list show the row's name, never its bytes.
void PrintTo(const FormatRow& row, std::ostream* out) {
  *out << row.name;
}

const FormatRow kFormats[] = {
    {"wav", "wav", nullptr, nullptr, true, 44100, 2, false},
    {"aiff", "aiff", "aiff", "pcm_s16be", true, 44100, 2, false},
    {"flac", "flac", "flac", "flac", true, 44100, 2, false},
    {"flac_48k_mono", "flac", "flac", "flac", true, 48000, 1, false},
    {"mp3_cbr", "mp3", "mp3", "libmp3lame", false, 44100, 2, false},
    {"mp3_vbr", "mp3", "mp3", "libmp3lame", false, 44100, 2, true},
    {"mp3_vbr_48k_mono", "mp3", "mp3", "libmp3lame", false, 48000, 1, true},
    {"ogg_vorbis", "ogg", "ogg", "libvorbis", false, 44100, 2, false},
    {"aac_m4a", "m4a", "ipod", "aac", false, 44100, 2, false},
    {"aac_adts", "aac", "adts", "aac", false, 44100, 2, false, 1024},
    // Containers whose time stamps count milliseconds (or 90 kHz ticks): a seek cannot be placed by
    // the time stamp alone.
    {"mkv_flac", "mkv", "matroska", "flac", true, 44100, 2, false},
    {"mkv_vorbis", "mkv", "matroska", "libvorbis", false, 44100, 2, false, kUnknownPriming},
    {"mkv_flac_48k", "mkv", "matroska", "flac", true, 48000, 2, false},
    {"flv_mp3", "flv", "flv", "libmp3lame", false, 44100, 2, false, kUnknownPriming},
    {"wma", "wma", "asf", "wmav2", false, 44100, 2, false, kUnknownPriming},
    {"mpeg_ps_mp2", "mpg", "mpeg", "mp2", false, 44100, 2, false, kUnknownPriming},
};

// The lag (-4096..4096 frames: a codec may drop or add its own delay) at which the decoded sound best
// matches the source.
int bestLag(const std::vector<int16_t>& decoded, const std::vector<int16_t>& pcm, int channels) {
  int best = 0;
  double bestValue = -1e300;
  const long n = static_cast<long>(std::min(decoded.size(), pcm.size()) / channels);
  for (int lag = -4096; lag <= 4096; ++lag) {
    double sum = 0;
    for (long i = 8192; i < n - 8192 && i < 8192 + 44100; i += 3)
      sum += double(decoded[(i + lag) * channels]) * pcm[i * channels];
    if (sum > bestValue) {
      bestValue = sum;
      best = lag;
    }
  }
  return best;
}

std::string makeMedia(const orvel_test::TempDir& dir, const FormatRow& row, const std::vector<int16_t>& pcm,
                      std::string* path) {
  *path = dir.file(std::string("tone.") + row.ext);
  if (!row.muxer) return orvel_test::writeWav16(*path, pcm, row.channels, row.rate) ? "" : "cannot write wav";
  return orvel_test::encodeAudio(*path, row.muxer, row.encoder, pcm, row.channels, row.rate, row.vbr);
}

std::vector<int16_t> decodeAll(ZRFFMpegAudio& audio, int channels) {
  std::vector<int16_t> all;
  std::vector<int16_t> block(4096 * channels);
  for (;;) {
    const int got = audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, -1);
    if (got <= 0) break;
    all.insert(all.end(), block.begin(), block.begin() + got * channels);
  }
  return all;
}

double correlation(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  const size_t n = std::min(a.size(), b.size());
  double ab = 0, aa = 0, bb = 0;
  for (size_t i = 0; i < n; ++i) {
    ab += double(a[i]) * b[i];
    aa += double(a[i]) * a[i];
    bb += double(b[i]) * b[i];
  }
  return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0.0;
}

class FFmpegFormats : public ::testing::TestWithParam<FormatRow> {
 protected:
  void SetUp() override {
    rate_ = GetParam().rate;
    channels_ = GetParam().channels;
    pcm_ = orvel_test::testSignal(rate_ * kSeconds, channels_, rate_);
    const std::string why = makeMedia(dir_, GetParam(), pcm_, &path_);
    if (!why.empty()) GTEST_SKIP() << "cannot make " << GetParam().name << " media: " << why;
  }
  orvel_test::TempDir dir_;
  std::vector<int16_t> pcm_;
  std::string path_;
  int rate_ = 0;
  int channels_ = 0;
};

TEST_P(FFmpegFormats, DecodesWholeSourceAtItsOwnFormat) {
  ZRDecoderFFMpeg decoder(0);
  ZRCodecBase::OpenStruct request;
  request.path = path_;
  ASSERT_TRUE(decoder.open(&request));
  EXPECT_EQ(request.format.sampleRate, rate_);
  EXPECT_EQ(request.format.channels, channels_);
  EXPECT_EQ(request.format.bitsPerSample, 16);
  EXPECT_EQ(request.format.bitsPerSample2, 16);
  EXPECT_EQ(request.format.reserved, 0);
  ZRFFMpegAudio audio;
  TDSPAudioFormat format;
  ASSERT_TRUE(audio.openAudioStream(path_, nullptr, &format));
  const std::vector<int16_t> decoded = decodeAll(audio, channels_);
  const long frames = static_cast<long>(decoded.size() / channels_);
  if (GetParam().lossless) {
    EXPECT_EQ(decoded, pcm_);
  } else if (GetParam().priming == 0) {
    // Gapless decoding: the encoder's delay and padding are removed, so the sound lines up with the
    // source at lag 0 and the length matches to within a frame of the codec.
    EXPECT_NEAR(frames, rate_ * kSeconds, 1152);
    EXPECT_GT(correlation(decoded, pcm_), 0.95);
  } else {
    const bool known = GetParam().priming != kUnknownPriming;
    const int lag = known ? GetParam().priming : bestLag(decoded, pcm_, channels_);
    if (known) {
      EXPECT_GE(frames, rate_ * kSeconds);
    }
    EXPECT_NEAR(frames, rate_ * kSeconds, 4096 + std::abs(lag));
    const std::vector<int16_t> shifted(decoded.begin() + std::max(lag, 0) * channels_, decoded.end());
    const std::vector<int16_t> source(pcm_.begin() + std::max(-lag, 0) * channels_, pcm_.end());
    EXPECT_GT(correlation(shifted, source), 0.95) << "at a lag of " << lag;
    return;
  }
  EXPECT_NEAR(format.totalFrames, frames, rate_ / 20) << "length reported at open";
  EXPECT_NEAR(audio.getSeconds(), kSeconds, 0.06);
}

TEST_P(FFmpegFormats, ReadAtAnyFrameEqualsDecodeFromStart) {
  ZRFFMpegAudio reference;
  ASSERT_TRUE(reference.openAudioStream(path_, nullptr, nullptr));
  const std::vector<int16_t> all = decodeAll(reference, channels_);
  const int total = static_cast<int>(all.size() / channels_);
  ASSERT_GT(total, rate_);

  std::vector<int> positions = {0,    1,     1000,   1151,         1152,      3456, 8191,  8192,
                                8193, 20000, 100000, total - 3000, total - 1, 5,    60000, 59999};
  std::mt19937 rng(1234);
  for (int i = 0; i < 40; ++i) positions.push_back(static_cast<int>(rng() % static_cast<unsigned>(total)));

  ZRFFMpegAudio audio;
  ASSERT_TRUE(audio.openAudioStream(path_, nullptr, nullptr));
  constexpr int kBlock = 2000;
  std::vector<int16_t> got(kBlock * channels_);
  for (int pos : positions) {
    std::fill(got.begin(), got.end(), int16_t(0x5555));
    const int n = audio.getSamples(reinterpret_cast<char*>(got.data()), kBlock, pos);
    const int expected = std::min(kBlock, total - pos);
    ASSERT_EQ(n, expected) << "at " << pos;
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + channels_ * n,
                           all.begin() + static_cast<long>(channels_) * pos))
        << GetParam().name << ": samples differ from a decode from the start at frame " << pos;
    // The next read without a position goes on seamlessly.
    if (pos + 2 * kBlock <= total) {
      ASSERT_EQ(audio.getSamples(reinterpret_cast<char*>(got.data()), kBlock, -1), kBlock);
      ASSERT_TRUE(
          std::equal(got.begin(), got.end(), all.begin() + static_cast<long>(channels_) * (pos + kBlock)))
          << "after " << pos;
    }
  }
}

// Vorbis switches between long and short blocks at sharp attacks; Ogg places the first packet after a
// seek by a granule position that is off by (long - short) / 4 frames at such a switch. Bursts of
// noise after near silence make the encoder switch often: every seek still lands on its frame.
TEST(FFmpegDecoder, VorbisSeeksLandOnTheFrameAcrossBlockSizeSwitches) {
  constexpr int kRate = 44100;
  constexpr int kFrames = kRate * 20;
  std::vector<int16_t> pcm(static_cast<size_t>(kFrames) * 2);
  std::mt19937 noise(5);
  for (int i = 0; i < kFrames; ++i) {
    const int inBeat = i % 11025;
    const double tone = 300.0 * std::sin(2.0 * M_PI * 220.0 * i / kRate);
    const double burst =
        inBeat < 900 ? (static_cast<int>(noise() % 40001) - 20000) * (1.0 - inBeat / 900.0) : 0;
    pcm[2 * static_cast<size_t>(i)] = static_cast<int16_t>(tone + burst);
    pcm[2 * static_cast<size_t>(i) + 1] = static_cast<int16_t>(tone - burst);
  }
  orvel_test::TempDir dir;
  const std::string path = dir.file("bursts.ogg");
  const std::string why = orvel_test::encodeAudio(path, "ogg", "libvorbis", pcm, 2, kRate, true);
  if (!why.empty()) GTEST_SKIP() << "cannot make Ogg Vorbis media: " << why;

  ZRFFMpegAudio reference;
  ASSERT_TRUE(reference.openAudioStream(path, nullptr, nullptr));
  const std::vector<int16_t> all = decodeAll(reference, 2);
  const int total = static_cast<int>(all.size() / 2);
  ASSERT_GT(total, kRate * 19);
  std::mt19937 rng(99);
  constexpr int kBlock = 1024;
  std::vector<int16_t> got(kBlock * 2);
  int wrong = 0;
  for (int i = 0; i < 100; ++i) {
    // A fresh decoder each time: a seek with nothing decoded before it.
    ZRFFMpegAudio audio;
    ASSERT_TRUE(audio.openAudioStream(path, nullptr, nullptr));
    const int pos = kRate + static_cast<int>(rng() % static_cast<unsigned>(total - kRate - kBlock));
    ASSERT_EQ(audio.getSamples(reinterpret_cast<char*>(got.data()), kBlock, pos), kBlock);
    if (!std::equal(got.begin(), got.end(), all.begin() + 2L * pos)) ++wrong;
  }
  EXPECT_EQ(wrong, 0) << "of 100 seeks";
}

// What a deck does: blocks of a second around a jump first, the rest in order, some again after a
// jump back. Every block equals the same block of a sequential read.
TEST_P(FFmpegFormats, BlocksInAnyOrderEqualASequentialRead) {
  ZRFFMpegAudio reference;
  ASSERT_TRUE(reference.openAudioStream(path_, nullptr, nullptr));
  const std::vector<int16_t> all = decodeAll(reference, channels_);
  const int total = static_cast<int>(all.size() / channels_);
  const int blocks = (total + rate_ - 1) / rate_;
  std::vector<int> order = {0, 3, 4, 1, 2, 4, 0};
  for (int b = blocks - 1; b >= 0; --b) order.push_back(b);
  std::mt19937 rng(77);
  for (int i = 0; i < 12; ++i) order.push_back(static_cast<int>(rng() % static_cast<unsigned>(blocks)));

  ZRFFMpegAudio audio;
  ASSERT_TRUE(audio.openAudioStream(path_, nullptr, nullptr));
  std::vector<int16_t> got(static_cast<size_t>(rate_) * channels_);
  for (int b : order) {
    if (b >= blocks) continue;
    const int n = audio.getSamples(reinterpret_cast<char*>(got.data()), rate_, b * rate_);
    ASSERT_EQ(n, std::min(rate_, total - b * rate_)) << "block " << b;
    ASSERT_TRUE(std::equal(got.begin(), got.begin() + static_cast<long>(n) * channels_,
                           all.begin() + static_cast<long>(b) * rate_ * channels_))
        << GetParam().name << ": block " << b << " differs from a sequential read";
  }
  // A read at the end finds the end, wherever the decoder stood.
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(got.data()), rate_, total), 0);
  EXPECT_EQ(audio.getDecodedLength(), total) << "the exact length once the end was decoded";
}

TEST_P(FFmpegFormats, StreamGivesTheSameSamplesAsTheFile) {
  ZRFFMpegAudio fromFile;
  ASSERT_TRUE(fromFile.openAudioStream(path_, nullptr, nullptr));
  const std::vector<int16_t> expected = decodeAll(fromFile, channels_);

  const std::string bytes = orvel_test::readFile(path_);
  auto* data = static_cast<unsigned char*>(malloc(bytes.size()));
  std::memcpy(data, bytes.data(), bytes.size());
  ZRMemoryIStream memory(data, bytes.size(), true);
  // A stream is taken whatever its name says.
  ZRDecoderFFMpeg decoder(0);
  ZRCodecBase::OpenStruct request;
  request.path = "no-ending";
  request.stream = &memory;
  ASSERT_TRUE(decoder.open(&request));
  std::vector<int16_t> got(expected.size());
  const int frames = static_cast<int>(expected.size() / channels_);
  int at = 0;
  while (at < frames) {
    const int n = decoder.getSamples(reinterpret_cast<char*>(got.data() + static_cast<long>(channels_) * at),
                                     std::min(rate_, frames - at), at);
    ASSERT_GT(n, 0);
    at += n;
  }
  EXPECT_EQ(got, expected);
  // Seeking inside the stream is frame-exact too.
  std::vector<int16_t> block(channels_ * 1500);
  ASSERT_EQ(decoder.getSamples(reinterpret_cast<char*>(block.data()), 1500, 123457), 1500);
  EXPECT_TRUE(
      std::equal(block.begin(), block.end(), expected.begin() + static_cast<long>(channels_) * 123457));

  std::ifstream file(path_, std::ios::binary);
  ZRFFMpegAudio fromIfstream;
  ASSERT_TRUE(fromIfstream.openAudioStream("", &file, nullptr));
  EXPECT_EQ(decodeAll(fromIfstream, channels_), expected);
}

INSTANTIATE_TEST_SUITE_P(Media, FFmpegFormats, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<FormatRow>& info) {
                           return std::string(info.param.name);
                         });

// Sources that are not usable audio fail the open with exactly one log line, never crash or hang.
struct BadSource {
  const char* name;
  std::string (*make)(const orvel_test::TempDir& dir, std::string* path);
};
void PrintTo(const BadSource& source, std::ostream* out) {
  *out << source.name;
}

std::string makeTextFile(const orvel_test::TempDir& dir, std::string* path) {
  *path = dir.file("notes.mp3");
  return orvel_test::writeFile(*path, std::string(5000, 'x') + "\nthis is plain text, not sound\n") ? ""
                                                                                                    : "write";
}

std::string makeTruncatedM4a(const orvel_test::TempDir& dir, std::string* path) {
  const std::string whole = dir.file("whole.m4a");
  const std::string why =
      orvel_test::encodeAudio(whole, "ipod", "aac", orvel_test::testSignal(44100, 2, 44100), 2, 44100);
  if (!why.empty()) return why;
  const std::string bytes = orvel_test::readFile(whole);
  *path = dir.file("cut.m4a");
  return orvel_test::writeFile(*path, bytes.substr(0, bytes.size() / 2)) ? "" : "write";
}

std::string makeTruncatedFlacHeader(const orvel_test::TempDir& dir, std::string* path) {
  const std::string whole = dir.file("whole.flac");
  const std::string why =
      orvel_test::encodeAudio(whole, "flac", "flac", orvel_test::testSignal(44100, 2, 44100), 2, 44100);
  if (!why.empty()) return why;
  *path = dir.file("cut.flac");
  return orvel_test::writeFile(*path, orvel_test::readFile(whole).substr(0, 60)) ? "" : "write";
}

std::string makeTruncatedWav(const orvel_test::TempDir& dir, std::string* path) {
  *path = dir.file("cut.wav");
  return orvel_test::writeFile(*path, std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16)) ? "" : "write";
}

std::string makeVideoOnly(const orvel_test::TempDir& dir, std::string* path) {
  *path = dir.file("pictures.avi");
  return orvel_test::encodeVideoOnly(*path, "avi");
}

std::string makeEmptyFile(const orvel_test::TempDir& dir, std::string* path) {
  *path = dir.file("empty.ogg");
  return orvel_test::writeFile(*path, "") ? "" : "write";
}

const BadSource kBadSources[] = {
    {"text_file", makeTextFile},
    {"truncated_m4a", makeTruncatedM4a},
    {"truncated_flac", makeTruncatedFlacHeader},
    {"truncated_wav", makeTruncatedWav},
    {"video_only", makeVideoOnly},
    {"empty_file", makeEmptyFile},
};

class FFmpegBadSources : public ::testing::TestWithParam<BadSource> {};

TEST_P(FFmpegBadSources, FailWithOneLogLine) {
  orvel_test::TempDir dir;
  std::string path;
  const std::string why = GetParam().make(dir, &path);
  if (!why.empty()) GTEST_SKIP() << why;
  {
    LogCapture log;
    ZRDecoderFFMpeg decoder(0);
    ZRCodecBase::OpenStruct request;
    request.path = path;
    EXPECT_FALSE(decoder.open(&request));
    EXPECT_EQ(log.lines().size(), 1u) << log.joined();
    char buffer[4096];
    EXPECT_EQ(decoder.getSamples(buffer, 256, 0), 0);
    EXPECT_EQ(decoder.getSeconds(), 0.0f);
  }
  {
    // The same bytes as a stream.
    LogCapture log;
    std::ifstream in(path, std::ios::binary);
    ZRFFMpegAudio audio;
    EXPECT_FALSE(audio.openAudioStream("", &in, nullptr));
    EXPECT_EQ(log.lines().size(), 1u) << log.joined();
    EXPECT_FALSE(audio.isOpened());
  }
}

INSTANTIATE_TEST_SUITE_P(Media, FFmpegBadSources, ::testing::ValuesIn(kBadSources),
                         [](const ::testing::TestParamInfo<BadSource>& info) {
                           return std::string(info.param.name);
                         });

// A file cut anywhere either fails with one log line or opens and decodes up to the cut; reads
// anywhere, also past the cut, end without a crash or a hang.
TEST(FFmpegDecoder, FilesCutAnywhereAreSafe) {
  orvel_test::TempDir dir;
  const std::string whole = dir.file("whole.mp3");
  const std::string why = orvel_test::encodeAudio(
      whole, "mp3", "libmp3lame", orvel_test::testSignal(44100 * 2, 2, 44100), 2, 44100, true);
  if (!why.empty()) GTEST_SKIP() << why;
  const std::string bytes = orvel_test::readFile(whole);
  std::vector<int16_t> block(2 * 4096);
  for (size_t cut : {size_t{0}, size_t{1}, size_t{4}, size_t{100}, size_t{417}, size_t{1000},
                     bytes.size() / 3, bytes.size() - 7}) {
    const std::string path = dir.file("cut.mp3");
    ASSERT_TRUE(orvel_test::writeFile(path, bytes.substr(0, cut)));
    LogCapture log;
    ZRFFMpegAudio audio;
    TDSPAudioFormat format;
    if (!audio.openAudioStream(path, nullptr, &format)) {
      EXPECT_EQ(log.lines().size(), 1u) << "cut at " << cut << "\n" << log.joined();
      continue;
    }
    long frames = 0;
    for (int got; (got = audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, -1)) > 0;)
      frames += got;
    EXPECT_LE(frames, 44100 * 2) << "cut at " << cut;
    EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, 44100 * 10), 0);
    EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, static_cast<int>(frames)), 0);
    if (frames > 5000) {
      EXPECT_EQ(
          audio.getSamples(reinterpret_cast<char*>(block.data()), 4096, static_cast<int>(frames) - 5000),
          4096);
    }
  }
}

TEST(FFmpegDecoder, AcceptsKnownEndingsInAnyCaseAndRefusesOthers) {
  orvel_test::TempDir dir;
  const std::string upper = dir.file("Track.MP3");
  ASSERT_EQ(
      orvel_test::encodeAudio(upper, "mp3", "libmp3lame", orvel_test::testSignal(22050, 2, 44100), 2, 44100),
      "");
  ZRDecoderFFMpeg decoder(3);
  ZRCodecBase::OpenStruct request;
  request.path = upper;
  EXPECT_TRUE(decoder.open(&request));
  EXPECT_FALSE(decoder.open(&request)) << "already open";
  decoder.close();

  const std::string text = dir.file("track.txt");
  ASSERT_TRUE(orvel_test::writeFile(text, orvel_test::readFile(upper)));
  LogCapture log;
  request.path = text;
  EXPECT_FALSE(decoder.open(&request));
  EXPECT_EQ(log.count("warning: file not supported '" + text + "'"), 1) << log.joined();
  EXPECT_STREQ(decoder.getCodecName(), "ffmpeg-audio");
  EXPECT_TRUE(decoder.canOpenStream());
  EXPECT_FALSE(decoder.getNeedEndianConversion());
  EXPECT_EQ(decoder.putSamples("", 1), 0);
}

TEST(FFmpegDecoder, HighRateSourceKeepsItsRateAndReportsItsLength) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("hi.flac");
  ASSERT_EQ(
      orvel_test::encodeAudio(path, "flac", "flac", orvel_test::testSignal(96000 * 2, 2, 96000), 2, 96000),
      "");
  ZRFFMpegAudio audio;
  TDSPAudioFormat format;
  ASSERT_TRUE(audio.openAudioStream(path, nullptr, &format));
  EXPECT_EQ(format.sampleRate, 96000);
  EXPECT_EQ(audio.getSampleRate(), 96000);
  EXPECT_NEAR(format.totalFrames, 192000, 10);
  audio.closeAudioStream();
  EXPECT_EQ(audio.getSampleRate(), 44100);
  EXPECT_EQ(audio.getSeconds(), 0.0f);
}

TEST(FFmpegDecoder, ReadsPastTheEndDeliverNothingAndAdvance) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("short.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::testSignal(3000, 2, 44100), 2, 44100));
  ZRFFMpegAudio audio;
  ASSERT_TRUE(audio.openAudioStream(path, nullptr, nullptr));
  std::vector<int16_t> buf(2 * 2000);
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(buf.data()), 2000, 0), 2000);
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(buf.data()), 2000, -1), 1000);
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(buf.data()), 2000, -1), 0);
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(buf.data()), 2000, 10000000), 0);
  // And back to the start after the end was reached.
  EXPECT_EQ(audio.getSamples(reinterpret_cast<char*>(buf.data()), 2000, 500), 2000);
}

}  // namespace
