#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <fstream>
#include <future>
#include <sstream>
#include <thread>

#include "codecs/zr_master_codec.h"
#include "common/shell_hooks.h"
#include "common/zr_files.h"
#include "dsp/resample.h"
#include "log_capture.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

using orvel_test::LogCapture;

namespace {

// A decoder with a known, computed signal, for exact checks of the conversions. It accepts paths
// ending with ".fake$" (or, as a picture decoder, with "cdg").
class FakeCodec : public ZRCodecBase {
 public:
  FakeCodec(TDSPAudioFormat format, const char* ending = ".fake$", bool bigEndian = false)
      : ZRCodecBase(50), format_(format), ending_(ending), bigEndian_(bigEndian) {}
  bool open(OpenStruct* request) override {
    if (opened_ || !request->path.endsWithNoCase(ending_)) return false;
    openedPath = request->path.utf8();
    request->format = format_;
    opened_ = true;
    return true;
  }
  static int16_t value16(long frame, int channel) {
    return static_cast<int16_t>((frame * 7 + channel * 1000) % 30000 - 15000);
  }
  int getSamples(char* dst, int frames, int pos) override {
    if (!opened_) return 0;
    if (pos >= 0) position_ = pos;
    const int n = std::max(0, std::min(frames, format_.totalFrames - position_));
    for (int f = 0; f < n; ++f) {
      for (int c = 0; c < format_.channels; ++c) {
        const size_t at = static_cast<size_t>(f) * format_.channels + c;
        if (format_.bitsPerSample2 == 32) {
          const float v = floats.empty() ? 0.0f : floats[(position_ + f) % floats.size()];
          std::memcpy(dst + 4 * at, &v, 4);
        } else {
          int16_t v = value16(position_ + f, c);
          if (bigEndian_) v = static_cast<int16_t>(((v & 0xff) << 8) | ((v >> 8) & 0xff));
          std::memcpy(dst + 2 * at, &v, 2);
        }
      }
    }
    position_ += frames;
    return n;
  }
  int putSamples(const char*, int) override { return 0; }
  bool getNeedEndianConversion() override { return bigEndian_; }
  float getSeconds() override { return static_cast<float>(format_.totalFrames) / format_.sampleRate; }
  void close() override { opened_ = false; }
  const char* getCodecName() override { return "fake"; }
  void announceSeekToSample(int frame, bool flag) override {
    lastSeek = frame;
    lastFlag = flag;
  }
  bool canOpenStream() override { return false; }

  std::vector<float> floats;
  std::string openedPath;
  int lastSeek = -1;
  bool lastFlag = false;

 private:
  TDSPAudioFormat format_;
  const char* ending_;
  bool bigEndian_;
  bool opened_ = false;
  int position_ = 0;
};

ZRCodecBase::OpenStruct deckRequest(const std::string& path) {
  ZRCodecBase::OpenStruct r;
  r.path = path;
  r.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  return r;
}

TEST(MasterCodec, Delivers48kMonoAs44100Stereo) {
  orvel_test::TempDir dir;
  constexpr int kIn = 48000;
  std::vector<int16_t> mono(kIn * 3);
  for (size_t i = 0; i < mono.size(); ++i)
    mono[i] = static_cast<int16_t>(std::lrint(16000 * std::sin(2 * M_PI * 1000.0 * i / kIn)));
  const std::string path = dir.file("mono48.flac");
  const std::string why = orvel_test::encodeAudio(path, "flac", "flac", mono, 1, kIn);
  if (!why.empty()) GTEST_SKIP() << why;

  ZRMasterCodec codec(50);
  auto request = deckRequest(path);
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  EXPECT_EQ(request.format.sampleRate, 44100);
  EXPECT_EQ(request.format.channels, 2);
  EXPECT_EQ(request.format.totalFrames, CalculateDestinationSamples(kIn, kIn * 3, 44100));
  EXPECT_EQ(codec.getSourceFormat().sampleRate, kIn);
  EXPECT_EQ(codec.getSourceFormat().channels, 1);

  std::vector<float> out(44100 * 2);
  for (int block = 0; block < 2; ++block) {
    ASSERT_EQ(codec.getSamples(out.data(), 44100, block * 44100), 44100);
    for (int i = 0; i < 44100; ++i) {
      const long frame = static_cast<long>(block) * 44100 + i;
      const double expected = 16000 * 3.0518e-5 * std::sin(2 * M_PI * 1000.0 * frame / 44100.0);
      ASSERT_EQ(out[2 * i], out[2 * i + 1]) << "mono goes to both channels";
      ASSERT_NEAR(out[2 * i], expected, 0.02) << "frame " << frame;
    }
  }
  // The last second is short: 48000 x 3 source frames give 132300 output frames.
  std::vector<short> shorts(44100 * 2);
  EXPECT_EQ(codec.getSamplesShort(shorts.data(), 44100, 88200), 44100);
  for (int i = 0; i < 1000; ++i) {
    const double expected = 16000 * 3.0518e-5 * std::sin(2 * M_PI * 1000.0 * (88200 + i) / 44100.0) * 32767;
    ASSERT_NEAR(shorts[2 * i], expected, 0.02 * 32767);
  }
  EXPECT_EQ(codec.getSamplesShort(shorts.data(), 44100, 132300), 0);
}

TEST(MasterCodec, DirectShortPathEqualsSourceAndTakesNoLock) {
  orvel_test::TempDir dir;
  const std::vector<int16_t> pcm = orvel_test::testSignal(44100 * 3, 2, 44100);
  const std::string path = dir.file("direct.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, pcm, 2, 44100));
  ZRMasterCodec codec(0);
  auto request = deckRequest(path);
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  EXPECT_EQ(request.format.totalFrames, 44100 * 3);

  // The float path converts each sample by 3.0518e-5.
  std::vector<float> floats(2 * 1000);
  ASSERT_EQ(codec.getSamples(floats.data(), 1000, 7777), 1000);
  for (int i = 0; i < 2000; ++i) ASSERT_EQ(floats[i], pcm[2 * 7777 + i] * 3.0518e-5f);

  // While another thread holds ReadSession the direct path still reads.
  std::promise<void> locked;
  std::promise<void> release;
  std::thread holder([&] {
    ReadSession.enterExclusive();
    locked.set_value();
    release.get_future().wait();
    ReadSession.leaveExclusive();
  });
  locked.get_future().wait();
  std::vector<short> shorts(2 * 44100);
  auto reading =
      std::async(std::launch::async, [&] { return codec.getSamplesShort(shorts.data(), 44100, 44100); });
  const bool finishedWhileLocked = reading.wait_for(std::chrono::seconds(20)) == std::future_status::ready;
  release.set_value();
  holder.join();
  EXPECT_TRUE(finishedWhileLocked) << "the direct 16-bit path waited for ReadSession";
  EXPECT_EQ(reading.get(), 44100);
  EXPECT_TRUE(std::equal(shorts.begin(), shorts.end(), pcm.begin() + 2 * 44100));
  codec.close();
  EXPECT_FALSE(codec.isOpen());
  EXPECT_EQ(codec.getSamplesShort(shorts.data(), 1000, 0), 0);
}

TEST(MasterCodec, ChannelMapping) {
  struct Case {
    int sourceChannels;
    int wantedChannels;
  } cases[] = {{6, 2}, {2, 4}, {1, 2}, {2, 1}, {3, 5}};
  for (const Case& c : cases) {
    ZRMasterCodec codec(50);
    auto* fake = new FakeCodec(TDSPAudioFormat{44100, c.sourceChannels, 16, 16, 0, 10000});
    ASSERT_TRUE(codec.addCodec(fake));
    auto request = deckRequest("a.fake$");
    request.format.channels = c.wantedChannels;
    ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
    std::vector<float> out(static_cast<size_t>(c.wantedChannels) * 500);
    ASSERT_EQ(codec.getSamples(out.data(), 500, 1234), 500);
    for (int f = 0; f < 500; ++f) {
      for (int ch = 0; ch < c.wantedChannels; ++ch) {
        const int from = std::min(ch, c.sourceChannels - 1);
        ASSERT_EQ(out[static_cast<size_t>(f) * c.wantedChannels + ch],
                  FakeCodec::value16(1234 + f, from) * 3.0518e-5f)
            << c.sourceChannels << " to " << c.wantedChannels << " frame " << f << " channel " << ch;
      }
    }
  }
}

TEST(MasterCodec, ShortConversionClampsAndRefusals) {
  ZRMasterCodec codec(50);
  auto* fake = new FakeCodec(TDSPAudioFormat{44100, 2, 32, 32, 0, 5000});
  fake->floats = {1.0f, -1.0f, 1.5f, -1.5f, 0.5f};
  ASSERT_TRUE(codec.addCodec(fake));
  auto request = deckRequest("a.fake$");
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  std::vector<short> out(2 * 300, 77);
  ASSERT_EQ(codec.getSamplesShort(out.data(), 300, 0), 300);
  const short expected[] = {32767, -32767, 32767, -32768, 16384};
  for (int f = 0; f < 5; ++f) {
    EXPECT_EQ(out[2 * f], expected[f]);
    EXPECT_EQ(out[2 * f + 1], expected[f]);
  }
  std::vector<short> untouched(2 * 300, 77);
  std::vector<float> untouchedF(2 * 300, 7.0f);
  EXPECT_EQ(codec.getSamplesShort(untouched.data(), 255, 0), 0);
  EXPECT_EQ(codec.getSamplesShort(untouched.data(), 300, -1), 0);
  EXPECT_EQ(codec.getSamplesShort(nullptr, 300, 0), 0);
  EXPECT_EQ(codec.getSamples(untouchedF.data(), 255, 0), 0);
  EXPECT_EQ(codec.getSamples(untouchedF.data(), 300, -5), 0);
  EXPECT_TRUE(std::all_of(untouched.begin(), untouched.end(), [](short v) { return v == 77; }));
  EXPECT_TRUE(std::all_of(untouchedF.begin(), untouchedF.end(), [](float v) { return v == 7.0f; }));

  // Past the end the result counts the decoded frames; the rest is the conversion of zero bytes.
  std::vector<float> tail(2 * 1000, 9.0f);
  EXPECT_EQ(codec.getSamples(tail.data(), 1000, 4500), 500);
  EXPECT_EQ(tail[2 * 999], 0.0f);

  codec.announceSeekToSample(4321, true);
  EXPECT_EQ(fake->lastSeek, 4321);
  EXPECT_TRUE(fake->lastFlag);
  codec.close();
  codec.announceSeekToSample(1, false);
  EXPECT_EQ(fake->lastSeek, 4321) << "nothing is forwarded while closed";
}

TEST(MasterCodec, BigEndianDecoderOnTheDirectPathIsSwapped) {
  ZRMasterCodec codec(50);
  ASSERT_TRUE(codec.addCodec(new FakeCodec(TDSPAudioFormat{44100, 2, 16, 16, 0, 5000}, ".fake$", true)));
  auto request = deckRequest("a.fake$");
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  std::vector<short> out(2 * 400);
  ASSERT_EQ(codec.getSamplesShort(out.data(), 400, 100), 400);
  for (int f = 0; f < 400; ++f) ASSERT_EQ(out[2 * f + 1], FakeCodec::value16(100 + f, 1));
}

TEST(MasterCodec, RequestsAreBoundedByTheOpenLimit) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("long.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::testSignal(44100 * 4, 2, 44100), 2, 44100));
  LogCapture log;
  ZRMasterCodec codec(50);
  auto request = deckRequest(path);
  ASSERT_TRUE(codec.openFileOrStream(&request, 5.0f));
  EXPECT_EQ(log.count("WARNING: maxSecondsOnRequest=5.000s is too high, clamping to 2s"), 1) << log.joined();
  std::vector<float> out(2 * 44100 * 3, 1.0f);
  EXPECT_EQ(codec.getSamples(out.data(), 88200, 0), 88200);
  log.clear();
  EXPECT_EQ(codec.getSamples(out.data(), 44100 * 3, 0), 0)
      << "three seconds would overrun two-second buffers";
  EXPECT_EQ(log.lines().size(), 1u) << log.joined();
}

class TrackedStream : public std::istringstream {
 public:
  TrackedStream(const std::string& bytes, std::atomic<int>* deleted)
      : std::istringstream(bytes), deleted_(deleted) {}
  ~TrackedStream() override { deleted_->fetch_add(1); }

 private:
  std::atomic<int>* deleted_;
};

TEST(MasterCodec, OwnedStreamsAreDeletedOnFailureAndAtClose) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("s.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::testSignal(44100, 2, 44100), 2, 44100));
  const std::string bytes = orvel_test::readFile(path);
  std::atomic<int> deleted{0};

  ZRMasterCodec codec(50);
  auto request = deckRequest("pulselocker://song/42");
  request.stream = new TrackedStream(bytes, &deleted);
  request.ownsStream = true;
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  std::vector<short> out(2 * 1000);
  EXPECT_EQ(codec.getSamplesShort(out.data(), 1000, 0), 1000);

  // A second open without close fails and deletes the stream it was handed.
  auto second = deckRequest(path);
  second.stream = new TrackedStream(bytes, &deleted);
  second.ownsStream = true;
  EXPECT_FALSE(codec.openFileOrStream(&second, 1.0f));
  EXPECT_EQ(second.stream, nullptr);
  EXPECT_EQ(deleted.load(), 1);
  codec.close();
  EXPECT_EQ(deleted.load(), 2);

  // A stream nothing can read is deleted by the failed open.
  LogCapture log;
  auto bad = deckRequest("x");
  bad.stream = new TrackedStream("definitely not media", &deleted);
  bad.ownsStream = true;
  EXPECT_FALSE(codec.openFileOrStream(&bad, 1.0f));
  EXPECT_EQ(bad.stream, nullptr);
  EXPECT_EQ(deleted.load(), 3);
  EXPECT_EQ(log.count("no suitable codec found"), 1);
}

// What is opened, and which log lines a failure leaves: the opening line, at most one decoder line,
// and "no suitable codec found" when decoders were tried.
struct OpenCase {
  const char* name;
  std::string path;
  bool opens;
  bool decodersTried;
};

TEST(MasterCodec, OpeningRulesAndFailures) {
  orvel_test::TempDir dir;
  const std::string text = dir.file("notes.mp3");
  ASSERT_TRUE(orvel_test::writeFile(text, std::string(3000, 'z')));
  const std::string cut = dir.file("cut.wav");
  ASSERT_TRUE(orvel_test::writeFile(cut, std::string("RIFF\x24\x00\x00\x00WAVEfmt ", 16)));
  const std::string video = dir.file("pictures.avi");
  const bool haveVideo = orvel_test::encodeVideoOnly(video, "avi").empty();
  const std::string good = dir.file("good.ogg");
  ASSERT_EQ(orvel_test::encodeAudio(good, "flac", "flac", orvel_test::testSignal(4410, 2, 44100), 2, 44100),
            "");

  std::vector<OpenCase> cases = {
      {"existing file", good, true, true},
      {"missing file", dir.file("missing.mp3"), false, false},
      {"missing path ending in $", dir.file("missing.mp3$"), false, true},
      {"text file", text, false, true},
      {"truncated file", cut, false, true},
      {"pulselocker url", "pulselocker://song/1234", false, true},
      {"lirra url", "lirra://track/abc.mp3", false, true},
      {"ipod url", "ipod-library://item/item.mp3?id=99", false, true},
      {"unknown scheme", "karnet://track/77", false, false},
      {"unknown scheme with ending", "zzz://host/file.mp3", false, false},
  };
  if (haveVideo) cases.push_back({"picture-only file", video, false, true});
  for (const OpenCase& c : cases) {
    LogCapture log;
    ZRMasterCodec codec(0);
    auto request = deckRequest(c.path);
    EXPECT_EQ(codec.openFileOrStream(&request, 1.0f), c.opens) << c.name;
    EXPECT_EQ(log.count("ZRMasterCodec opening '" + c.path + "'"), 1) << c.name;
    if (c.opens) continue;
    EXPECT_EQ(log.count("no suitable codec found"), c.decodersTried ? 1 : 0) << c.name << "\n"
                                                                             << log.joined();
    EXPECT_LE(log.lines().size(), c.decodersTried ? 3u : 1u) << c.name << "\n" << log.joined();
    EXPECT_FALSE(codec.isOpen());
  }
}

FakeCodec* g_lastPictureDecoder = nullptr;
ZRCodecBase* makeFakePictureDecoder(int /*id*/) {
  g_lastPictureDecoder = new FakeCodec(TDSPAudioFormat{44100, 2, 16, 16, 0, 44100}, "cdg");
  return g_lastPictureDecoder;
}

TEST(MasterCodec, KaraokePairOpensTheCdg) {
  orvel_test::TempDir dir;
  const std::string mp3 = dir.file("song.MP3");
  ASSERT_EQ(
      orvel_test::encodeAudio(mp3, "mp3", "libmp3lame", orvel_test::testSignal(44100, 2, 44100), 2, 44100),
      "");
  {
    // Without a .cdg beside it the mp3 opens as audio.
    ZRMasterCodec codec(0);
    auto request = deckRequest(mp3);
    EXPECT_TRUE(codec.openFileOrStream(&request, 1.0f));
  }
  const std::string cdg = dir.file("song.cdg");
  ASSERT_TRUE(orvel_test::writeFile(cdg, std::string(2400, '\0')));
  {
    // No picture decoder is installed: the .cdg is refused cleanly.
    LogCapture log;
    ZRMasterCodec codec(0);
    auto request = deckRequest(mp3);
    EXPECT_FALSE(codec.openFileOrStream(&request, 1.0f));
    EXPECT_EQ(log.count("no suitable codec found"), 1) << log.joined();
  }
  ZRMasterCodec::setVideoDecoderFactory(&makeFakePictureDecoder);
  {
    ZRMasterCodec codec(0);
    auto request = deckRequest(mp3);
    ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
    ASSERT_NE(g_lastPictureDecoder, nullptr);
    EXPECT_EQ(g_lastPictureDecoder->openedPath, cdg);
    EXPECT_EQ(codec.getOpenCodec(), g_lastPictureDecoder);
  }
  {
    // Master codecs above id 49 (sampler slots) hold no picture decoder.
    g_lastPictureDecoder = nullptr;
    ZRMasterCodec codec(50);
    EXPECT_EQ(g_lastPictureDecoder, nullptr);
  }
  ZRMasterCodec::setVideoDecoderFactory(nullptr);
}

int failingExtractor(char*, char*, unsigned, char*) {
  return 0;
}
int fallbackExtractor(char* zip, char* folder, unsigned overwrite, char* cdgName) {
  if (!zip || !overwrite) return 0;
  const std::string base = std::string(folder) + "/a";
  orvel_test::writeFile(base + ".cdg", std::string(2400, '\0'));
  orvel_test::writeFile(base + ".mp3", "sound");
  std::strcpy(cdgName, "a.cdg");
  return 1;
}

TEST(MasterCodec, ZipPackages) {
  orvel_test::TempDir dir;
  const std::string zip = dir.file("a.zip");
  ASSERT_TRUE(orvel_test::writeFile(zip, "PK\x03\x04 package"));
  {
    LogCapture log;
    ZRMasterCodec codec(0);
    auto request = deckRequest(zip);
    EXPECT_FALSE(codec.openFileOrStream(&request, 1.0f));
    EXPECT_EQ(log.lines().size(), 2u) << "opening and the reason\n" << log.joined();
  }
  orvel_test::TempDir samples;
  const ZRString previous = GetSamplesDir();
  SetSamplesDir(samples.path());
  ZRMasterCodec::setZipCdgExtractors(&failingExtractor, &fallbackExtractor);
  ZRMasterCodec::setVideoDecoderFactory(&makeFakePictureDecoder);
  {
    ZRMasterCodec codec(0);
    auto request = deckRequest(zip);
    ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
    EXPECT_EQ(g_lastPictureDecoder->openedPath, samples.file("a.cdg"));
    EXPECT_TRUE(FileExists(ZRString(samples.file("a.mp3"))));
    codec.close();
    EXPECT_FALSE(FileExists(ZRString(samples.file("a.cdg"))));
    EXPECT_FALSE(FileExists(ZRString(samples.file("a.mp3"))));
  }
  ZRMasterCodec::setVideoDecoderFactory(nullptr);
  ZRMasterCodec::setZipCdgExtractors(nullptr, nullptr);
  SetSamplesDir(previous);
}

TEST(MasterCodec, ResampledBlocksReadInSequenceAreComplete) {
  // 48 kHz stereo read in one-second blocks of 44100 frames: every block is full up to the end.
  orvel_test::TempDir dir;
  const std::string path = dir.file("s48.mp3");
  const std::string why = orvel_test::encodeAudio(path, "mp3", "libmp3lame",
                                                  orvel_test::testSignal(48000 * 4, 2, 48000), 2, 48000);
  if (!why.empty()) GTEST_SKIP() << why;
  ZRMasterCodec codec(1);
  auto request = deckRequest(path);
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  std::vector<short> block(2 * 44100);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(codec.getSamplesShort(block.data(), 44100, i * 44100), 44100) << i;
}

}  // namespace
