#include "tags/zr_tag.h"

#include <taglib/apefile.h>
#include <taglib/apeitem.h>
#include <taglib/apetag.h>
#include <taglib/asffile.h>
#include <taglib/asfpicture.h>
#include <taglib/asftag.h>
#include <taglib/attachedpictureframe.h>
#include <taglib/commentsframe.h>
#include <taglib/fileref.h>
#include <taglib/flacfile.h>
#include <taglib/flacpicture.h>
#include <taglib/id3v1genres.h>
#include <taglib/id3v2tag.h>
#include <taglib/mp4coverart.h>
#include <taglib/mp4file.h>
#include <taglib/mp4item.h>
#include <taglib/mp4tag.h>
#include <taglib/mpcfile.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
#include <taglib/wavpackfile.h>

#include <cctype>
#include <cstring>
#include <string>

#include "common/zr_files.h"
#include "common/zr_logging.h"

const char* const CTagIDs[kZRTagFieldCount] = {"numb", "arti", "titl", "bpmt", "time", "genr",
                                               "pkey", "comm", "albm", "trck", "year", "fnam"};

namespace {

// The APE item that holds a front cover: a description, a zero byte, then the picture.
const char* const kApeCoverItem = "COVER ART (FRONT)";

ZRString fromTagLib(const TagLib::String& s) {
  return ZRString(s.to8Bit(true));
}

ZRString numberText(unsigned int value) {
  return value >= 1 ? ZRString(std::to_string(value)) : ZRString();
}

// The first text of an ID3v2 frame, empty when the tag has no such frame.
ZRString firstFrameText(TagLib::ID3v2::Tag* tag, const char* frameId) {
  if (!tag) return ZRString();
  const TagLib::ID3v2::FrameList& frames = tag->frameList(frameId);
  if (frames.isEmpty()) return ZRString();
  return fromTagLib(frames.front()->toString());
}

// The comment of an ID3v2 tag without the players' private comment frames (loudness and disc-lookup
// data): the last frame whose description names neither. False when there is none.
bool cleanId3v2Comment(TagLib::ID3v2::Tag* tag, ZRString* out) {
  if (!tag) return false;
  bool found = false;
  for (TagLib::ID3v2::Frame* frame : tag->frameList("COMM")) {
    auto* comment = dynamic_cast<TagLib::ID3v2::CommentsFrame*>(frame);
    if (!comment) continue;
    std::string lower = comment->description().to8Bit(true);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.find("itun") != std::string::npos || lower.find("cddb") != std::string::npos) continue;
    *out = fromTagLib(comment->text());
    found = true;
  }
  return found;
}

ZRString mp4FirstText(const TagLib::MP4::Tag* tag, const char* key) {
  const TagLib::StringList list = tag->item(key).toStringList();
  return list.isEmpty() ? ZRString() : fromTagLib(list.front());
}

// Copies bytes into a new[] array for the caller. A picture of 0 bytes counts as none.
bool copyPicture(const TagLib::ByteVector& bytes, char** data, int* size) {
  if (bytes.isEmpty()) return false;
  *data = new char[bytes.size()];
  std::memcpy(*data, bytes.data(), bytes.size());
  *size = static_cast<int>(bytes.size());
  return true;
}

bool id3v2Picture(TagLib::ID3v2::Tag* tag, char** data, int* size) {
  if (!tag) return false;
  const TagLib::ID3v2::FrameList& frames = tag->frameList("APIC");
  if (frames.isEmpty()) return false;
  auto* picture = dynamic_cast<TagLib::ID3v2::AttachedPictureFrame*>(frames.front());
  return picture && copyPicture(picture->picture(), data, size);
}

bool apePicture(TagLib::APE::Tag* tag, char** data, int* size) {
  if (!tag) return false;
  const TagLib::APE::ItemListMap& items = tag->itemListMap();
  const auto it = items.find(kApeCoverItem);
  if (it == items.end()) return false;
  const TagLib::ByteVector value = it->second.binaryData();
  const int zero = value.find(TagLib::ByteVector(1, '\0'));
  if (zero < 0) return false;
  return copyPicture(value.mid(static_cast<unsigned int>(zero) + 1), data, size);
}

bool findPicture(TagLib::File* file, char** data, int* size) {
  if (auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file)) {
    return id3v2Picture(mpeg->ID3v2Tag(false), data, size) || apePicture(mpeg->APETag(false), data, size);
  }
  if (auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file)) {
    const TagLib::MP4::Tag* tag = mp4->tag();
    if (!tag || !tag->contains("covr")) return false;
    const TagLib::MP4::CoverArtList covers = tag->item("covr").toCoverArtList();
    return !covers.isEmpty() && copyPicture(covers.front().data(), data, size);
  }
  if (auto* flac = dynamic_cast<TagLib::FLAC::File*>(file)) {
    const TagLib::List<TagLib::FLAC::Picture*> pictures = flac->pictureList();
    if (!pictures.isEmpty()) return copyPicture(pictures.front()->data(), data, size);
    return id3v2Picture(flac->ID3v2Tag(false), data, size);
  }
  if (auto* asf = dynamic_cast<TagLib::ASF::File*>(file)) {
    const TagLib::ASF::Tag* tag = asf->tag();
    if (!tag) return false;
    const TagLib::ASF::AttributeList values = tag->attribute("WM/Picture");
    if (values.isEmpty()) return false;
    const TagLib::ASF::Picture picture = values.front().toPicture();
    return picture.isValid() && copyPicture(picture.picture(), data, size);
  }
  if (auto* ape = dynamic_cast<TagLib::APE::File*>(file)) return apePicture(ape->APETag(false), data, size);
  if (auto* mpc = dynamic_cast<TagLib::MPC::File*>(file)) return apePicture(mpc->APETag(false), data, size);
  if (auto* wv = dynamic_cast<TagLib::WavPack::File*>(file)) return apePicture(wv->APETag(false), data, size);
  return false;
}

}  // namespace

ZRTag::ZRTag() = default;

ZRTag::~ZRTag() {
  close();
}

void ZRTag::close() {
  try {
    file_.reset();
  } catch (...) {
    ZRLOG("tag: error while closing '%s'", path_);
  }
  opened_ = false;
}

bool ZRTag::open(const ZRString& path) {
  opened_ = false;
  close();
  path_ = path;
  name_ = ZRString();
  artist_ = ZRString();
  title_ = ZRString();
  if (!FileExists(path) && !path.endsWith("$")) return false;
  name_ = path.getName();

  ZRString source = path;
  ZRString extension = path.getExt();
  extension.makeLowercase();
  if (extension == "cdg") {
    source = path.getPathAndName() + ".mp3";
    if (!FileExists(source)) source = path.getPathAndName() + ".wav";
  }
  try {
    file_ = std::make_unique<TagLib::FileRef>(source.utf8().c_str(), true, TagLib::AudioProperties::Average);
  } catch (...) {
    file_ = std::make_unique<TagLib::FileRef>();
  }

  getTagAndCopyToBuffer(file_.get(), kZRTagArtist, &artist_);
  getTagAndCopyToBuffer(file_.get(), kZRTagTitle, &title_);
  if (artist_.empty() && title_.empty()) {
    const ZRRange dash = name_.find(" - ");
    if (dash.position >= 0) {
      artist_ = name_.left(static_cast<int>(dash.position));
      title_ = name_.substr(static_cast<int>(dash.position + dash.length), -1);
    } else {
      title_ = name_;
    }
  }
  opened_ = true;
  return true;
}

void ZRTag::getTagAndCopyToBuffer(TagLib::FileRef* file, int index, ZRString* out) {
  if (!out) return;
  *out = ZRString();
  if (!file) return;
  try {
    if (file->isNull() || !file->tag()) return;
    TagLib::Tag* tag = file->tag();
    auto* mpeg = dynamic_cast<TagLib::MPEG::File*>(file->file());
    auto* mp4 = dynamic_cast<TagLib::MP4::File*>(file->file());
    TagLib::ID3v2::Tag* id3v2 = mpeg && mpeg->hasID3v2Tag() ? mpeg->ID3v2Tag(false) : nullptr;
    switch (index) {
      case kZRTagArtist:
        *out = fromTagLib(tag->artist());
        break;
      case kZRTagTitle:
        *out = fromTagLib(tag->title());
        break;
      case kZRTagBpm:
        if (id3v2) {
          *out = firstFrameText(id3v2, "TBPM");
        } else if (mp4 && mp4->tag() && mp4->tag()->contains("tmpo")) {
          // An absent item's integer is not initialised by TagLib: ask only for one that exists.
          const int bpm = mp4->tag()->item("tmpo").toInt();
          if (bpm > 0) *out = ZRString(std::to_string(bpm));
        }
        break;
      case kZRTagGenre:
        *out = fromTagLib(tag->genre());
        break;
      case kZRTagKey:
        if (id3v2) {
          *out = firstFrameText(id3v2, "TKEY");
        } else if (mp4 && mp4->tag()) {
          const TagLib::MP4::Tag* t = mp4->tag();
          *out = t->contains("initialkey") ? mp4FirstText(t, "initialkey")
                                           : mp4FirstText(t, "----:com.apple.iTunes:initialkey");
        }
        break;
      case kZRTagComment:
        if (!cleanId3v2Comment(id3v2, out)) *out = fromTagLib(tag->comment());
        break;
      case kZRTagAlbum:
        *out = fromTagLib(tag->album());
        break;
      case kZRTagTrack:
        *out = numberText(tag->track());
        break;
      case kZRTagYear:
        *out = numberText(tag->year());
        break;
      default:
        break;
    }
  } catch (...) {
    *out = ZRString();
  }
}

bool ZRTag::getField(int index, ZRString* out) {
  if (!out) return true;
  switch (index) {
    case kZRTagArtist:
      if (opened_) {
        *out = artist_;
        return true;
      }
      break;
    case kZRTagTitle:
      if (opened_) {
        *out = title_;
        return true;
      }
      break;
    case kZRTagFileName:
      *out = path_;
      return true;
    default:
      break;
  }
  getTagAndCopyToBuffer(file_.get(), index, out);
  return true;
}

bool ZRTag::setField(int index, const ZRString& text) {
  if (!file_) return false;
  try {
    if (file_->isNull() || !file_->tag()) return false;
    TagLib::Tag* tag = file_->tag();
    const TagLib::String value(text.utf8(), TagLib::String::UTF8);
    switch (index) {
      case kZRTagArtist:
        tag->setArtist(value);
        return true;
      case kZRTagTitle:
        tag->setTitle(value);
        return true;
      case kZRTagGenre:
        tag->setGenre(value);
        return true;
      case kZRTagComment:
        tag->setComment(value);
        return true;
      case kZRTagAlbum:
        tag->setAlbum(value);
        return true;
      case kZRTagTrack:
      case kZRTagYear: {
        const int number = text.toInt();
        if (number == -1) return true;
        if (index == kZRTagTrack) {
          tag->setTrack(static_cast<unsigned int>(number));
        } else {
          tag->setYear(static_cast<unsigned int>(number));
        }
        return true;
      }
      case kZRTagFileName:
        return true;
      default:
        return false;
    }
  } catch (...) {
    ZRLOG("tag: error while changing field %d of '%s'", index, path_);
    return false;
  }
}

bool ZRTag::save() {
  if (!file_) return false;
  bool saved = false;
  try {
    saved = !file_->isNull() && file_->save();
  } catch (...) {
    saved = false;
  }
  ZRLOG(saved ? "tag: after saving OK" : "tag: after saving NOT ok");
  return saved;
}

bool ZRTag::getAudioProperties(int& rate, int& channels, int& bits, int& kbps, int& lengthMs,
                               int& fileBytes) {
  if (!file_) return false;
  rate = channels = kbps = lengthMs = fileBytes = -1;
  try {
    if (file_->isNull()) return false;
    const TagLib::AudioProperties* properties = file_->audioProperties();
    if (!properties) return false;
    rate = properties->sampleRate();
    channels = properties->channels();
    bits = 16;
    kbps = properties->bitrate();
    lengthMs = properties->lengthInSeconds() * 1000;
    fileBytes = static_cast<int>(file_->file()->length());
    return true;
  } catch (...) {
    rate = channels = kbps = lengthMs = fileBytes = -1;
    return false;
  }
}

bool ZRTag::getPictureData(char** data, int* size) {
  if (!file_) return false;
  return getTagPicture(*file_, data, size);
}

bool ZRTag::getTagPicture(const TagLib::FileRef& file, char** data, int* size) {
  if (!data || !size) return false;
  *data = nullptr;
  try {
    if (file.isNull()) return false;
    return findPicture(file.file(), data, size);
  } catch (...) {
    delete[] * data;
    *data = nullptr;
    return false;
  }
}

ZRString ZRTag::composeArtistTitleString(const ZRString& artist, const ZRString& title) {
  if (!artist.empty() && !title.empty()) return artist + " - " + title;
  return artist.empty() ? title : artist;
}

int ZRTag::getGenreIdFromString(const ZRString& text) {
  if (text.empty()) return -1;
  ZRString trimmed = text;
  trimmed.trim(true);
  if (trimmed.empty()) return -1;
  try {
    // The genre table is Latin-1; the text's UTF-8 bytes are taken as such.
    const int index = TagLib::ID3v1::genreIndex(TagLib::String(trimmed.utf8(), TagLib::String::Latin1));
    return index >= 0 && index < 255 ? index : -1;
  } catch (...) {
    return -1;
  }
}

void ZRTag::getTagID(int index, char* dst) {
  if (!dst) return;
  std::strcpy(dst, getTagID2(index));
}

const char* ZRTag::getTagID2(int index) {
  return index >= 0 && index < kZRTagFieldCount ? CTagIDs[index] : "";
}

int ZRTag::getTagID(const char* id) {
  if (!id) return -1;
  for (int i = 0; i < kZRTagFieldCount; ++i) {
    if (std::strcmp(CTagIDs[i], id) == 0) return i;
  }
  return -1;
}
