#pragma once
// ZRLockFreeQueue<T>: a multi-producer, multi-consumer queue that never takes
// a lock. Items enqueued by one thread come out in their order; items of
// different threads may interleave in any order. It starts with room for 192
// items and grows on demand.
//
// enqueue may allocate (the calling thread's first item, and growth). A
// real-time thread instead uses a Producer made beforehand on another thread
// and tryEnqueue, which never allocates and only fails when the room set
// aside at construction is taken.

#include <concurrentqueue.h>

#include <cstddef>

template <typename T>
class ZRLockFreeQueue {
 public:
  static constexpr size_t kInitialCapacity = 192;

  ZRLockFreeQueue() : queue_(kInitialCapacity) {}
  ~ZRLockFreeQueue() { clear(); }

  // A producer of its own, used by one thread at a time. It must not outlive
  // its queue.
  class Producer {
   public:
    explicit Producer(ZRLockFreeQueue& queue) : token_(queue.queue_) {}

   private:
    friend class ZRLockFreeQueue;
    moodycamel::ProducerToken token_;
  };

  ZRLockFreeQueue(const ZRLockFreeQueue&) = delete;
  ZRLockFreeQueue& operator=(const ZRLockFreeQueue&) = delete;

  // Adds a copy through the calling thread's own producer; false only when
  // memory runs out.
  bool enqueue(const T& item) { return queue_.enqueue(item); }

  // Adds a copy through producer without allocating; false, nothing added,
  // when the queue's starting room is used up.
  bool tryEnqueue(Producer& producer, const T& item) { return queue_.try_enqueue(producer.token_, item); }

  // Moves the next available item into item; false when none is available.
  bool try_dequeue(T& item) { return queue_.try_dequeue(item); }

  // Drops every item (a pointer item is dropped without freeing its target).
  void clear() {
    T item;
    while (queue_.try_dequeue(item)) {
    }
  }

  // The number of items, exact only while no other thread touches the queue.
  size_t size_approx() const { return queue_.size_approx(); }

 private:
  moodycamel::ConcurrentQueue<T> queue_;
};
