#pragma once
// The generated layouts of the system's dialogs. Each function fills a parent window with its controls
// (every control with its fixed window id, found again later with FindWindow), arranges them in sizers and
// returns the top sizer. With setSizer the sizer becomes the parent's; with fit as well the parent takes
// the sizer's minimum size. A whole dialog is laid out with (dialog, true, true), a notebook page with
// (page, false, true). Labels show as written here: no translation catalogue is installed; code that must
// show language texts overwrites them after the layout has run.
//
// Main thread only, like every toolkit call.

class wxSizer;
class wxWindow;

// The preferences notebook (id 10000) with its six pages: General, Audio Routing, Video, Karaoke, Control,
// Broadcast.
wxSizer* CfgDialogFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgGeneralPageFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgAudioPageFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgVideoPageFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgKaraokeDialogFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgMidiTimecodePageFunc(wxWindow* parent, bool fit, bool setSizer);
wxSizer* CfgBroadcastPageFunc(wxWindow* parent, bool fit, bool setSizer);

// One row: a choice (id 10101) and an "OK" button (id 5100). The language chooser at start-up and the
// iTunes playlist chooser.
wxSizer* LanguageDialogFunc(wxWindow* parent, bool fit, bool setSizer);

// The tempo editor of a deck: "BPM value" label (10097) and field (10098, "000.0"), "Tap Beat" (10099), the
// "Mode" radio box (10100: manual input and three automatic ranges, the first chosen), "OK" (default) and
// "Cancel".
wxSizer* EditDialogFunc(wxWindow* parent, bool fit, bool setSizer);

// The column order of a track table: a hint (10131), the column list (10132, one selection, 14 placeholder
// lines) and "Move Up" (10133) / "Move Down" (10134) beside it.
wxSizer* OrderColumnsDialogFunc(wxWindow* parent, bool fit, bool setSizer);

enum TarvoDialogIds : int {
  ID_BPM_LABEL = 10097,
  ID_BPM_VALUE = 10098,
  ID_BPM_TAP = 10099,
  ID_BPM_MODE = 10100,
  ID_COLUMNS_HINT = 10131,
  ID_COLUMNS_LIST = 10132,
  ID_COLUMNS_UP = 10133,
  ID_COLUMNS_DOWN = 10134,
};

// Control ids of the preferences notebook that code addresses.
enum TarvoPreferencesIds : int {
  ID_CFG_NOTEBOOK = 10000,
  ID_CFG_SKIN_CHOICE = 10037,
  ID_CFG_VERSION_TEXT = 10036,
  ID_CFG_AUDIO_DEVICE = 10002,
  ID_CFG_LATENCY_SLIDER = 10004,
  ID_CFG_LATENCY_TEXT = 10005,
  ID_CFG_ASIO_PANEL = 10006,
  ID_CFG_MASTER_FX_NOTE = 10030,
  ID_CFG_AUDIO_DEVICE2 = 10032,
  ID_CFG_MIDI_LIST = 10127,
  ID_CFG_TIMECODE_CHOICE = 10130,
  ID_LANGUAGE_CHOICE = 10101,
};

// The web address the Broadcast page starts with (and the default of its setting).
inline constexpr const char* kBroadcastDefaultWebsite = "https://example.com/";
