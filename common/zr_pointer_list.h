#pragma once
// ZRPointerList: a doubly linked list of pointers, each with two integers,
// guarded by its own read/write lock. The mixer keeps its channels in one and
// each mixer channel its extra effects. The list frees its elements, never
// what they point to.
//
// Walking the list goes through an Enumeration, which carries its own cursor,
// so any number of threads may walk the same list at once:
// - a locked enumeration holds the list's write lock from its start to its
//   end, so nothing is inserted or removed meanwhile by other threads (and
//   a second locked enumeration waits for the first to end); inside it the
//   owner may insert and remove with lockHeld true;
// - an unlocked enumeration takes no lock and is only for lists that no
//   other thread changes at the time.

#include <atomic>

#include "common/zr_critical_section.h"

class ZRPointerList {
 public:
  class Enumeration;

  ZRPointerList();
  ~ZRPointerList();

  ZRPointerList(const ZRPointerList&) = delete;
  ZRPointerList& operator=(const ZRPointerList&) = delete;

  // Inserts (p, a, b) right after the element at index; index -1, or an
  // index at or past the end, appends. Any other negative index inserts
  // nothing and gives false. There is no way to insert before the first
  // element. lockHeld: the caller already holds the write lock (inside its
  // locked enumeration); otherwise the call takes it.
  bool insertElement(void* p, int a, int b, int index, bool lockHeld);

  // Removes the element at index 0..count-1; false when the index is outside.
  // Removing the element a locked enumeration would return next moves that
  // enumeration on to the following element.
  bool removeElement(int index, bool lockHeld);

  // Index of the first element holding p; -1 when absent or p is null. Takes
  // the read lock unless lockHeld (the caller is inside its locked enumeration).
  int findElementNumber(void* p, bool lockHeld = false);

  // Frees all elements under the write lock. Must not be called inside a
  // locked enumeration of the calling thread.
  void clear();

  // Number of elements; read without the lock, so it may be a moment old.
  int getCount() const { return count_.load(std::memory_order_relaxed); }

 private:
  struct Element {
    void* p;
    int a;
    int b;
    Element* prev;
    Element* next;
  };

  Element* elementAt(int index) const;
  bool insertLocked(void* p, int a, int b, int index);
  bool removeLocked(int index);
  int findLocked(void* p) const;
  void clearLocked();

  ZRCriticalSection lock_;
  std::atomic<int> count_{0};
  Element* first_ = nullptr;
  Element* last_ = nullptr;
  // The locked enumeration in progress; only its owner, who holds the write
  // lock, reads or changes this.
  Enumeration* lockedEnumeration_ = nullptr;
};

// One walk over a ZRPointerList from its first element. Starting a locked
// enumeration takes the list's write lock; ending it (endEnum or the
// destructor) releases it. The object belongs to one thread.
class ZRPointerList::Enumeration {
 public:
  // unlocked false: a locked enumeration; true: an unlocked one.
  Enumeration(ZRPointerList& list, bool unlocked);
  ~Enumeration();

  Enumeration(const Enumeration&) = delete;
  Enumeration& operator=(const Enumeration&) = delete;

  // The next element; false once the end is reached or after endEnum().
  bool getNextElement(void*& p, int& a, int& b);

  // Ends the enumeration, releasing the write lock of a locked one. Ending
  // twice does nothing.
  void endEnum();

  bool isActive() const { return active_; }

 private:
  friend class ZRPointerList;

  ZRPointerList& list_;
  const bool unlocked_;
  bool active_ = true;
  Element* next_;
};
