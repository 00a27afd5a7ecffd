// MIDI bytes to messages (running status, real-time bytes, SysEx in pieces, over-long and unfinished
// SysEx), the port tables on the in-memory transport (bad indexes stay unconnected, outputs send whole
// messages of the right length, readers get copies, the row cap), a machine without an ALSA sequencer,
// and USB ids read from a sysfs tree.

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "soundio/sound_card_usb_ids.h"
#include "soundio/zr_alsa_midi_transport.h"
#include "soundio/zr_memory_midi_transport.h"
#include "soundio/zr_midi_byte_parser.h"
#include "soundio/zr_midi_ports.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

// What the parser delivers, written as text: "90/0 60 127" for a message, "sx F0 7E F7" for SysEx.
std::vector<std::string> parse(const std::vector<Bytes>& packets, int maxSysex = 32768) {
  ZRMidiByteParser parser(maxSysex);
  std::vector<std::string> out;
  for (const Bytes& packet : packets) {
    parser.feed(
        packet.data(), static_cast<int>(packet.size()), 0,
        [&](int status, int channel, int d1, int d2, int) {
          char line[64];
          std::snprintf(line, sizeof line, "%02X/%d %d %d", status, channel, d1, d2);
          out.push_back(line);
        },
        [&](const unsigned char* data, int size) {
          std::string line = "sx";
          for (int i = 0; i < size; ++i) {
            char hex[4];
            std::snprintf(hex, sizeof hex, " %02X", data[i]);
            line += hex;
          }
          out.push_back(line);
        });
  }
  return out;
}

struct ParseCase {
  const char* name;
  std::vector<Bytes> packets;
  std::vector<std::string> expected;
};

void PrintTo(const ParseCase& c, std::ostream* out) {
  *out << c.name;
}

class MidiByteParserTest : public testing::TestWithParam<ParseCase> {};

TEST_P(MidiByteParserTest, DeliversTheMessagesOfTheStream) {
  EXPECT_EQ(parse(GetParam().packets), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, MidiByteParserTest,
    testing::Values(
        ParseCase{"note on", {{0x90, 0x3C, 0x7F}}, {"90/0 60 127"}},
        ParseCase{"program change has one data byte", {{0xC5, 0x07}}, {"C0/5 7 -1"}},
        ParseCase{"two notes in one packet", {{0x90, 1, 2, 0x91, 3, 4}}, {"90/0 1 2", "90/1 3 4"}},
        ParseCase{
            "a 2-byte message then a 3-byte one", {{0xC0, 5, 0xB0, 7, 100}}, {"C0/0 5 -1", "B0/0 7 100"}},
        ParseCase{"running status", {{0xB2, 1, 10, 1, 11}, {1, 12}}, {"B0/2 1 10", "B0/2 1 11", "B0/2 1 12"}},
        ParseCase{"running status of a one-byte message",
                  {{0xD0, 1, 2, 3}},
                  {"D0/0 1 -1", "D0/0 2 -1", "D0/0 3 -1"}},
        ParseCase{"message split over packets", {{0x90}, {0x40}, {0x00}}, {"90/0 64 0"}},
        ParseCase{"real-time byte between status and data",
                  {{0x90, 0xF8, 0x40, 0xFA, 0x7F}},
                  {"F0/8 -1 -1", "F0/10 -1 -1", "90/0 64 127"}},
        ParseCase{"data without status is ignored", {{0x10, 0x20, 0x90, 1, 2}}, {"90/0 1 2"}},
        ParseCase{
            "system common ends running status", {{0x90, 1, 2, 0xF6, 3, 4}}, {"90/0 1 2", "F0/6 -1 -1"}},
        ParseCase{"song position has two data bytes", {{0xF2, 1, 2}}, {"F0/2 1 2"}},
        ParseCase{
            "SysEx over three packets", {{0xF0, 0x7E}, {0x7F, 0x06}, {0x01, 0xF7}}, {"sx F0 7E 7F 06 01 F7"}},
        ParseCase{"real-time bytes inside SysEx",
                  {{0xF0, 0x01, 0xF8, 0x02, 0xF7}},
                  {"F0/8 -1 -1", "sx F0 01 02 F7"}},
        ParseCase{"SysEx ended by a status byte is dropped",
                  {{0xF0, 0x01, 0x02, 0x90, 0x3C, 0x40}},
                  {"90/0 60 64"}},
        ParseCase{"a new F0 drops the unfinished SysEx", {{0xF0, 1, 0xF0, 2, 0xF7}}, {"sx F0 02 F7"}},
        ParseCase{"stray F7 is ignored", {{0xF7, 0x80, 1, 2}}, {"80/0 1 2"}}));

TEST(MidiByteParser, OverLongSysExIsDroppedWholeAndTheNextOneComesThrough) {
  Bytes longOne = {0xF0};
  longOne.insert(longOne.end(), 20, 0x11);
  longOne.push_back(0xF7);
  EXPECT_EQ(parse({longOne, {0xF0, 0x22, 0xF7}}, 16), std::vector<std::string>{"sx F0 22 F7"});
  ZRMidiByteParser parser(16);
  parser.feed(longOne.data(), static_cast<int>(longOne.size()), 0, nullptr, nullptr);
  EXPECT_EQ(parser.droppedSysex(), 1u);
  // Exactly at the limit it still fits.
  Bytes atLimit = {0xF0};
  atLimit.insert(atLimit.end(), 14, 0x11);
  atLimit.push_back(0xF7);
  EXPECT_EQ(parse({atLimit}, 16).size(), 1u);
}

class MidiPortsTest : public testing::Test {
 protected:
  void SetUp() override {
    transport = std::make_shared<ZRMemoryMidiTransport>();
    transport->addSource({"Pad In", "pad-in", 0x1234, 0x5678});
    transport->addSource({"Keys", "keys", 0, 0});
    transport->addDestination({"Pad Out", "pad-out", 0x1234, 0x5678});
    setMidiTransports({transport});
    MIDI_init(true, &MidiPortsTest::changed);
    changes = 0;
  }
  void TearDown() override { MIDI_deinit(true); }

  static void changed(int code) {
    if (code == kMidiSetupChanged) ++changes;
  }
  static void onMessage(void* user, int status, int channel, int d1, int d2, int) {
    auto* out = static_cast<std::vector<std::string>*>(user);
    out->push_back(std::to_string(status) + "/" + std::to_string(channel) + " " + std::to_string(d1) + " " +
                   std::to_string(d2));
  }
  static void onSysex(void* user, const unsigned char*, int size) {
    static_cast<std::vector<std::string>*>(user)->push_back("sysex " + std::to_string(size));
  }

  std::shared_ptr<ZRMemoryMidiTransport> transport;
  static inline int changes = 0;
};

TEST_F(MidiPortsTest, TablesListTheTransportsPortsWithTheirIds) {
  ASSERT_EQ(getMidiDeviceInputTotal(), 2);
  ASSERT_EQ(getMidiDeviceOutputTotal(), 1);
  EXPECT_EQ(getMidiDeviceInputName(0), "Pad In");
  EXPECT_EQ(getMidiDeviceInputVID(0), 0x1234);
  EXPECT_EQ(getMidiDeviceInputPID(0), 0x5678);
  EXPECT_EQ(getMidiDeviceInputVID(1), 0);
  EXPECT_EQ(getMidiDeviceOutputName(0), "Pad Out");
  for (int bad : {-1, 2, 100}) {
    EXPECT_EQ(getMidiDeviceInputName(bad), "");
    EXPECT_EQ(getMidiDeviceInputVID(bad), 0);
    char name[8] = "x";
    EXPECT_FALSE(getMidiDeviceInputNameFromIndex(bad, name, sizeof name));
    EXPECT_STREQ(name, "");
  }
  char cut[4];
  EXPECT_TRUE(getMidiDeviceInputNameFromIndex(0, cut, sizeof cut));
  EXPECT_STREQ(cut, "Pad");
  setMidiDeviceInputSelected(1, 1);
  EXPECT_EQ(getMidiInputRows()[1].selected, 1);
  // A port appearing is announced as a setup change; the tables change only when rebuilt.
  transport->addSource({"Late", "late", 0, 0});
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(getMidiDeviceInputTotal(), 2);
  MIDI_init(false, nullptr);
  EXPECT_EQ(getMidiDeviceInputTotal(), 3);
}

TEST_F(MidiPortsTest, InputParsesItsSourcesBytesAndABadIndexStaysUnconnected) {
  std::vector<std::string> got;
  {
    ZRMidiIn in(0, &MidiPortsTest::onMessage, &MidiPortsTest::onSysex, &got);
    ASSERT_TRUE(in.connected());
    transport->inject("Pad In", {0x90, 0x3C, 0x7F, 0x3D});
    transport->inject("Pad In", {0x00, 0xF0, 0x01});
    transport->inject("Pad In", {0x02, 0xF7});
    transport->inject("Keys", {0x80, 1, 1});  // another source: not this input's
  }
  EXPECT_EQ(got, (std::vector<std::string>{"144/0 60 127", "144/0 61 0", "sysex 4"}));
  EXPECT_EQ(transport->openInputs(), 0);  // closed with the object
  for (int bad : {-1, 2, 99}) {
    ZRMidiIn in(bad, &MidiPortsTest::onMessage, &MidiPortsTest::onSysex, &got);
    EXPECT_FALSE(in.connected()) << bad;
  }
  EXPECT_EQ(transport->openInputs(), 0);
}

TEST_F(MidiPortsTest, OutputSendsWholeMessagesOfTheirOwnLength) {
  ZRMidiOut out(0);
  ASSERT_TRUE(out.connected());
  EXPECT_TRUE(out.out(0x91, 60, 127));
  EXPECT_TRUE(out.out(0xC2, 7, 99));  // program change: two bytes
  EXPECT_FALSE(out.out(0x40, 1, 2));  // no status byte
  EXPECT_FALSE(out.out(0xF0, 1, 2));  // SysEx goes through outlong
  const Bytes identity = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
  EXPECT_TRUE(out.outlong(identity.data(), 6));
  Bytes big(257, 0x11);
  EXPECT_FALSE(out.outlong(big.data(), 257));
  EXPECT_TRUE(out.outlong(big.data(), 256));
  EXPECT_FALSE(out.outlong(big.data(), 0));
  const auto sent = transport->sent("Pad Out");
  ASSERT_EQ(sent.size(), 4u);
  EXPECT_EQ(sent[0], (Bytes{0x91, 60, 127}));
  EXPECT_EQ(sent[1], (Bytes{0xC2, 7}));
  EXPECT_EQ(sent[2], identity);
  EXPECT_EQ(sent[3].size(), 256u);
  ZRMidiOut none(-1);
  EXPECT_FALSE(none.connected());
  EXPECT_FALSE(none.out(0x90, 1, 1));
}

TEST(MidiPortsRows, AtMostTheRowCapPerTable) {
  auto transport = std::make_shared<ZRMemoryMidiTransport>();
  for (int i = 0; i < kMaxMidiPortRows + 5; ++i) transport->addSource({"in " + std::to_string(i), "", 0, 0});
  setMidiTransports({transport});
  MIDI_init(true, nullptr);
  EXPECT_EQ(getMidiDeviceInputTotal(), kMaxMidiPortRows);
  MIDI_deinit(true);
  EXPECT_EQ(getMidiDeviceInputTotal(), 0);
}

TEST(AlsaMidiTransport, WithoutASequencerThereAreNoPortsSaidOnce) {
  orvel_test::LogCapture log;
  std::shared_ptr<ZRMidiTransport> first = openAlsaMidiTransport();
  std::shared_ptr<ZRMidiTransport> second = openAlsaMidiTransport();
  if (first == nullptr) {
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(log.count("no ALSA sequencer"), 1);
    return;
  }
  // A machine with a sequencer: the transport lists ports (none of them ours).
  for (const ZRMidiEndpoint& source : first->listSources()) EXPECT_NE(source.name, "InPort");
}

TEST(SoundCardUsbIds, ReadsTheIdsOfTheCardsUsbDeviceFromSysfs) {
  orvel_test::TempDir root;
  namespace fs = std::filesystem;
  // card1 sits on a USB interface below its device; card2 is on PCI; card3's ids are not hexadecimal.
  const fs::path usb = fs::path(root.path()) / "devices/pci0000:00/usb1/1-1";
  fs::create_directories(usb / "1-1:1.0");
  orvel_test::writeFile((usb / "idVendor").string(), "0a1b\n");
  orvel_test::writeFile((usb / "idProduct").string(), "00fF\n");
  const fs::path pci = fs::path(root.path()) / "devices/pci0000:00/0000:00:1f.3";
  fs::create_directories(pci);
  const fs::path bad = fs::path(root.path()) / "devices/usb2/2-1";
  fs::create_directories(bad / "2-1:1.0");
  orvel_test::writeFile((bad / "idVendor").string(), "zz\n");
  orvel_test::writeFile((bad / "idProduct").string(), "0001\n");
  const fs::path cards = fs::path(root.path()) / "class/sound";
  for (const char* c : {"card1", "card2", "card3"}) fs::create_directories(cards / c);
  fs::create_directory_symlink(usb / "1-1:1.0", cards / "card1/device");
  fs::create_directory_symlink(pci, cards / "card2/device");
  fs::create_directory_symlink(bad / "2-1:1.0", cards / "card3/device");
  int vid = -1, pid = -1;
  EXPECT_TRUE(soundCardUsbIds(root.path(), 1, vid, pid));
  EXPECT_EQ(vid, 0x0A1B);
  EXPECT_EQ(pid, 0x00FF);
  for (int card : {2, 3, 4, -1}) {
    EXPECT_FALSE(soundCardUsbIds(root.path(), card, vid, pid)) << card;
    EXPECT_EQ(vid, 0);
    EXPECT_EQ(pid, 0);
  }
}

}  // namespace
