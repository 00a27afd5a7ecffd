#include "common/zr_pointer_list.h"

ZRPointerList::ZRPointerList() = default;

ZRPointerList::~ZRPointerList() {
  clearLocked();
}

ZRPointerList::Element* ZRPointerList::elementAt(int index) const {
  Element* e = first_;
  for (int i = 0; e != nullptr && i < index; ++i) e = e->next;
  return e;
}

bool ZRPointerList::insertLocked(void* p, int a, int b, int index) {
  const int count = count_.load(std::memory_order_relaxed);
  if (first_ == nullptr) {
    Element* e = new Element{p, a, b, nullptr, nullptr};
    first_ = last_ = e;
    count_.store(1, std::memory_order_relaxed);
    return true;
  }
  Element* target;
  if (index >= 0 && index < count) {
    target = elementAt(index);
  } else if (index == -1 || index >= count) {
    target = last_;
  } else {
    return false;
  }
  Element* e = new Element{p, a, b, target, target->next};
  if (target->next != nullptr) {
    target->next->prev = e;
  } else {
    last_ = e;
  }
  target->next = e;
  count_.store(count + 1, std::memory_order_relaxed);
  return true;
}

bool ZRPointerList::insertElement(void* p, int a, int b, int index, bool lockHeld) {
  if (lockHeld) return insertLocked(p, a, b, index);
  lock_.enterExclusive();
  const bool ok = insertLocked(p, a, b, index);
  lock_.leaveExclusive();
  return ok;
}

bool ZRPointerList::removeLocked(int index) {
  const int count = count_.load(std::memory_order_relaxed);
  if (index < 0 || index >= count) return false;
  Element* e = elementAt(index);
  if (e == nullptr) return false;
  if (lockedEnumeration_ != nullptr && lockedEnumeration_->next_ == e) lockedEnumeration_->next_ = e->next;
  if (e->prev != nullptr) {
    e->prev->next = e->next;
  } else {
    first_ = e->next;
  }
  if (e->next != nullptr) {
    e->next->prev = e->prev;
  } else {
    last_ = e->prev;
  }
  delete e;
  count_.store(count - 1, std::memory_order_relaxed);
  return true;
}

bool ZRPointerList::removeElement(int index, bool lockHeld) {
  if (lockHeld) return removeLocked(index);
  lock_.enterExclusive();
  const bool ok = removeLocked(index);
  lock_.leaveExclusive();
  return ok;
}

int ZRPointerList::findLocked(void* p) const {
  int index = 0;
  for (Element* e = first_; e != nullptr; e = e->next, ++index) {
    if (e->p == p) return index;
  }
  return -1;
}

int ZRPointerList::findElementNumber(void* p, bool lockHeld) {
  if (p == nullptr) return -1;
  if (lockHeld) return findLocked(p);
  lock_.enterShared();
  const int index = findLocked(p);
  lock_.leaveShared();
  return index;
}

void ZRPointerList::clearLocked() {
  Element* e = first_;
  while (e != nullptr) {
    Element* next = e->next;
    delete e;
    e = next;
  }
  first_ = last_ = nullptr;
  count_.store(0, std::memory_order_relaxed);
}

void ZRPointerList::clear() {
  lock_.enterExclusive();
  clearLocked();
  lock_.leaveExclusive();
}

ZRPointerList::Enumeration::Enumeration(ZRPointerList& list, bool unlocked)
    : list_(list), unlocked_(unlocked) {
  if (!unlocked_) {
    list_.lock_.enterExclusive();
    list_.lockedEnumeration_ = this;
  }
  next_ = list_.first_;
}

ZRPointerList::Enumeration::~Enumeration() {
  endEnum();
}

bool ZRPointerList::Enumeration::getNextElement(void*& p, int& a, int& b) {
  if (!active_ || next_ == nullptr) return false;
  p = next_->p;
  a = next_->a;
  b = next_->b;
  next_ = next_->next;
  return true;
}

void ZRPointerList::Enumeration::endEnum() {
  if (!active_) return;
  active_ = false;
  next_ = nullptr;
  if (!unlocked_) {
    list_.lockedEnumeration_ = nullptr;
    list_.lock_.leaveExclusive();
  }
}
