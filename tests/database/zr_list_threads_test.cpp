// Lists read by one thread while others write them, and the library's and the
// lists' locks taken in both orders. Meant to run under ThreadSanitizer too;
// every run is bounded by an iteration count and a deadline.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "database/list_test_support.h"

namespace {

using orvel_test::makeTrack;
using orvel_test::rowOf;
using orvel_test::ScopedList;

// Runs the functions on threads of their own and waits for all of them; a
// deadlock fails the test and ends the program (its threads cannot be joined).
void runTogether(const std::vector<std::function<void()>>& work) {
  std::vector<std::future<void>> running;
  for (const auto& fn : work) running.push_back(std::async(std::launch::async, fn));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  for (auto& f : running) {
    if (f.wait_until(deadline) != std::future_status::ready) {
      ADD_FAILURE() << "threads still running after 60 s: a deadlock";
      std::_Exit(1);
    }
  }
}

void noteChange(ZRList*) {}

// Both lock orders between the library and a list are safe only because a
// read hold of the library is granted while a writer waits for it.
TEST(ZRListThreads, ReadHoldIsGrantedWhileAWriterWaits) {
  ZRDatabase db;
  db.lockDatabaseForReading();
  auto writer = std::async(std::launch::async, [&db] {
    TZRDatabaseTrack t = makeTrack("/w", "w");
    db.addOrUpdate(&t);
  });
  EXPECT_EQ(writer.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);
  auto reader = std::async(std::launch::async, [&db] {
    db.lockDatabaseForReading();
    db.unlockDatabaseForReading();
  });
  const bool granted = reader.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
  EXPECT_TRUE(granted) << "a waiting writer blocks new readers";
  db.unlockDatabaseForReading();
  EXPECT_EQ(writer.wait_for(std::chrono::seconds(10)), std::future_status::ready);
}

TEST(ZRListThreads, ReadersEnumerateWhileWritersChangeRows) {
  ZRDatabase db;
  std::vector<int32_t> ids;
  for (int i = 0; i < 300; ++i) {
    TZRDatabaseTrack t =
        makeTrack("/m/" + std::to_string(i) + "$", "artist", std::to_string(i * 7 % 300).c_str());
    t.tags[kTagBpm] = ZRString::format("%.1f", 70.0 + i % 90);
    t.mediaType = i % 3;
    ids.push_back(db.addOrUpdate(&t));
  }
  ScopedList list(&db);
  list->setListChangedCallback(&noteChange);
  for (int i = 0; i < 100; ++i) list->addLine(rowOf(ids[i]), -1, false);

  std::atomic<bool> writing{true};
  std::atomic<long> rowsRead{0};
  // The writers start once both readers run: under load a reader thread may otherwise be scheduled only
  // after the writers have finished, and read nothing.
  std::atomic<int> readersIn{0};
  const auto awaitReaders = [&] {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (readersIn.load() < 2 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  };
  const auto reader = [&] {
    TZRListTrack row;
    TZRDatabaseTrack track;
    readersIn.fetch_add(1);
    while (writing.load()) {
      list->startEnumeration(false);
      while (list->getNextEnumerationElementFull(&row, &track)) rowsRead.fetch_add(1);
      list->stopEnumeration();
      list->getRowDataFull(list->getMainCursor(), &row, &track);
      list->getCount();
      list->getTotalInserted();
      list->needsRefresh();
      list->needsScrollToCursor();
      list->getFirstInsertedLine();
    }
  };
  const auto writer = [&](int seed) {
    return [&, seed] {
      for (int i = 0; i < 1500; ++i) {
        const int k = (i * 31 + seed) % 300;
        switch (i % 12) {
          case 0:
            list->addLine(rowOf(ids[k]), k % 50, true);
            break;
          case 1:
            list->remove(k % 60, true);
            break;
          case 2:
            list->insert(k % 80, -1);
            break;
          case 3:
            list->setMainCursor(k % 90, true);
            break;
          case 4:
            list->dragUp(k % 70);
            break;
          case 5:
            if (i % 120 == 5) list->sort(k % 2 ? kTagTitle : kTagBpm, k % 4 < 2);
            break;
          case 6:
            list->moveTo(k % 40, k % 30);
            break;
          case 7:
            list->filter(nullptr, k % 3, 0, 0, 0, 0, "", "", false, -1, -1, false);
            break;
          case 8:
            list->endFiltering(false);
            break;
          case 9:
            list->setNextCursor(k % 20);
            break;
          case 10:
            if (i % 120 == 10) list->shuffle();
            break;
          case 11:
            list->addLine(rowOf(ids[k], true), -1, true);
            break;
        }
      }
    };
  };
  runTogether({[&] {
                 awaitReaders();
                 writer(1)();
                 writer(2)();
               },
               [&] {
                 awaitReaders();
                 writer(3)();
                 writing.store(false);
               },
               reader, reader});
  EXPECT_GT(rowsRead.load(), 0);

  // The mark count still counts the marked rows.
  int marked = 0;
  TZRListTrack row;
  for (int32_t i = 0; list->getRowData(i, &row); ++i) marked += row.marked ? 1 : 0;
  EXPECT_EQ(list->getTotalInserted(), marked);
}

TEST(ZRListThreads, LibraryAndListLocksInBothOrders) {
  ZRDatabase db;
  std::vector<int32_t> ids;
  for (int i = 0; i < 50; ++i) {
    TZRDatabaseTrack t = makeTrack("/lib/" + std::to_string(i) + "$", "a");
    t.mediaType = i % 2;
    ids.push_back(db.addOrUpdate(&t));
  }
  ScopedList history(&db, ZRList::kTypeHistory, "history");
  ScopedList collection(&db, ZRList::kTypeCollection, "collection");
  for (const int32_t id : ids) collection->addLine(rowOf(id), -1, false);
  db.setHistoryList(history.get());
  history->filter(nullptr, 0, 0, 0, 0, 0, "", "", false, -1, -1, true);

  runTogether({
      // The library's read lock, then the history list's write lock (and the
      // library's read lock again, for the history's filter).
      [&] {
        for (int i = 0; i < 400; ++i) {
          db.updateTrack(ZRString("/lib/" + std::to_string(i % 50) + "$"), 120, 0, true, nullptr, false, 0,
                         "", 0);
        }
      },
      // A list's write lock, then the library's read lock.
      [&] {
        for (int i = 0; i < 400; ++i) {
          history->filter(nullptr, i % 2, 0, 0, 0, 0, "", "", false, -1, -1, true);
          collection->sort(i % 2 ? kTagBpm : kTagArtist, true);
          history->addLine(rowOf(ids[i % 50]), 0, true);
          if (i % 8 == 0) history->remove(0, true);
        }
      },
      // Writers of the library: new records, dropping dead ones, highlights.
      [&] {
        for (int i = 0; i < 400; ++i) {
          TZRDatabaseTrack gone = makeTrack("/nowhere/" + std::to_string(i), "x");
          const int32_t id = db.addOrUpdate(&gone);
          collection->addLine(rowOf(id), -1, true);
          if (i % 20 == 0) db.removeDeadFiles();
          collection->setHighlight(i % 7, i % 40);
        }
      },
      [&] {
        for (int i = 0; i < 200; ++i) db.searchAdvanced(ZRString("a"), collection.get(), history.get());
      },
  });
  db.setHistoryList(nullptr);
  history->endFiltering(true);
  EXPECT_GT(history->getCount(), 400);
}

}  // namespace
