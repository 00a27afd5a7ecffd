#pragma once
// The deck effects: ten built-in effects per deck, each with an on/off button, a dry/wet slider and two
// parameter sliders (0..1000) and their value texts; two effect slots per deck that show and drive whichever
// of the ten the user picks in their drop-down; a two-axis pad that drives two chosen effects at once; and
// the effect and sampler tab buttons of skins without an effect page. The effects run in the deck's mixer
// channel, addressed by the channel's effect slot (the row's `slot`).
//
// The state of an effect (on, mix, parameters) lives in the channel; the controls mirror it. A slot follows
// the effect it shows: the effect's own controls refresh both slots of the deck, and a slot's sliders move
// the effect's own sliders as a controller would. Effect ids, slots, rows and decks out of range are
// ignored (a script or controller may pass anything).
//
// Action form (value, param, deck, node); the pad's is the pointer form (event, x, y, button, param, deck,
// node).
// Threads: the main thread or the render thread (MIDI, scripts). The selection state is atomic; the channel
// setters store single values the audio thread takes up at its next buffer.

class ZRDrawNode;

// One row of the built-in effect table: display name, parameter names ("-": none), the deck channel's
// effect slot, the controller notification name, and the actions of its button, sliders and value texts.
struct ZRInternalFx {
  const char* name;
  const char* param1Name;
  const char* param2Name;
  int slot;
  const char* key;
  int button, dryWet, param1, param2, dryWetValue, param1Value, param2Value;
};
inline constexpr int kInternalFxCount = 10;
extern const ZRInternalFx internalFx[kInternalFxCount];

// The row of an effect slot id; -1 when no row uses it.
int internalFxRowForSlot(int slot);
// The row shown in effect slot unit (0, 1) of deck; -1 for a unit or deck out of range.
int currentFxRow(int unit, int deck);
// The rows the pad drives on deck (X, Y axes); -1 for a deck out of range.
int padFxRow(int axis, int deck);
// Back to the start: Flanger in slot 1, Echo in slot 2, pad X Flanger and Y LP Cutoff, nothing shown yet.
void resetEffectSelection();
// "%d%%" of a 0..1000 slider position.
void formatFxPercent(int value, char* out, int outSize);

void FDeck_FX(int value, int param, int deck, ZRDrawNode* node);
void FDeck_FX_DryWet(int value, int param, int deck, ZRDrawNode* node);
void FDeck_FX_Param1(int value, int param, int deck, ZRDrawNode* node);
void FDeck_FX_Param2(int value, int param, int deck, ZRDrawNode* node);
// param: the slot (0, 1); value: the chosen row.
void FAudioFX_OnChange(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFX_Prev(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFX_Next(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFX_Toggle(int value, int param, int deck, ZRDrawNode* node);
void OnSliderTrack_DeckFX_DryWet(int value, int param, int deck, ZRDrawNode* node);
void OnSliderTrack_DeckFX_Param1(int value, int param, int deck, ZRDrawNode* node);
void OnSliderTrack_DeckFX_Param2(int value, int param, int deck, ZRDrawNode* node);
// Refreshes slot unit of deck from the row it shows (positions, texts, toggle; labels when the row changed).
void updateToggleEffectsControlsForBank(int unit, int deck);

// The pad: event 1 press, 0 release, -1 move; x and y in 0..1000.
void FAudioPadFX_OnMove(int event, int x, int y, int button, int param, int deck, ZRDrawNode* node);
// param: the axis (0 X, 1 Y); value: the chosen row.
void FAudioPadFX_OnChange(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFXPrevX(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFXNextX(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFXPrevY(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_DeckFXNextY(int value, int param, int deck, ZRDrawNode* node);

// Tabs of skins without an effect or sampler page: they only say so.
void FDeck_SelectFXtab(int value, int param, int deck, ZRDrawNode* node);
void FMic_SelectFXtab(int value, int param, int deck, ZRDrawNode* node);
void FMaster_SelectFXtab(int value, int param, int deck, ZRDrawNode* node);
void FSamples_SelectTab(int value, int param, int deck, ZRDrawNode* node);
void FDeck_AddFx(int value, int param, int deck, ZRDrawNode* node);
void FMic_AddFx(int value, int param, int deck, ZRDrawNode* node);
void FMaster_AddFx(int value, int param, int deck, ZRDrawNode* node);
