#include <gtest/gtest.h>

#include <cstring>
#include <memory>

#include "codecs/zr_decoder_aiff.h"
#include "codecs/zr_decoder_wav.h"
#include "dsp/sample_formats.h"
#include "support/media_encoder.h"
#include "support/test_support.h"

namespace {

uint32_t le32(const std::string& s, size_t at) {
  return static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8) |
         (static_cast<uint8_t>(s[at + 2]) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(s[at + 3])) << 24);
}
uint16_t le16(const std::string& s, size_t at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(s[at]) | (static_cast<uint8_t>(s[at + 1]) << 8));
}
uint32_t be32(const std::string& s, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(s[at])) << 24) |
         (static_cast<uint8_t>(s[at + 1]) << 16) | (static_cast<uint8_t>(s[at + 2]) << 8) |
         static_cast<uint8_t>(s[at + 3]);
}
uint16_t be16(const std::string& s, size_t at) {
  return static_cast<uint16_t>((static_cast<uint8_t>(s[at]) << 8) | static_cast<uint8_t>(s[at + 1]));
}

ZRCodecBase::OpenStruct writeRequest(const std::string& path, int rate, int channels, int bits) {
  ZRCodecBase::OpenStruct r;
  r.path = path;
  r.writeMode = true;
  r.format = TDSPAudioFormat{rate, channels, bits, bits, 0, 0};
  return r;
}

TEST(WavFile, WriterHeaderAndSizesAtClose) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("rec.WAV");
  ZRDecoderWav wav(99);
  auto request = writeRequest(path, 44100, 2, 16);
  ASSERT_TRUE(wav.open(&request));
  std::string header = orvel_test::readFile(path);
  ASSERT_EQ(header.size(), 44u);
  EXPECT_EQ(header.substr(0, 4), "RIFF");
  EXPECT_EQ(le32(header, 4), 44u);
  EXPECT_EQ(header.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(le32(header, 16), 16u);
  EXPECT_EQ(le16(header, 20), 1);
  EXPECT_EQ(le16(header, 22), 2);
  EXPECT_EQ(le32(header, 24), 44100u);
  EXPECT_EQ(le32(header, 28), 176400u);
  EXPECT_EQ(le16(header, 32), 4);
  EXPECT_EQ(le16(header, 34), 16);
  EXPECT_EQ(header.substr(36, 4), "data");
  EXPECT_EQ(le32(header, 40), 0u);

  const std::vector<int16_t> pcm = orvel_test::testSignal(44100, 2, 44100);
  EXPECT_EQ(wav.putSamples(reinterpret_cast<const char*>(pcm.data()), 44100), 44100);
  EXPECT_FLOAT_EQ(wav.getSeconds(), 1.0f);
  wav.close();
  const std::string file = orvel_test::readFile(path);
  ASSERT_EQ(file.size(), 44u + 176400u);
  EXPECT_EQ(le32(file, 4), 176436u);
  EXPECT_EQ(le32(file, 40), 176400u);

  // Read back: the same format and samples, from any frame.
  ZRDecoderWav reader(1);
  ZRCodecBase::OpenStruct read;
  read.path = path;
  ASSERT_TRUE(reader.open(&read));
  EXPECT_EQ(read.format.sampleRate, 44100);
  EXPECT_EQ(read.format.channels, 2);
  EXPECT_EQ(read.format.bitsPerSample2, 16);
  EXPECT_EQ(read.format.totalFrames, 44100);
  EXPECT_FLOAT_EQ(reader.getSeconds(), 1.0f);
  std::vector<int16_t> back(2 * 1000);
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 1000, 12345), 1000);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), pcm.begin() + 2 * 12345));
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 1000, -1), 1000);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), pcm.begin() + 2 * 13345));
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 1000, 43600), 500);
  EXPECT_EQ(reader.putSamples(reinterpret_cast<const char*>(back.data()), 10), 0)
      << "a reader writes nothing";
}

TEST(WavFile, FloatWriterUsesFormatTag3) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("f.wav");
  ZRDecoderWav wav(99);
  auto request = writeRequest(path, 48000, 2, 32);
  ASSERT_TRUE(wav.open(&request));
  wav.close();
  const std::string file = orvel_test::readFile(path);
  EXPECT_EQ(le16(file, 20), 3);
  EXPECT_EQ(le16(file, 32), 8);
}

std::string wavWithChunks(const std::string& fmtBlock, const std::string& before, const std::string& data,
                          const std::string& after) {
  std::string body = "WAVEfmt ";
  const uint32_t fmtSize = static_cast<uint32_t>(fmtBlock.size());
  body.append(reinterpret_cast<const char*>(&fmtSize), 4);
  body += fmtBlock + before + "data";
  const uint32_t dataSize = static_cast<uint32_t>(data.size());
  body.append(reinterpret_cast<const char*>(&dataSize), 4);
  body += data + after;
  const uint32_t riff = static_cast<uint32_t>(body.size());
  return std::string("RIFF") + std::string(reinterpret_cast<const char*>(&riff), 4) + body;
}

std::string pcmFormatBlock(int size) {
  std::string f(static_cast<size_t>(size), '\0');
  const uint16_t tag = 1, channels = 2, align = 4, bits = 16;
  const uint32_t rate = 44100, bytes = 176400;
  std::memcpy(&f[0], &tag, 2);
  std::memcpy(&f[2], &channels, 2);
  std::memcpy(&f[4], &rate, 4);
  std::memcpy(&f[8], &bytes, 4);
  std::memcpy(&f[12], &align, 2);
  std::memcpy(&f[14], &bits, 2);
  return f;
}

TEST(WavFile, ReaderFindsDataBehindOtherChunksAndStopsAtItsEnd) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("list.wav");
  const std::string samples("\x01\x00\x02\x00\x03\x00\x04\x00\x05\x00\x06\x00\x07\x00\x08\x00", 16);
  // An odd-sized chunk is followed by its pad byte; a tag chunk follows the data.
  const std::string odd = std::string("LIST\x03\x00\x00\x00", 8) + "abc" + std::string(1, '\0');
  ASSERT_TRUE(
      orvel_test::writeFile(path, wavWithChunks(pcmFormatBlock(16), odd, std::string(samples.data(), 16),
                                                std::string("id3 \x04\x00\x00\x00TAGS", 12))));
  ZRDecoderWav reader(1);
  ZRCodecBase::OpenStruct read;
  read.path = path;
  ASSERT_TRUE(reader.open(&read));
  EXPECT_EQ(read.format.totalFrames, 4);
  int16_t got[16] = {};
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(got), 8, 0), 4) << "the tag chunk is not audio";
  EXPECT_EQ(got[0], 1);
  EXPECT_EQ(got[7], 8);
  EXPECT_EQ(got[8], 0);
}

TEST(WavFile, ReaderRefusesOtherShapes) {
  orvel_test::TempDir dir;
  const std::string data(16, '\x01');
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"format block of 18", wavWithChunks(pcmFormatBlock(18), "", data, "")},
      {"extensible format block of 40", wavWithChunks(pcmFormatBlock(40), "", data, "")},
      {"no data chunk", wavWithChunks(pcmFormatBlock(16), "", data, "").substr(0, 44 - 8)},
      {"not RIFF", "RIFX" + wavWithChunks(pcmFormatBlock(16), "", data, "").substr(4)},
      {"cut header", wavWithChunks(pcmFormatBlock(16), "", data, "").substr(0, 20)},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("bad.wav");
    ASSERT_TRUE(orvel_test::writeFile(path, c.bytes));
    ZRDecoderWav reader(1);
    ZRCodecBase::OpenStruct read;
    read.path = path;
    EXPECT_FALSE(reader.open(&read)) << c.name;
    EXPECT_EQ(reader.getSeconds(), 0.0f);
  }
  ZRDecoderWav reader(1);
  ZRCodecBase::OpenStruct read;
  read.path = dir.file("sound.aiff");
  EXPECT_FALSE(reader.open(&read)) << "wrong ending";
  EXPECT_FALSE(reader.canOpenStream());
  EXPECT_STREQ(reader.getCodecName(), "wav");
}

TEST(AiffFile, WriterHeaderAndSizesAtClose) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("rec.aif");
  ZRDecoderAiff aiff(99);
  auto request = writeRequest(path, 44100, 2, 16);
  ASSERT_TRUE(aiff.open(&request));
  const std::string header = orvel_test::readFile(path);
  ASSERT_EQ(header.size(), 54u);
  EXPECT_EQ(header.substr(0, 4), "FORM");
  EXPECT_EQ(be32(header, 4), 46u) << "what follows the FORM header of an empty file";
  EXPECT_EQ(header.substr(8, 8), "AIFFCOMM");
  EXPECT_EQ(be32(header, 16), 18u);
  EXPECT_EQ(be16(header, 20), 2);
  EXPECT_EQ(be32(header, 22), 0u);
  EXPECT_EQ(be16(header, 26), 16);
  const unsigned char rate[10] = {0x40, 0x0E, 0xAC, 0x44, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(std::memcmp(header.data() + 28, rate, 10), 0);
  EXPECT_EQ(header.substr(38, 4), "SSND");
  EXPECT_EQ(be32(header, 42), 0u);
  EXPECT_EQ(be32(header, 46), 0u);
  EXPECT_EQ(be32(header, 50), 0u);

  std::vector<int16_t> pcm = orvel_test::testSignal(1000, 2, 44100);
  std::vector<int16_t> bigEndian = pcm;
  ReverseEndianInplace(reinterpret_cast<char*>(bigEndian.data()), static_cast<int>(bigEndian.size()), 16);
  EXPECT_EQ(aiff.putSamples(reinterpret_cast<const char*>(bigEndian.data()), 1000), 1000);
  aiff.close();
  const std::string file = orvel_test::readFile(path);
  ASSERT_EQ(file.size(), 54u + 4000u);
  EXPECT_EQ(be32(file, 4), 4046u);
  EXPECT_EQ(be32(file, 22), 1000u);
  EXPECT_EQ(be32(file, 42), 4008u);

  ZRDecoderAiff reader(1);
  ZRCodecBase::OpenStruct read;
  read.path = path;
  ASSERT_TRUE(reader.open(&read));
  EXPECT_TRUE(reader.getNeedEndianConversion());
  EXPECT_EQ(read.format.sampleRate, 44100);
  EXPECT_EQ(read.format.channels, 2);
  EXPECT_EQ(read.format.bitsPerSample2, 16);
  EXPECT_EQ(read.format.totalFrames, 1000);
  // The time read so far, not the file's length (a WAV reader gives the length).
  EXPECT_EQ(reader.getSeconds(), 0.0f);
  std::vector<int16_t> back(2 * 100);
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 100, 250), 100);
  ReverseEndianInplace(reinterpret_cast<char*>(back.data()), 200, 16);
  EXPECT_TRUE(std::equal(back.begin(), back.end(), pcm.begin() + 500));
  EXPECT_NEAR(reader.getSeconds(), 100.0 / 44100.0, 1e-6);
  EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 100, 950), 50);
  EXPECT_NEAR(reader.getSeconds(), 150.0 / 44100.0, 1e-6);
}

TEST(AiffFile, ReadsFFmpegWrittenFileAndRefusesOthers) {
  orvel_test::TempDir dir;
  const std::vector<int16_t> pcm = orvel_test::testSignal(4410, 2, 44100);
  const std::string good = dir.file("ff.aiff");
  const std::string why = orvel_test::encodeAudio(good, "aiff", "pcm_s16be", pcm, 2, 44100);
  if (!why.empty()) GTEST_SKIP() << why;
  {
    ZRDecoderAiff reader(1);
    ZRCodecBase::OpenStruct read;
    read.path = good;
    ASSERT_TRUE(reader.open(&read));
    EXPECT_EQ(read.format.totalFrames, 4410);
    std::vector<int16_t> back(pcm.size());
    EXPECT_EQ(reader.getSamples(reinterpret_cast<char*>(back.data()), 4410, 0), 4410);
    ReverseEndianInplace(reinterpret_cast<char*>(back.data()), static_cast<int>(back.size()), 16);
    EXPECT_EQ(back, pcm);
  }
  const std::string bytes = orvel_test::readFile(good);
  std::string aifc = bytes;
  aifc.replace(8, 4, "AIFC");
  const std::string low = dir.file("low.aiff");
  ASSERT_EQ(orvel_test::encodeAudio(low, "aiff", "pcm_s16be", orvel_test::testSignal(800, 1, 8000), 1, 8000),
            "");
  struct Case {
    const char* name;
    std::string bytes;
  } cases[] = {
      {"AIFF-C", aifc},
      {"8000 Hz", orvel_test::readFile(low)},
      {"cut before SSND", bytes.substr(0, 40)},
      {"not FORM", "MROF" + bytes.substr(4)},
  };
  for (const Case& c : cases) {
    const std::string path = dir.file("bad.aif");
    ASSERT_TRUE(orvel_test::writeFile(path, c.bytes));
    ZRDecoderAiff reader(1);
    ZRCodecBase::OpenStruct read;
    read.path = path;
    EXPECT_FALSE(reader.open(&read)) << c.name;
  }
}

// A file that stops growing in the middle of a frame (a full disk): the writers count only the frames
// that reached the file, cut the partial one off and patch the header with exactly what is there.
TEST(PcmFileWriter, ShortWriteCountsOnlyWhatReachedTheFile) {
  struct Case {
    const char* name;
    size_t header;
    bool bigEndianSizes;
  } cases[] = {{"cut.wav", 44, false}, {"cut.aiff", 54, true}};
  const std::vector<int16_t> pcm = orvel_test::testSignal(3000, 2, 44100);
  for (const Case& c : cases) {
    orvel_test::TempDir dir;
    const std::string path = dir.file(c.name);
    std::unique_ptr<ZRCodecBase> writer;
    if (c.bigEndianSizes) {
      writer = std::make_unique<ZRDecoderAiff>(99);
    } else {
      writer = std::make_unique<ZRDecoderWav>(99);
    }
    auto request = writeRequest(path, 44100, 2, 16);
    {
      // Room for 2500 frames and half of the next.
      orvel_test::FileSizeLimit limit(c.header + 2500 * 4 + 2);
      ASSERT_TRUE(limit.ok());
      ASSERT_TRUE(writer->open(&request)) << c.name;
      const char* bytes = reinterpret_cast<const char*>(pcm.data());
      EXPECT_EQ(writer->putSamples(bytes, 1000), 1000) << c.name;
      EXPECT_EQ(writer->putSamples(bytes + 4000, 1000), 1000) << c.name;
      EXPECT_EQ(writer->putSamples(bytes + 8000, 1000), 500) << c.name;
      EXPECT_EQ(writer->putSamples(bytes + 8000, 10), 0) << c.name << ": nothing after a short write";
      EXPECT_NEAR(writer->getSeconds(), 2500.0 / 44100.0, 1e-6) << c.name;
      writer->close();
    }
    const std::string file = orvel_test::readFile(path);
    ASSERT_EQ(file.size(), c.header + 10000u) << c.name;
    if (c.bigEndianSizes) {
      EXPECT_EQ(be32(file, 4), 10046u);
      EXPECT_EQ(be32(file, 22), 2500u);
      EXPECT_EQ(be32(file, 42), 10008u);
    } else {
      EXPECT_EQ(le32(file, 4), 10036u);
      EXPECT_EQ(le32(file, 40), 10000u);
    }
    std::vector<int16_t> back(pcm.size());
    std::memcpy(back.data(), file.data() + c.header, 10000);
    EXPECT_TRUE(std::equal(back.begin(), back.begin() + 5000, pcm.begin())) << c.name;
  }
}

}  // namespace
