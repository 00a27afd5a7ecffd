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
  const int announced = request.format.totalFrames;
  if (announced <= 0 || announced >= kMaxFrames) {
    codec->close();
    return;
  }
  // The announced length is an estimate (a VBR MP3 without its header is off by a second or more): the
  // track is read as long as the decoder delivers, and its decoded length is what is stored.
  int totalFrames = announced;
  int seconds = (totalFrames + kBlockFrames - 1) / kBlockFrames;
  std::vector<short> block(2 * static_cast<size_t>(kBlockFrames));
  std::vector<float> onsets, rms, lowBand;
  const auto sizeFor = [&](int blocks) {
    const size_t points = static_cast<size_t>(blocks) * kPointsPerBlock + 1;
    onsets.resize(points, 0.0f);
    rms.resize(points, 0.0f);
    lowBand.resize(points, 0.0f);
  };
  sizeFor(seconds);

  detection->resetAndStartProcessing(totalFrames, 0);
  display->reset();
  float displayScale = 1.0f;
  int read = 0;
  for (int b = 0; b < seconds; ++b) {
    const bool lengthKnown = codec->getDecodedLength() >= 0;
    // Until the decoder has met the end, the last block is read whole: the track may go on.
    const int wanted = lengthKnown || b < seconds - 1 ? std::min(kBlockFrames, totalFrames - kBlockFrames * b)
                                                      : kBlockFrames;
    const int got = codec->getSamplesShort(
        block.data(), std::max(wanted, ZRMasterCodec::kMinFramesPerRequest), kBlockFrames * b);
    const int n = std::clamp(got, 0, wanted);
    read = kBlockFrames * b + n;
    const size_t at = static_cast<size_t>(kPointsPerBlock) * b;
    display->process(block.data(), n, 2, rms.data() + at, lowBand.data() + at, nullptr, nullptr, nullptr);
    const float m = display->getMaxValue();
    detection->process(block.data(), n, 2, onsets.data() + at, 0);
    if (m > 0.05f) displayScale = 1.0f / m;
    const int decoded = codec->getDecodedLength();
    if (decoded >= 0) {
      totalFrames = std::min(decoded, kMaxFrames - 1);
    } else if (b == seconds - 1 && n == kBlockFrames && read < kMaxFrames - kBlockFrames) {
      totalFrames = read + kBlockFrames;
    } else if (b == seconds - 1) {
      totalFrames = read;
    }
    const int needed = (totalFrames + kBlockFrames - 1) / kBlockFrames;
    if (needed != seconds && needed > b) {
      seconds = needed;
      sizeFor(seconds);
    }
    if (n < wanted) break;
  }
  codec->close();
  totalFrames = std::min(totalFrames, read);
  seconds = (totalFrames + kBlockFrames - 1) / kBlockFrames;
  if (totalFrames <= 0) return;
  const int points = seconds * kPointsPerBlock;

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
