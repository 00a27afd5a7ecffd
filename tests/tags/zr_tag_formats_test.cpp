#include <gtest/gtest.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4item.h>
#include <taglib/mp4tag.h>
#include <taglib/mpegfile.h>
#include <taglib/wavpackfile.h>

#include <ostream>
#include <string>

#include "support/test_support.h"
#include "tag_fixtures.h"
#include "tags/zr_tag.h"

namespace {

struct FormatRow {
  const char* file;
  const char* muxer;
  const char* encoder;
};

// Test names and CTest's list show the row's file name, never its bytes.
void PrintTo(const FormatRow& row, std::ostream* out) {
  *out << row.file;
}

// MP3 (ID3v2), FLAC (Vorbis comments), MP4, Ogg Vorbis, ASF and WavPack (APE tag).
const FormatRow kFormats[] = {
    {"song.mp3", "mp3", "libmp3lame"}, {"song.flac", "flac", "flac"}, {"song.m4a", "ipod", "aac"},
    {"song.ogg", "ogg", "libvorbis"},  {"song.wma", "asf", "wmav2"},  {"song.wv", "wv", "wavpack"},
};

ZRString field(ZRTag& tag, int index) {
  ZRString out;
  tag.getField(index, &out);
  return out;
}

// A made-up picture with zero bytes inside, so a cut at the wrong zero shows.
TagLib::ByteVector picture() {
  std::string bytes = "\xFF\xD8\xFF\xE0";
  for (int i = 0; i < 300; ++i) bytes.push_back(static_cast<char>(i % 7 == 0 ? 0 : 'a' + i % 26));
  return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

std::string pictureOf(ZRTag& tag) {
  char* data = nullptr;
  int size = 0;
  if (!tag.getPictureData(&data, &size)) return "";
  std::string out(data, static_cast<size_t>(size));
  delete[] data;
  return out;
}

std::string expectedPicture() {
  const TagLib::ByteVector p = picture();
  return std::string(p.data(), p.size());
}

class ZRTagFormats : public ::testing::TestWithParam<FormatRow> {
 protected:
  // The fixture's path, or "" (the test then skips) when this FFmpeg build cannot make it.
  std::string make() {
    const FormatRow row = GetParam();
    const std::string path = dir_.file(row.file);
    const std::string why = tag_test::encodeTone(path, row.muxer, row.encoder, 1.5);
    if (!why.empty()) return "";
    return path;
  }
  orvel_test::TempDir dir_;
};

TEST_P(ZRTagFormats, FieldsRoundTrip) {
  const std::string path = make();
  if (path.empty()) GTEST_SKIP() << "cannot make " << GetParam().file << " with this FFmpeg build";
  {
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    EXPECT_TRUE(tag.setField(kZRTagArtist, "Ärtist Ünicode ✓"));
    EXPECT_TRUE(tag.setField(kZRTagTitle, "The Title"));
    EXPECT_TRUE(tag.setField(kZRTagGenre, "Rock"));
    EXPECT_TRUE(tag.setField(kZRTagComment, "played twice"));
    EXPECT_TRUE(tag.setField(kZRTagAlbum, "An Album"));
    EXPECT_TRUE(tag.setField(kZRTagTrack, "7"));
    EXPECT_TRUE(tag.setField(kZRTagYear, "2021"));
    ASSERT_TRUE(tag.save());
  }
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(field(tag, kZRTagArtist), ZRString("Ärtist Ünicode ✓"));
  EXPECT_EQ(field(tag, kZRTagTitle), ZRString("The Title"));
  EXPECT_EQ(field(tag, kZRTagGenre), ZRString("Rock"));
  EXPECT_EQ(field(tag, kZRTagComment), ZRString("played twice"));
  EXPECT_EQ(field(tag, kZRTagAlbum), ZRString("An Album"));
  EXPECT_EQ(field(tag, kZRTagTrack), ZRString("7"));
  EXPECT_EQ(field(tag, kZRTagYear), ZRString("2021"));
  EXPECT_EQ(field(tag, kZRTagBpm), ZRString(""));
  EXPECT_EQ(field(tag, kZRTagKey), ZRString(""));
  int rate = 0, channels = 0, bits = 0, kbps = 0, ms = 0, bytes = 0;
  ASSERT_TRUE(tag.getAudioProperties(rate, channels, bits, kbps, ms, bytes));
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(channels, 2);
  EXPECT_EQ(bits, 16);
  EXPECT_EQ(ms, 1000);  // whole seconds of 1.5
  EXPECT_GT(kbps, 0);
  EXPECT_EQ(bytes, static_cast<int>(orvel_test::readFile(path).size()));
  EXPECT_EQ(pictureOf(tag), "");
}

// Puts the cover where this container keeps it; false when the container has no cover rule.
bool addCover(const std::string& path) {
  const std::string ext = path.substr(path.rfind('.') + 1);
  if (ext == "mp3") {
    TagLib::MPEG::File file(path.c_str());
    auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
    frame->setMimeType("image/jpeg");
    frame->setPicture(picture());
    file.ID3v2Tag(true)->addFrame(frame);
    return file.save();
  }
  if (ext == "m4a") {
    TagLib::MP4::File file(path.c_str());
    TagLib::MP4::CoverArtList covers;
    covers.append(TagLib::MP4::CoverArt(TagLib::MP4::CoverArt::JPEG, picture()));
    file.tag()->setItem("covr", TagLib::MP4::Item(covers));
    return file.save();
  }
  if (ext == "flac") {
    TagLib::FLAC::File file(path.c_str());
    auto* p = new TagLib::FLAC::Picture;
    p->setType(TagLib::FLAC::Picture::FrontCover);
    p->setMimeType("image/jpeg");
    p->setData(picture());
    file.addPicture(p);
    return file.save();
  }
  if (ext == "wma") {
    TagLib::ASF::File file(path.c_str());
    TagLib::ASF::Picture p;
    p.setType(TagLib::ASF::Picture::FrontCover);
    p.setMimeType("image/jpeg");
    p.setPicture(picture());
    file.tag()->setAttribute("WM/Picture", TagLib::ASF::Attribute(p));
    return file.save();
  }
  if (ext == "wv") {
    TagLib::WavPack::File file(path.c_str());
    TagLib::ByteVector value("cover.jpg", 9);
    value.append(static_cast<char>(0));
    value.append(picture());
    file.APETag(true)->setItem("COVER ART (FRONT)", TagLib::APE::Item("COVER ART (FRONT)", value, true));
    return file.save();
  }
  return false;
}

TEST_P(ZRTagFormats, CoverIsFound) {
  const std::string path = make();
  if (path.empty()) GTEST_SKIP() << "cannot make " << GetParam().file << " with this FFmpeg build";
  if (!addCover(path)) GTEST_SKIP() << "covers of this container are not looked for";
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(path)));
  EXPECT_EQ(pictureOf(tag), expectedPicture());
  // Tag changes keep the cover.
  ASSERT_TRUE(tag.setField(kZRTagAlbum, "Covered"));
  ASSERT_TRUE(tag.save());
  ZRTag again;
  ASSERT_TRUE(again.open(ZRString(path)));
  EXPECT_EQ(pictureOf(again), expectedPicture());
}

INSTANTIATE_TEST_SUITE_P(Containers, ZRTagFormats, ::testing::ValuesIn(kFormats),
                         [](const ::testing::TestParamInfo<FormatRow>& info) {
                           std::string n = info.param.file;
                           return n.substr(n.find('.') + 1);
                         });

// The fall-backs of the cover search: an MP3's APE tag, a FLAC file's ID3v2 tag.
TEST(ZRTagCovers, SecondPlacesOfTheSearch) {
  orvel_test::TempDir dir;
  const std::string mp3 = dir.file("ape.mp3");
  if (!tag_test::encodeTone(mp3, "mp3", "libmp3lame", 1.0).empty()) GTEST_SKIP() << "no MP3 encoder";
  {
    TagLib::MPEG::File file(mp3.c_str());
    TagLib::ByteVector value("front", 5);
    value.append(static_cast<char>(0));
    value.append(picture());
    file.APETag(true)->setItem("COVER ART (FRONT)", TagLib::APE::Item("COVER ART (FRONT)", value, true));
    ASSERT_TRUE(file.save());
  }
  ZRTag tag;
  ASSERT_TRUE(tag.open(ZRString(mp3)));
  EXPECT_EQ(pictureOf(tag), expectedPicture());

  // An APE cover item without the zero byte holds no picture.
  const std::string broken = dir.file("broken.mp3");
  ASSERT_EQ(tag_test::encodeTone(broken, "mp3", "libmp3lame", 1.0), "");
  {
    TagLib::MPEG::File file(broken.c_str());
    file.APETag(true)->setItem("COVER ART (FRONT)",
                               TagLib::APE::Item("COVER ART (FRONT)", TagLib::ByteVector("nozero", 6), true));
    ASSERT_TRUE(file.save());
  }
  ASSERT_TRUE(tag.open(ZRString(broken)));
  EXPECT_EQ(pictureOf(tag), "");

  // FLAC with an empty picture list and an ID3v2 tag in front of the stream.
  const std::string flac = dir.file("id3.flac");
  ASSERT_EQ(tag_test::encodeTone(flac, "flac", "flac", 1.0), "");
  TagLib::ID3v2::Tag id3;
  auto* frame = new TagLib::ID3v2::AttachedPictureFrame;
  frame->setMimeType("image/jpeg");
  frame->setPicture(picture());
  id3.addFrame(frame);
  const TagLib::ByteVector rendered = id3.render();
  ASSERT_TRUE(orvel_test::writeFile(
      flac, std::string(rendered.data(), rendered.size()) + orvel_test::readFile(flac)));
  ASSERT_TRUE(tag.open(ZRString(flac)));
  EXPECT_EQ(pictureOf(tag), expectedPicture());
  int rate = 0, channels = 0, bits = 0, kbps = 0, ms = 0, bytes = 0;
  ASSERT_TRUE(tag.getAudioProperties(rate, channels, bits, kbps, ms, bytes));
  EXPECT_EQ(rate, 44100);
}

// MP4 keeps BPM as the integer item "tmpo" and the key as a free-form item.
TEST(ZRTagMp4, TempoAndKeyItems) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("beat.m4a");
  if (!tag_test::encodeTone(path, "ipod", "aac", 1.0).empty()) GTEST_SKIP() << "no AAC encoder";
  struct Row {
    int tmpo;
    const char* bpm;
  };
  for (const Row r : {Row{128, "128"}, Row{0, ""}}) {
    {
      TagLib::MP4::File file(path.c_str());
      file.tag()->setItem("tmpo", TagLib::MP4::Item(r.tmpo));
      file.tag()->setItem("----:com.apple.iTunes:initialkey", TagLib::MP4::Item(TagLib::StringList("8A")));
      ASSERT_TRUE(file.save());
    }
    ZRTag tag;
    ASSERT_TRUE(tag.open(ZRString(path)));
    EXPECT_EQ(field(tag, kZRTagBpm), ZRString(r.bpm));
    EXPECT_EQ(field(tag, kZRTagKey), ZRString("8A"));
  }
}

}  // namespace
