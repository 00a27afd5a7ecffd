#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/zip_test_builder.h"
#include "common/zr_deflate64_decoder.h"

namespace {

using orvel_test::BitWriter;
using orvel_test::Deflate64Writer;

using Source = orvel_test::ChunkSource;
using Sink = orvel_test::CollectSink;

struct Decoded {
  int result;
  std::string message;
  Sink sink;
  unsigned leftOver;
};

Decoded decode(const std::string& stream, size_t piece = 7) {
  std::vector<unsigned char> window(65536);
  z_stream z{};
  EXPECT_EQ(inflateBack9Init(&z, window.data()), Z_OK);
  Source src{stream, 0, piece};
  Decoded d;
  d.result = inflateBack9(&z, Source::in, &src, Sink::out, &d.sink);
  d.message = z.msg ? z.msg : "";
  d.leftOver = z.avail_in;
  inflateBack9End(&z);
  return d;
}

std::string sampleText(size_t n) {
  std::string s;
  unsigned x = 12345;
  while (s.size() < n) {
    x = x * 1103515245u + 12345u;
    const char* words[] = {"karaoke ", "song ", "deck ", "mix ", "tempo ", "\x01\xff", "cdg "};
    s += words[(x >> 16) % 7];
  }
  s.resize(n);
  return s;
}

TEST(ZipDeflate64, EmptyStoredLastBlockEndsWithoutOutput) {
  BitWriter w;
  w.bits(1, 1);
  w.bits(0, 2);
  w.byteAlign();
  for (unsigned char b : {0x00, 0x00, 0xff, 0xff}) w.byte(b);
  const Decoded d = decode(w.bytes());
  EXPECT_EQ(d.result, Z_STREAM_END);
  EXPECT_TRUE(d.sink.calls.empty());
}

TEST(ZipDeflate64, LongestMatchRepeatsAtDistanceOne) {
  Deflate64Writer w;
  w.literal('x');
  w.copy(65538, 1);
  w.literal('y');
  const Decoded d = decode(w.finish());
  ASSERT_EQ(d.result, Z_STREAM_END) << d.message;
  ASSERT_EQ(d.sink.data.size(), 65540u);
  EXPECT_EQ(d.sink.data.find_first_not_of('x'), 65539u);
  EXPECT_EQ(d.sink.data.back(), 'y');
  ASSERT_EQ(d.sink.calls.size(), 2u);
  EXPECT_EQ(d.sink.calls[0], 65536u);
}

TEST(ZipDeflate64, LengthCode285CarriesSixteenExtraBits) {
  // Code 285 with all 16 extra bits set: length 3 + 65535.
  Deflate64Writer w;
  w.literal('a');
  w.raw().code(0xc0 + 5, 8);  // symbol 285
  w.raw().bits(0xffff, 16);
  w.raw().code(0, 5);  // distance 1
  const Decoded d = decode(w.finish());
  ASSERT_EQ(d.result, Z_STREAM_END) << d.message;
  EXPECT_EQ(d.sink.data.size(), 1u + 65538u);
}

TEST(ZipDeflate64, DistanceCode31ReachesBack65536OnlyOnceProduced) {
  const std::string first = sampleText(65536);
  // Enough output: a copy from 65536 back repeats the first bytes.
  Deflate64Writer ok;
  for (unsigned char c : first) ok.literal(c);
  ok.raw().code(0xc0 + 5, 8);
  ok.raw().bits(100 - 3, 16);
  ok.raw().code(31, 5);
  ok.raw().bits(0x3fff, 14);
  const Decoded d = decode(ok.finish(), 4096);
  ASSERT_EQ(d.result, Z_STREAM_END) << d.message;
  EXPECT_EQ(d.sink.data, first + first.substr(0, 100));

  // One byte short of that: too far back.
  Deflate64Writer tooFar;
  for (size_t i = 0; i + 1 < first.size(); ++i) tooFar.literal(static_cast<unsigned char>(first[i]));
  tooFar.copy(10, 65536);
  const Decoded bad = decode(tooFar.finish(), 4096);
  EXPECT_EQ(bad.result, Z_DATA_ERROR);
  EXPECT_EQ(bad.message, "invalid distance too far back");
}

TEST(ZipDeflate64, MalformedStreamsReportTheirFault) {
  struct Row {
    const char* what;
    std::string stream;
    int result;
    const char* message;
  };
  BitWriter tooMany;
  tooMany.bits(1, 1);
  tooMany.bits(2, 2);
  tooMany.bits(30, 5);  // 287 literal/length codes
  tooMany.bits(0, 5);
  tooMany.bits(0, 4);
  BitWriter badType;
  badType.bits(1, 1);
  badType.bits(3, 2);
  BitWriter badStored;
  badStored.bits(1, 1);
  badStored.bits(0, 2);
  badStored.byteAlign();
  for (unsigned char b : {0x05, 0x00, 0x00, 0x00}) badStored.byte(b);
  Deflate64Writer cut;
  for (char c : sampleText(300)) cut.literal(static_cast<unsigned char>(c));
  std::string truncated = cut.finish();
  truncated.resize(truncated.size() / 2);
  const Row rows[] = {
      {"287 codes", tooMany.bytes(), Z_DATA_ERROR, "too many length symbols"},
      {"block type 3", badType.bytes(), Z_DATA_ERROR, "invalid block type"},
      {"stored lengths", badStored.bytes(), Z_DATA_ERROR, "invalid stored block lengths"},
      {"input ends inside a block", truncated, Z_BUF_ERROR, ""},
  };
  for (const Row& r : rows) {
    const Decoded d = decode(r.stream);
    EXPECT_EQ(d.result, r.result) << r.what;
    EXPECT_EQ(d.message, r.message) << r.what;
  }
}

TEST(ZipDeflate64, RoundTripAndOneStateForSuccessiveStreams) {
  const std::string a = sampleText(200000);
  const std::string b = sampleText(70001) + std::string(70000, 'z');
  const std::string streamA = Deflate64Writer::compress(a);
  const std::string streamB = Deflate64Writer::compress(b);
  // Both streams back to back in one input: the first call hands back what belongs to the second.
  std::vector<unsigned char> window(65536);
  z_stream z{};
  ASSERT_EQ(inflateBack9Init(&z, window.data()), Z_OK);
  Source src{streamA + streamB, 0, 1000};
  Sink first;
  ASSERT_EQ(inflateBack9(&z, Source::in, &src, Sink::out, &first), Z_STREAM_END);
  Sink second;
  ASSERT_EQ(inflateBack9(&z, Source::in, &src, Sink::out, &second), Z_STREAM_END);
  inflateBack9End(&z);
  EXPECT_EQ(first.data, a);
  EXPECT_EQ(second.data, b);
  EXPECT_EQ(decode(streamB).sink.data, b);
}

TEST(ZipDeflate64, DecodesPlainDeflateDynamicBlocks) {
  // Deflate64 is a superset of deflate for streams without the long codes and distances.
  const std::string text = sampleText(100000);
  const Decoded d = decode(orvel_test::rawDeflate(text), 333);
  ASSERT_EQ(d.result, Z_STREAM_END) << d.message;
  EXPECT_EQ(d.sink.data, text);
}

TEST(ZipDeflate64, InitRejectsBadArguments) {
  std::vector<unsigned char> window(65536);
  z_stream z{};
  EXPECT_EQ(inflateBack9Init_(&z, window.data(), "2.0", sizeof(z_stream)), Z_VERSION_ERROR);
  EXPECT_EQ(inflateBack9Init_(&z, window.data(), ZLIB_VERSION, 3), Z_VERSION_ERROR);
  EXPECT_EQ(inflateBack9Init(&z, nullptr), Z_STREAM_ERROR);
  EXPECT_EQ(inflateBack9End(&z), Z_STREAM_ERROR);
}

}  // namespace
