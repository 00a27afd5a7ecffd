#include "common/zr_pointer_list.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>
#include <vector>

namespace {

using namespace std::chrono_literals;

// The pointers of the list in order, walked with an unlocked enumeration.
std::vector<void*> contents(ZRPointerList& list) {
  std::vector<void*> out;
  ZRPointerList::Enumeration e(list, true);
  void* p;
  int a, b;
  while (e.getNextElement(p, a, b)) out.push_back(p);
  return out;
}

int items[16];
void* item(int i) {
  return &items[i];
}

void fillThree(ZRPointerList& list) {
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(list.insertElement(item(i), i, 10 * i, -1, false));
}

TEST(PointerList, InsertPositions) {
  struct Case {
    int index;
    bool ok;
    std::vector<int> order;  // indexes into items, 9 being the new one
  };
  const Case cases[] = {
      {-1, true, {0, 1, 2, 9}}, {0, true, {0, 9, 1, 2}}, {1, true, {0, 1, 9, 2}},
      {2, true, {0, 1, 2, 9}},  {7, true, {0, 1, 2, 9}}, {-2, false, {0, 1, 2}},
  };
  for (const Case& c : cases) {
    ZRPointerList list;
    fillThree(list);
    EXPECT_EQ(list.insertElement(item(9), 9, 90, c.index, false), c.ok) << c.index;
    std::vector<void*> expected;
    for (int i : c.order) expected.push_back(item(i));
    EXPECT_EQ(contents(list), expected) << "index " << c.index;
    EXPECT_EQ(list.getCount(), static_cast<int>(c.order.size()));
  }
}

TEST(PointerList, InsertIntoEmptyListIgnoresIndex) {
  ZRPointerList list;
  EXPECT_TRUE(list.insertElement(item(0), 1, 2, -5, false));
  ZRPointerList::Enumeration e(list, false);
  void* p = nullptr;
  int a = 0, b = 0;
  ASSERT_TRUE(e.getNextElement(p, a, b));
  EXPECT_EQ(p, item(0));
  EXPECT_EQ(a, 1);
  EXPECT_EQ(b, 2);
  EXPECT_FALSE(e.getNextElement(p, a, b));
}

TEST(PointerList, RemoveRelinksNeighboursAndRejectsOutsideIndexes) {
  ZRPointerList list;
  fillThree(list);
  EXPECT_FALSE(list.removeElement(3, false));
  EXPECT_FALSE(list.removeElement(-1, false));
  EXPECT_TRUE(list.removeElement(1, false));
  EXPECT_EQ(contents(list), (std::vector<void*>{item(0), item(2)}));
  EXPECT_TRUE(list.removeElement(1, false));  // the last
  EXPECT_TRUE(list.insertElement(item(5), 0, 0, -1, false));
  EXPECT_EQ(contents(list), (std::vector<void*>{item(0), item(5)}));
  EXPECT_TRUE(list.removeElement(0, false));  // the first
  EXPECT_TRUE(list.removeElement(0, false));
  EXPECT_EQ(list.getCount(), 0);
  EXPECT_TRUE(contents(list).empty());
}

TEST(PointerList, FindElementNumberReleasesTheLock) {
  ZRPointerList list;
  fillThree(list);
  EXPECT_EQ(list.findElementNumber(item(2)), 2);
  EXPECT_EQ(list.findElementNumber(item(7)), -1);
  EXPECT_EQ(list.findElementNumber(nullptr), -1);
  auto other = std::async(std::launch::async, [&] { return list.insertElement(item(3), 0, 0, -1, false); });
  ASSERT_EQ(other.wait_for(10s), std::future_status::ready);
  EXPECT_TRUE(other.get());
}

TEST(PointerList, ChangesInsideTheLockedEnumeration) {
  ZRPointerList list;
  for (int i = 0; i < 5; ++i) list.insertElement(item(i), i, 0, -1, false);
  std::vector<void*> seen;
  {
    ZRPointerList::Enumeration e(list, false);
    void* p;
    int a, b;
    while (e.getNextElement(p, a, b)) {
      seen.push_back(p);
      // Removing the element that comes next moves the cursor past it.
      if (a == 1) {
        EXPECT_TRUE(list.removeElement(2, true));
      }
      if (a == 3) {
        EXPECT_EQ(list.findElementNumber(item(4), true), 3);
      }
    }
    EXPECT_TRUE(list.insertElement(item(9), 9, 0, -1, true));
  }
  EXPECT_EQ(seen, (std::vector<void*>{item(0), item(1), item(3), item(4)}));
  EXPECT_EQ(contents(list), (std::vector<void*>{item(0), item(1), item(3), item(4), item(9)}));
}

TEST(PointerList, EndedEnumerationReturnsNothingAndCanEndTwice) {
  ZRPointerList list;
  fillThree(list);
  ZRPointerList::Enumeration e(list, false);
  e.endEnum();
  e.endEnum();
  void* p;
  int a, b;
  EXPECT_FALSE(e.getNextElement(p, a, b));
  EXPECT_FALSE(e.isActive());
  // The lock is free again.
  EXPECT_TRUE(list.insertElement(item(4), 0, 0, -1, false));
}

// Each enumeration has its own cursor: a second thread's locked enumeration
// waits for the first one's lock instead of sharing its cursor, and both see
// the whole list in order.
TEST(PointerListThreads, SecondLockedEnumerationWaitsForTheFirst) {
  ZRPointerList list;
  for (int i = 0; i < 6; ++i) list.insertElement(item(i), i, 0, -1, false);
  const std::vector<void*> all = contents(list);

  std::vector<void*> firstSeen;
  std::atomic<bool> secondStarted{false};
  std::promise<void> firstHasLock;
  std::future<std::vector<void*>> second;
  {
    ZRPointerList::Enumeration e(list, false);
    void* p;
    int a, b;
    ASSERT_TRUE(e.getNextElement(p, a, b));
    firstSeen.push_back(p);
    second = std::async(std::launch::async, [&] {
      std::vector<void*> seen;
      ZRPointerList::Enumeration mine(list, false);
      secondStarted = true;
      void* q;
      int c, d;
      while (mine.getNextElement(q, c, d)) seen.push_back(q);
      return seen;
    });
    std::this_thread::sleep_for(50ms);
    EXPECT_FALSE(secondStarted.load());
    while (e.getNextElement(p, a, b)) firstSeen.push_back(p);
    EXPECT_FALSE(secondStarted.load());
  }
  ASSERT_EQ(second.wait_for(10s), std::future_status::ready);
  EXPECT_EQ(firstSeen, all);
  EXPECT_EQ(second.get(), all);
}

TEST(PointerListThreads, ConcurrentUnlockedEnumerationsKeepTheirOwnCursors) {
  ZRPointerList list;
  for (int i = 0; i < 16; ++i) list.insertElement(item(i), i, 0, -1, false);
  const std::vector<void*> all = contents(list);
  std::atomic<int> goodWalks{0};
  auto walker = [&] {
    for (int round = 0; round < 2000; ++round) {
      if (contents(list) == all) goodWalks.fetch_add(1);
    }
  };
  std::thread t1(walker), t2(walker);
  t1.join();
  t2.join();
  EXPECT_EQ(goodWalks.load(), 4000);
}

// Locked walks on two threads while a third inserts and removes: every walk
// sees a consistent list whose length matches the count it holds still.
TEST(PointerListThreads, LockedWalksSeeConsistentListsWhileAnotherThreadChangesIt) {
  ZRPointerList list;
  for (int i = 0; i < 4; ++i) list.insertElement(item(i), i, 0, -1, false);
  std::atomic<bool> stop{false};
  std::atomic<int> badWalks{0};
  std::atomic<int> walks{0};
  auto walker = [&] {
    while (!stop.load()) {
      ZRPointerList::Enumeration e(list, false);
      const int count = list.getCount();
      int n = 0;
      void* p;
      int a, b;
      int previous = -1;
      while (e.getNextElement(p, a, b)) {
        if (a <= previous) badWalks.fetch_add(1);  // the values are kept ascending
        previous = a;
        ++n;
      }
      if (n != count) badWalks.fetch_add(1);
      walks.fetch_add(1);
    }
  };
  std::thread t1(walker), t2(walker);
  for (int round = 0; round < 3000; ++round) {
    list.insertElement(item(10), 10, 0, -1, false);
    list.removeElement(list.getCount() - 1, false);
  }
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (walks.load() < 100 && std::chrono::steady_clock::now() < deadline) std::this_thread::yield();
  stop = true;
  t1.join();
  t2.join();
  EXPECT_EQ(badWalks.load(), 0);
  EXPECT_GE(walks.load(), 100);
}

}  // namespace
