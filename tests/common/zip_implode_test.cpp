#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/zip_test_builder.h"
#include "common/zr_implode_decoder.h"

namespace {

using orvel_test::ImplodeWriter;

using Source = orvel_test::ChunkSource;
using Sink = orvel_test::CollectSink;

int run(const std::string& stream, Sink* sink, size_t piece = 5) {
  Source src{stream, 0, piece};
  return blast(Source::in, &src, Sink::out, sink, nullptr, nullptr);
}

TEST(ZipImplode, KnownStreamWithCodedLiterals) {
  // A published example of the format: coded literals, 1 KiB dictionary.
  const std::string stream("\x00\x04\x82\x24\x25\x8f\x80\x7f", 8);
  Sink sink;
  EXPECT_EQ(run(stream, &sink), kBlastOk);
  EXPECT_EQ(sink.data, "AIAIAIAIAIAIA");
}

TEST(ZipImplode, HeaderAndDistanceFaults) {
  Sink a;
  EXPECT_EQ(run(std::string("\x02\x04", 2), &a), kBlastBadLiteralCoding);
  Sink b;
  EXPECT_EQ(run(std::string("\x00\x07", 2), &b), kBlastBadDictionarySize);
  ImplodeWriter w(4);
  w.literal('a');
  w.literal('b');
  w.copy(4, 3);  // only two bytes exist
  Sink c;
  EXPECT_EQ(run(w.finish(), &c), kBlastDistanceTooFar);
  EXPECT_EQ(c.data, "ab");  // what came before is still handed out
}

TEST(ZipImplode, EndCodeAloneAndInputRunningOut) {
  ImplodeWriter empty(4);
  Sink none;
  EXPECT_EQ(run(empty.finish(), &none), kBlastOk);
  EXPECT_TRUE(none.calls.empty());

  ImplodeWriter w(6);
  for (char c : std::string("partial stream")) w.literal(static_cast<unsigned char>(c));
  std::string cut = w.finish();
  cut.resize(cut.size() - 2);
  Sink part;
  EXPECT_EQ(run(cut, &part), kBlastInputEnded);
  EXPECT_EQ(part.data.substr(0, 7), "partial");
}

TEST(ZipImplode, CopiesOfLengthTwoAnd518) {
  for (int dict : {4, 5, 6}) {
    ImplodeWriter w(dict);
    w.literal('q');
    w.literal('r');
    w.copy(2, 2);  // two low distance bits whatever the dictionary
    w.copy(518, 1);
    Sink sink;
    ASSERT_EQ(run(w.finish(), &sink), kBlastOk) << dict;
    EXPECT_EQ(sink.data, "qrqr" + std::string(518, 'r')) << dict;
  }
}

TEST(ZipImplode, ExactWindowIsOneOutputCall) {
  ImplodeWriter w(6);
  w.literal('z');
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(518, 1);
  w.copy(4096 - 1 - 7 * 518, 1);
  Sink sink;
  ASSERT_EQ(run(w.finish(), &sink), kBlastOk);
  ASSERT_EQ(sink.calls.size(), 1u);
  EXPECT_EQ(sink.calls[0], 4096u);
}

TEST(ZipImplode, RoundTripThroughTestEncoderAndLeftOverInput) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "la la la karaoke " + std::to_string(i % 17);
  for (int dict : {4, 5, 6}) {
    const std::string stream = ImplodeWriter::compress(text, dict);
    const std::string trailer = "TRAILER";
    Source src{stream + trailer, 0, 64};
    Sink sink;
    unsigned left = 0;
    unsigned char* in = nullptr;
    ASSERT_EQ(blast(Source::in, &src, Sink::out, &sink, &left, &in), kBlastOk) << dict;
    EXPECT_EQ(sink.data, text) << dict;
    // The unused input plus what was never fetched is exactly the trailer.
    std::string rest(reinterpret_cast<char*>(in), left);
    rest += src.data.substr(src.pos);
    EXPECT_EQ(rest, trailer) << dict;
  }
}

}  // namespace
