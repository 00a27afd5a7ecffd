// The engine start and shut-down inside the main window, with the shipped resources (the "Orvel" skin),
// HOME in a temporary folder and no sound card: the start reaches the end, the render thread draws the
// skin, the GUI tick runs; the close saves preferences, library, lists, columns and shortcuts; library
// changes reach the disk within seconds while the engine runs.

#include "main_dj/engine_lifecycle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/deck_loading.h"
#include "actions_dj/engine_globals.h"
#include "common/zr_preferences.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/zr_mixer.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_text.h"
#include "main_dj/engine_objects.h"
#include "main_dj/language_file.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "main_dj/zr_file_drop_target.h"
#include "main_dj/zr_main_frame.h"
#include "main_window_rig.h"
#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "shell_test_support.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/display_required.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace fs = std::filesystem;
using orvel_test::LogCapture;
using orvel_test::pumpUntil;

namespace {

std::string readAll(const std::string& path) {
  return fs::exists(path) ? orvel_test::readFile(path) : std::string();
}

class EngineStart : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    box = std::make_unique<orvel_test::ShellSandbox>(false);
    // No sound card: the system is not asked, only our own devices exist.
    ZRBuiltInAudioDevices devices;
    devices.systemDevices = false;
    setBuiltInAudioDevices(devices);
    ASSERT_TRUE(InitializeApplicationFolders("/nowhere/orvel"));
    ASSERT_TRUE(LoadLanguageFileOrShowLanguageSelector());
  }
  void TearDown() override {
    close();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
    box.reset();
  }

  void start() {
    frame = new ZRMainFrame("Orvel", wxPoint(50, 50), wxSize(100, 100), true, initApp, deinitApp);
    alive = frame;
  }
  // The close the user confirmed: the whole shut-down, then the window goes.
  void close() {
    if (!alive) return;
    alive->Close(true);
    pumpUntil([this] { return !alive && MainFrame1 == nullptr; }, 10000);
  }
  uint64_t skinFrames() const {
    ZRVideoPreviewFrame* window = alive ? alive->getRenderWindow() : nullptr;
    return window != nullptr ? window->getSkinCanvas()->getFrameCount() : 0;
  }
  unsigned long skinWindow() const {
    ZRVideoPreviewFrame* window = alive ? alive->getRenderWindow() : nullptr;
    return window != nullptr ? window->getSkinCanvas()->GetXWindow() : 0;
  }
  std::string data(const std::string& relative) const { return box->data() + relative; }

  std::unique_ptr<orvel_test::ShellSandbox> box;
  ZRMainFrame* frame = nullptr;
  wxWeakRef<ZRMainFrame> alive;
};

TEST_F(EngineStart, TheDefaultSkinDrawsTheGuiTickRunsAndNullOutputPlays) {
  LogCapture log;
  start();
  EXPECT_EQ(MainFrame, frame);
  EXPECT_TRUE(appCompletelyLoaded.load());
  EXPECT_TRUE(log.contains("dbg13 (init finished ok)"));
  EXPECT_EQ(frame->getNodeManager()->getSkinPath().getNameAndExt().utf8(), "orvel.xml");
  // The engine exists: two decks, the mixer with its 12 indexed channels, the sound output.
  ASSERT_NE(decks[0], nullptr);
  ASSERT_NE(decks[1], nullptr);
  ASSERT_NE(mixer, nullptr);
  EXPECT_EQ(mixer->GetChannelCount(), 12);
  EXPECT_EQ(previewPlayerChIndex, 2);
  EXPECT_EQ(fillerPlayerChIndex, 3);
  ASSERT_NE(audioOutput, nullptr);
  ASSERT_NE(audioOutput->getDevice(), nullptr);
  EXPECT_EQ(audioOutput->getDevice()->getDeviceIndex(), getAudioDeviceIndexFromName("Null output"));
  EXPECT_EQ(log.count("'Null output'"), 1);

  // The render thread draws the skin and ticks the GUI before its frames.
  ASSERT_TRUE(pumpUntil([&] { return skinFrames() >= 5 && engineGuiTicks.load() >= 5; }, 20000))
      << "frames " << skinFrames() << ", ticks " << engineGuiTicks.load();
  bool drawn = false;
  for (int y = 20; y < 700 && !drawn; y += 40) {
    for (int x = 20; x < 1260 && !drawn; x += 40) {
      const unsigned long pixel = orvel_test::windowPixel(skinWindow(), x, y);
      drawn = pixel != 0 && pixel != ~0ul;
    }
  }
  EXPECT_TRUE(drawn) << "the skin canvas is black";

  close();
  EXPECT_EQ(MainFrame, nullptr);
  EXPECT_EQ(mixer, nullptr);
  EXPECT_EQ(decks[0], nullptr);
  EXPECT_TRUE(log.contains("UninitializeApplication finished ok"));
  EXPECT_NE(readAll(data("Settings/preferences.xml")).find("\"UserInterface\" value=\"Orvel\""),
            std::string::npos);
  const std::string library = readAll(data("Database/database.xml"));
  EXPECT_NE(library.find("<list name=\"History\""), std::string::npos) << library;
  for (const char* file :
       {"Database/favorites.xml", "Database/columns_currentlist.xml", "Database/columns_sidelist.xml",
        "Settings/shortcuts_kb.xml", "Settings/shortcuts_midi.xml"}) {
    EXPECT_TRUE(fs::is_regular_file(data(file))) << file;
  }
}

TEST_F(EngineStart, ASecondStartFindsWhatTheFirstSaved) {
  start();
  const ZRString song(data("DemoSongs/Night Drive.mp3"));
  ASSERT_GE(ZRDatabase::getInstance()->addFileNow(song, nullptr), 0);
  preferences->setValue("RemainingTime", 1, 0, ZRPreferences::NotificationProgram);
  close();
  ASSERT_NE(readAll(data("Database/database.xml")).find("Night Drive.mp3"), std::string::npos);

  // What the next start reads: the same files, loaded into a fresh library and store.
  ZRDatabase library;
  ASSERT_TRUE(library.load(ZRString(data("Database/database.xml")), nullptr, nullptr));
  TZRDatabaseTrack record;
  EXPECT_TRUE(library.getTrackIdOnlyIfFound(-1, song, &record));
  ZRPreferences settings(nullptr, {});
  ASSERT_TRUE(settings.loadAll(data("Settings/preferences.xml").c_str()));
  int remaining = 0;
  EXPECT_TRUE(settings.getValue("RemainingTime", remaining));
  EXPECT_EQ(remaining, 1);
}

TEST_F(EngineStart, LibraryChangesReachTheDiskWithinSecondsWhileTheEngineRuns) {
  start();
  ASSERT_TRUE(startLoads.library.load());
  const ZRString song(data("DemoSongs/Morning Run.mp3"));
  const auto changed = std::chrono::steady_clock::now();
  ASSERT_GE(ZRDatabase::getInstance()->addFileNow(song, nullptr), 0);
  // A process killed from now on finds the track in database.xml at its next start.
  const bool onDisk = pumpUntil(
      [&] { return readAll(data("Database/database.xml")).find("Morning Run.mp3") != std::string::npos; },
      kLibraryLatestSaveMs + 3000);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - changed).count();
  EXPECT_TRUE(onDisk) << "not saved after " << seconds << " s";
  EXPECT_LE(seconds, kLibraryLatestSaveMs / 1000.0 + 3.0);
}

TEST_F(EngineStart, TheLastSaveHoldsEveryTrackTheLibraryHasAfterTheClose) {
  // Many files queued for the adder just before the close: whatever the adder managed before it was
  // stopped is in the saved file, and nothing is added after the save.
  const std::string folder = box->scratch("incoming");
  fs::create_directories(folder);
  const std::vector<int16_t> second(2 * 44100, 1000);
  for (int i = 0; i < 60; i++) {
    ASSERT_TRUE(orvel_test::writeWav16(folder + "/track" + std::to_string(i) + ".wav", second, 2, 44100));
  }
  start();
  ZRDatabase* library = ZRDatabase::getInstance();
  library->addFolder(ZRString(folder), nullptr, false);
  std::this_thread::sleep_for(std::chrono::milliseconds(250));
  close();
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  ZRDatabase saved;
  ASSERT_TRUE(saved.load(ZRString(data("Database/database.xml")), nullptr, nullptr));
  EXPECT_EQ(saved.getTrackCount(), library->getTrackCount());
  // A later addition is refused.
  library->addFile(ZRString(folder + "/track59.wav"), nullptr);
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  EXPECT_EQ(library->getTrackCount(), saved.getTrackCount());
}

TEST_F(EngineStart, ATrackLoadedThroughTheEngineShowsItsTitleAndTimeOnTheSkin) {
  start();
  ZRNodeManager* manager = frame->getNodeManager();
  auto caption = [&](const char* action, int deck) {
    auto* text = dynamic_cast<ZRNodeText*>(manager->getNode(action, deck));
    return text != nullptr ? text->getCaption().utf8() : std::string("<no node>");
  };
  FDeck_LoadFile(ZRString(data("DemoSongs/Night Drive.mp3")), ZRString(), nullptr, 0, 0.0f);
  // The render thread's tick brings the deck's state to its captions.
  EXPECT_TRUE(pumpUntil(
      [&] {
        return caption("deck_titlename", 0).find("Night Drive") != std::string::npos &&
               !caption("deck_remained", 0).empty() && caption("deck_remained", 0) != "00:00.0";
      },
      20000))
      << "title '" << caption("deck_titlename", 0) << "', remaining '" << caption("deck_remained", 0) << "'";
  EXPECT_EQ(caption("deck_titlename", 1).find("Night Drive"), std::string::npos);
}

}  // namespace

TEST_F(EngineStart, AFolderDroppedOnTheWindowIsAddedToTheTrackTable) {
  const std::string folder = box->scratch("dropped/inner");
  fs::create_directories(folder);
  const std::vector<int16_t> second(2 * 44100, 1000);
  for (const char* name : {"/a.wav", "/b.wav"})
    ASSERT_TRUE(orvel_test::writeWav16(folder + name, second, 2, 44100));
  ASSERT_TRUE(orvel_test::writeWav16(box->scratch("dropped") + "/c.wav", second, 2, 44100));
  start();
  auto* playlist = dynamic_cast<ZRNodePlaylist*>(frame->getNodeManager()->getNode("playlist", -1));
  ASSERT_NE(playlist, nullptr);
  const auto droppedRows = [&] {
    ZRList* list = playlist->getList();
    int found = 0;
    TZRListTrack row;
    TZRDatabaseTrack track;
    for (int i = 0; list != nullptr && i < list->getCount(); ++i) {
      if (list->getRowDataFull(i, &row, &track) &&
          track.tags[kTagFileName].utf8().find("/dropped/") != std::string::npos)
        ++found;
    }
    return found;
  };
  ASSERT_TRUE(pumpUntil([&] { return playlist->getList() != nullptr; }, 20000));
  // The toolkit's drop target of the window, as a drop from the desktop reaches it.
  ZRFileDropTarget target(&frame->getFileDropCallbacks());
  wxArrayString files;
  files.Add(wxString::FromUTF8(box->scratch("dropped").c_str()));
  EXPECT_TRUE(target.OnDropFiles(2, 2, files));
  EXPECT_TRUE(pumpUntil([&] { return droppedRows() == 3; }, 20000)) << droppedRows();
}
