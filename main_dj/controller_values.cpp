#include "main_dj/controller_values.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "database/zr_database_track.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_sampler_player.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "main_dj/action_bindings.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/shell_window.h"

namespace {

struct ScrollSlot {
  std::string text;  // the whole text (titles reach 4 KB; nothing is cut here)
  int offset = 0;
  int step = 1;
};
ScrollSlot scrollSlots[2][3];

// Byte offsets of the UTF-8 characters of s, and its end.
std::vector<size_t> characterStarts(const std::string& s) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < s.size(); i++) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) starts.push_back(i);
  }
  starts.push_back(s.size());
  return starts;
}

// Copies bytes [from, to) of s into out (size bytes), cut on a character boundary, terminated.
void copyOut(const std::string& s, size_t from, size_t to, char* out, int size) {
  if (out == nullptr || size <= 0) return;
  size_t n = std::min(to - from, static_cast<size_t>(size - 1));
  while (n > 0 && from + n < s.size() && (static_cast<unsigned char>(s[from + n]) & 0xC0) == 0x80) n--;
  std::memcpy(out, s.data() + from, n);
  out[n] = 0;
}

void copyText(const std::string& s, char* out, int size) {
  copyOut(s, 0, s.size(), out, size);
}

CSoundSource* deckOf(int deck) {
  return deck == 0 || deck == 1 ? decks[deck] : nullptr;
}

bool hasTrack(CSoundSource* d) {
  return d != nullptr && d->GetLength() > 0;
}

bool switched(ZRNodeManager* m, int action, int deck) {
  auto* b = engineNodeAs<ZRNodeButton>(m, action, deck);
  return b != nullptr && b->getSwitched();
}

int sliderPos(ZRNodeManager* m, int action, int deck) {
  auto* s = engineNodeAs<ZRNodeSliderKnob>(m, action, deck);
  return s != nullptr ? s->GetPos() : 0;
}

double meterDb(ZRNodeManager* m, int action, int deck) {
  auto* v = engineNodeAs<ZRNodeVUMeter>(m, action, deck);
  return v != nullptr ? v->getValueDB() : -90.0;
}

bool startsWith(const char* s, const char* prefix) {
  return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

// A number 1..max after prefix, else 0.
int suffixNumber(const char* s, size_t prefixLength, int max) {
  const char* p = s + prefixLength;
  if (*p < '1' || *p > '9') return 0;
  char* end = nullptr;
  const long n = std::strtol(p, &end, 10);
  return *end == 0 && n >= 1 && n <= max ? static_cast<int>(n) : 0;
}

struct NodeRow {
  const char* name;
  int action;
};

const NodeRow kDeckSwitches[] = {{"analogIn", ACT_deck_analogin},  {"timecodeIn", ACT_deck_timecodein},
                                 {"brake", ACT_deck_brake},        {"reverse", ACT_deck_reverse},
                                 {"killLow", ACT_deck_kill_low},   {"killMid", ACT_deck_kill_mid},
                                 {"killHigh", ACT_deck_kill_high}, {"micKillLow", ACT_mic_kill_low},
                                 {"micKillMid", ACT_mic_kill_mid}, {"micKillHigh", ACT_mic_kill_high}};

// The script names of the effects, in the order of their actions' names.
const struct {
  const char* name;
  int button, dryWet, param1, param2;
} kEffects[] = {
#define ORVEL_FX(name, b) \
  { name, ACT_##b, ACT_##b##_drywet, ACT_##b##_param1, ACT_##b##_param2 }
    ORVEL_FX("fxPan", deck_fx_pan),           ORVEL_FX("fxFlanger", deck_fx_flanger),
    ORVEL_FX("fxPhaser", deck_fx_phaser),     ORVEL_FX("fxReverb", deck_fx_reverb),
    ORVEL_FX("fxEcho", deck_fx_echo),         ORVEL_FX("fxDelay", deck_fx_delay),
    ORVEL_FX("fxBeatwaw", deck_fx_beatwaw),   ORVEL_FX("fxCutoffLP", deck_fx_cutofflp),
    ORVEL_FX("fxCutoffHP", deck_fx_cutoffhp), ORVEL_FX("fxBitCrusher", deck_fx_bitcrusher),
    ORVEL_FX("fxTremolo", deck_fx_tremolo),
#undef ORVEL_FX
};

void artistTitle(CSoundSource* d, int kind, std::string& out) {
  out.clear();
  if (!hasTrack(d)) return;
  const TZRDatabaseTrack track = d->getCurrentTrack();
  const std::string artist = track.tags[kTagArtist].utf8(), title = track.tags[kTagTitle].utf8();
  if (kind == 1) out = artist;
  if (kind == 2) out = title;
  if (kind == 0) out = artist.empty() ? title : title.empty() ? artist : artist + " - " + title;
}

}  // namespace

int getScrollTextValue(int deck, int kind, int length, const char* text, char* out, int outSize) {
  const std::string s = text != nullptr ? text : "";
  const std::vector<size_t> starts = characterStarts(s);
  const int characters = static_cast<int>(starts.size()) - 1;
  if (deck < 0 || deck > 1 || kind < 0 || kind > 2) {
    copyOut(s, 0, starts[std::clamp(length, 0, characters)], out, outSize);
    return 0;
  }
  ScrollSlot& slot = scrollSlots[deck][kind];
  if (slot.text != s) {
    slot.text = s;
    slot.offset = 0;
    slot.step = 1;
  }
  if (length >= characters) {
    copyText(s, out, outSize);
    return slot.offset;
  }
  length = std::max(length, 0);
  slot.offset = std::clamp(slot.offset, 0, characters - length);
  copyOut(s, starts[slot.offset], starts[slot.offset + length], out, outSize);
  slot.offset += slot.step;
  if (slot.offset + length >= characters) slot.step = -1;
  if (slot.offset < 1) slot.step = 1;
  return slot.offset;
}

void resetScrollTextValues() {
  for (auto& deck : scrollSlots)
    for (ScrollSlot& slot : deck) slot = ScrollSlot();
}

void GetEngineValue(const char* name, int deck, int& value, double& number, char* text, int textSize,
                    int& type, int scrollLength) {
  GetEngineValue(shellNodeManager(), name, deck, value, number, text, textSize, type, scrollLength);
}

void GetEngineValue(ZRNodeManager* m, const char* name, int deck, int& value, double& number, char* text,
                    int textSize, int& type, int scrollLength) {
  type = 0;
  if (text != nullptr && textSize > 0) text[0] = 0;
  if (name == nullptr) return;
  CSoundSource* d = deckOf(deck);
  auto answerInt = [&](int v) {
    value = v;
    type = 1;
  };
  auto answerDouble = [&](double v) {
    number = v;
    type = 2;
  };
  const std::string n = name;

  if (n == "bpm") return answerDouble(d != nullptr ? d->GetCurrentBPM() : 0.0);
  if (n == "currentBpm") {
    if (d == nullptr) return answerDouble(0.0);
    const double bpm = d->GetCurrentBPM();
    if (d->GetTimecodedVinylMode() != 0) return answerDouble(bpm * std::fabs(d->GetCurrentSpeed()));
    return answerDouble(bpm * (1.0 - sliderPos(m, ACT_deck_pitch, deck) / 10000.0));
  }
  if (n == "pitch") return answerInt(d != nullptr ? d->GetPitch() : 0);
  if (n == "timeElapsed") return answerDouble(hasTrack(d) ? d->GetCurrentPos() / 44100.0 : 0.0);
  if (n == "timeRemain") {
    return answerDouble(hasTrack(d) ? (d->GetLength() - d->GetCurrentPos()) / 44100.0 : 0.0);
  }
  if (n == "artist-title" || n == "artist" || n == "title") {
    const int kind = n == "artist-title" ? 0 : n == "artist" ? 1 : 2;
    std::string s;
    artistTitle(d, kind, s);
    if (kind != 0 && !hasTrack(d)) return;
    if (scrollLength > 0) {
      getScrollTextValue(deck, kind, scrollLength, s.c_str(), text, textSize);
    } else {
      copyText(s, text, textSize);
    }
    type = 3;
    return;
  }
  if (n == "play") return answerInt(hasTrack(d) && d->IsPlaying() ? 1 : 0);
  if (n == "cue") {
    if (d == nullptr) return answerInt(0);
    const int cue = d->getCuePos(-1);
    return answerInt(cue >= 1 && std::abs(d->GetCurrentPos() - cue) <= 441 ? 1 : 0);
  }
  if (n == "keyLock") return answerInt(switched(m, ACT_deck_key_lock, deck));
  if (n == "monitor") return answerInt(switched(m, ACT_deck_monitor, deck));
  if (n == "pitchIs0")
    return answerInt(engineNode(m, ACT_deck_pitch, deck) != nullptr &&
                     sliderPos(m, ACT_deck_pitch, deck) == 0);
  if (n == "loopSize") return answerInt(d != nullptr ? d->GetLoopSizeIn64Divisions() : 0);
  if (n == "looping") return answerInt(d != nullptr && d->GetLoopInfo().active ? 1 : 0);
  if (n == "loopIn") return answerInt(d != nullptr && d->GetLoopInfo().inMarked ? 1 : 0);
  if (startsWith(name, "cuepos")) {
    value = 0;
    type = 1;
    if (d == nullptr) return;
    const char* suffix = name + 6;
    if (std::strcmp(suffix, "in") == 0) value = d->GetMixInCue();
    if (std::strcmp(suffix, "out") == 0) value = d->GetMixOutCue();
    if (const int cue = suffixNumber(name, 6, 16)) value = d->getCuePos(cue - 1);
    return;
  }
  if (startsWith(name, "looppos")) {
    const int slot = suffixNumber(name, 7, 8);
    if (slot == 0) return;
    return answerInt(d != nullptr ? d->GetLoopNoStart(slot - 1) : -1);
  }
  if (startsWith(name, "cuecolor")) {
    const int cue = suffixNumber(name, 8, 16);
    if (cue == 0) return;
    char colour[8] = {0};
    if (d != nullptr) d->getCueColor(cue - 1, colour);
    copyText(colour, text, textSize);
    type = 3;
    return;
  }
  if (n == "onbeat") return answerInt(0);
  if (n == "vumeterDeck") return answerDouble(meterDb(m, ACT_vm_deck, deck));
  if (n == "vumeterDeckL") return answerDouble(meterDb(m, ACT_vm_deckl, deck));
  if (n == "vumeterDeckR") return answerDouble(meterDb(m, ACT_vm_deckr, deck));
  if (n == "vumeterMic") return answerDouble(meterDb(m, ACT_vm_microphone, -1));
  if (n == "vumeterMasterL") return answerDouble(meterDb(m, ACT_vm_masterl, -1));
  if (n == "vumeterMasterR") return answerDouble(meterDb(m, ACT_vm_masterr, -1));
  for (const NodeRow& row : kDeckSwitches) {
    if (n == row.name) return answerInt(switched(m, row.action, deck));
  }
  if (startsWith(name, "fx")) {
    for (const auto& fx : kEffects) {
      if (n == fx.name) return answerInt(switched(m, fx.button, deck));
      const std::string base = fx.name;
      if (n == base + "DryWet") return answerInt(sliderPos(m, fx.dryWet, deck));
      if (n == base + "Param1") return answerInt(sliderPos(m, fx.param1, deck));
      if (n == base + "Param2") return answerInt(sliderPos(m, fx.param2, deck));
    }
  }
  if (n == "onAir") return answerInt(switched(m, ACT_onair, deck));
  if (n == "talkOver") return answerInt(switched(m, ACT_talkover, deck));
  if (n == "autoDj") return answerInt(switched(m, ACT_autodj, -1));
  if (n == "random") return answerInt(switched(m, ACT_random, -1));
  if (n == "lbMode") {
    const ZRNodeManager* manager = m;
    ZRDrawNode* focus = manager != nullptr ? manager->getKBFocusNode() : nullptr;
    if (focus != nullptr && focus == engineNode(m, ACT_sidelist, -1)) return answerInt(2);
    if (focus != nullptr && focus == engineNode(m, ACT_browser, -1)) return answerInt(1);
    return answerInt(0);
  }
  if (startsWith(name, "sampler")) {
    const int slot = name[7] >= '1' && name[7] <= '8' ? name[7] - '1' : -1;
    const char* what = name + 8;
    if (slot >= 0 && (std::strcmp(what, "loaded") == 0 || std::strcmp(what, "playing") == 0)) {
      ZRSamplerPlayer* sampler = ZRSamplerPlayer::samplers[slot].load();
      if (std::strcmp(what, "loaded") == 0) return answerInt(sampler != nullptr && sampler->IsOpen());
      return answerInt(sampler != nullptr && sampler->GetPlaying() != 0);
    }
  }
  if (n == "crossfader") return answerInt(sliderPos(m, ACT_crossfader, -1));
  if (n == "monitorGain") return answerInt(sliderPos(m, ACT_monitor_gain, -1));
  if (n == "cfAudio") return answerInt(sliderPos(m, ACT_cf_audio, deck));
  if (n == "cfVideo") return answerInt(sliderPos(m, ACT_cf_video, deck));
  if (n == "pitchRange") {
    int range = 0;
    if (preferences != nullptr) preferences->getValue("PitchRange", range);
    return answerInt(range);
  }
  if (n == "jogWheelAngle") {
    auto* wheel = engineNodeAs<ZRNodeJogWheel>(m, ACT_deck_wheel, deck);
    return answerDouble(wheel != nullptr ? wheel->angle.load() : 0.0);
  }
}
