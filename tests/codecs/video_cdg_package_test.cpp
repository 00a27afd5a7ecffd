#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "codecs/zr_decoder_video.h"
#include "codecs/zr_karaoke_package.h"
#include "codecs/zr_master_codec.h"
#include "common/shell_hooks.h"
#include "common/zip_test_builder.h"
#include "common/zr_files.h"
#include "log_capture.h"
#include "support/media_encoder.h"
#include "support/test_support.h"
#include "video_cdg_media.h"

namespace {

using namespace orvel_test;

ZRCodecBase::OpenStruct deckRequest(const std::string& path) {
  ZRCodecBase::OpenStruct r;
  r.path = ZRString(path);
  r.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
  return r;
}

std::string cdgBytes() {
  std::vector<CdgPacket> packets(600, cdgBorderPreset(1));
  packets[0] = cdgLoadColors(true, {{0, 0, 0}, {15, 15, 15}});
  packets[1] = cdgMemoryPreset(0);
  std::string bytes;
  for (const CdgPacket& p : packets) bytes.append(reinterpret_cast<const char*>(p.data()), p.size());
  return bytes;
}

ZipMember member(const std::string& name, const std::string& data, unsigned method) {
  ZipMember m;
  m.name = name;
  m.data = data;
  m.method = method;
  return m;
}

class VideoCdgPackage : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string mp3 = dir_.file("tone.mp3");
    const std::string why = encodeAudio(mp3, "mp3", "libmp3lame", testSignal(2 * 44100, 2, 44100), 2, 44100);
    if (!why.empty()) GTEST_SKIP() << why;
    mp3_ = readFile(mp3);
    previousSamples_ = GetSamplesDir();
    SetSamplesDir(samples_.path());
    installKaraokeSupport();
  }
  void TearDown() override {
    if (mp3_.empty()) return;
    ZRMasterCodec::setVideoDecoderFactory(nullptr);
    ZRMasterCodec::setZipCdgExtractors(nullptr, nullptr);
    SetSamplesDir(previousSamples_);
  }
  std::string package(const std::string& name, unsigned audioMethod) {
    const std::string zip = dir_.file(name + ".zip");
    EXPECT_TRUE(writeFile(
        zip, buildZip({member(name + ".mp3", mp3_, audioMethod), member(name + ".cdg", cdgBytes(), 8)})));
    return zip;
  }
  TempDir dir_;
  TempDir samples_;
  std::string mp3_;
  ZRString previousSamples_;
};

TEST_F(VideoCdgPackage, PackageIsExtractedOpenedAndCleanedUp) {
  // Stored, deflate (minizip) and bzip2 (the streaming extractor) audio members.
  for (unsigned method : {0u, 8u, 12u}) {
    const std::string name = "song" + std::to_string(method);
    const std::string zip = package(name, method);
    ZRMasterCodec codec(0);
    auto request = deckRequest(zip);
    ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f)) << method;
    auto* video = dynamic_cast<ZRDecoderVideo*>(codec.getOpenCodec());
    ASSERT_NE(video, nullptr) << method;
    EXPECT_TRUE(video->IsCDG());
    EXPECT_FALSE(video->isSilent()) << method;
    EXPECT_EQ(readFile(samples_.file(name + ".mp3")), mp3_) << method;
    std::vector<short> block(2 * 44100);
    EXPECT_EQ(codec.getSamplesShort(block.data(), 44100, 0), 44100);
    codec.close();
    EXPECT_FALSE(FileExists(ZRString(samples_.file(name + ".cdg")))) << method;
    EXPECT_FALSE(FileExists(ZRString(samples_.file(name + ".mp3")))) << method;
  }
}

TEST_F(VideoCdgPackage, TwoPlayersShareOneExtraction) {
  const std::string zip = package("shared", 8);
  ZRMasterCodec deck(0);
  ZRMasterCodec preview(40);
  auto a = deckRequest(zip);
  auto b = deckRequest(zip);
  ASSERT_TRUE(deck.openFileOrStream(&a, 1.0f));
  ASSERT_TRUE(preview.openFileOrStream(&b, 1.0f));
  const ZRString cdg(samples_.file("shared.cdg"));
  EXPECT_EQ(ZRKaraokePackages::users(cdg), 2);
  deck.close();
  EXPECT_TRUE(FileExists(cdg));
  EXPECT_TRUE(FileExists(ZRString(samples_.file("shared.mp3"))));
  std::vector<short> block(2 * 44100);
  EXPECT_EQ(preview.getSamplesShort(block.data(), 44100, 44100), 44100);
  preview.close();
  EXPECT_FALSE(FileExists(cdg));
  EXPECT_FALSE(FileExists(ZRString(samples_.file("shared.mp3"))));
  EXPECT_EQ(ZRKaraokePackages::users(cdg), 0);
}

TEST_F(VideoCdgPackage, LoosePairOpensTheCdgWithItsSound) {
  const std::string mp3 = dir_.file("Pair.MP3");
  ASSERT_TRUE(writeFile(mp3, mp3_));
  ASSERT_TRUE(writeFile(dir_.file("Pair.cdg"), cdgBytes()));
  ZRMasterCodec codec(1);
  auto request = deckRequest(mp3);
  ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f));
  auto* video = dynamic_cast<ZRDecoderVideo*>(codec.getOpenCodec());
  ASSERT_NE(video, nullptr);
  EXPECT_TRUE(video->IsCDG());
  EXPECT_FALSE(video->isSilent());
  EXPECT_EQ(ZRDecoderVideo::getCodecById(1), video);
  codec.close();
  EXPECT_TRUE(FileExists(ZRString(mp3)));  // loose files are never deleted
}

TEST_F(VideoCdgPackage, PackageWithoutGraphicsFailsCleanly) {
  const std::string zip = dir_.file("plain.zip");
  ASSERT_TRUE(writeFile(zip, buildZip({member("plain.mp3", mp3_, 8)})));
  LogCapture log;
  ZRMasterCodec codec(0);
  auto request = deckRequest(zip);
  EXPECT_FALSE(codec.openFileOrStream(&request, 1.0f));
  EXPECT_EQ(log.count("no suitable codec found"), 1) << log.joined();
}

}  // namespace
