#pragma once
// ZRTag: one view of a media file's tag whatever the container. The twelve tag fields of a library
// track are read and written by index (the ids of CTagIDs, in the library's tag-field order), next to
// the audio properties, the embedded cover picture, and an artist and title that fall back to the file
// name ("Artist - Title.mp3").
//
// It sits on TagLib; what it adds is the choice of frames, atoms and items per format for BPM, musical
// key and a clean comment, the karaoke rule that a .cdg file's tag is read from its audio companion
// (.mp3, else .wav), and the order in which cover pictures are looked for. Nothing here throws: every
// call into the tag library is guarded, and failures come back as empty texts, -1 values or false.
//
// One thread at a time per object; separate objects may read different files at once.

#include <memory>

#include "common/zr_string.h"

namespace TagLib {
class FileRef;
}

// Field indices, in the order of the library's tag fields.
enum ZRTagField {
  kZRTagNumber = 0,    // "numb": row number, never stored in a file
  kZRTagArtist = 1,    // "arti"
  kZRTagTitle = 2,     // "titl"
  kZRTagBpm = 3,       // "bpmt"
  kZRTagTime = 4,      // "time": duration text, never stored in a file
  kZRTagGenre = 5,     // "genr"
  kZRTagKey = 6,       // "pkey"
  kZRTagComment = 7,   // "comm"
  kZRTagAlbum = 8,     // "albm"
  kZRTagTrack = 9,     // "trck"
  kZRTagYear = 10,     // "year"
  kZRTagFileName = 11  // "fnam": the path itself
};

constexpr int kZRTagFieldCount = 12;
// The four-letter ids of the fields, by index.
extern const char* const CTagIDs[kZRTagFieldCount];

class ZRTag {
 public:
  ZRTag();
  ~ZRTag();
  ZRTag(const ZRTag&) = delete;
  ZRTag& operator=(const ZRTag&) = delete;

  // Reads the tag of path (of its .mp3 or .wav companion for a .cdg). False only when nothing exists at
  // path and it does not end with "$"; a file the tag library cannot read opens with empty fields
  // except artist and title from the name, and the path.
  bool open(const ZRString& path);
  void close();
  bool isOpen() const { return opened_; }

  // The field's text (empty for an unknown index); always true.
  bool getField(int index, ZRString* out);
  // Changes artist, title, genre, comment, album, track or year in memory (save writes the file).
  // Track and year take the text's integer value and write nothing, successfully, for -1. The file
  // name field succeeds without writing; number, BPM, time and key fail, as do files without a tag.
  bool setField(int index, const ZRString& text);
  // Writes the changes into the file; logs the outcome.
  bool save();

  // Audio properties of the open file. False when nothing is open (outputs untouched) or the file has
  // no properties (rate, channels, kbps, lengthMs and fileBytes then -1). bits is always 16; lengthMs
  // counts whole seconds.
  bool getAudioProperties(int& rate, int& channels, int& bits, int& kbps, int& lengthMs, int& fileBytes);
  // The embedded cover of the open file: a new[] copy in *data (the caller delete[]s it), its length in
  // *size. False when nothing is open or no picture is found.
  bool getPictureData(char** data, int* size);
  static bool getTagPicture(const TagLib::FileRef& file, char** data, int* size);

  // artist + " - " + title when both are non-empty, else the non-empty one.
  static ZRString composeArtistTitleString(const ZRString& artist, const ZRString& title);
  // The ID3v1 genre number of a genre name (trimmed), -1 for an empty or unknown name.
  static int getGenreIdFromString(const ZRString& text);

  // Ids by index and back: dst receives the id ("" for an unknown index; 5 bytes are enough).
  static void getTagID(int index, char* dst);
  static const char* getTagID2(int index);
  // The index of an exact id (case matters), -1 for any other text.
  static int getTagID(const char* id);

  // Reads field index from the tag of file into out (artist, title, BPM, genre, key, comment, album,
  // track, year); out is empty for a null or unreadable file, a file without tag, or another index.
  static void getTagAndCopyToBuffer(TagLib::FileRef* file, int index, ZRString* out);

 private:
  ZRString path_;
  ZRString name_;
  ZRString artist_;
  ZRString title_;
  bool opened_ = false;
  std::unique_ptr<TagLib::FileRef> file_;
};
