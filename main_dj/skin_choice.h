#pragma once
// The skin as a setting: "UserInterface" names the skin, and setting it loads the skin at once. This module
// builds the skin catalogue from the skin folders, picks the default skin for the display, loads a skin by
// its key at the image size that best fits the display, restores the panel sizes the user gave that skin,
// and lets controller scripts change the skin by part of its file name. It also holds the window actions of
// the skin (minimize, maximize, close, reload skin, reload MIDI) and the track lists' focus hook.
//
// Main thread (skin loads end in toolkit calls; the settings change handler brings changes made on other
// threads here).

#include <functional>
#include <string>

#include "common/zr_string.h"
#include "gui/zr_node_events.h"

class wxChoice;
class ZRDrawNode;
class ZRSkinManager;

// The catalogue; made by the first scanAllSkins.
extern ZRSkinManager* skinManager;
// The track list (playlist or side list) that last took the keyboard focus; list commands act on it.
extern ZRDrawNode* lastFocusedPlaylist;
// The skin chosen when nothing else decides.
inline constexpr const char* kPreferredDefaultSkin = "Orvel";

// Fills the catalogue once from the resources' skins, skins-halden ("[halden]") and skins-brevo
// ("[brevo]") folders and the user's Skins folder ("[u]"), and lists every skin key in choice.
void scanAllSkins(wxChoice* choice);
// The key of the skin for the current display (name: 128 bytes): the "Orvel" skin, else the largest that
// fits. Nothing without a catalogue.
void getDefaultSkin(char* name);
// Loads the skin of a key (an unknown key loads the default skin; the setting keeps its name).
void loadSkin(const char* name);
// Restores the panel sizes stored for the skin of skinPath ("__skin_<name>__<panel>" settings).
void applySkinSettings(const ZRString& skinPath);
// The setting key of one panel size of a skin.
std::string skinPanelSettingKey(const ZRString& skinPath, const char* panel);
// A controller script's skin change: the skin whose file name is partialName, else the first whose path
// contains it, becomes "UserInterface".
void changeSkin(const char* partialName);

// How a skin is loaded (XML, image, width, height, image parts) while there is no main window: a skin
// engine run without a window (setShellNodeManager). The main window loads skins itself.
using ZRSkinWindowLoader =
    std::function<bool(const ZRString& xmlPath, const ZRString& imagePath, int width, int height, int parts)>;
void setSkinWindowLoader(ZRSkinWindowLoader loader);
// The size of the display the main window is on (its current mode).
void getMainDisplaySize(int& width, int& height);

// Actions of the skin.
void reloadSkin(int value, int param, int deck, ZRDrawNode* node);
void reloadMidi(int value, int param, int deck, ZRDrawNode* node);
void FMinimizeApp(int value, int param, int deck, ZRDrawNode* node);
void FMaximizeApp(int value, int param, int deck, ZRDrawNode* node);
void FCloseApp(int value, int param, int deck, ZRDrawNode* node);
void OnKBFocusPlaylistOrSideList(int focused, int param, int deck, ZRDrawNode* node);

// The node-table index of an action for a deck (a script's handle on a control): action + 727 x (deck + 1);
// for a name starting with "_" (or a deck below -1) the number of the skin-script node of that name. -1 for
// an unknown name, a deck above 1 or without a main window.
int GetEngineNodeId(const char* name, int deck);
