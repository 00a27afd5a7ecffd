// What the render thread draws again, read back from the real render thread of the main window under
// Xvfb: an unchanged frame is neither drawn nor presented; a change made by the GUI tick is drawn and
// presented in the same pass, and only the node that changed (with what lies under it, clipped to where
// it changed) is drawn again; a resize or an expose draws everything. Each case also reads the window's
// pixels back from the X server.

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <vector>

#include "main_window_rig.h"
#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_video_preview_frame.h"

namespace {

using orvel_test::MainWindowRig;
using orvel_test::pumpUntil;
using orvel_test::ShortcutNode;

constexpr unsigned long kBlue = 0x0000FF, kGreen = 0x00FF00;

// A change the GUI tick makes on the render thread (as the tick writes control values), or the window.
enum class Change { pictureOfTheButton, buttonMoved, buttonHidden, windowResized, windowExposed };

struct RedrawCase {
  const char* name;
  Change change;
  bool whole;                  // everything drawn again
  int x, y;                    // a pixel that shows the change
  unsigned long colourBefore;  // ... before and after it
  unsigned long colourAfter;
};

const RedrawCase kCases[] = {
    // The button's picture comes from another place of the skin image (what a caption or a state does).
    {"picture", Change::pictureOfTheButton, false, 30, 30, kGreen, kBlue},
    {"move", Change::buttonMoved, false, 110, 30, kBlue, kGreen},
    {"hide", Change::buttonHidden, false, 30, 30, kGreen, kBlue},
    {"resize", Change::windowResized, true, 30, 30, kGreen, kGreen},
    {"expose", Change::windowExposed, true, 30, 30, kGreen, kGreen},
};

// Handed to the GUI tick: the change to make once, and the pass it was made in.
std::atomic<ShortcutNode*> tickButton{nullptr};
std::atomic<int> tickChange{-1};
std::atomic<const ZRSkinRedraw*> tickRedraw{nullptr};
std::atomic<uint64_t> changedInPass{0};

void changeInTick(float) {
  const int change = tickChange.exchange(-1);
  ShortcutNode* button = tickButton.load();
  if (change < 0 || button == nullptr) return;
  switch (static_cast<Change>(change)) {
    case Change::pictureOfTheButton:
      button->upy = 0;
      break;
    case Change::buttonMoved:
      button->x = 100;
      break;
    case Change::buttonHidden:
      button->shown = 0;
      break;
    default:
      break;
  }
  // The tick runs at the start of the skin pass that draws it.
  changedInPass.store(tickRedraw.load()->lastPass().pass + 1);
}

bool contains(const std::vector<const void*>& list, const void* item) {
  return std::find(list.begin(), list.end(), item) != list.end();
}

class MainWindowRedraw : public ::testing::TestWithParam<RedrawCase> {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureToolkitForRenderThread()) GTEST_SKIP() << "no display";
    rig = std::make_unique<MainWindowRig>();
    ASSERT_TRUE(rig->waitForSkinPasses(2, 10000)) << "the render thread draws no skin";
    redraw = &rig->frame().getRenderWindow()->getSkinCanvas()->redraw();
  }
  void TearDown() override {
    if (rig) rig->frame().setGuiTickCallback(nullptr);
    tickButton.store(nullptr);
    tickChange.store(-1);
    rig.reset();
  }
  // Waits until passes go by without a frame presented.
  bool waitUntilQuiet() {
    return pumpUntil(
        [&] {
          const uint64_t shown = rig->skinFrames();
          return rig->waitForSkinPasses(4, 2000) && rig->skinFrames() == shown;
        },
        10000);
  }

  std::unique_ptr<MainWindowRig> rig;
  const ZRSkinRedraw* redraw = nullptr;
};

TEST_P(MainWindowRedraw, OnlyWhatChangedIsDrawnAndShownInTheSamePass) {
  const RedrawCase& c = GetParam();
  ShortcutNode* button = rig->playButton();
  const void* root = rig->manager().getRootNode();
  ASSERT_TRUE(waitUntilQuiet());
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), c.x, c.y), c.colourBefore);

  // Nothing changes: passes go on, nothing is drawn or presented.
  const uint64_t shown = rig->skinFrames();
  const ZRSkinFrameReport quietBefore = redraw->lastPresented();
  ASSERT_TRUE(rig->waitForSkinPasses(10, 5000));
  EXPECT_EQ(rig->skinFrames(), shown);
  const ZRSkinFrameReport quiet = redraw->lastPass();
  EXPECT_FALSE(quiet.presented);
  EXPECT_TRUE(quiet.drawn.empty());
  EXPECT_EQ(redraw->lastPresented().pass, quietBefore.pass);

  // The change.
  changedInPass.store(0);
  const uint64_t passBefore = redraw->lastPass().pass;
  if (c.change == Change::windowResized) {
    rig->frame().SetClientSize(MainWindowRig::kWidth + 40, MainWindowRig::kHeight + 20);
  } else if (c.change == Change::windowExposed) {
    rig->frame().getRenderWindow()->getSkinCanvas()->Refresh();
  } else {
    tickButton.store(button);
    tickRedraw.store(redraw);
    tickChange.store(static_cast<int>(c.change));
    rig->frame().setGuiTickCallback(&changeInTick);
  }
  ASSERT_TRUE(pumpUntil([&] { return redraw->lastPresented().pass > passBefore; }, 5000)) << c.name;
  const ZRSkinFrameReport frame = redraw->lastPresented();
  EXPECT_TRUE(frame.presented);
  EXPECT_EQ(frame.whole, c.whole) << c.name;
  if (c.whole) {
    EXPECT_TRUE(contains(frame.changed, root));
    EXPECT_TRUE(contains(frame.drawn, root));
  } else {
    // Shown in the pass whose tick made the change, not one later.
    EXPECT_EQ(frame.pass, changedInPass.load()) << c.name;
    EXPECT_EQ(frame.changed, std::vector<const void*>{button}) << c.name;
    // The background under the button is drawn again where the button was and is, a hidden button not.
    EXPECT_TRUE(contains(frame.drawn, root)) << c.name;
    EXPECT_EQ(contains(frame.drawn, button), c.change != Change::buttonHidden) << c.name;
    EXPECT_GE(frame.rectangles, 1);
  }
  EXPECT_TRUE(
      pumpUntil([&] { return orvel_test::windowPixel(rig->skinWindow(), c.x, c.y) == c.colourAfter; }, 5000))
      << c.name << std::hex << " " << orvel_test::windowPixel(rig->skinWindow(), c.x, c.y);
  // Away from the button the background stays as it was.
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), 150, 110), kBlue);

  // And then quiet again.
  ASSERT_TRUE(waitUntilQuiet()) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Cases, MainWindowRedraw, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<RedrawCase>& info) { return info.param.name; });

}  // namespace
