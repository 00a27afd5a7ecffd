#include "soundio/zr_memory_midi_source.h"

#include <chrono>

#include "platform/thread_name.h"

ZRMemoryMidiSource::~ZRMemoryMidiSource() {
  stop();
}

bool ZRMemoryMidiSource::start(Sink sink) {
  std::lock_guard<std::mutex> guard(lock_);
  if (running_) return false;
  sink_ = std::move(sink);
  stopping_ = false;
  running_ = true;
  thread_ = std::thread([this] { run(); });
  return true;
}

void ZRMemoryMidiSource::stop() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!running_) return;
    stopping_ = true;
  }
  wake_.notify_all();
  thread_.join();
  std::lock_guard<std::mutex> guard(lock_);
  running_ = false;
  pending_.clear();
  sink_ = Sink();
  delivered_.notify_all();
}

void ZRMemoryMidiSource::send(const ZRMidiMessage& message) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!running_ || stopping_) return;
    pending_.push_back({false, message});
  }
  wake_.notify_one();
}

void ZRMemoryMidiSource::announceSetupChange() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (!running_ || stopping_) return;
    pending_.push_back({true, {}});
  }
  wake_.notify_one();
}

bool ZRMemoryMidiSource::waitUntilDelivered(int timeoutMs) {
  std::unique_lock<std::mutex> guard(lock_);
  return delivered_.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                             [this] { return pending_.empty() && !delivering_; });
}

void ZRMemoryMidiSource::run() {
  platformSetCurrentThreadName("MIDI-memory");
  std::unique_lock<std::mutex> guard(lock_);
  while (true) {
    wake_.wait(guard, [this] { return stopping_ || !pending_.empty(); });
    if (stopping_) return;
    const Item item = pending_.front();
    pending_.pop_front();
    delivering_ = true;
    guard.unlock();
    if (item.setupChange) {
      if (sink_.setupChanged) sink_.setupChanged();
    } else if (sink_.message) {
      sink_.message(item.message);
    }
    guard.lock();
    delivering_ = false;
    delivered_.notify_all();
  }
}
