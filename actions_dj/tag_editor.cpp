#include "actions_dj/tag_editor.h"

#include <cerrno>
#include <cstdlib>
#include <string>

#include "database/zr_database.h"
#include "tags/zr_tag.h"

namespace {

bool equalNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool isNumber(const ZRString& text) {
  const std::string s = text.utf8();
  if (s.empty()) return false;
  char* end = nullptr;
  errno = 0;
  std::strtol(s.c_str(), &end, 10);
  return errno == 0 && end != nullptr && *end == '\0';
}

}  // namespace

ZRTagEditFields tagEditFieldsOf(const TZRDatabaseTrack& record) {
  ZRTagEditFields f;
  f.path = record.tags[kTagFileName];
  f.title = record.tags[kTagTitle];
  f.artist = record.tags[kTagArtist];
  f.album = record.tags[kTagAlbum];
  f.track = record.tags[kTagTrack];
  f.year = record.tags[kTagYear];
  f.genre = record.tags[kTagGenre];
  f.comment = record.tags[kTagComment];
  const std::string key = record.tags[kTagKey].utf8();
  for (int i = 0; i < kTagEditorKeyCount; ++i) {
    if (!key.empty() && equalNoCase(key, kTagEditorKeys[i])) f.keyIndex = i;
  }
  return f;
}

ZRTagEditChanges tagEditChanges(const ZRTagEditFields& opened, const ZRTagEditFields& edited) {
  ZRTagEditChanges c;
  c.title = edited.title != opened.title;
  c.artist = edited.artist != opened.artist;
  c.album = edited.album != opened.album;
  c.track = edited.track != opened.track && isNumber(edited.track);
  c.year = edited.year != opened.year && isNumber(edited.year);
  c.genre = edited.genre != opened.genre;
  c.comment = edited.comment != opened.comment;
  c.key = edited.keyIndex != opened.keyIndex && edited.keyIndex >= 0 && edited.keyIndex < kTagEditorKeyCount;
  return c;
}

void applyTagEdits(const ZRTagEditChanges& c, const ZRTagEditFields& e, TZRDatabaseTrack* record) {
  if (record == nullptr || !c.any()) return;
  if (c.title) record->tags[kTagTitle] = e.title;
  if (c.artist) record->tags[kTagArtist] = e.artist;
  if (c.album) record->tags[kTagAlbum] = e.album;
  if (c.track) record->tags[kTagTrack] = e.track;
  if (c.year) record->tags[kTagYear] = e.year;
  if (c.genre) {
    record->tags[kTagGenre] = e.genre;
    record->genres[0] = ZRTag::getGenreIdFromString(e.genre);
  }
  if (c.comment) record->tags[kTagComment] = e.comment;
  if (c.key) record->tags[kTagKey] = ZRString(kTagEditorKeys[e.keyIndex]);
  record->searchText = ZRString();
}

bool writeTagEdits(const ZRTagEditChanges& c, const ZRTagEditFields& e, const ZRString& path) {
  const struct {
    bool changed;
    int field;
    const ZRString& text;
  } fields[] = {{c.artist, kZRTagArtist, e.artist}, {c.title, kZRTagTitle, e.title},
                {c.genre, kZRTagGenre, e.genre},    {c.comment, kZRTagComment, e.comment},
                {c.album, kZRTagAlbum, e.album},    {c.track, kZRTagTrack, e.track},
                {c.year, kZRTagYear, e.year}};
  bool any = false;
  for (const auto& f : fields) any = any || f.changed;
  if (!any) return true;  // a key change alone stays in the library
  ZRTag tag;
  if (!tag.open(path)) return false;
  for (const auto& f : fields) {
    if (f.changed) tag.setField(f.field, f.text);
  }
  const bool saved = tag.save();
  tag.close();
  return saved;
}
