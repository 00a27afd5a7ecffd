// MIDI sources: the in-memory source delivers in order from its own thread and stops cleanly; sequencer
// events become channel messages; a machine without a sequencer has no MIDI, said once.

#include <alsa/asoundlib.h>
#include <gtest/gtest.h>

#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "soundio/zr_alsa_midi_source.h"
#include "soundio/zr_memory_midi_source.h"
#include "support/log_capture.h"

namespace {

TEST(MemoryMidiSource, DeliversInOrderFromItsOwnThreadAndStops) {
  ZRMemoryMidiSource source;
  std::mutex lock;
  std::vector<int> numbers;
  int changes = 0;
  std::thread::id deliveringThread;
  ZRMidiSource::Sink sink;
  sink.message = [&](const ZRMidiMessage& m) {
    std::lock_guard<std::mutex> guard(lock);
    numbers.push_back(m.number);
    deliveringThread = std::this_thread::get_id();
  };
  sink.setupChanged = [&] {
    std::lock_guard<std::mutex> guard(lock);
    ++changes;
  };
  source.send({0x90, 0, 1, 1, 0});  // not started: dropped
  ASSERT_TRUE(source.start(sink));
  EXPECT_FALSE(source.start(sink));
  for (int i = 0; i < 100; ++i) source.send({0xB0, 0, i, 64, 0});
  source.announceSetupChange();
  ASSERT_TRUE(source.waitUntilDelivered(5000));
  source.stop();
  source.send({0x90, 0, 1, 1, 0});
  std::lock_guard<std::mutex> guard(lock);
  ASSERT_EQ(numbers.size(), 100u);
  for (int i = 0; i < 100; ++i) EXPECT_EQ(numbers[i], i);
  EXPECT_EQ(changes, 1);
  EXPECT_NE(deliveringThread, std::this_thread::get_id());
}

struct EventCase {
  const char* name;
  snd_seq_event_type_t type;
  int channel, a, b;  // note and velocity, or param and value
  bool isMessage;
  int status, number, value;
};

void PrintTo(const EventCase& c, std::ostream* out) {
  *out << c.name;
}

class SequencerEvents : public ::testing::TestWithParam<EventCase> {};

TEST_P(SequencerEvents, BecomeChannelMessages) {
  const EventCase& c = GetParam();
  snd_seq_event_t event{};
  event.type = c.type;
  if (c.type == SND_SEQ_EVENT_NOTEON || c.type == SND_SEQ_EVENT_NOTEOFF || c.type == SND_SEQ_EVENT_KEYPRESS) {
    event.data.note.channel = static_cast<unsigned char>(c.channel);
    event.data.note.note = static_cast<unsigned char>(c.a);
    event.data.note.velocity = static_cast<unsigned char>(c.b);
  } else {
    event.data.control.channel = static_cast<unsigned char>(c.channel);
    event.data.control.param = static_cast<unsigned>(c.a);
    event.data.control.value = c.b;
  }
  ZRMidiMessage message;
  ASSERT_EQ(alsaEventToMidiMessage(&event, message), c.isMessage);
  if (!c.isMessage) return;
  EXPECT_EQ(message.status, c.status);
  EXPECT_EQ(message.channel, c.channel & 15);
  EXPECT_EQ(message.number, c.number);
  EXPECT_EQ(message.value, c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SequencerEvents,
    ::testing::Values(
        EventCase{"NoteOn", SND_SEQ_EVENT_NOTEON, 3, 36, 100, true, 0x90, 36, 100},
        EventCase{"NoteOff", SND_SEQ_EVENT_NOTEOFF, 15, 127, 0, true, 0x80, 127, 0},
        EventCase{"Aftertouch", SND_SEQ_EVENT_KEYPRESS, 0, 60, 20, true, 0xA0, 60, 20},
        EventCase{"Controller", SND_SEQ_EVENT_CONTROLLER, 9, 7, 127, true, 0xB0, 7, 127},
        EventCase{"ProgramChange", SND_SEQ_EVENT_PGMCHANGE, 1, 0, 5, true, 0xC0, 5, -1},
        EventCase{"ChannelPressure", SND_SEQ_EVENT_CHANPRESS, 1, 0, 90, true, 0xD0, 90, -1},
        EventCase{"PitchBendCentre", SND_SEQ_EVENT_PITCHBEND, 2, 0, 0, true, 0xE0, 0, 64},
        EventCase{"PitchBendLowest", SND_SEQ_EVENT_PITCHBEND, 2, 0, -8192, true, 0xE0, 0, 0},
        EventCase{"PitchBendBeyond", SND_SEQ_EVENT_PITCHBEND, 2, 0, 100000, true, 0xE0, 127, 127},
        EventCase{"ControllerValueOutOfRange", SND_SEQ_EVENT_CONTROLLER, 0, 300, 1000, true, 0xB0, 44, 104},
        EventCase{"Clock", SND_SEQ_EVENT_CLOCK, 0, 0, 0, false, 0, 0, 0},
        EventCase{"SysEx", SND_SEQ_EVENT_SYSEX, 0, 0, 0, false, 0, 0, 0}),
    [](const ::testing::TestParamInfo<EventCase>& info) { return std::string(info.param.name); });

TEST(AlsaMidiSource, WithoutASequencerThereIsNoMidiSaidOnce) {
  orvel_test::LogCapture log;
  std::unique_ptr<ZRMidiSource> first = openAlsaMidiSource();
  std::unique_ptr<ZRMidiSource> second = openAlsaMidiSource();
  if (first == nullptr) {
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(log.count("no ALSA sequencer"), 1);
    return;
  }
  // A machine with a sequencer: the source starts and stops at once.
  ASSERT_TRUE(first->start({}));
  first->stop();
}

}  // namespace
