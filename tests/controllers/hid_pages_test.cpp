// HID pages: fields read and written in report buffers (types, bit weights, byte order, fields that do
// not fit refused), the values scripts hear (range ends of 0 included), and a HID controller fed recorded
// reports through the backend seam: its script's page table turns reports into actionReceived calls, its
// OUT page reaches the device, a short report is not filled from an earlier one, and a tick reads a bounded
// number of reports.

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "controllers/controller_host.h"
#include "controllers/zr_hardware_controller.h"
#include "controllers/zr_hid.h"
#include "controllers/zr_hid_pages.h"
#include "soundio/zr_memory_midi_transport.h"
#include "soundio/zr_midi_ports.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

TEST(HidFields, ReadAndWrittenByTypeWithinTheirBuffer) {
  struct Case {
    const char* type;
    int offset;
    Bytes buffer;
    bool read;
    int value;
  };
  const Case cases[] = {
      {"bit", 0, {0x80}, true, 128},
      {"bit", 5, {0x04}, true, 4},
      {"bit", 5, {0xFB}, true, 0},
      {"bit", 9, {0x00, 0x40}, true, 64},
      {"bit", 8, {0xFF}, false, 0},
      {"byte", 1, {0x00, 0x80}, true, -128},
      {"ubyte", 1, {0x00, 0x80}, true, 128},
      {"word", 1, {0, 0, 0x34, 0x82}, true, -32204},
      {"uword", 1, {0, 0, 0x34, 0x82}, true, 0x8234},
      {"dword", 0, {0x01, 0x00, 0x00, 0x80}, true, INT32_MIN + 1},
      {"word", 1, {0, 0, 0x34}, false, 0},
      {"dword", 1, {1, 2, 3, 4, 5, 6, 7}, false, 0},
      {"byte", -1, {1, 2}, false, 0},
      {"anything", 3, {0x10}, true, 16},
  };
  for (const Case& c : cases) {
    const int type = getControllerDataTypeFromString(c.type);
    int value = 12345;
    EXPECT_EQ(
        getBufferSpecificValue(c.buffer.data(), static_cast<int>(c.buffer.size()), type, c.offset, 1, value),
        c.read)
        << c.type << " " << c.offset;
    if (c.read) {
      EXPECT_EQ(value, c.value) << c.type << " " << c.offset;
    }
    // Written back into a clear buffer of the same size, the field reads the same.
    Bytes written(c.buffer.size(), 0);
    EXPECT_EQ(
        setBufferSpecificValue(written.data(), static_cast<int>(written.size()), type, c.offset, 1, c.value),
        c.read);
    int again = 0;
    if (c.read) {
      ASSERT_TRUE(getBufferSpecificValue(written.data(), static_cast<int>(written.size()), type, c.offset, -1,
                                         again));
      EXPECT_EQ(again, c.value) << c.type << " " << c.offset;
    }
  }
  // A size of 2 or more is never read or written; clearing a bit leaves its neighbours.
  Bytes b{0xFF};
  int v = 0;
  EXPECT_FALSE(getBufferSpecificValue(b.data(), 1, kHidDataUByte, 0, 2, v));
  EXPECT_FALSE(setBufferSpecificValue(b.data(), 1, kHidDataUByte, 0, 2, 0));
  ASSERT_TRUE(setBufferSpecificValue(b.data(), 1, kHidDataBit, 1, 1, 0));
  EXPECT_EQ(b[0], 0xBF);
  EXPECT_EQ(getControllerSpecialTypeFromString("enc"), kHidSpecialEncoder);
  EXPECT_EQ(getControllerSpecialTypeFromString("jw"), kHidSpecialJogWheel);
  EXPECT_EQ(getControllerSpecialTypeFromString("knob"), kHidSpecialPlain);
}

TEST(HidFields, ScaledValuesStayInZeroToOneWhateverTheRange) {
  struct Case {
    int type;
    int value;
    float minimum, maximum, scaled;
  };
  const Case cases[] = {
      {kHidDataUByte, 255, 0, 255, 1.0f},
      {kHidDataUByte, 51, 0, 255, 0.2f},
      {kHidDataByte, -128, -128, 127, 0.0f},
      {kHidDataByte, 0, -128, 127, 0.5f},
      {kHidDataByte, 127, -128, 127, 1.0f},
      {kHidDataWord, -16384, -32768, 32767, 0.25f},
      {kHidDataBit, 64, 0, 1, 1.0f},
      {kHidDataBit, 0, 0, 1, 0.0f},
      // Range ends a script set to 0: that end, not a division by zero.
      {kHidDataUByte, 10, 0, 0, 1.0f},
      {kHidDataUByte, 0, 0, 0, 0.0f},
      {kHidDataByte, -5, 0, 127, 0.0f},
      {kHidDataByte, 5, -128, 0, 1.0f},
      {kHidDataByte, 0, 0, 0, 0.5f},
      // Beyond a narrower range: the nearer end.
      {kHidDataUByte, 200, 0, 100, 1.0f},
      {kHidDataByte, -100, -10, 10, 0.0f},
  };
  for (const Case& c : cases) {
    TZRControllerData field;
    field.dataType = c.type;
    field.value = c.value;
    field.minimum = c.minimum;
    field.maximum = c.maximum;
    EXPECT_NEAR(convertSpecificValueToFloat(field), c.scaled, 1e-4) << c.type << " " << c.value;
  }
}

TEST(HidPages, DefinitionsAreRefusedWithTheirReasons) {
  ZRHidPages pages;
  orvel_test::LogCapture log;
  EXPECT_TRUE(pages.defineHidPage("in", true));
  EXPECT_TRUE(pages.defineHidPage("out", false));
  EXPECT_FALSE(pages.defineHidPage("in", false));
  EXPECT_TRUE(log.contains("error: HID page name='in' already exists (defined as an 'IN' page)"));
  EXPECT_FALSE(pages.defineHidPage("out", true));
  EXPECT_TRUE(log.contains("error: HID page name='out' already exists (defined as an 'OUT' page)"));
  EXPECT_FALSE(pages.defineHidPageDetect("none", kHidDataUByte, 0, 1, 1));
  EXPECT_TRUE(log.contains("error: HID page name='none' does NOT exist (looked in both in/out pages)"));
  EXPECT_TRUE(pages.defineHidPageAction("in", "fader", 0, kHidDataUByte, 3, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(pages.defineHidPageAction("in", "fader", 0, kHidDataUByte, 4, -1, -1, -1, kHidSpecialPlain));
  EXPECT_TRUE(log.contains("error: HID action name='fader' already exists"));
  EXPECT_TRUE(pages.defineHidPageAction("in", "fader", 1, kHidDataUByte, 4, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(pages.defineHidPageAction("in", "x", 2, kHidDataUByte, 4, -1, -1, -1, kHidSpecialPlain));
  // Fields outside the buffers: 257 bytes in; 255 after the report id out.
  EXPECT_TRUE(pages.defineHidPageAction("in", "last", -1, kHidDataUByte, 256, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(pages.defineHidPageAction("in", "past", -1, kHidDataUByte, 257, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(
      pages.defineHidPageAction("in", "far", -1, kHidDataDWord, 1 << 29, -1, -1, -1, kHidSpecialPlain));
  EXPECT_TRUE(pages.defineHidPageAction("out", "last", -1, kHidDataUByte, 254, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(
      pages.defineHidPageAction("out", "past", -1, kHidDataUByte, 255, -1, -1, -1, kHidSpecialPlain));
  EXPECT_FALSE(pages.defineHidPageDetect("out", kHidDataWord, 200, 1, 7));
  EXPECT_TRUE(log.contains("lies outside the OUT report"));
  // Writes: cut toward zero, to every OUT page with the action; a missing one is said.
  ASSERT_TRUE(pages.defineHidPage("out2", false));
  ASSERT_TRUE(pages.defineHidPageAction("out2", "last", -1, kHidDataUByte, 0, -1, -1, -1, kHidSpecialPlain));
  EXPECT_TRUE(pages.callHidPageAction("last", -1, 1.9f));
  EXPECT_EQ(pages.outPage("out")->buffer[255], 1);
  EXPECT_EQ(pages.outPage("out2")->buffer[1], 1);
  EXPECT_EQ(pages.outPage("out")->dirty, 1);
  EXPECT_EQ(pages.outPage("out2")->dirty, 1);
  EXPECT_TRUE(pages.callHidPageAction("last", -1, -0.5f));
  EXPECT_EQ(pages.outPage("out")->buffer[255], 0);
  EXPECT_FALSE(pages.callHidPageAction("nothing", 0, 1.0f));
  EXPECT_TRUE(log.contains("error: action NOT found - callHidPageAction actionName=nothing, deck=0"));
}

// A HID device fed recorded reports; what it was sent is kept. A write answers with writeAnswer bytes
// (0: as many as it was given).
struct FakeHidState {
  std::deque<Bytes> reports;
  std::vector<Bytes> written;
  int writeAnswer = 0;
  int reads = 0;
};

class FakeHidDevice : public ZRHidDevice {
 public:
  explicit FakeHidDevice(std::shared_ptr<FakeHidState> state) : state_(std::move(state)) {}
  int read(unsigned char* buffer, int size) override {
    ++state_->reads;
    if (state_->reports.empty()) return 0;
    const Bytes r = state_->reports.front();
    state_->reports.pop_front();
    const int n = std::min(size, static_cast<int>(r.size()));
    std::copy(r.begin(), r.begin() + n, buffer);
    return n;
  }
  int write(const unsigned char* bytes, int size) override {
    state_->written.emplace_back(bytes, bytes + size);
    return state_->writeAnswer != 0 ? state_->writeAnswer : size;
  }

 private:
  std::shared_ptr<FakeHidState> state_;
};

class FakeHidBackend : public ZRHidBackend {
 public:
  explicit FakeHidBackend(std::shared_ptr<FakeHidState> state) : state_(std::move(state)) {}
  std::vector<ZRHidDeviceInfo> enumerate() override {
    ZRHidDeviceInfo pad;
    pad.product = "Pad";
    pad.vendorId = 0x1234;
    pad.productId = 0x0042;
    pad.path = "/dev/hidraw-test";
    return {pad};
  }
  std::unique_ptr<ZRHidDevice> open(const std::string&) override {
    return std::make_unique<FakeHidDevice>(state_);
  }

 private:
  std::shared_ptr<FakeHidState> state_;
};

// The script's pages: report 1 carries two buttons (bits 8 and 9), a fader (ubyte 2), a knob (byte 3) and
// an 8-bit encoder (ubyte 4); report 2 a jog wheel (uword 1); report 3 a field past its few bytes (ubyte
// 20). The OUT page "leds" starts with report id byte 0x80 and has the play LED on bit 8 of deck 0.
constexpr const char* kPadScript = R"(
function getLanguageVersion() { return 1; }
function getControllerType() { return 'hid'; }
function getSupportedHidDeviceVID(n) { return 0x1234; }
function getSupportedHidDevicePID(n) { return 0x0042; }
function controllerInit(id) {
  defineHidPage(id, 'main', 1);
  defineHidPageDetect(id, 'main', 'ubyte', 0, 1, 1);
  defineHidPageAction(id, 'main', 'play', 0, 'bit', 8);
  defineHidPageAction(id, 'main', 'cue', 0, 'bit', 9);
  defineHidPageAction(id, 'main', 'volume', 1, 'ubyte', 2);
  defineHidPageAction(id, 'main', 'filter', 1, 'byte', 3);
  defineHidPageAction(id, 'main', 'browse', -1, 'ubyte', 4, 1, -1, -1, 'encoder');
  defineHidPage(id, 'wheel', 1);
  defineHidPageDetect(id, 'wheel', 'ubyte', 0, 1, 2);
  defineHidPageAction(id, 'wheel', 'jog', 0, 'uword', 1, 1, 0, 65535, 'jw');
  defineHidPage(id, 'short', 1);
  defineHidPageDetect(id, 'short', 'ubyte', 0, 1, 3);
  defineHidPageAction(id, 'short', 'far', 0, 'ubyte', 20);
  defineHidPage(id, 'leds', 0);
  defineHidPageDetect(id, 'leds', 'ubyte', 0, 1, 0x80);
  defineHidPageAction(id, 'leds', 'playLed', 0, 'bit', 8);
  defineHidPage(id, 'main', 0);
  defineHidPageAction(id, 'nowhere', 'x', 0, 'bit', 0);
}
function actionReceived(id, name, deck, value) {
  debug('got ' + name + ' ' + deck + ' ' + value.toFixed(3));
  if (name == 'play') callHidPageAction(id, 'playLed', 0, value);
}
)";

class HidController : public testing::Test {
 protected:
  void SetUp() override {
    setHidBackend(std::make_shared<FakeHidBackend>(state));
    setMidiTransports({std::make_shared<ZRMemoryMidiTransport>()});
    orvel_test::writeFile(scripts.file("pad.js"), kPadScript);
  }
  void TearDown() override {
    deinitControllers();
    setHidBackend(nullptr);
  }
  // What the script heard since the last call, in order.
  std::vector<std::string> heard() {
    std::vector<std::string> lines;
    for (const std::string& l : log.lines()) {
      const size_t at = l.find("js debug 'got ");
      if (at != std::string::npos) lines.push_back(l.substr(at + 14, l.size() - at - 15));
    }
    log.clear();
    return lines;
  }
  std::shared_ptr<FakeHidState> state = std::make_shared<FakeHidState>();
  orvel_test::TempDir scripts;
  orvel_test::LogCapture log;
};

TEST_F(HidController, RecordedReportsBecomeScriptActionsAndTheLedPageIsSent) {
  initControllers(scripts.path(), "");
  ASSERT_EQ(ZRHardwareController::getControllersConnected(1), 1);
  ZRHardwareController* pad = ZRHardwareController::at(0);
  ASSERT_NE(pad, nullptr);
  ASSERT_TRUE(pad->matched());
  ZRHardwareController::SendTickToAll();  // controllerInit defines the pages
  EXPECT_TRUE(log.contains("error: HID page name='main' already exists (defined as an 'IN' page)"));
  EXPECT_TRUE(log.contains("error: HID page name='nowhere' does NOT exist"));
  heard();

  Bytes longMain(30, 0);
  longMain[0] = 1;
  longMain[1] = 0x40;
  longMain[4] = 11;
  longMain[20] = 200;
  struct Step {
    const char* what;
    Bytes report;
    std::vector<std::string> heard;
  };
  const Step steps[] = {
      // First reports: the plain fields say where they are (bits only once they change), the encoder
      // nothing.
      {"first", {1, 0x00, 255, 0x80, 10}, {"filter 1 0.000", "volume 1 1.000"}},
      {"same again", {1, 0x00, 255, 0x80, 10}, {}},
      {"play pressed, knob centred", {1, 0x80, 255, 0x00, 10}, {"play 0 1.000", "filter 1 0.500"}},
      {"play released, cue pressed", {1, 0x40, 255, 0x00, 10}, {"cue 0 1.000", "play 0 0.000"}},
      {"fader down, encoder one step", {1, 0x40, 0, 0x00, 11}, {"browse -1 1.000", "volume 1 0.000"}},
      {"nothing moved", {1, 0x40, 0, 0x00, 11}, {}},
      {"report of another page", {2, 0, 0x10, 0x00}, {}},  // first jog reading: nothing
      {"jog forward 0x20", {2, 0, 0x30, 0x00}, {"jog 0 32.000"}},
      {"jog wraps 0x0030 -> 0xFFF0", {2, 0, 0xF0, 0xFF}, {"jog 0 -64.000"}},
      {"a report no page detects", {9, 0xFF, 0xFF, 0xFF, 0xFF}, {}},
      {"long report of page 3", Bytes(30, 3), {"far 0 0.012"}},
      {"a long report of page 1 with 200 at byte 20", longMain, {}},
      // This report has 4 bytes: byte 20 is not there, and not taken from the report read before.
      {"short report of page 3", {3, 1, 2, 3}, {}},
  };
  for (const Step& s : steps) {
    state->reports.push_back(s.report);
    ZRHardwareController::SendTickToAll();
    EXPECT_EQ(heard(), s.heard) << s.what;
  }
  // 8-bit encoder: 255 -> 0 is one step forward, 0 -> 255 one back.
  state->reports.push_back({1, 0x40, 0, 0x00, 255});
  state->reports.push_back({1, 0x40, 0, 0x00, 0});
  state->reports.push_back({1, 0x40, 0, 0x00, 255});
  ZRHardwareController::SendTickToAll();
  EXPECT_EQ(heard(), (std::vector<std::string>{"browse -1 -12.000", "browse -1 1.000", "browse -1 -1.000"}));

  // The play press set the LED: the page went out at the next tick, 255 bytes from the report id.
  ASSERT_FALSE(state->written.empty());
  const Bytes& leds = state->written.front();
  ASSERT_EQ(leds.size(), 255u);
  EXPECT_EQ(leds[0], 0);
  EXPECT_EQ(leds[1], 0x80);
  EXPECT_EQ(leds[2], 0x80);                   // bit 8 from byte 1: the first bit of byte 2
  EXPECT_EQ(state->written.back()[2], 0x00);  // released: off again
}

TEST_F(HidController, ATickReadsBoundedlyAndSendsNoMoreThanTheBuffer) {
  initControllers(scripts.path(), "");
  ZRHardwareController::SendTickToAll();
  // A device that never runs dry: one tick takes a bounded number of reports.
  for (int i = 0; i < 3 * kHidReadsPerTick; ++i)
    state->reports.push_back({1, 0, static_cast<unsigned char>(i), 0, 0});
  state->reads = 0;
  ZRHardwareController::SendTickToAll();
  EXPECT_EQ(state->reads, kHidReadsPerTick);
  EXPECT_EQ(state->reports.size(), static_cast<size_t>(2 * kHidReadsPerTick));
  state->reports.clear();
  // A device that claims to have written more than it was given: the next page still fits the buffer.
  state->writeAnswer = 1000;
  state->reports.push_back({1, 0x80, 0, 0, 0});
  ZRHardwareController::SendTickToAll();
  ZRHardwareController::SendTickToAll();
  state->writeAnswer = 0;
  state->reports.push_back({1, 0x00, 0, 0, 0});
  ZRHardwareController::SendTickToAll();
  ZRHardwareController::SendTickToAll();
  ASSERT_GE(state->written.size(), 2u);
  EXPECT_EQ(state->written.back().size(), static_cast<size_t>(kHidOutBytes));
}

}  // namespace
