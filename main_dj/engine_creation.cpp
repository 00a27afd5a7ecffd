// The engine start: initApp and InitializeApplication.

#include <wx/frame.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/background_analysis.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_scratch.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/player_actions.h"
#include "actions_dj/sampler_actions.h"
#include "actions_dj/skin/zr_library_layout.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "actions_dj/skin/zr_search_box.h"
#include "codecs/zr_ffmpeg_lib.h"
#include "codecs/zr_karaoke_package.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_curl.h"
#include "common/zr_desktop.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "common/zr_thread_utils.h"
#include "database/zr_database.h"
#include "database/zr_singer_name_history.h"
#include "dsp/engine/effect.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "dsp/vector_ops.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "main_dj/action_bindings.h"
#include "main_dj/audio_device_choice.h"
#include "main_dj/bpm_editor_window.h"
#include "main_dj/column_order_dialog.h"
#include "main_dj/controllers_start.h"
#include "main_dj/engine_lifecycle.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/engine_objects.h"
#include "main_dj/gui_tick.h"
#include "main_dj/karaoke_singers_output.h"
#include "main_dj/library_dialogs_window.h"
#include "main_dj/main_thread_messages.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shader_actions.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "main_dj/skin_choice.h"
#include "main_dj/startup_problems.h"
#include "main_dj/video_actions.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_singer_name_dialog.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "video_mixing/zr_live_video_capture.h"
#include "video_mixing/zr_v4l2_capture.h"
#include "video_mixing/zr_video_output.h"
#include "video_mixing/zr_video_simple_renderer.h"

wxFrame* loadingProgressFrame = nullptr;
ZRStartLoads startLoads;
std::atomic<uint64_t> engineGuiTicks{0};

namespace {

constexpr float kMinimumPlaySeconds = 20.0f;
// The analyze thread looks for queued tracks this often.
constexpr int kAnalyzeIntervalMs = 340;

// Files and folders dragged from other applications onto the window join the table under the point.
bool dropFilesOnMainWindow(int x, int y, const wxArrayString& files, void*) {
  std::vector<ZRString> paths;
  for (const wxString& file : files) paths.emplace_back(std::string(file.utf8_str()));
  FMainWindowOnDropFiles(static_cast<float>(x), static_cast<float>(y), paths);
  return true;
}

ZRString inFolder(const ZRString& folder, const char* name) {
  return folder + ZRString(name);
}

void engineGuiTick(float seconds) {
  if (engineGuiTicks.fetch_add(1, std::memory_order_relaxed) == 0) ZRLOG("GUI tick running");
  updatingGUICallback(seconds);
}

template <typename T>
T* shellNodeAs(const char* action) {
  ZRNodeManager* manager = MainFrame != nullptr ? MainFrame->getNodeManager() : nullptr;
  return manager != nullptr ? dynamic_cast<T*>(manager->getNode(action, -1)) : nullptr;
}

bool screenLargeEnough() {
  int width = 0, height = 0;
  getMainDisplaySize(width, height);
  if (width >= kMinimumScreenWidth && height >= kMinimumScreenHeight) return true;
  ZRLOG("the display is %d x %d, below %d x %d", width, height, kMinimumScreenWidth, kMinimumScreenHeight);
  return false;
}

// The internal effects' sliders show what the deck channels start with.
void showDeckEffectSettings(ZRNodeManager* manager) {
  if (manager == nullptr) return;
  for (int deck = 0; deck < 2; deck++) {
    ZRMixerChannel* channel = MixerChannelDeck[deck];
    if (channel == nullptr) continue;
    for (const ZRInternalFx& fx : internalFx) {
      const float values[3] = {channel->GetFxDryWet(fx.slot), channel->GetFxParam1(fx.slot),
                               channel->GetFxParam2(fx.slot)};
      const int actions[3] = {fx.dryWet, fx.param1, fx.param2};
      for (int k = 0; k < 3; k++) {
        if (auto* slider = dynamic_cast<ZRNodeSliderKnob*>(engineNode(manager, actions[k], deck)))
          slider->SetPos(static_cast<int>(std::lrintf(values[k] * 1000.0f)), false);
      }
    }
  }
}

// The jog wheels at the start of a record at 33 rpm and the play buttons off, until the first tick.
void showDecksStopped(ZRNodeManager* manager) {
  if (manager == nullptr) return;
  for (int deck = 0; deck < 2; deck++) {
    if (auto* wheel = dynamic_cast<ZRNodeJogWheel*>(manager->getNode("deck_wheel", deck)))
      wheel->updatePos(0, 33);
    if (auto* play = dynamic_cast<ZRNodePlayLive*>(manager->getNode("deck_playlive", deck)))
      play->updateState(false);
  }
}

void loadLibrary(ZRNodeBrowser* browser) {
  ZRDatabase* database = ZRDatabase::getInstance();
  if (browser != nullptr) browser->loadPluginsPre();
  if (database != nullptr) {
    const ZRString path = inFolder(theDatabaseDir, "database.xml");
    database->load(path, loadListInBrowserCallback, browser);
    // A damaged library file must not pass unnoticed: the user learns what was lost and where the
    // original is kept.
    const std::string problem = database->loadReport().messageForUser();
    if (!problem.empty()) tellUserAboutProblem(ZRString(problem), ZRString(), nullptr);
    startLoads.library = true;
    // From now on the library saves itself shortly after every change: a killed process loses little.
    database->startAutoSave(path, kLibraryQuietSaveMs, kLibraryLatestSaveMs);
  }
  if (browser != nullptr) {
    browser->loadPluginsPost();
    browser->loadFavorites(inFolder(theDatabaseDir, "favorites.xml"));
    startLoads.favorites = true;
  }
  auto* playlist = shellNodeAs<ZRNodePlaylist>("playlist");
  auto* sidelist = shellNodeAs<ZRNodePlaylist>("sidelist");
  if (playlist != nullptr) playlist->loadColumns(inFolder(theDatabaseDir, "columns_currentlist.xml"));
  if (sidelist != nullptr) sidelist->loadColumns(inFolder(theDatabaseDir, "columns_sidelist.xml"));
  startLoads.columns = true;
  ZRLOG("dbg5-1");
}

}  // namespace

ZRList* loadListInBrowserCallback(const ZRString& name, int32_t type, int32_t subtype, void* user) {
  if (user == nullptr) return nullptr;
  return static_cast<ZRNodeBrowser*>(user)->loadListCallback(name, type, subtype);
}

constexpr double kLiveVideoFramesPerSecond = 59.94;

// What the video output reads of the engine: nothing before the engine start has finished (the decks
// and the recorder are made on the main thread while the render thread already draws).
const ZRVideoOutputEngine kVideoOutputEngine{
    [](int index) -> ZRAudioSignalSource* { return appCompletelyLoaded.load() ? decks[index] : nullptr; },
    []() -> ZRVideoRecorder* { return appCompletelyLoaded.load() ? videoRecorder : nullptr; },
    [](bool useOpenGL) {
      // A 1080-line picture at the broadcast rate, interlaced as such rates are.
      return new ZRLiveVideoCapture(-1, useOpenGL, 1920, 1080, kLiveVideoFramesPerSecond,
                                    kLiveVideoFramesPerSecond > 30, 4096, &discoverV4L2CaptureDevices);
    },
};

void initApp(ZRMainFrame* frame, bool ra) {
  ZRLOG("initApp ra=%d", ra ? 1 : 0);
  if (ra) return;
  MainFrame = frame;
  installVideoOutputEngine(&kVideoOutputEngine);
  installTestEnableVideoButtonHook(refreshVideoWindowButton);
  installVideoOutput();
  ZRVideoSimpleRenderer::install();
  frame->createAndStartRenderingSystem();
  InitializeApplication();
  ZRLOG("initApp (after 'InitializeApplication')");
}

void InitializeApplication() {
  deinitStarted = false;
  appCompletelyLoaded = false;
  for (std::atomic<bool>* loaded : {&startLoads.preferences, &startLoads.shortcuts, &startLoads.library,
                                    &startLoads.favorites, &startLoads.columns, &startLoads.effectList})
    loaded->store(false);
  engineGuiTicks = 0;
  ACC_DetectCPU();
  ZRCurlGlobalInit();
  the_app_start_time = static_cast<long>(std::time(nullptr));
  std::srand(static_cast<unsigned>(the_app_start_time));
  if (MainFrame != nullptr) MainFrame->setAsyncCallHandler(asyncInMainThreadFunctionCallback);
  // A controller script's skin change arrives on the main thread through that handler.
  setSkinChangeFunction(changeSkin);

  if (!screenLargeEnough()) {
    tellUserAboutProblem(getTextName(txt_screenres_low), ZRString(""), nullptr);
    // The close runs the shut-down at once; it finds no engine and nothing loaded, so it writes nothing.
    if (MainFrame != nullptr) MainFrame->Close(true);
    return;
  }
  initFFmpegLib();
  installKaraokeSupport();
  screenSaverInit();

  ZRNodeManager* manager = MainFrame != nullptr ? MainFrame->getNodeManager() : nullptr;
  if (manager != nullptr) bindActionsStageA(*manager);
  resetGuiTickState();

  for (int deck = 0; deck < 2; deck++) {
    slow_reset_pitch[deck] = 0;
    PlayAfterLoading[deck] = 0;
  }
  createEngineObjects();
  // The user actions write to the skin's controls and ask their questions through these.
  if (manager != nullptr) installActionControls(std::make_shared<ZRNodeTableControls>(manager));
  installActionDialogs({askConfirmationOnMainThread, showMessageOnMainThread, chooseSaveFileOnMainThread});
  installChooseFileDialog(chooseFileOnMainThread);
  installLibraryNodes(manager);
  // The singer history reads singers.xml at its first use (the first singer asked for).
  setSingerNameHistoryFolder(theDatabaseDir);
  installSingerNameDialog(MainFrame);
  installLibraryDialogsWindow(MainFrame);
  installBpmEditorWindow(MainFrame);
  setReorderColumnsParent(MainFrame);
  installSearchStopHook([] { FSearchStop(0, 0, -1, nullptr); });
  ZRGlobalTaskDispatch* dispatcher = ZRGlobalTaskDispatch::getInstance();
  for (int deck = 0; deck < 2; deck++) {
    decks[deck]->setTrackPlayedCallback(DecksCallbackTrackPlayed, &dispatcher->mainQueue);
    decks[deck]->setTrackPlayedMinimumDuration(kMinimumPlaySeconds);
  }

  setUpOwnAudioDevices();
  showDeckEffectSettings(manager);
  scanAudioDevices();
  if (getAudioDeviceTotal(1, 1) < 1) ZRLOG("no audio devices found");

  ZRLOG("dbg1");
  // Loads the skin (through the main window) and opens the sound device, which starts the audio thread.
  createPreferencesSystem(nullptr, inFolder(theSettingsDir, "preferences.xml").utf8().c_str());
  startLoads.preferences = preferences != nullptr;
  wxSafeYield();

  ZRLOG("dbg11");
  ZRLOG("dbg12");
  FLoadShortcuts_KB(inFolder(theSettingsDir, "shortcuts_kb.xml").utf8().c_str());
  ZRLOG("dbg2");
  FLoadShortcuts_MIDI(inFolder(theSettingsDir, "shortcuts_midi.xml").utf8().c_str());
  startLoads.shortcuts = true;
  // Controllers, and the learned MIDI shortcuts of inputs without a script, work from here on.
  startControllers();
  ZRLOG("dbg3");
  wxSafeYield();
  ZRLOG("dbg5");

  auto* browser = shellNodeAs<ZRNodeBrowser>("browser");
  loadLibrary(browser);

  auto* playlist = shellNodeAs<ZRNodePlaylist>("playlist");
  if (manager != nullptr) bindActionsStageB(*manager);
  if (MainFrame != nullptr) MainFrame->getFileDropCallbacks().onDrop = dropFilesOnMainWindow;
  ZRLOG("dbg5-2");
  if (browser != nullptr && startLoads.library) {
    ZRList* history = browser->getSpecialList(kSpecialHistory);
    if (history != nullptr) ZRDatabase::getInstance()->setHistoryList(history);
    if (ZRList* collection = browser->getSpecialList(kSpecialCollection))
      ZRDatabase::getInstance()->setCollectionList(collection);
  }
  startKaraokeSingersList();
  ZRLOG("dbg5-3");
  if (manager != nullptr && playlist != nullptr) manager->changeKBFocusToNode(playlist);
  showDecksStopped(manager);
  ZRLOG("dbg6");

  if (loadingProgressFrame != nullptr) loadingProgressFrame->Close(true);
  loadingProgressFrame = nullptr;
  ZRLOG("dbg7");

  if (manager != nullptr) bindActionsStageC(*manager);
  ZRLOG("dbg8");
  LoadPluginsList(inFolder(theSettingsDir, "fx_scanned.xml"));
  startLoads.effectList = true;
  ZRLOG("dbg9");
  ZRLOG("dbg10");
  samplerRecordingFolder = theSamplesDir;
  LoadSamplerBanks(inFolder(theSettingsDir, "sampler.xml"), ZRString());
  startLoads.samplerBanks = true;
  ZRLOG("dbg11");
  setThreadName("mainThread");
  // The players' scratch inertia, every 25 ms at a raised priority.
  scratchThread = new ZRThread(scratch_thread_function, nullptr, 4, 25, "scratch");
  setBackgroundAnalysisStopped(false);
  // The lowest priority: one file at a time, never before the decks and the screen.
  analyzeThread = new ZRThread(analyze_thread_function, &theStripesDir, 0, kAnalyzeIntervalMs, "analyze");
  ZRLOG("dbg12");
  loadVideoWindowSettings();
  fillVideoChoiceLists();
  loadOverlaysAtStart();
  startLoads.overlays = true;
  startShaderLayer();
  ZRLOG("dbg13 (init finished ok)");

  if (MainFrame != nullptr) {
    MainFrame->setGuiTickCallback(engineGuiTick);
    // Half a second after the first tick the lists are initialised (and a first run's content loaded).
    addNewTracksTimer = 0;
    if (!MainFrame->IsActive()) MainFrame->Raise();
    MainFrame->setFocusToManager();
  }
  if (audioOutput != nullptr) audioOutput->setAudioRecordingCallback(audioVideoRecCallback, videoRecorder);
  // Once more now that the GUI tick runs: the first ask may have come before the output had its layers.
  requestKaraokeSingersListRefresh();
  appCompletelyLoaded = true;
}
