#include "common/zr_memory_istream.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

namespace {

unsigned char kTen[10] = {'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'};

TEST(MemoryIStream, SeeksFromEachEndAndReads) {
  ZRMemoryIStream in(kTen, 10, false);
  in.seekg(-4, std::ios_base::end);
  EXPECT_EQ(in.tellg(), 6);
  in.seekg(3, std::ios_base::beg);
  char two[2];
  in.read(two, 2);
  EXPECT_EQ(std::string(two, 2), "34");
  EXPECT_EQ(in.tellg(), 5);
  in.seekg(-2, std::ios_base::cur);
  EXPECT_EQ(in.get(), '3');
}

TEST(MemoryIStream, SeekOutsideFailsAndKeepsThePosition) {
  ZRMemoryIStream in(kTen, 10, false);
  in.seekg(4);
  in.seekg(11, std::ios_base::beg);
  EXPECT_TRUE(in.fail());
  in.clear();
  EXPECT_EQ(in.tellg(), 4);
  in.seekg(-5, std::ios_base::cur);
  EXPECT_TRUE(in.fail());
  in.clear();
  in.seekg(1, std::ios_base::end);
  EXPECT_TRUE(in.fail());
  in.clear();
  EXPECT_EQ(in.tellg(), 4);
  in.seekg(10);
  EXPECT_FALSE(in.fail());
  EXPECT_EQ(in.get(), std::char_traits<char>::eof());
  EXPECT_TRUE(in.eof());
}

TEST(MemoryIStream, UngetAndPutback) {
  ZRMemoryIStream in(kTen, 10, false);
  EXPECT_EQ(in.get(), '0');
  EXPECT_TRUE(in.unget().good());
  EXPECT_EQ(in.get(), '0');
  EXPECT_FALSE(in.putback('x').good());
  in.clear();
  EXPECT_TRUE(in.putback('0').good());
  EXPECT_FALSE(in.unget().good());  // already at the beginning
}

TEST(MemoryIStream, AvailableBytesAndEmptyStream) {
  ZRMemoryIStream in(kTen, 10, false);
  EXPECT_EQ(in.rdbuf()->in_avail(), 10);
  ZRMemoryIStream empty(kTen, 0, false);
  EXPECT_EQ(empty.get(), std::char_traits<char>::eof());
  EXPECT_TRUE(empty.eof());
}

TEST(MemoryIStream, ReadingPastTheEndGivesWhatIsThere) {
  ZRMemoryIStream in(kTen, 10, false);
  in.seekg(7);
  char buf[8] = {};
  in.read(buf, 8);
  EXPECT_EQ(in.gcount(), 3);
  EXPECT_EQ(std::string(buf, 3), "789");
  EXPECT_TRUE(in.eof());
}

TEST(MemoryIStream, DuplicatesShareOrCopyTheBytes) {
  auto* bytes = static_cast<unsigned char*>(std::malloc(10));
  std::memcpy(bytes, kTen, 10);
  auto original = std::make_unique<ZRMemoryIStream>(bytes, 10, true);
  original->seekg(5);
  std::unique_ptr<ZRMemoryIStream> shared(original->duplicateStream(false));
  std::unique_ptr<ZRMemoryIStream> copied(original->duplicateStream(true));
  ASSERT_TRUE(shared && copied);
  EXPECT_FALSE(shared->ownsData());
  EXPECT_EQ(shared->getData(), bytes);
  EXPECT_TRUE(copied->ownsData());
  EXPECT_NE(copied->getData(), bytes);
  EXPECT_EQ(shared->tellg(), 0);
  EXPECT_EQ(shared->get(), '0');
  shared.reset();
  original.reset();  // frees the bytes; the copy stays readable
  std::string all(10, '\0');
  copied->read(all.data(), 10);
  EXPECT_EQ(all, "0123456789");
}

TEST(MemoryIStream, WorksThroughTheIStreamBase) {
  std::unique_ptr<std::istream> in(new ZRMemoryIStream(kTen, 10, false));
  std::string word;
  *in >> word;
  EXPECT_EQ(word, "0123456789");
}

}  // namespace
