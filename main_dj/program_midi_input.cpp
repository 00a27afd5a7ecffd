#include "main_dj/program_midi_input.h"

#include <memory>
#include <mutex>
#include <vector>

#include "main_dj/zr_midi_queue.h"
#include "soundio/zr_midi_ports.h"

namespace {

std::mutex lock;
bool started = false;
std::vector<std::unique_ptr<ZRMidiIn>> inputs;

void queueMessage(void*, int status, int channel, int data1, int data2, int offsetMs) {
  PutMidiData(nullptr, kMidiKindMessage, status, channel, data1, data2, offsetMs);
}

void queueSetupChange(int code) {
  if (code == kMidiSetupChanged) PutMidiData(nullptr, kMidiKindSetupChanged, 0, 0, -1, -1, 0);
}

// Under lock.
void openAll() {
  const int total = getMidiDeviceInputTotal();
  for (int i = 0; i < total; ++i) {
    auto input = std::make_unique<ZRMidiIn>(i, &queueMessage, nullptr, nullptr);
    if (!input->connected()) continue;
    setMidiDeviceInputSelected(i, 1);
    inputs.push_back(std::move(input));
  }
}

}  // namespace

void startProgramMidiInput() {
  std::lock_guard<std::mutex> guard(lock);
  if (started) return;
  started = true;
  MIDI_init(true, &queueSetupChange);
  openAll();
}

void reopenProgramMidiInputs() {
  std::lock_guard<std::mutex> guard(lock);
  if (!started) return;
  inputs.clear();
  MIDI_deinit(false);
  MIDI_init(false, nullptr);
  openAll();
}

void stopProgramMidiInput() {
  std::lock_guard<std::mutex> guard(lock);
  if (!started) return;
  inputs.clear();
  MIDI_deinit(true);
  started = false;
}

int programMidiInputsOpen() {
  std::lock_guard<std::mutex> guard(lock);
  return static_cast<int>(inputs.size());
}
