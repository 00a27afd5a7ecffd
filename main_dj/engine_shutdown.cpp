// The engine shut-down: deinitApp and UninitializeApplication.

#include <wx/frame.h>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/background_analysis.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/library_dialogs.h"
#include "actions_dj/sampler_actions.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "common/zr_curl.h"
#include "common/zr_desktop.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "common/zr_thread.h"
#include "database/zr_database.h"
#include "database/zr_singer_name_history.h"
#include "dsp/engine/effect.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "gui/zr_artwork_cache.h"
#include "gui/zr_image_frame.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "main_dj/bpm_editor_window.h"
#include "main_dj/column_order_dialog.h"
#include "main_dj/controllers_start.h"
#include "main_dj/engine_lifecycle.h"
#include "main_dj/engine_objects.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shader_actions.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "main_dj/video_actions.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_shortcut_files.h"
#include "main_dj/zr_singer_name_dialog.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "video_mixing/zr_video_output.h"

namespace {

constexpr int kRecordingCallbackSettleMs = 50;

ZRString inFolder(const ZRString& folder, const char* name) {
  return folder + ZRString(name);
}

void setProgramSetting(const char* key, int value) {
  preferences->setValue(key, value, 0, ZRPreferences::NotificationProgram);
}

// What the track tables and the browser show, for the next start.
void keepViewSettings(ZRNodePlaylist* playlist, ZRNodePlaylist* sidelist, ZRNodeBrowser* browser) {
  if (playlist != nullptr && sidelist != nullptr) {
    setProgramSetting("UserInterfaceDisplayModeCurrentList", playlist->getDisplayMode());
    setProgramSetting("UserInterfaceDisplayModeSideList", sidelist->getDisplayMode());
  }
  if (browser == nullptr) return;
  const char* keys[5] = {"BrowserExpandedUserLists", "BrowserExpandediTunes", "BrowserExpandedFavorites",
                         "BrowserExpandedExplorer", "BrowserExpandedPulselocker"};
  for (int i = 0; i < 5; i++) setProgramSetting(keys[i], browser->getIsSpecialNodeExpanded(i) ? 1 : 0);
}

void detachWaveformDisplays(ZRNodeManager* manager) {
  if (manager == nullptr) return;
  for (int deck = 0; deck < 2; deck++) {
    for (const char* action : {"sd_deck", "sd_deck_alt"}) {
      if (auto* display = dynamic_cast<ZRNodeSoundDisplay*>(manager->getNode(action, deck)))
        display->setCSoundSource(nullptr);
    }
  }
}

}  // namespace

void deinitApp(ZRMainFrame*, bool ra) {
  ZRLOG("deinitApp ra=%d", ra ? 1 : 0);
  if (ra) {
    if (audioOutput != nullptr) {
      audioOutput->setAudioRecordingCallback(nullptr, nullptr);
      ZRThread::sleep_ms(kRecordingCallbackSettleMs);
    }
    return;
  }
  UninitializeApplication();
  ZRLOG("deinitApp (after 'UninitializeApplication')");
}

void UninitializeApplication() {
  if (deinitStarted.exchange(true)) return;
  // Every deck closes its track, so its cues and analysis reach the library before it is saved.
  closeAllOpenedDecks(false, false);
  saveVideoWindowSettings();
  // A cover download or a slow tag read must not hold the shut-down: the worker gets a bounded time.
  if (!ZRArtworkCache::getInstance()->stopProcessingThread(kArtworkStopTimeoutMs))
    ZRLOG("error: the cover worker did not stop within %d ms; the shut-down goes on without it",
          kArtworkStopTimeoutMs);
  if (MainFrame == nullptr) return;

  wxFrame* savingWindow = showSpecialMessageWindow("Saving...", "Saving database and settings. Please wait.",
                                                   "saving.png", 2, true, nullptr);
  ZRNodeManager* manager = MainFrame->getNodeManager();
  auto* browser =
      manager != nullptr ? dynamic_cast<ZRNodeBrowser*>(manager->getNode("browser", -1)) : nullptr;
  auto* playlist =
      manager != nullptr ? dynamic_cast<ZRNodePlaylist*>(manager->getNode("playlist", -1)) : nullptr;
  auto* sidelist =
      manager != nullptr ? dynamic_cast<ZRNodePlaylist*>(manager->getNode("sidelist", -1)) : nullptr;
  stopControllers();
  if (browser != nullptr) browser->closePluginsPre();

  ZRGlobalTaskDispatch* dispatcher = ZRGlobalTaskDispatch::getInstance();
  dispatcher->syncQueueMainThread();
  dispatcher->syncQueueGUIThread();
  dispatcher->stopService(true);

  detachWaveformDisplays(manager);

  // Only what the start loaded is written: an early end of the start keeps the user's files as they were.
  if (startLoads.favorites && browser != nullptr)
    browser->saveFavorites(inFolder(theDatabaseDir, "favorites.xml"));
  if (startLoads.columns) {
    if (playlist != nullptr) playlist->saveColumns(inFolder(theDatabaseDir, "columns_currentlist.xml"));
    if (sidelist != nullptr) sidelist->saveColumns(inFolder(theDatabaseDir, "columns_sidelist.xml"));
  }
  if (startLoads.shortcuts) {
    FSaveShortcuts_KB(inFolder(theSettingsDir, "shortcuts_kb.xml").utf8().c_str());
    FSaveShortcuts_MIDI(inFolder(theSettingsDir, "shortcuts_midi.xml").utf8().c_str());
  }
  if (startLoads.overlays) saveOverlaysAtShutDown();
  if (startLoads.preferences && preferences != nullptr) {
    keepViewSettings(playlist, sidelist, browser);
    preferences->saveAll(inFolder(theSettingsDir, "preferences.xml").utf8().c_str());
  }
  if (startLoads.effectList) SavePluginsList(inFolder(theSettingsDir, "fx_scanned.xml"));
  if (startLoads.samplerBanks) SaveSamplerBanks(inFolder(theSettingsDir, "sampler.xml"));
  // Saved after every change already; once more so that nothing depends on how the process ends.
  saveSingerNameHistory();
  destroyPreferencesSystem();

  // A file being analysed is finished first (the thread is joined); no other is started.
  setBackgroundAnalysisStopped(true);
  delete analyzeThread;
  analyzeThread = nullptr;
  delete scratchThread;
  scratchThread = nullptr;
  // The adder must not change the library while the engine goes and the last save writes it.
  ZRDatabase* database = ZRDatabase::getInstance();
  if (database != nullptr) database->stopBackgroundWork();
  // The skin's controls go with the main window: the user actions write nowhere from now on.
  installActionControls(nullptr);
  installActionDialogs({});
  installChooseFileDialog(nullptr);
  uninstallBpmEditorWindow();
  setReorderColumnsParent(nullptr);
  installLibraryNodes(nullptr);
  installSingerNameDialog(nullptr);
  installLibraryDialogs({});
  installSearchStopHook(nullptr);
  MainFrame = nullptr;

  delete batchAudioDetection;
  batchAudioDetection = nullptr;
  // The render thread has ended (it freed the video sources); a frame of one left behind finds no decks.
  installVideoOutputEngine(nullptr);
  // After the render thread, which freed the layer's texture; writes shaders.xml.
  stopShaderLayer();
  deleteEngineObjects();
  freeScanAudioDevices();

  ZRLOG("saving DB start");
  if (database != nullptr && startLoads.library)
    database->saveAtShutDown(inFolder(theDatabaseDir, "database.xml"));
  if (browser != nullptr) browser->closePluginsPost();
  ZRCurlGlobalDeinit();
  screenSaverDeinit();
  if (savingWindow != nullptr) savingWindow->Close(true);
  ZRLOG("UninitializeApplication finished ok");
}
