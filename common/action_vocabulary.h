#pragma once
// The fixed action vocabulary: every action a skin control, engine node, shortcut, language
// label or controller script can name, with the kind of skin element made for it. The tables
// are constant for the life of the process; all lookups are stateless and thread-safe.

#include "common/action_ids.h"

inline constexpr int CACTION_COUNT = 728;        // ids 0 (action_none) .. 727 (action_lastaction)
inline constexpr int CACTION_NODE_STRIDE = 727;  // node table index = id + stride * (deck + 1)
inline constexpr int CACTIONTYPES_COUNT = 27;
inline constexpr int RESIZING_TAGS_COUNT = 89;

// The element type of an action: the index of its skin element tag in CACTIONTYPES_TAGNAMES.
enum ZRActionElementType : int {
  ELEMENT_none = 0,
  ELEMENT_button = 1,
  ELEMENT_slider = 2,
  ELEMENT_textarea = 3,
  ELEMENT_image = 4,
  ELEMENT_backsolid = 5,
  ELEMENT_dropzone = 6,
  ELEMENT_dropdownlist = 7,
  ELEMENT_browser = 8,
  ELEMENT_list = 9,
  ELEMENT_editarea = 10,
  ELEMENT_vumeter = 11,
  ELEMENT_sounddisplay = 12,
  ELEMENT_xypad = 13,
  ELEMENT_rounded_progress = 14,
  ELEMENT_playlive = 15,
  ELEMENT_wheel = 16,
  ELEMENT_beatpos = 17,
  ELEMENT_beatdiff = 18,
  ELEMENT_video = 19,
  ELEMENT_flow = 20,
  ELEMENT_seqpos = 21,
  ELEMENT_cfcurve = 22,
  ELEMENT_waveform = 23,
  ELEMENT_grid = 24,
  ELEMENT_group = 25,
  ELEMENT_unknown = 26,
};

// One action. A retired id has an empty name and element type none: no name lookup returns
// it and no node is made for it.
struct ZRActionRow {
  const char* name;  // lower case keyword, unique
  int type;          // ZRActionElementType
  int subtype;       // 1: a text element captioned with its action's translated label
  int global;        // 1: one element for the application, 0: one per deck
};

extern const ZRActionRow CZRGETACTIONS[CACTION_COUNT];
extern const char* const CACTIONTYPES_TAGNAMES[CACTIONTYPES_COUNT];
// Skin attribute names whose numeric values are scaled when a skin is shown off its design size.
extern const char* const resizingTags[RESIZING_TAGS_COUNT];

// Exact, case-sensitive lookups; the first match from index 0 wins.
// The action id of name; 0 (action_none) for null or unknown names.
int GetActionIndex(const char* name);
// The element type of a skin element tag; 0 (none) for null or unknown tags.
int GetActionTypeTagIndex(const char* tag);
// Row fields by id. The id is not checked: pass ids from the table itself (0..727).
const char* GetActionName(int id);
int GetActionType(int id);
int GetActionSubType(int id);
int GetActionGlobal(int id);
// True when the skin attribute name is one of resizingTags. name must not be null.
bool isActionOkForResize(const char* name);
