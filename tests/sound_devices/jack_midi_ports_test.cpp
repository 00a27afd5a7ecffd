// JACK MIDI through the port tables on the private dummy server: another client's ports are listed, its
// notes and SysEx reach our input parsed, and what our output sends arrives at the client; ports appearing
// later are announced.

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "soundio/zr_jack_midi_transport.h"
#include "soundio/zr_midi_ports.h"
#include "support/jack_dummy_server.h"
#include "support/jack_midi_peer.h"

namespace {

using Bytes = std::vector<unsigned char>;

std::mutex receivedLock;
std::vector<std::string> received;
std::atomic<int> setupChanges{0};

void onMessage(void*, int status, int channel, int d1, int d2, int) {
  std::lock_guard<std::mutex> guard(receivedLock);
  received.push_back(std::to_string(status) + "/" + std::to_string(channel) + " " + std::to_string(d1) + " " +
                     std::to_string(d2));
}

void onSysex(void*, const unsigned char*, int size) {
  std::lock_guard<std::mutex> guard(receivedLock);
  received.push_back("sysex " + std::to_string(size));
}

void onChange(int code) {
  if (code == kMidiSetupChanged) ++setupChanges;
}

int rowNamed(const std::vector<ZRMidiPortRow>& rows, const std::string& name) {
  for (size_t i = 0; i < rows.size(); ++i) {
    if (rows[i].name == name) return static_cast<int>(i);
  }
  return -1;
}

TEST(JackMidiPorts, NotesReachOurInputAndOurOutputReachesTheClient) {
  orvel_test::JackDummyServer server(48000, 256);
  if (!server.running()) GTEST_SKIP() << "no JACK server can run here: " << server.failure();
  orvel_test::JackMidiPeer pad;
  ASSERT_TRUE(pad.open(server.name(), "pad", "pad out", "pad in"));
  auto transport = openJackMidiTransport();
  ASSERT_NE(transport, nullptr);
  setMidiTransports({transport});
  MIDI_init(true, &onChange);
  const int in = rowNamed(getMidiInputRows(), "pad out");
  const int out = rowNamed(getMidiOutputRows(), "pad in");
  ASSERT_GE(in, 0);
  ASSERT_GE(out, 0);
  EXPECT_EQ(getMidiDeviceInputVID(in), 0);
  // Our own ports never show in the tables.
  for (const ZRMidiPortRow& row : getMidiInputRows()) EXPECT_EQ(row.name.find("in_"), std::string::npos);
  {
    ZRMidiIn input(in, &onMessage, &onSysex, nullptr);
    ZRMidiOut output(out);
    ASSERT_TRUE(input.connected());
    ASSERT_TRUE(output.connected());
    ASSERT_TRUE(pad.waitUntilOutputConnected(5000));
    pad.send({0x90, 0x3C, 0x7F});
    pad.send({0xB1, 0x07, 0x40});
    pad.send({0xF0, 0x7E, 0x00, 0x06, 0x02, 0x47, 0x11, 0xF7});
    ASSERT_TRUE(orvel_test::waitFor(5000, [] {
      std::lock_guard<std::mutex> guard(receivedLock);
      return received.size() >= 3;
    }));
    {
      std::lock_guard<std::mutex> guard(receivedLock);
      EXPECT_EQ(received, (std::vector<std::string>{"144/0 60 127", "176/1 7 64", "sysex 8"}));
    }
    EXPECT_TRUE(output.out(0x90, 0x10, 0x7F));
    const Bytes identity = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    EXPECT_TRUE(output.outlong(identity.data(), 6));
    EXPECT_TRUE(pad.waitForReceived(5000, [&](const Bytes& m) { return m == identity; }));
    const auto got = pad.received();
    ASSERT_FALSE(got.empty());
    EXPECT_EQ(got[0], (Bytes{0x90, 0x10, 0x7F}));
  }
  // Another client's port appearing is a setup change; our own ports opening above were not.
  const int before = setupChanges.load();
  EXPECT_EQ(before, 0);
  orvel_test::JackMidiPeer late;
  ASSERT_TRUE(late.open(server.name(), "late", "late out", "late in"));
  EXPECT_TRUE(orvel_test::waitFor(5000, [&] { return setupChanges.load() > before; }));
  MIDI_deinit(true);
  transport.reset();
}

}  // namespace
