#include "actions_dj/recording_action.h"

#include <cctype>
#include <string>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "soundio/zr_audio_multi_output.h"

namespace {

const char kRecordingWildcard[] = "Apple AIFF (*.aif)|*.aif|WAV (*.wav)|*.wav|MP3 (*.mp3)|*.mp3";

void showRecording(bool on) {
  ZRActionControls& controls = actionControls();
  controls.setSwitched(ACT_recording, -1, on, false);
  controls.setSwitched(ACT_recording_audio, -1, on, false);
}

void startRecordingTo(const ZRString& chosen) {
  if (chosen.empty() || audioOutput == nullptr) {
    showRecording(false);
    return;
  }
  const std::string path = recordingPathWithExtension(chosen).utf8();
  const bool started = audioOutput->startRecording(path.c_str());
  if (!started) ZRLOG("recording not started: %s", path.c_str());
  showRecording(started);
}

}  // namespace

ZRString recordingPathWithExtension(const ZRString& path) {
  std::string text = path.utf8();
  const size_t slash = text.find_last_of('/');
  std::string name = slash == std::string::npos ? text : text.substr(slash + 1);
  for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  const size_t dot = name.find_last_of('.');
  const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
  if (extension == ".wav" || extension == ".aif" || extension == ".aiff" || extension == ".mp3") return path;
  return ZRString(text + ".aif");
}

void FRecording(int value, int, int, ZRDrawNode* node) {
  if (audioOutput == nullptr) return;
  if (node == nullptr) value = actionControls().getSwitched(ACT_recording_audio, -1) ? 1 : 0;
  if (value == 0) {
    audioOutput->stopRecording();
    showRecording(false);
    return;
  }
  chooseSaveFile(languageText(txt_saverec_title), ZRString(kRecordingWildcard), startRecordingTo);
}

void FRecordingChooseType(int value, int, int, ZRDrawNode* node) {
  FRecording(value, 0, 0, node);
}
