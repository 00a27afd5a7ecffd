// Adding files and folders: which files are taken and as what media, the
// order a folder tree is added in, link loops, one record per file whatever
// the threads, work queued for a list that is gone, and the shut-down.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "common/zip_test_builder.h"
#include "database/list_test_support.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "database/zr_media_files.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "tags/zr_tag.h"

namespace {

using orvel_test::CallbackCounter;
using orvel_test::LogCapture;
using orvel_test::rowIds;
using orvel_test::ScopedList;
using orvel_test::TempDir;

constexpr int kWaitMs = 20000;

// A short silent WAV: every name below holds one, whatever its extension.
void writeMedia(const std::string& path) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  ASSERT_TRUE(orvel_test::writeWav16(path, std::vector<int16_t>(4410 * 2, 0), 2, 44100));
}

// The paths of the visible rows, in order, relative to base.
std::vector<std::string> rowPaths(ZRList* list, const std::string& base) {
  std::vector<std::string> paths;
  TZRListTrack row;
  TZRDatabaseTrack track;
  for (int32_t i = 0; list->getRowDataFull(i, &row, &track); ++i) {
    paths.push_back(track.tags[kTagFileName].utf8().substr(base.size() + 1));
  }
  return paths;
}

struct AcceptCase {
  const char* name;
  bool accepted;
  ZRMediaType type;
};

TEST(MediaFilesTest, ExtensionsDecideAcceptanceAndMediaType) {
  TempDir dir;
  const AcceptCase cases[] = {
      {"song.mp3", true, kMediaTypeAudio},     {"song.MP3", true, kMediaTypeAudio},
      {"a.Flac", true, kMediaTypeAudio},       {"a.aiff", true, kMediaTypeAudio},
      {"a.au", true, kMediaTypeAudio},         {"clip.mp4", true, kMediaTypeVideo},
      {"clip.MKV", true, kMediaTypeVideo},     {"clip.divx", true, kMediaTypeVideo},
      {"clip.vob", false, kMediaTypeVideo},    {"notes.txt", false, kMediaTypeAudio},
      {"noextension", false, kMediaTypeAudio}, {".hidden.mp3", false, kMediaTypeAudio},
      {".mp3", false, kMediaTypeAudio},        {"cover.jpg", false, kMediaTypeAudio},
  };
  for (const AcceptCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir.file(c.name);
    writeMedia(path);
    EXPECT_EQ(isFileAccepted(ZRString(path), true), c.accepted);
    EXPECT_EQ(getFileMediaType(ZRString(path)), c.type);
  }
  // Existence only counts when asked for; a path ending in "$" needs none.
  EXPECT_FALSE(isFileAccepted(ZRString(dir.file("missing.mp3")), true));
  EXPECT_TRUE(isFileAccepted(ZRString(dir.file("missing.mp3")), false));
  EXPECT_TRUE(isFileAccepted(ZRString(dir.file("track01.cda$")), true));
  EXPECT_TRUE(isFileAccepted(ZRString(dir.file("x.aiff$")), true));
}

TEST(MediaFilesTest, KaraokeByCdgCompanionOfAnyCaseAndByZipContent) {
  TempDir dir;
  for (const char* name : {"a.mp3", "b.wav", "c.mp3", "d.MP3", "e.flac"}) writeMedia(dir.file(name));
  orvel_test::writeFile(dir.file("a.cdg"), "x");
  orvel_test::writeFile(dir.file("b.CDG"), "x");
  orvel_test::writeFile(dir.file("d.Cdg"), "x");
  orvel_test::writeFile(dir.file("e.cdg"), "x");
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("a.mp3"))), kMediaTypeKaraoke);
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("b.wav"))), kMediaTypeKaraoke);
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("c.mp3"))), kMediaTypeAudio);
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("d.MP3"))), kMediaTypeKaraoke);
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("e.flac"))), kMediaTypeAudio);  // only mp3 and wav

  orvel_test::ZipMember cdg;
  cdg.name = "Song.CDG";
  cdg.data = std::string(96, 'c');
  orvel_test::ZipMember mp3;
  mp3.name = "Song.mp3";
  mp3.data = "m";
  orvel_test::writeFile(dir.file("karaoke.zip"), orvel_test::buildZip({mp3, cdg}));
  orvel_test::writeFile(dir.file("plain.zip"), orvel_test::buildZip({mp3}));
  EXPECT_TRUE(isFileAccepted(ZRString(dir.file("karaoke.zip")), true));
  EXPECT_EQ(getFileMediaType(ZRString(dir.file("karaoke.zip"))), kMediaTypeKaraoke);
  EXPECT_FALSE(isFileAccepted(ZRString(dir.file("plain.zip")), true));
}

TEST(DatabaseAddingTest, FolderTreeInOrderSkippingLinkLoopsHiddenAndOtherFiles) {
  TempDir dir;
  const std::string root = dir.file("music");
  for (const char* name : {"b.mp3", "A.mp3", "song.MP3", ".hidden.mp3", "c/d.mp3", "c/e/f.wav", "z/g.flac"}) {
    writeMedia(root + "/" + name);
  }
  orvel_test::writeFile(root + "/notes.txt", "not media");
  orvel_test::writeFile(root + "/c/cover.jpg", "not media");
  // Links back up the tree, and a second way into z.
  ASSERT_EQ(symlink(root.c_str(), (root + "/c/e/loop").c_str()), 0);
  ASSERT_EQ(symlink("..", (root + "/z/up").c_str()), 0);
  ASSERT_EQ(symlink((root + "/z").c_str(), (root + "/y-also-z").c_str()), 0);

  ZRDatabase db;
  ScopedList list(&db);
  CallbackCounter::calls() = 0;
  list->setListChangedCallback(&CallbackCounter::callback);
  db.addFolder(ZRString(root), list.get(), true);
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  // Subfolders first, each folder's entries in name order without case; z
  // reached again through the link is not walked twice.
  EXPECT_EQ(rowPaths(list.get(), root), (std::vector<std::string>{"c/e/f.wav", "c/d.mp3", "y-also-z/g.flac",
                                                                  "A.mp3", "b.mp3", "song.MP3"}));
  EXPECT_EQ(db.getTrackCount(), 6);
  // Once per folder operation, on the adding thread.
  EXPECT_EQ(CallbackCounter::calls(), 0);

  ScopedList flat(&db);
  db.addFolder(ZRString(root), flat.get(), false);
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(rowPaths(flat.get(), root), (std::vector<std::string>{"A.mp3", "b.mp3", "song.MP3"}));
  EXPECT_EQ(db.getTrackCount(), 6);  // known files make rows, not records
}

// The callback's calls from the adding thread.
std::atomic<int> workerCallbacks{0};
void countWorkerCallback(ZRList*) {
  ++workerCallbacks;
}

TEST(DatabaseAddingTest, RecordFieldsRowsAndOneCallbackPerOperation) {
  TempDir dir;
  const std::string file = dir.file("Artist - Title.wav");
  writeMedia(file);
  ZRDatabase db;
  ScopedList list(&db);
  workerCallbacks = 0;
  list->setListChangedCallback(&countWorkerCallback);
  const int64_t before = static_cast<int64_t>(time(nullptr));
  list->addFile(ZRString(file));
  list->addFile(ZRString(file));
  list->addFile(ZRString(dir.file("missing.mp3")));
  list->addFile(ZRString(dir.file("notes.txt")));
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  // Twice the file: two rows, one record.
  ASSERT_EQ(list->getCount(), 2);
  EXPECT_EQ(db.getTrackCount(), 1);
  EXPECT_EQ(workerCallbacks.load(), 4);
  TZRListTrack row;
  TZRDatabaseTrack t;
  ASSERT_TRUE(list->getRowDataFull(0, &row, &t));
  EXPECT_EQ(row.added, -1);
  EXPECT_FALSE(row.marked);
  EXPECT_EQ(t.tags[kTagFileName].utf8(), file);
  EXPECT_EQ(t.tags[kTagArtist], ZRString("Artist"));
  EXPECT_EQ(t.tags[kTagTitle], ZRString("Title"));
  EXPECT_EQ(t.mediaType, kMediaTypeAudio);
  EXPECT_EQ(t.sampleRate, 44100);
  EXPECT_EQ(t.channels, 2);
  EXPECT_EQ(t.size, static_cast<int64_t>(std::filesystem::file_size(file)));
  EXPECT_EQ(t.tags[kTagTime], ZRString("00:00"));
  EXPECT_GE(t.dtAdded, before);
  EXPECT_EQ(t.bpm, 0.0f);
  EXPECT_TRUE(t.stripe.empty());
}

TEST(DatabaseAddingTest, FilesOverTwoGigabytesKeepTheirSize) {
  TempDir dir;
  const std::string file = dir.file("long.wav");
  writeMedia(file);
  // Sparse: no disk space is used.
  ASSERT_EQ(truncate(file.c_str(), 3000000000LL), 0);
  TZRDatabaseTrack record;
  ZRTag tags;
  ASSERT_TRUE(ZRDatabase::fillTrackDetails(ZRString(file), &record, &tags));
  EXPECT_EQ(record.size, 3000000000LL);
}

TEST(DatabaseAddingTest, AddFileNowAddsOneExistingFileAtOnce) {
  TempDir dir;
  const std::string file = dir.file("now.mp3");
  writeMedia(file);
  ZRDatabase db;
  ScopedList list(&db);
  CallbackCounter::calls() = 0;
  list->setListChangedCallback(&CallbackCounter::callback);
  EXPECT_EQ(db.addFileNow(ZRString(dir.file("missing.mp3")), list.get()), -1);
  EXPECT_EQ(db.addFileNow(ZRString(dir.file(".hidden.mp3")), list.get()), -1);
  const int32_t id = db.addFileNow(ZRString(file), list.get());
  ASSERT_GE(id, 0);
  EXPECT_EQ(db.addFileNow(ZRString(file), nullptr), id);
  EXPECT_EQ(rowIds(list.get()), (std::vector<int32_t>{id}));
  EXPECT_EQ(CallbackCounter::calls(), 1);
  EXPECT_EQ(db.getTrackCount(), 1);
}

TEST(DatabaseAddingTest, OneRecordPerFileWhenTwoThreadsAddIt) {
  TempDir dir;
  std::vector<std::string> files;
  for (int i = 0; i < 40; ++i) {
    files.push_back(dir.file("t" + std::to_string(i) + ".wav"));
    writeMedia(files.back());
  }
  ZRDatabase db;
  db.addFolder(ZRString(dir.path()), nullptr, false);
  for (const std::string& f : files) db.addFileNow(ZRString(f), nullptr);
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(db.getTrackCount(), 40);
}

TEST(DatabaseAddingTest, WorkForADeletedListIsDropped) {
  TempDir dir;
  for (int i = 0; i < 10; ++i) writeMedia(dir.file("t" + std::to_string(i) + ".mp3"));
  ZRDatabase db;
  ZRList* doomed = ZRList::create("doomed", true, ZRList::kTypeUserList, 0);
  doomed->setDatabase(&db);
  doomed->setListChangedCallback(&countWorkerCallback);
  workerCallbacks = 0;
  // Queued, not yet run: the adding thread wakes 190 ms after it starts.
  for (int i = 0; i < 10; ++i) db.addFile(ZRString(dir.file("t" + std::to_string(i) + ".mp3")), doomed);
  ZRList::removeList(doomed);
  doomed->setListChangedCallback(nullptr);
  delete doomed;
  // A new list may take the same address; it must get none of those rows.
  std::vector<std::unique_ptr<ScopedList>> fresh;
  for (int i = 0; i < 4; ++i) fresh.push_back(std::make_unique<ScopedList>(&db));
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  for (const auto& list : fresh) EXPECT_EQ((*list)->getCount(), 0);
  EXPECT_EQ(workerCallbacks.load(), 0);
  EXPECT_EQ(db.getTrackCount(), 10);  // the files themselves are added
}

TEST(DatabaseAddingTest, AdditionsQueuedBeforeAFreshStartOfTheListAreDropped) {
  TempDir dir;
  for (int i = 0; i < 40; ++i) writeMedia(dir.file("old/t" + std::to_string(i) + ".wav"));
  writeMedia(dir.file("new/a.wav"));
  writeMedia(dir.file("new/b.wav"));
  ZRDatabase db;
  ScopedList list(&db, ZRList::kTypeFinder);
  // The folder view shows one folder: the old one is still being read when the new one is asked for.
  db.addFolder(ZRString(dir.file("old")), list.get(), false);
  std::this_thread::sleep_for(std::chrono::milliseconds(5));
  list->clearDroppingQueuedAdditions();
  db.addFolder(ZRString(dir.file("new")), list.get(), false);
  ASSERT_TRUE(db.waitUntilAddingIsDone(kWaitMs));
  EXPECT_EQ(rowPaths(list.get(), dir.path()), (std::vector<std::string>{"new/a.wav", "new/b.wav"}));
  // A plain clear keeps later additions of earlier requests (nothing changed for other lists).
  const uint64_t epoch = list->additionEpoch();
  list->clear();
  EXPECT_EQ(list->additionEpoch(), epoch);
  TZRListTrack row;
  row.trackId = 1;
  EXPECT_FALSE(list->addLineIfCurrent(row, epoch - 1, false));
  EXPECT_TRUE(list->addLineIfCurrent(row, epoch, false));
  EXPECT_EQ(list->getCount(), 1);
}

TEST(DatabaseAddingTest, StoppingJoinsTheThreadAndRefusesLaterWork) {
  TempDir dir;
  for (int i = 0; i < 300; ++i)
    writeMedia(dir.file("f" + std::to_string(i / 30) + "/t" + std::to_string(i) + ".wav"));
  ZRDatabase db;
  ScopedList list(&db);
  for (int i = 0; i < 5; ++i) db.addFolder(ZRString(dir.path()), list.get(), true);
  std::this_thread::sleep_for(std::chrono::milliseconds(30));
  LogCapture log;
  const auto start = std::chrono::steady_clock::now();
  ASSERT_TRUE(db.saveAtShutDown(ZRString(dir.file("database.xml"))));
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
  // The file holds what the library held when the thread stopped.
  const int rows = list->getCount();
  const int tracks = db.getTrackCount();
  db.addFile(ZRString(dir.file("f0/t0.wav")), list.get());
  EXPECT_TRUE(log.contains("is not added"));
  EXPECT_TRUE(db.waitUntilAddingIsDone(100));
  EXPECT_EQ(list->getCount(), rows);
  ZRDatabase saved;
  ASSERT_TRUE(saved.load(ZRString(dir.file("database.xml")), nullptr, nullptr));
  EXPECT_EQ(saved.getTrackCount(), tracks);
}

}  // namespace
