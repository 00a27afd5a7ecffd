// The main window under Xvfb: the skin drawn by the render thread (read back from the X server), the loop's
// pace and an idle window's CPU, the close handshake within its bound (also with a busy or stuck render
// thread), real key and mouse events, MIDI from the in-memory source, learn mode end to end, popup menus,
// posted calls and the constraint skin's minimum size.

#include <gtest/gtest.h>
#include <wx/dialog.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/uiaction.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "common/zr_global_task_dispatch.h"
#include "controllers/zr_hardware_controller.h"
#include "gui/zr_menu.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/controllers_start.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_midi_queue.h"
#include "main_dj/zr_midi_shortcuts.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_shortcut_tables.h"
#include "main_window_rig.h"
#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/jack_dummy_server.h"
#include "support/jack_midi_peer.h"
#include "support/log_capture.h"

namespace {

using orvel_test::MainWindowRig;
using orvel_test::pumpFor;
using orvel_test::pumpUntil;

constexpr unsigned long kBlue = 0x0000FF, kGreen = 0x00FF00;

class MainWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    {
      auto guard = shortcutTables().hold();
      shortcutTables().clearAll();
    }
    clearMidiQueue();
    rig = std::make_unique<MainWindowRig>();
    ASSERT_TRUE(rig->waitForSkinPasses(2, 10000)) << "the render thread draws no skin";
  }
  void TearDown() override { rig.reset(); }
  // Makes the window's skin canvas hold the keyboard focus for the synthetic keys.
  void focusSkin() {
    rig->frame().Raise();
    rig->frame().setFocusToManager();
    pumpFor(100);
  }

  std::unique_ptr<MainWindowRig> rig;
};

TEST_F(MainWindow, TheRenderThreadDrawsTheSkin) {
  EXPECT_EQ(rig->frame().GetClientSize(), wxSize(MainWindowRig::kWidth, MainWindowRig::kHeight));
  // The first frames may come at the window's size before the skin set it: wait for the skin's own.
  ASSERT_TRUE(pumpUntil(
      [&] {
        return orvel_test::windowPixel(rig->skinWindow(), 30, 30) == kGreen &&
               orvel_test::windowPixel(rig->skinWindow(), 59, 49) == kGreen;
      },
      5000))
      << std::hex << orvel_test::windowPixel(rig->skinWindow(), 30, 30);
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), 10, 10), kBlue);
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), 70, 60), kBlue);
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), 59, 49), kGreen);
  EXPECT_TRUE(MainFrame1->isRenderThreadRunning());
  int x = 0, y = 0, w = 0, h = 0, full = -1;
  GetVideoWindowPos(x, y, w, h, full);
  EXPECT_EQ(full, 0);
  EXPECT_EQ(x, 700);  // where the rig moved it
  EXPECT_EQ(y, 600);
  EXPECT_GT(w, 0);
  SetVideoWindowPos(-1, 50, 0, 0, 0);  // no place given: it stays
  GetVideoWindowPos(x, y, w, h, full);
  EXPECT_EQ(x, 700);
  EXPECT_EQ(y, 600);

  // The render window's close box only hides it; the render thread goes on.
  const uint64_t passes = rig->outputPasses();
  MainFrame1->Close(false);
  EXPECT_FALSE(MainFrame1->IsShown());
  EXPECT_EQ(cfg_enable_video_mixing_window.load(), 0);
  EXPECT_TRUE(pumpUntil([&] { return rig->outputPasses() > passes + 3; }, 5000));
  cfg_enable_video_mixing_window.store(1);
}

TEST_F(MainWindow, TheLoopKeepsTheDisplayRateAndAnIdleWindowIsNotDrawnAgain) {
  ZRVideoPreviewFrame* window = rig->frame().getRenderWindow();
  // A window of a laptop's screen, the skin stretched over it: drawing it whole on every pass is what
  // costs on a software renderer.
  rig->frame().SetClientSize(1280, 720);
  // The first frames are drawn and presented; from then on nothing changes.
  ASSERT_TRUE(pumpUntil(
      [&] {
        const uint64_t shown = rig->skinFrames() + rig->outputFrames();
        if (!rig->waitForSkinPasses(6, 2000)) return false;
        return rig->skinFrames() + rig->outputFrames() == shown;
      },
      10000));
  const uint64_t skin0 = rig->skinPasses(), output0 = rig->outputPasses();
  const uint64_t skinShown0 = rig->skinFrames(), outputShown0 = rig->outputFrames();
  const double cpu0 = orvel_test::processCpuSeconds();
  const double renderCpu0 = window->getRenderThreadCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  pumpFor(5000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double cpu = (orvel_test::processCpuSeconds() - cpu0) / seconds;
  const double renderCpu = (window->getRenderThreadCpuSeconds() - renderCpu0) / seconds;
  const double outputRate = static_cast<double>(rig->outputPasses() - output0) / seconds;
  const double skinRate = static_cast<double>(rig->skinPasses() - skin0) / seconds;
  std::printf(
      "idle window: %.1f output passes/s, %.1f skin passes/s, render thread CPU %.2f %%, process CPU %.1f %% "
      "of a core\n",
      outputRate, skinRate, renderCpu * 100, cpu * 100);
  // The loop keeps its pace (the GUI tick runs on every skin pass) ...
  EXPECT_LE(outputRate, 63);
  EXPECT_GE(outputRate, 15);
  EXPECT_NEAR(skinRate, outputRate / 2, outputRate / 5);
  // ... but an unchanged frame is neither drawn nor presented.
  EXPECT_EQ(rig->skinFrames(), skinShown0);
  EXPECT_EQ(rig->outputFrames(), outputShown0);
  // CPU time, not wall time, so a loaded machine inflates it less. Drawing and presenting the whole
  // window on every pass takes the render thread a good part of a core at this size; the passes alone take
  // about one per cent (three on a busy machine).
  EXPECT_LT(renderCpu, 0.10);
  EXPECT_LT(cpu, 0.75);
}

TEST_F(MainWindow, ClosingStopsTheRenderThreadThroughTheHandshake) {
  orvel_test::LogCapture log;
  const double seconds = rig->closeNow();
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(rig->frame().getCloseState(), ZRMainFrame::closeGraphicsReleased);
  EXPECT_EQ(rig->deinitCalls, (std::vector<bool>{true, false}));
  int inPart = 0;
  EXPECT_EQ(rig->manager().getMainTexture(10, inPart, false), nullptr);  // freed on the render thread
  EXPECT_EQ(rig->frame().getRenderWindow(), nullptr);
  EXPECT_FALSE(log.contains("did not"));
  EXPECT_TRUE(pumpUntil([] { return MainFrame1 == nullptr; }, 5000));
  int x = 0, y = 0, w = 0, h = 0, full = -1;
  GetVideoWindowPos(x, y, w, h, full);
  EXPECT_EQ(std::vector<int>({x, y, w, h, full}), std::vector<int>({16, 100, 400, 295, 0}));
  // Input is no longer routed once closing began.
  rig->playButton()->clearEvents();
  wxMouseEvent down(wxEVT_LEFT_DOWN);
  down.SetPosition(wxPoint(30, 30));
  rig->frame().ProcessWindowEvent(down);
  EXPECT_TRUE(rig->playButton()->codes().empty());
}

TEST(MainWindowStart, ClosingBeforeTheRenderThreadStartedEndsAtOnce) {
  if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  MainWindowRig rig;  // its render thread's start is still waiting in the event queue
  orvel_test::LogCapture log;
  EXPECT_LT(rig.closeNow(), 0.5);
  EXPECT_EQ(rig.deinitCalls, (std::vector<bool>{true, false}));
  EXPECT_TRUE(pumpUntil([] { return MainFrame1 == nullptr; }, 5000));
  EXPECT_FALSE(log.contains("did not"));
}

TEST_F(MainWindow, ClosingWhileTheRenderThreadIsBusyEndsCleanly) {
  orvel_test::ShortcutNode* button = rig->playButton();
  const int before = button->renders.load();
  button->delayRenderMs.store(400);
  ASSERT_TRUE(pumpUntil([&] { return button->renders.load() > before; }, 5000));
  orvel_test::LogCapture log;
  const double seconds = rig->closeNow();
  EXPECT_GT(seconds, 0.1);  // it waited for the frame in progress
  EXPECT_LT(seconds, 2.5);
  EXPECT_EQ(rig->frame().getCloseState(), ZRMainFrame::closeGraphicsReleased);
  EXPECT_FALSE(log.contains("did not"));
  EXPECT_EQ(rig->deinitCalls, (std::vector<bool>{true, false}));
}

TEST_F(MainWindow, ARenderThreadThatDoesNotStopInTimeIsLeftBehindAndShutDownGoesOn) {
  orvel_test::ShortcutNode* button = rig->playButton();
  rig->frame().setRenderStopTimeout(200);
  const int before = button->renders.load();
  button->delayRenderMs.store(2000);
  ASSERT_TRUE(pumpUntil([&] { return button->renders.load() > before; }, 5000));
  orvel_test::LogCapture log;
  const double seconds = rig->closeNow();
  EXPECT_LT(seconds, 1.5);  // two bounded waits, not the 2 s frame
  EXPECT_TRUE(log.contains("did not release the skin's graphics within 200 ms"));
  EXPECT_TRUE(log.contains("did not stop within 200 ms"));
  EXPECT_EQ(rig->deinitCalls, (std::vector<bool>{true, false}));
  // The thread ends after its slow frame, and frees the skin's textures on its way out.
  ZRVideoPreviewFrame* window = rig->frame().getRenderWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->IsShown());
  EXPECT_TRUE(pumpUntil([&] { return !window->isRenderThreadRunning(); }, 5000));
  int inPart = 0;
  EXPECT_EQ(rig->manager().getMainTexture(10, inPart, false), nullptr);
}

TEST_F(MainWindow, SyntheticKeysReachTheirShortcutNode) {
  orvel_test::ShortcutNode* button = rig->playButton();
  button->setKBShortcut(0, 'p', 0);
  button->setKBShortcut(1, ZRKeyDelete, 0);
  {
    auto guard = shortcutTables().hold();
    shortcutTables().keyboard('p', 0) = {ACT_deck_play_pause, 0};
    shortcutTables().keyboard(ZRKeyDelete, 0) = {ACT_deck_play_pause, 0};
  }
  focusSkin();
  wxUIActionSimulator keys;
  keys.Char('p');
  keys.Char(WXK_DELETE);
  ASSERT_TRUE(pumpUntil([&] { return button->eventsOf(ZRNodeEventShortcut).size() >= 2; }, 5000))
      << "the synthetic keys never arrived";
  const auto shortcuts = button->eventsOf(ZRNodeEventShortcut);
  EXPECT_EQ(shortcuts[0].key, 0);  // the slot of "p"
  EXPECT_EQ(shortcuts[1].key, 1);  // the slot of Delete
}

TEST_F(MainWindow, MouseClicksAreScaledToSkinPointsAndDoubleClicksArriveAsTwoClicks) {
  rig->frame().Raise();
  rig->frame().SetClientSize(2 * MainWindowRig::kWidth, 2 * MainWindowRig::kHeight);
  ASSERT_TRUE(pumpUntil([&] { return rig->manager().mouseScaleX == 0.5f; }, 5000));
  // The skin canvas follows the window and the skin is drawn stretched over it.
  EXPECT_EQ(MainFrame1->getSkinCanvas()->GetSize(),
            wxSize(2 * MainWindowRig::kWidth, 2 * MainWindowRig::kHeight));
  EXPECT_TRUE(pumpUntil([&] { return orvel_test::windowPixel(rig->skinWindow(), 110, 90) == kGreen; }, 5000));
  EXPECT_EQ(orvel_test::windowPixel(rig->skinWindow(), 130, 110), kBlue);
  orvel_test::ShortcutNode* button = rig->playButton();
  button->clearEvents();
  wxUIActionSimulator mouse;
  mouse.MouseMove(rig->frame().ClientToScreen(wxPoint(80, 70)));  // skin point 40, 35
  mouse.MouseClick();
  ASSERT_TRUE(pumpUntil([&] { return button->eventsOf(ZRNodeEventRelease).size() == 1; }, 5000));
  const auto press = button->eventsOf(ZRNodeEventPress);
  ASSERT_EQ(press.size(), 1u);
  EXPECT_NEAR(press[0].x, 20, 1);  // node points
  EXPECT_NEAR(press[0].y, 15, 1);
  EXPECT_EQ(press[0].button, ZRButtonLeft);
  EXPECT_FALSE(rig->frame().isMouseCaptured());

  button->clearEvents();
  mouse.MouseDblClick();
  ASSERT_TRUE(pumpUntil([&] { return button->eventsOf(ZRNodeEventRelease).size() == 2; }, 5000));
  pumpFor(100);
  std::vector<int> clicks;
  for (int code : button->codes()) {
    if (code == ZRNodeEventPress || code == ZRNodeEventRelease) clicks.push_back(code);
  }
  EXPECT_EQ(clicks,
            (std::vector<int>{ZRNodeEventPress, ZRNodeEventRelease, ZRNodeEventPress, ZRNodeEventRelease}));
}

TEST_F(MainWindow, TheVideoOutputGoesFullScreenAndEscapeLeavesIt) {
  SetVideoWindowPos(-1, -1, 0, 0, 1);
  EXPECT_TRUE(MainFrame1->isFullScreenMode());
  wxKeyEvent escape(wxEVT_KEY_DOWN);
  escape.m_keyCode = WXK_ESCAPE;
  MainFrame1->getOutputCanvas()->ProcessWindowEvent(escape);
  EXPECT_FALSE(MainFrame1->isFullScreenMode());
  EXPECT_EQ(MainFrame1->getOutputCanvas()->GetSize(), wxSize(400, 225));
  // Escape while not full screen does nothing.
  MainFrame1->getOutputCanvas()->ProcessWindowEvent(escape);
  EXPECT_FALSE(MainFrame1->isFullScreenMode());
  EXPECT_TRUE(rig->waitForSkinPasses(2, 5000));
}

struct DropRecord {
  int x = 0, y = 0;
  size_t files = 0;
  void* user = nullptr;
};
DropRecord dropRecord;

TEST_F(MainWindow, FileDropsGoToTheShellsCallbacks) {
  wxDropTarget* target = rig->frame().GetDropTarget();
  auto* files = dynamic_cast<ZRFileDropTarget*>(target);
  ASSERT_NE(files, nullptr);
  wxArrayString dropped;
  dropped.Add("/music/a.mp3");
  dropped.Add("/music/b.mp3");
  // Without callbacks: the suggested result, and drops are accepted.
  EXPECT_EQ(files->OnEnter(1, 2, wxDragCopy), wxDragCopy);
  EXPECT_TRUE(files->OnDropFiles(1, 2, dropped));
  ZRFileDropCallbacks& callbacks = rig->frame().getFileDropCallbacks();
  callbacks.onDragOver = [](int, int, wxDragResult, void*) { return wxDragNone; };
  callbacks.onDrop = [](int x, int y, const wxArrayString& names, void* user) {
    dropRecord = {x, y, names.size(), user};
    return false;
  };
  EXPECT_EQ(files->OnDragOver(5, 6, wxDragCopy), wxDragNone);
  orvel_test::LogCapture log;
  EXPECT_TRUE(files->OnDropFiles(7, 8, dropped));  // accepted whatever the callback says
  EXPECT_TRUE(log.contains("MyFileDropTarget::OnDropFiles"));
  EXPECT_EQ(dropRecord.x, 7);
  EXPECT_EQ(dropRecord.files, 2u);
  EXPECT_EQ(dropRecord.user, &rig->frame());
  callbacks = ZRFileDropCallbacks();
  callbacks.user = &rig->frame();
}

TEST_F(MainWindow, WheelEventsReachTheNodeUnderThePointer) {
  orvel_test::ShortcutNode* button = rig->playButton();
  button->clearEvents();
  wxMouseEvent wheel(wxEVT_MOUSEWHEEL);
  wheel.SetPosition(wxPoint(30, 30));
  wheel.m_wheelRotation = 120;
  wheel.m_wheelDelta = 120;
  wheel.m_linesPerAction = 3;
  wheel.m_wheelAxis = wxMOUSE_WHEEL_VERTICAL;
  rig->frame().ProcessWindowEvent(wheel);
  wheel.m_wheelAxis = wxMOUSE_WHEEL_HORIZONTAL;
  rig->frame().ProcessWindowEvent(wheel);
  const auto vertical = button->eventsOf(ZRNodeEventWheel);
  const auto horizontal = button->eventsOf(ZRNodeEventWheelH);
  ASSERT_EQ(vertical.size(), 1u);
  ASSERT_EQ(horizontal.size(), 1u);
  EXPECT_EQ(vertical[0].value, -750);  // 3 steps of -25, in tenths
  EXPECT_EQ(horizontal[0].value, 75);  // 3 steps of 2.5
}

int answerNo(wxDialog&) {
  return wxID_NO;
}

int answerYes(wxDialog&) {
  return wxID_YES;
}

TEST_F(MainWindow, TheUsersCloseAsksFirst) {
  setModalRunner(&answerNo);
  rig->frame().Close(false);
  EXPECT_FALSE(rig->frame().isClosing());
  EXPECT_TRUE(rig->waitForSkinPasses(2, 5000));
  setModalRunner(&answerYes);
  rig->frame().Close(false);
  setModalRunner(nullptr);
  EXPECT_TRUE(rig->frame().isClosing());
  EXPECT_EQ(rig->frame().getCloseState(), ZRMainFrame::closeGraphicsReleased);
  EXPECT_EQ(rig->deinitCalls, (std::vector<bool>{true, false}));
}

// The modal boxes open now (the close confirmation among them).
int openModalBoxes() {
  int n = 0;
  for (wxWindow* window : wxTopLevelWindows) {
    auto* dialog = dynamic_cast<wxDialog*>(window);
    n += dialog != nullptr && dialog->IsModal();
  }
  return n;
}

// While the close confirmation is open: a second close that may be refused asks nothing more, and a
// forced close (the system's quit request) ends the question and closes once, instead of running the
// shut-down inside the question's loop and leaving the question waiting over a closed window.
TEST_F(MainWindow, AForcedCloseDuringTheConfirmationEndsItAndClosesOnce) {
  int boxesDuringSecondClose = -1;
  // Bounds the test should nothing end the question: answered No after 10 s.
  wxTimer bound;
  bound.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
    for (wxWindow* window : wxTopLevelWindows) {
      auto* dialog = dynamic_cast<wxDialog*>(window);
      if (dialog != nullptr && dialog->IsModal()) dialog->EndModal(wxID_NO);
    }
  });
  bound.StartOnce(10000);
  // Runs inside the question's loop.
  wxTheApp->CallAfter([&] {
    rig->frame().Close(false);
    boxesDuringSecondClose = openModalBoxes();
    rig->frame().Close(true);
  });
  const auto began = std::chrono::steady_clock::now();
  rig->frame().Close(false);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  bound.Stop();
  EXPECT_EQ(boxesDuringSecondClose, 1);
  EXPECT_LT(seconds, 8.0) << "the question stayed open";
  EXPECT_EQ(openModalBoxes(), 0);
  EXPECT_TRUE(rig->frame().isClosing());
  EXPECT_EQ(rig->frame().getCloseState(), ZRMainFrame::closeGraphicsReleased);
  EXPECT_EQ(rig->deinitCalls, (std::vector<bool>{true, false}));
}

TEST_F(MainWindow, MidiQueuedOnAnotherThreadReachesItsNodeOnTheRenderThread) {
  rig->frame().setGuiTickCallback([](float) { processMidiQueue(); });
  {
    auto guard = shortcutTables().hold();
    shortcutTables().controller(7, 2) = {ACT_deck_play_pause, 0, false, false};
  }
  std::thread midiThread([] {
    PutMidiData(nullptr, kMidiKindMessage, 0xB0, 2, 7, 99, 4);
    PutMidiData(nullptr, kMidiKindMessage, 0xB0, 2, 8, 99, 4);  // not mapped
  });
  midiThread.join();
  orvel_test::ShortcutNode* button = rig->playButton();
  ASSERT_TRUE(pumpUntil([&] { return !button->eventsOf(ZRNodeEventMidi).empty(); }, 5000));
  const auto events = button->eventsOf(ZRNodeEventMidi);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].value, 0xB0);
  EXPECT_EQ(events[0].midiValue, 99);
  EXPECT_EQ(events[0].modifiers, 4);
  rig->frame().setGuiTickCallback(nullptr);
}

TEST_F(MainWindow, ALearnedMidiShortcutWorksFromAJackMidiPortOpenedAtStart) {
  orvel_test::JackDummyServer server(48000, 256);
  if (!server.running()) GTEST_SKIP() << "no JACK server can run here: " << server.failure();
  orvel_test::JackMidiPeer pad;
  ASSERT_TRUE(pad.open(server.name(), "pad", "pad out", "pad in"));
  rig->frame().setGuiTickCallback([](float) { processMidiQueue(); });
  {
    auto guard = shortcutTables().hold();
    shortcutTables().controller(7, 2) = {ACT_deck_play_pause, 0, false, false};
  }
  // No script names the pad: its controller hands the messages to the learned shortcuts.
  startControllers();
  EXPECT_EQ(ZRHardwareController::getControllersConnected(0), 1);
  ASSERT_TRUE(pad.waitUntilOutputConnected(5000));
  pad.send({0xB2, 7, 99});
  orvel_test::ShortcutNode* button = rig->playButton();
  ASSERT_TRUE(pumpUntil([&] { return !button->eventsOf(ZRNodeEventMidi).empty(); }, 5000));
  EXPECT_EQ(button->eventsOf(ZRNodeEventMidi)[0].midiValue, 99);
  // A device plugged in later gets its controller once the tick has seen the change.
  orvel_test::JackMidiPeer late;
  ASSERT_TRUE(late.open(server.name(), "late", "late out", "late in"));
  EXPECT_TRUE(pumpUntil([&] { return ZRHardwareController::getControllersConnected(0) == 2; }, 5000));
  stopControllers();
  EXPECT_EQ(ZRHardwareController::getControllersConnected(-1), 0);
  rig->frame().setGuiTickCallback(nullptr);
}

TEST_F(MainWindow, LearnModeBindsAKeyByClickAndKeyAndTheFileBringsItBack) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("shortcuts_kb.xml");
  rig->frame().Raise();
  FLearnKeysMidi(1, 0, -1, nullptr);
  wxUIActionSimulator input;
  input.MouseMove(rig->frame().ClientToScreen(wxPoint(30, 30)));
  input.MouseClick();
  orvel_test::ShortcutNode* button = rig->playButton();
  ASSERT_TRUE(pumpUntil([&] { return rig->manager().getLearnFocusedNode() == button; }, 5000));
  EXPECT_TRUE(button->codes().empty());  // learn mode swallows the click
  focusSkin();
  input.Char('k');
  ASSERT_TRUE(pumpUntil([&] { return !button->getShortcutsText().empty(); }, 5000));
  FLearnKeysMidi(0, 0, -1, nullptr);
  FSaveShortcuts_KB(path.c_str());
  button->setKBShortcut(0, -1, 0);
  {
    auto guard = shortcutTables().hold();
    shortcutTables().clearAll();
  }
  FLoadShortcuts_KB(path.c_str());
  input.Char('k');
  ASSERT_TRUE(pumpUntil([&] { return !button->eventsOf(ZRNodeEventShortcut).empty(); }, 5000));
}

void rememberChoice(void* userData, int index, void* param) {
  auto* choice = static_cast<std::pair<int, void*>*>(userData);
  *choice = {index, param};
}

TEST_F(MainWindow, PopupMenuChoicesComeBackWithTheirParameter) {
  int a = 1, b = 2;
  std::pair<int, void*> choice{-1, nullptr};
  ZRMenu menu(&rig->manager(), nullptr, 1, 0, -1, 0);
  menu.setCallback(&rememberChoice, &choice);
  menu.addItem(ZRString("Loop"), &a, true);
  menu.addItem(ZRString(""), nullptr, false);
  menu.addItem(ZRString("Sync"), &b, false);
  const int id = menu.getItemId(2);
  ASSERT_GE(id, ZRMainFrame::kFirstMenuId);
  wxCommandEvent chosen(wxEVT_MENU, id);
  rig->frame().ProcessWindowEvent(chosen);
  EXPECT_EQ(choice, std::make_pair(2, static_cast<void*>(&b)));

  // A real popup: the keyboard picks the second item while the menu is up.
  choice = {-1, nullptr};
  wxTimer keys;
  keys.Bind(wxEVT_TIMER, [](wxTimerEvent&) {
    wxUIActionSimulator sim;
    sim.Char(WXK_DOWN);
    sim.Char(WXK_DOWN);
    sim.Char(WXK_RETURN);
  });
  keys.StartOnce(300);
  menu.showMenu(10, 10);
  pumpUntil([&] { return choice.first >= 0; }, 2000);
  if (choice.first < 0) {
    std::printf("note: the popup took no synthetic keys here; the routing above is what is checked\n");
  } else {
    EXPECT_EQ(choice, std::make_pair(2, static_cast<void*>(&b)));
  }

  orvel_test::LogCapture log;
  wxCommandEvent unknown(wxEVT_MENU, ZRMainFrame::kFirstMenuId + ZRMainFrame::kMenuIdCount - 1);
  rig->frame().ProcessWindowEvent(unknown);
  EXPECT_TRUE(log.contains("OnMenuSelected NOT_FOUND id=4096"));
}

TEST_F(MainWindow, MenuIdsAreHandedOutAgainSoMenusNeverRunOut) {
  ZRMenu menu(&rig->manager(), nullptr, 1, 0, -1, 0);
  int param = 0;
  std::pair<int, void*> choice{-1, nullptr};
  menu.setCallback(&rememberChoice, &choice);
  // 30 refills of 300 items: far more items over time than there are ids.
  for (int round = 0; round < 30; ++round) {
    menu.clearItems();
    for (int i = 0; i < 300; ++i) menu.addItem(ZRString("item"), &param, false);
    ASSERT_EQ(menu.getCount(), 300);
  }
  for (int i = 0; i < menu.getCount(); ++i) {
    ASSERT_GE(menu.getItemId(i), ZRMainFrame::kFirstMenuId);
    ASSERT_LT(menu.getItemId(i), ZRMainFrame::kFirstMenuId + 300);
  }
  wxCommandEvent chosen(wxEVT_MENU, menu.getItemId(299));
  rig->frame().ProcessWindowEvent(chosen);
  EXPECT_EQ(choice.first, 299);
  // More items alive at once than ids: the rest are refused with a log line, none silently.
  ZRMenu big(&rig->manager(), nullptr, 1, 0, -1, 0);
  orvel_test::LogCapture log;
  for (int i = 0; i < ZRMainFrame::kMenuIdCount; ++i) big.addItem(ZRString("x"), nullptr, false);
  EXPECT_EQ(big.getCount(), ZRMainFrame::kMenuIdCount - 300);
  EXPECT_EQ(log.count("error: cannot allocate menu item"), 300);
}

TEST_F(MainWindow, CallsPostedFromAnyThreadRunOnTheMainThread) {
  static std::atomic<int> received{-1};
  static std::atomic<bool> onMainThread{false};
  received = -1;
  rig->frame().setAsyncCallHandler([](int type, int param) {
    received = type * 10 + param;
    onMainThread = wxIsMainThread();
  });
  std::thread poster([&] { rig->frame().callAsyncInMainThreadFunction(5); });
  poster.join();
  ASSERT_TRUE(pumpUntil([] { return received.load() >= 0; }, 2000));
  EXPECT_EQ(received.load(), 49);  // type 5, param -1
  EXPECT_TRUE(onMainThread.load());
  // The 100 ms timer runs the "main" queue's tasks.
  std::atomic<bool> ran{false};
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  dispatch->async(
      [&] {
        ran = wxIsMainThread();
        return true;
      },
      &dispatch->mainQueue);
  EXPECT_TRUE(pumpUntil([&] { return ran.load(); }, 2000));
}

TEST_F(MainWindow, AContentScaleChangeReloadsTheSkinOnTheMainThread) {
  orvel_test::LogCapture log;
  scaleChangedCallback_MainFrame(2.0f, &rig->frame());
  ASSERT_TRUE(pumpUntil([&] { return log.contains("reloading skin"); }, 5000));
  EXPECT_TRUE(log.contains("reloading skin OK"));
  EXPECT_TRUE(rig->manager().retina);
  EXPECT_EQ(rig->frame().GetClientSize(), wxSize(MainWindowRig::kWidth, MainWindowRig::kHeight));
}

TEST_F(MainWindow, AConstraintSkinKeepsItsMinimumSize) {
  orvel_test::TempDir dir;
  orvel_test::writeFile(dir.file("c.xml"),
                        "<skin useconstraints=\"yes\" screenwidth=\"400\" screenheight=\"100\">"
                        "<window action=\"main\" stack_axis=\"Horizontal\" stack_spacing=\"10\">"
                        "<button action=\"minimize\" width=\"100\" height=\"40\"/>"
                        "<button action=\"maximize\" width=\"50\" height=\"40\"/>"
                        "<button action=\"close\" width=\"50\" height=\"40\"/></window></skin>");
  orvel_test::writeFile(dir.file("c.png"),
                        orvel_test::encodePng(orvel_test::solidPicture(8, 8, 10, 10, 10), false));
  ASSERT_TRUE(rig->frame().loadSkin(ZRString(dir.file("c.xml")), ZRString(dir.file("c.png")), 400, 100, 1));
  EXPECT_TRUE(pumpUntil([&] { return rig->frame().GetClientSize() == wxSize(400, 100); }, 5000));
  rig->frame().SetClientSize(300, 20);  // only the height is too small: the window takes the layout's size
  EXPECT_TRUE(pumpUntil([&] { return rig->frame().GetClientSize() == wxSize(300, 40); }, 5000))
      << rig->frame().GetClientSize().x << "x" << rig->frame().GetClientSize().y;
}

}  // namespace
