#include "tags/zr_tag.h"

#include <gtest/gtest.h>
#include <taglib/commentsframe.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/test_support.h"
#include "tag_fixtures.h"

namespace {

ZRString field(ZRTag& tag, int index) {
  ZRString out = "stale";
  EXPECT_TRUE(tag.getField(index, &out));
  return out;
}

// An MP3 without artist and title (FFmpeg's muxer writes only its own encoder frame).
std::string makeMp3(const orvel_test::TempDir& dir, const std::string& name) {
  const std::string path = dir.file(name);
  const std::string why = tag_test::encodeTone(path, "mp3", "libmp3lame", 1.0);
  EXPECT_EQ(why, "");
  return path;
}

TEST(ZRTagIds, IdsByIndexAndBack) {
  const char* ids[] = {"numb", "arti", "titl", "bpmt", "time", "genr",
                       "pkey", "comm", "albm", "trck", "year", "fnam"};
  for (int i = 0; i < kZRTagFieldCount; ++i) {
    EXPECT_STREQ(ZRTag::getTagID2(i), ids[i]);
    char dst[8] = "xxxxxxx";
    ZRTag::getTagID(i, dst);
    EXPECT_STREQ(dst, ids[i]);
    EXPECT_EQ(ZRTag::getTagID(ids[i]), i);
  }
  EXPECT_EQ(ZRTag::getTagID("pkey"), 6);
  EXPECT_EQ(ZRTag::getTagID("PKEY"), -1);
  EXPECT_EQ(ZRTag::getTagID("pke"), -1);
  EXPECT_EQ(ZRTag::getTagID(nullptr), -1);
  EXPECT_STREQ(ZRTag::getTagID2(12), "");
  EXPECT_STREQ(ZRTag::getTagID2(-1), "");
}

TEST(ZRTagHelpers, ComposeArtistTitle) {
  EXPECT_EQ(ZRTag::composeArtistTitleString("A", "T"), ZRString("A - T"));
  EXPECT_EQ(ZRTag::composeArtistTitleString("", "T"), ZRString("T"));
  EXPECT_EQ(ZRTag::composeArtistTitleString("A", ""), ZRString("A"));
  EXPECT_EQ(ZRTag::composeArtistTitleString("", ""), ZRString(""));
}

TEST(ZRTagHelpers, GenreIdFromString) {
  EXPECT_EQ(ZRTag::getGenreIdFromString("  Rock "), 17);
  EXPECT_EQ(ZRTag::getGenreIdFromString("Blues"), 0);
  EXPECT_EQ(ZRTag::getGenreIdFromString("Not A Genre At All"), -1);
  EXPECT_EQ(ZRTag::getGenreIdFromString(""), -1);
  EXPECT_EQ(ZRTag::getGenreIdFromString("   "), -1);
}

struct NameRow {
  const char* file;
  const char* artist;
  const char* title;
};

TEST(ZRTagName, ArtistAndTitleFallBackToTheFileName) {
  orvel_test::TempDir dir;
  const NameRow rows[] = {{"Artist - Song Title.mp3", "Artist", "Song Title"},
                          {"Just A Title.mp3", "", "Just A Title"},
                          {"A - B - C.mp3", "A", "B - C"}};
  for (const NameRow& r : rows) {
    const std::string path = makeMp3(dir, r.file);
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    EXPECT_EQ(field(tag, kZRTagArtist), ZRString(r.artist)) << r.file;
    EXPECT_EQ(field(tag, kZRTagTitle), ZRString(r.title)) << r.file;
    EXPECT_EQ(field(tag, kZRTagFileName), ZRString(path));
    EXPECT_EQ(field(tag, kZRTagNumber), ZRString(""));
    EXPECT_EQ(field(tag, kZRTagTime), ZRString(""));
  }
  // A tag holding only a title keeps the empty artist.
  const std::string path = makeMp3(dir, "Someone - Else.mp3");
  {
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    ASSERT_TRUE(tag.setField(kZRTagTitle, "Tagged Title"));
    ASSERT_TRUE(tag.save());
  }
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(field(tag, kZRTagArtist), ZRString(""));
  EXPECT_EQ(field(tag, kZRTagTitle), ZRString("Tagged Title"));
}

TEST(ZRTagCdg, KaraokeGraphicsReadTheirCompanionsTag) {
  orvel_test::TempDir dir;
  const std::string mp3 = makeMp3(dir, "show.mp3");
  {
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(mp3)));
    ASSERT_TRUE(tag.setField(kZRTagArtist, "Singer"));
    ASSERT_TRUE(tag.setField(kZRTagTitle, "Song"));
    ASSERT_TRUE(tag.save());
  }
  ASSERT_TRUE(orvel_test::writeFile(dir.file("show.cdg"), std::string(2400, '\x09')));
  ASSERT_TRUE(orvel_test::writeFile(dir.file("other.CDG"), std::string(2400, '\x09')));
  std::vector<int16_t> pcm(2 * 22050, 1000);
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("other.wav"), pcm, 2, 22050));

  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(dir.file("show.cdg"))));
  EXPECT_EQ(field(tag, kZRTagArtist), ZRString("Singer"));
  EXPECT_EQ(field(tag, kZRTagTitle), ZRString("Song"));
  EXPECT_EQ(field(tag, kZRTagFileName), ZRString(dir.file("show.cdg")));
  int rate = 0, channels = 0, bits = 0, kbps = 0, ms = 0, bytes = 0;
  ASSERT_TRUE(tag.getAudioProperties(rate, channels, bits, kbps, ms, bytes));
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(bits, 16);
  EXPECT_EQ(bytes, static_cast<int>(std::filesystem::file_size(mp3)));

  ASSERT_TRUE(tag.open(ZRString(dir.file("other.CDG"))));
  ASSERT_TRUE(tag.getAudioProperties(rate, channels, bits, kbps, ms, bytes));
  EXPECT_EQ(rate, 22050);
  EXPECT_EQ(ms, 1000);
  EXPECT_EQ(field(tag, kZRTagTitle), ZRString("other"));
}

TEST(ZRTagFailure, UnreadableMissingAndOddPaths) {
  orvel_test::TempDir dir;
  ZRTag tag;
  EXPECT_FALSE(tag.open(ZRString(dir.file("missing.mp3"))));
  EXPECT_FALSE(tag.isOpen());
  int rate = 7, channels = 7, bits = 7, kbps = 7, ms = 7, bytes = 7;
  EXPECT_FALSE(tag.getAudioProperties(rate, channels, bits, kbps, ms, bytes));
  EXPECT_EQ(rate, 7);
  char* data = reinterpret_cast<char*>(&tag);
  int size = 0;
  EXPECT_FALSE(tag.getPictureData(&data, &size));
  EXPECT_FALSE(tag.setField(kZRTagArtist, "x"));
  EXPECT_FALSE(tag.save());

  // Text holds no byte 0xFF, so nothing in it looks like an audio frame or a container.
  std::string bytesOfJunk;
  while (bytesOfJunk.size() < 5000) bytesOfJunk += "this is not audio at all; ";
  std::vector<std::string> unreadable;
  for (const char* name : {"junk.flac", "junk.m4a", "junk.ogg", "junk.wma", "junk.xyz"}) {
    unreadable.push_back(dir.file(name));
    ASSERT_TRUE(orvel_test::writeFile(unreadable.back(), bytesOfJunk));
  }
  unreadable.push_back(dir.file("empty.flac"));
  ASSERT_TRUE(orvel_test::writeFile(unreadable.back(), ""));
  unreadable.push_back(dir.file("folder.m4a"));
  std::filesystem::create_directory(unreadable.back());
  for (const std::string& path : unreadable) {
    ZRTag t;
    ASSERT_TRUE(t.open(ZRString(path))) << path;
    for (int i : {kZRTagBpm, kZRTagGenre, kZRTagKey, kZRTagComment, kZRTagAlbum, kZRTagTrack, kZRTagYear}) {
      EXPECT_EQ(field(t, i), ZRString("")) << path << " field " << i;
    }
    EXPECT_FALSE(t.getAudioProperties(rate, channels, bits, kbps, ms, bytes)) << path;
    EXPECT_EQ(rate, -1);
    EXPECT_EQ(bytes, -1);
    data = nullptr;
    EXPECT_FALSE(t.getPictureData(&data, &size)) << path;
    EXPECT_EQ(data, nullptr);
    EXPECT_FALSE(t.setField(kZRTagArtist, "x")) << path;
    EXPECT_FALSE(t.save()) << path;
  }
  // An .mp3 of text: the tag library takes it for an MPEG file without frames; it has no tag fields and
  // no picture, and the name still gives artist and title.
  const std::string junk = dir.file("Noise Maker - Junk.mp3");
  ASSERT_TRUE(orvel_test::writeFile(junk, bytesOfJunk));
  ZRTag t;
  ASSERT_TRUE(t.open(ZRString(junk)));
  EXPECT_EQ(field(t, kZRTagArtist), ZRString("Noise Maker"));
  EXPECT_EQ(field(t, kZRTagTitle), ZRString("Junk"));
  EXPECT_EQ(field(t, kZRTagComment), ZRString(""));
  data = nullptr;
  EXPECT_FALSE(t.getPictureData(&data, &size));
  // A path ending in "$" opens without a file.
  EXPECT_TRUE(t.open(ZRString(dir.file("closed deck$"))));
  EXPECT_EQ(field(t, kZRTagAlbum), ZRString(""));
  t.close();
  EXPECT_FALSE(t.isOpen());
  ZRString out;
  ZRTag::getTagAndCopyToBuffer(nullptr, kZRTagAlbum, &out);
  EXPECT_TRUE(out.empty());
}

// Writing goes through the generic tag only; some fields are not writable.
TEST(ZRTagFields, SetFieldRules) {
  orvel_test::TempDir dir;
  const std::string path = makeMp3(dir, "rules.mp3");
  {
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    EXPECT_TRUE(tag.setField(kZRTagTrack, "5"));
    EXPECT_TRUE(tag.setField(kZRTagYear, "1999"));
    ASSERT_TRUE(tag.save());
  }
  struct Row {
    int index;
    const char* text;
    bool result;
  };
  const Row rows[] = {{kZRTagTrack, "-1", true},  {kZRTagYear, "-1", true},  {kZRTagFileName, "/x", true},
                      {kZRTagNumber, "1", false}, {kZRTagBpm, "120", false}, {kZRTagTime, "01:00", false},
                      {kZRTagKey, "Am", false},   {12, "x", false},          {-1, "x", false}};
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  for (const Row& r : rows) EXPECT_EQ(tag.setField(r.index, r.text), r.result) << r.index;
  ASSERT_TRUE(tag.save());
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(field(tag, kZRTagTrack), ZRString("5"));
  EXPECT_EQ(field(tag, kZRTagYear), ZRString("1999"));
  EXPECT_EQ(field(tag, kZRTagFileName), ZRString(path));
  // A text without digits writes 0, which reads as no track.
  EXPECT_TRUE(tag.setField(kZRTagTrack, "x"));
  ASSERT_TRUE(tag.save());
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(field(tag, kZRTagTrack), ZRString(""));
}

// BPM, key and a clean comment come from the ID3v2 frames of an MP3.
TEST(ZRTagFields, Mp3FramesForBpmKeyAndComment) {
  orvel_test::TempDir dir;
  const std::string path = makeMp3(dir, "frames.mp3");
  {
    TagLib::MPEG::File file(path.c_str());
    TagLib::ID3v2::Tag* id3 = file.ID3v2Tag(true);
    auto* bpm = new TagLib::ID3v2::TextIdentificationFrame("TBPM", TagLib::String::UTF8);
    bpm->setText("126");
    id3->addFrame(bpm);
    auto* key = new TagLib::ID3v2::TextIdentificationFrame("TKEY", TagLib::String::UTF8);
    key->setText("F#m");
    id3->addFrame(key);
    auto* itunes = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
    itunes->setDescription("iTunNORM");
    itunes->setText(" 00000A1B 00000C2D");
    id3->addFrame(itunes);
    auto* plain = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
    plain->setDescription("");
    plain->setText("warm-up set");
    id3->addFrame(plain);
    auto* cddb = new TagLib::ID3v2::CommentsFrame(TagLib::String::UTF8);
    cddb->setDescription("CDDB disc id");
    cddb->setText("7a0b1c02");
    id3->addFrame(cddb);
    ASSERT_TRUE(file.save());
  }
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(field(tag, kZRTagBpm), ZRString("126"));
  EXPECT_EQ(field(tag, kZRTagKey), ZRString("F#m"));
  EXPECT_EQ(field(tag, kZRTagComment), ZRString("warm-up set"));
}

}  // namespace
