#include "database/zr_stripe_file.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/zr_audio_detection.h"

namespace {

constexpr int32_t kStripeVersion = 1;

uint32_t nextRandom() {
  static std::mutex mutex;
  static std::mt19937 generator{std::random_device{}()};
  std::lock_guard<std::mutex> guard(mutex);
  return generator();
}

void putInt(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  const char bytes[4] = {static_cast<char>(u & 0xff), static_cast<char>((u >> 8) & 0xff),
                         static_cast<char>((u >> 16) & 0xff), static_cast<char>((u >> 24) & 0xff)};
  out.append(bytes, 4);
}

void putFloat(std::string& out, float f) {
  int32_t v;
  std::memcpy(&v, &f, 4);
  putInt(out, v);
}

// Reads little-endian values from a byte buffer; every read fails once the
// buffer is exhausted.
class Reader {
 public:
  explicit Reader(const std::vector<unsigned char>& bytes) : bytes_(bytes) {}
  size_t remaining() const { return bytes_.size() - pos_; }
  bool getInt(int32_t& v) {
    if (remaining() < 4) return false;
    const uint32_t u = static_cast<uint32_t>(bytes_[pos_]) | (static_cast<uint32_t>(bytes_[pos_ + 1]) << 8) |
                       (static_cast<uint32_t>(bytes_[pos_ + 2]) << 16) |
                       (static_cast<uint32_t>(bytes_[pos_ + 3]) << 24);
    v = static_cast<int32_t>(u);
    pos_ += 4;
    return true;
  }
  bool getFloat(float& f) {
    int32_t v;
    if (!getInt(v)) return false;
    std::memcpy(&f, &v, 4);
    return true;
  }
  bool getByte(unsigned char& b) {
    if (remaining() < 1) return false;
    b = bytes_[pos_++];
    return true;
  }

 private:
  const std::vector<unsigned char>& bytes_;
  size_t pos_ = 0;
};

ZRStripeReadResult bad(int n) {
  ZRLOG("warning: bad stripe data(%d)", n);
  return ZRStripeReadResult::kBad;
}

}  // namespace

ZRString stripeFilePath(const ZRString& stripesDir, const ZRString& name) {
  if (name.len() < 3) return ZRString();
  const ZRString folder = name.left(2);
  const ZRString file = name.substr(3, name.len() - 3);
  const auto unsafe = [](const ZRString& part) {
    return part.empty() || part == ZRString(".") || part == ZRString("..") || part.contains("/") ||
           part.contains("\\");
  };
  if (unsafe(folder) || unsafe(file)) return ZRString();
  ZRString path = stripesDir;
  path.appendSeparatorIfNeeded();
  return path + folder + ZRString("/") + file;
}

int readStripePointCount(const ZRString& path) {
  if (path.empty() || !FileExists(path)) return -1;
  FILE* file = OpenFileFromZRString(path, ZRString("rb"));
  if (!file) return -1;
  std::vector<unsigned char> bytes(8);
  bytes.resize(fread(bytes.data(), 1, bytes.size(), file));
  fclose(file);
  Reader in(bytes);
  int32_t version = 0;
  int32_t count = 0;
  if (!in.getInt(version) || version != kStripeVersion || !in.getInt(count) || count < 0) return -1;
  return count;
}

ZRStripeReadResult readStripeFile(const ZRString& path, int expectedCount, bool withBeats,
                                  ZRStripeData* out) {
  if (!out || path.empty() || !FileExists(path)) return ZRStripeReadResult::kMissing;
  FILE* file = OpenFileFromZRString(path, ZRString("rb"));
  if (!file) return ZRStripeReadResult::kUnreadable;
  // Nothing valid is longer than the fixed fields, N onsets, N amplitudes and
  // N beats: read at most that much, so a huge or hostile file costs nothing.
  const size_t n = expectedCount > 0 ? static_cast<size_t>(expectedCount) : 0;
  const size_t maxBytes = 32 + 9 * n;
  std::vector<unsigned char> bytes(maxBytes + 1);
  const size_t got = fread(bytes.data(), 1, bytes.size(), file);
  fclose(file);
  bytes.resize(got);
  Reader in(bytes);

  int32_t version = 0;
  if (!in.getInt(version)) return bad(1);
  if (version != kStripeVersion) {
    ZRLOG("info: old stripe format (version %d, expecting %d); discarding", version, kStripeVersion);
    return ZRStripeReadResult::kOldVersion;
  }
  int32_t count = 0;
  if (!in.getInt(count) || expectedCount < 0 || count != expectedCount) return bad(1);
  if (in.remaining() < 4 * n) return bad(2);
  out->onsets.resize(n);
  for (size_t i = 0; i < n; ++i) in.getFloat(out->onsets[i]);
  if (!in.getFloat(out->displayGain) || !std::isfinite(out->displayGain)) return bad(3);
  int32_t count2 = 0;
  if (!in.getInt(count2) || count2 != expectedCount) return bad(4);
  if (in.remaining() < n) return bad(6);
  out->amplitudes.resize(n);
  for (size_t i = 0; i < n; ++i) {
    unsigned char b = 0;
    in.getByte(b);
    out->amplitudes[i] = static_cast<float>(b) / 255.0f;
  }
  int32_t grid = 0;
  if (!in.getInt(grid)) return bad(7);
  out->gridSuitable = grid == 1;
  int32_t skipped = 0;
  if (!in.getInt(skipped)) return bad(8);
  if (!in.getInt(skipped)) return bad(9);
  out->beats.clear();
  if (withBeats) {
    int32_t beats = 0;
    if (!in.getInt(beats) || beats <= 0 || static_cast<size_t>(beats) > n ||
        in.remaining() < 4 * static_cast<size_t>(beats)) {
      return bad(10);
    }
    out->beats.resize(static_cast<size_t>(beats));
    for (int32_t& b : out->beats) {
      in.getInt(b);
      if (b < 0 || b >= expectedCount) return bad(11);
    }
  }
  return ZRStripeReadResult::kOk;
}

bool ZRDatabase::saveStripe(TZRDatabaseTrack* record, const ZRString& stripesDir, ZRAudioDetection* detector,
                            bool gridSuitable, float displayGain, const float* onsets,
                            const float* amplitudes, const float* beatMarks, int n) {
  if (!record) return false;
  ZRString base = stripesDir;
  base.appendSeparatorIfNeeded();
  if (record->stripe.empty()) {
    const ZRString folder = ZRString::format("%02X", static_cast<int>(nextRandom() % 256));
    if (!DirExists(base + folder)) DirCreate(base + folder);
    ZRString file;
    do {
      file = ZRString::format("%08X", static_cast<unsigned>(nextRandom() % 2147483647u));
    } while (FileExists(base + folder + ZRString("/") + file));
    record->stripe = folder + ZRString("-") + file;
  }
  const std::string name = record->stripe.utf8();
  const ZRString path = stripeFilePath(stripesDir, record->stripe);
  if (name.size() < 3 || path.empty()) {
    ZRLOG("error: cannot open stripe (2) for writing='%s' for file '%s'", name, record->tags[kTagFileName]);
    return true;
  }
  if (name.size() <= 31 && !DirExists(base + record->stripe.left(2)))
    DirCreate(base + record->stripe.left(2));

  const int count = n > 0 && onsets && amplitudes ? n : 0;
  std::string bytes;
  bytes.reserve(36 + 9 * static_cast<size_t>(count));
  putInt(bytes, kStripeVersion);
  putInt(bytes, count);
  for (int i = 0; i < count; ++i) putFloat(bytes, onsets[i]);
  putFloat(bytes, displayGain);
  putInt(bytes, count);
  for (int i = 0; i < count; ++i) bytes.push_back(static_cast<char>(lrintf(amplitudes[i] * 255.0f) & 0xff));
  putInt(bytes, gridSuitable ? 1 : 0);
  putInt(bytes, 4);
  putInt(bytes, 1);
  if (detector) {
    std::vector<int> beats;
    if (beatMarks && count > 0) detector->getMarkedBeatsPositions(beatMarks, count, beats);
    putInt(bytes, static_cast<int32_t>(beats.size()));
    for (int b : beats) putInt(bytes, b);
  }

  ZRAtomicFileWriter writer(path);
  std::ofstream stream;
  if (!writer.open(stream)) {
    ZRLOG("error: cannot open stripe (1) for writing='%s' for file '%s'", path, record->tags[kTagFileName]);
    return true;
  }
  stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!writer.commit(stream)) {
    ZRLOG("error: cannot open stripe (1) for writing='%s' for file '%s'", path, record->tags[kTagFileName]);
  }
  return true;
}
