#include "dsp/engine/zr_batch_audio_detection.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "codecs/zr_master_codec.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/audio_display_processing.h"
#include "dsp/zr_audio_detection.h"

namespace {

constexpr int kBlockFrames = 44100;
constexpr int kPointsPerBlock = 441;
// The codec's id for the background analysis.
constexpr int kBatchCodecId = 30;

}  // namespace

ZRBatchAudioDetection::ZRBatchAudioDetection(const ZRString& stripes, bool firstGeneration, bool steadyMode)
    : stripesFolder(stripes), requestFormat{44100, 2, 32, 32, 0, 0} {
  codec = new ZRMasterCodec(kBatchCodecId);
  detection = ZRAudioDetection::create(true, firstGeneration, steadyMode);
  if (detection) detection->setMarkValues(55.0f, 65.0f);
  display = new ZRAudioDisplayProcessing(kBlockFrames, true, true, true, true, true);
}

ZRBatchAudioDetection::~ZRBatchAudioDetection() {
  delete codec;
  delete detection;
  delete display;
}

void ZRBatchAudioDetection::analyzeFileAndUpdateDatabase(const ZRString& path, int /*unused*/) {
  if (!codec || !detection) return;
  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.format = requestFormat;
  if (!codec->openFileOrStream(&request, 1.0f)) return;
  const int totalFrames = request.format.totalFrames;
  if (totalFrames <= 0 || totalFrames >= kMaxFrames) {
    codec->close();
    return;
  }
  const int seconds = (totalFrames + kBlockFrames - 1) / kBlockFrames;
  const int points = seconds * kPointsPerBlock;
  std::vector<short> block(2 * static_cast<size_t>(kBlockFrames));
  std::vector<float> onsets(static_cast<size_t>(points) + 1, 0.0f);
  std::vector<float> rms(static_cast<size_t>(points) + 1, 0.0f);
  std::vector<float> lowBand(static_cast<size_t>(points) + 1, 0.0f);

  detection->resetAndStartProcessing(totalFrames, 0);
  display->reset();
  float displayScale = 1.0f;
  for (int b = 0; b < seconds; ++b) {
    const int wanted = std::min(kBlockFrames, totalFrames - kBlockFrames * b);
    const int read = codec->getSamplesShort(
        block.data(), std::max(wanted, ZRMasterCodec::kMinFramesPerRequest), kBlockFrames * b);
    const int n = std::clamp(read, 0, wanted);
    const size_t at = static_cast<size_t>(kPointsPerBlock) * b;
    display->process(block.data(), n, 2, rms.data() + at, lowBand.data() + at, nullptr, nullptr, nullptr);
    const float m = display->getMaxValue();
    detection->process(block.data(), n, 2, onsets.data() + at, 0);
    if (m > 0.05f) displayScale = 1.0f / m;
  }
  codec->close();

  // The beat marks go into the low band, which the stripe keeps.
  if (!detection->detectAudioFeatures(onsets.data(), points, -1, lowBand.data())) {
    ZRLOG("batch ended1");
    return;
  }
  const float bpm = detection->getAverageBPM();
  char keyText[ZRAudioDetection::kKeyNameSize] = {};
  detection->getPitchKeyName(keyText);
  const float gain = detection->getAutoGain();
  const int durationMs = static_cast<int>(lrint(totalFrames / 44.1));

  ZRDatabase* database = ZRDatabase::getInstance();
  if (!database) return;
  database->updateTrack(path, bpm, durationMs, false, keyText, true, gain, ZRString(), 0.0f);
  TZRDatabaseTrack record;
  if (database->getTrackIdOnlyIfFound(-1, path, &record)) {
    ZRDatabase::saveStripe(&record, stripesFolder, detection, detection->isBeatGridSuitableForAlwaysInSync(),
                           displayScale, onsets.data(), rms.data(), lowBand.data(), points);
    database->updateTrackMerge(&record, false);
  }
}
