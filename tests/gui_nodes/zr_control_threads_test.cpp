// The controls' two (and three) threads: a render thread drawing frame after frame while the main thread
// routes the mouse (hints shown and hidden), types and sets captions, and a GUI-tick thread writes values,
// captions, data rows and markers; the auto-enter key and the toolkit calls of slots run by MIDI off the
// main thread arrive on the main thread. Textures are counting fakes, so no GL context is needed; run
// under the sanitizers this is where races and dangling reads show.

#include <wx/app.h>
#include <wx/thread.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/zr_texture.h"
#include "control_test_support.h"
#include "dsp/engine/sound_source.h"
#include "gui_nodes/zr_control_support.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "support/counting_texture.h"
#include "support/display_required.h"
#include "wx_test_app.h"

namespace orvel_test {
namespace {

using Clock = std::chrono::steady_clock;

const char* const kSkin =
    "<textarea action=\"time\" posx=\"0\" posy=\"0\" width=\"60\" height=\"16\" hint=\"The time\"/>"
    "<button action=\"minimize\" posx=\"0\" posy=\"20\" width=\"60\" height=\"16\" showlabel=\"yes\""
    " hint=\"Minimise\"/>"
    "<editarea action=\"et_search\" posx=\"0\" posy=\"40\" width=\"100\" height=\"16\"/>"
    "<slider action=\"master_volume\" posx=\"0\" posy=\"60\" width=\"100\" height=\"16\" cursorwidth=\"8\""
    " cursorheight=\"16\" cursorupx=\"0\" cursorupy=\"0\"/>"
    "<vumeter action=\"vm_masterl\" posx=\"0\" posy=\"80\" width=\"100\" height=\"8\"/>"
    "<dropdownlist action=\"dropdown_time\" posx=\"0\" posy=\"90\" width=\"100\" height=\"16\"/>";

std::atomic<int> keysOnMainThread{0};
std::atomic<int> keysElsewhere{0};

void countKey(int key, int, ZRDrawNode*) {
  if (key != ZRKeyEnter) return;
  (wxIsMainThread() ? keysOnMainThread : keysElsewhere).fetch_add(1);
}

class ControlThreads : public ControlTest {
 public:
  void SetUp() override {
    ControlTest::SetUp();
    ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &CountingTexture::create);
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineRGBA);
    loadSkin(kSkin, SkinPicture(128, 128), 128, 128);
    label = control<ZRNodeText>("time");
    button = control<ZRNodeButton>("minimize");
    edit = control<ZRNodeEditText>("et_search");
    slider = control<ZRNodeSliderKnob>("master_volume");
    meter = control<ZRNodeVUMeter>("vm_masterl");
    dropDown = control<ZRNodeDropDown>("dropdown_time");
    keysOnMainThread = keysElsewhere = 0;
  }
  void TearDown() override {
    stopRendering();
    ControlTest::TearDown();
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, nullptr);
  }
  void startRendering() {
    rendering = true;
    renderer = std::thread([this] {
      while (rendering.load()) {
        manager->render(0.02);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
      }
    });
  }
  void stopRendering() {
    rendering = false;
    if (renderer.joinable()) renderer.join();
  }
  std::atomic<bool> rendering{false};
  std::thread renderer;
  ZRNodeText* label = nullptr;
  ZRNodeButton* button = nullptr;
  ZRNodeEditText* edit = nullptr;
  ZRNodeSliderKnob* slider = nullptr;
  ZRNodeVUMeter* meter = nullptr;
  ZRNodeDropDown* dropDown = nullptr;
};

TEST_F(ControlThreads, TheRenderThreadDrawsWhileTwoOthersWriteAndRoute) {
  const ZRString captions[] = {ZRString("short"),
                               ZRString("a caption much wider than its sixty-point label")};
  startRendering();
  std::atomic<bool> ticking{true};
  std::thread guiTick([&] {
    std::vector<float> row(400, 0.5f);
    TTrackMarker markers[4];
    for (int i = 0; i < 4; ++i) markers[i].position = 0.2f * static_cast<float>(i);
    int n = 0;
    while (ticking.load()) {
      label->setCaption(captions[n % 2]);
      button->setCaption(captions[(n + 1) % 2]);
      edit->setCaption(captions[n % 2]);
      edit->setAllowAutoEnter(n % 3 == 0);
      slider->SetPos(n % 101, false);
      row[static_cast<size_t>(n) % row.size()] = 1.0f;
      slider->updateData(row.data(), static_cast<int>(row.size()), 1.0f);
      slider->updateMarkersDisplayData(markers, 1 + n % 4);
      meter->setValueDB(static_cast<float>(n % 40) - 30.0f);
      dropDown->addItem(ZRString("item"), nullptr);
      dropDown->setSelected(n % 5, false);
      if (n % 50 == 0) dropDown->clearItems();
      ++n;
      std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
  });
  const auto until = Clock::now() + std::chrono::milliseconds(600);
  int round = 0;
  while (Clock::now() < until) {
    // The main thread: pointer over the label and the button (hints), typing into the field, captions.
    move(10, 8);
    move(10, 28);
    move(120, 120);
    manager->changeKBFocusToNode(edit);
    manager->actionRouteKeyboard('x', 0);
    manager->actionRouteKeyboard(ZRKeyBackspace, 0);
    label->setCaption(captions[round % 2]);
    click(50, 68);
    ++round;
  }
  ticking = false;
  guiTick.join();
  stopRendering();
  EXPECT_GT(CountingTexture::draws.load(), 0);
  EXPECT_LE(edit->getCaption().len(), ZRNodeEditText::kMaxLength);
  const ZRString last = label->getCaption();
  EXPECT_TRUE(last == captions[0] || last == captions[1]);
}

TEST_F(ControlThreads, AutoEnterRunsTheKeySlotOnTheMainThread) {
  if (!ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  edit->setKeySlot(countKey);
  edit->setCaption(ZRString());
  edit->setAllowAutoEnter(true);
  manager->changeKBFocusToNode(edit);
  manager->actionRouteKeyboard('a', 0);
  startRendering();
  const auto deadline = Clock::now() + std::chrono::seconds(10);
  while (keysOnMainThread.load() == 0 && Clock::now() < deadline) {
    wxTheApp->ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  stopRendering();
  wxTheApp->ProcessPendingEvents();
  EXPECT_EQ(keysOnMainThread.load(), 1);
  EXPECT_EQ(keysElsewhere.load(), 0);
}

std::atomic<int> toolkitCallsOnMain{0};
std::atomic<int> toolkitCallsElsewhere{0};
std::shared_ptr<int> slotOwner;

// A slot as an action binds it: the toolkit part of its work goes through runOnMainThread.
void slotWithToolkitWork(int, int, int, ZRDrawNode*) {
  runOnMainThread(slotOwner,
                  [] { (wxIsMainThread() ? toolkitCallsOnMain : toolkitCallsElsewhere).fetch_add(1); });
}

TEST_F(ControlThreads, ToolkitWorkOfSlotsRunByMidiOffTheMainThreadIsPostedThere) {
  if (!ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  slotOwner = std::make_shared<int>(0);
  toolkitCallsOnMain = toolkitCallsElsewhere = 0;
  button->setActionSlot(ZRNodeButton::SlotPress, slotWithToolkitWork);
  std::thread midiThread([&] { ControlTest::midi(button, 144, 60, 127); });
  midiThread.join();
  EXPECT_EQ(toolkitCallsOnMain.load() + toolkitCallsElsewhere.load(), 0);
  wxTheApp->ProcessPendingEvents();
  EXPECT_EQ(toolkitCallsOnMain.load(), 1);
  // Work posted for an owner that is gone by then is dropped.
  std::thread again([&] { ControlTest::midi(button, 176, 60, 1); });
  again.join();
  slotOwner.reset();
  wxTheApp->ProcessPendingEvents();
  EXPECT_EQ(toolkitCallsOnMain.load(), 1);
  EXPECT_EQ(toolkitCallsElsewhere.load(), 0);
}

}  // namespace
}  // namespace orvel_test
