#include "main_dj/zr_midi_queue.h"

#include <atomic>

#include "common/zr_lock_free_queue.h"
#include "common/zr_logging.h"
#include "controllers/zr_hardware_controller.h"
#include "main_dj/zr_midi_shortcuts.h"

namespace {

ZRLockFreeQueue<TMIDIQueueMessage>& midiQueue() {
  static auto* queue = new ZRLockFreeQueue<TMIDIQueueMessage>();
  return *queue;
}

std::atomic<uint64_t> drops{0};
std::atomic<uint64_t> dropsReported{0};

}  // namespace

bool PutMidiData(void* controller, int kind, int status, int channel, int number, int value, int extra) {
  ZRLockFreeQueue<TMIDIQueueMessage>& queue = midiQueue();
  if (queue.size_approx() >= static_cast<size_t>(kMidiQueueCapacity)) {
    TMIDIQueueMessage oldest;
    if (queue.try_dequeue(oldest)) drops.fetch_add(1, std::memory_order_relaxed);
  }
  return queue.enqueue({controller, kind, status, channel, number, value, extra, -1});
}

int processMidiQueue() {
  const uint64_t dropped = drops.load(std::memory_order_relaxed);
  const uint64_t reported = dropsReported.exchange(dropped);
  if (dropped != reported) {
    ZRLOG("warning: %llu MIDI messages dropped (the queue was full)",
          static_cast<unsigned long long>(dropped - reported));
  }
  int count = 0;
  TMIDIQueueMessage message;
  while (takeQueuedMidiMessage(message)) {
    ++count;
    if (message.kind == kMidiKindSetupChanged) {
      requestControllersReload();
    } else if (message.controller == nullptr) {
      GUISynched_MIDICallback(nullptr, message.status, message.channel, message.number, message.value,
                              message.extra);
    }
  }
  // The controllers' own queue: their inputs, and the learned shortcuts of inputs without a script.
  count += processControllerMidiQueue();
  return count;
}

bool takeQueuedMidiMessage(TMIDIQueueMessage& message) {
  return midiQueue().try_dequeue(message);
}

uint64_t getMidiQueueDrops() {
  return drops.load(std::memory_order_relaxed);
}

void clearMidiQueue() {
  midiQueue().clear();
}
