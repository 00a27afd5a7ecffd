#include "codecs/zr_declared_length.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
#include <libavutil/mathematics.h>
}

namespace {

constexpr const char* kMp4Demuxer = "mov,mp4,m4a,3gp,3g2,mj2";

uint32_t be32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

uint32_t le32(const unsigned char* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

bool isDemuxer(const AVFormatContext* ctx, const char* name) {
  return ctx && ctx->iformat && ctx->iformat->name && std::strcmp(ctx->iformat->name, name) == 0;
}

// Reads count bytes at offset of a seekable source, putting its position back. False when it cannot.
bool readAt(AVIOContext* pb, int64_t offset, unsigned char* out, int count) {
  if (!pb || !(pb->seekable & AVIO_SEEKABLE_NORMAL) || offset < 0) return false;
  const int64_t resume = avio_tell(pb);
  const bool ok = avio_seek(pb, offset, SEEK_SET) >= 0 && avio_read(pb, out, count) == count;
  avio_seek(pb, resume, SEEK_SET);
  return ok;
}

}  // namespace

int64_t declaredMp4Frames(const AVFormatContext* ctx, const AVStream* st, int rate) {
  if (!isDemuxer(ctx, kMp4Demuxer) || !st || rate <= 0) return -1;
  // iTunSMPB: " 00000000 PPPPPPPP EEEEEEEE NNNNNNNNNNNNNNNN ...", priming, end padding and valid
  // samples in hexadecimal. The demuxer removes the priming but not the padding.
  const AVDictionaryEntry* e = av_dict_get(st->metadata, "iTunSMPB", nullptr, 0);
  if (!e) e = av_dict_get(ctx->metadata, "iTunSMPB", nullptr, 0);
  unsigned zero = 0, priming = 0, padding = 0;
  unsigned long long samples = 0;
  if (e && e->value && std::sscanf(e->value, " %x %x %x %llx", &zero, &priming, &padding, &samples) == 4 &&
      samples > 0 && samples <= static_cast<unsigned long long>(INT_MAX)) {
    return static_cast<int64_t>(samples);
  }
  // Without it, the sample tables and edit list give the duration (the demuxer applies an edit list's
  // start only). A movie that counts milliseconds places the end within a millisecond.
  if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) return -1;
  return av_rescale_q(st->duration, st->time_base, AVRational{1, rate});
}

int64_t mp3TagsStart(AVFormatContext* ctx) {
  if (!isDemuxer(ctx, "mp3") || !ctx->pb) return -1;
  const int64_t size = avio_size(ctx->pb);
  unsigned char tail[160];
  if (size < 160 || !readAt(ctx->pb, size - 160, tail, 160)) return -1;
  const bool id3v1 = std::memcmp(tail + 32, "TAG", 3) == 0;
  const unsigned char* footer = id3v1 ? tail : tail + 128;
  const int64_t footerEnd = size - (id3v1 ? 128 : 0);
  if (std::memcmp(footer, "APETAGEX", 8) != 0) return id3v1 ? footerEnd : -1;
  const int64_t tagSize = le32(footer + 12);  // the items and the footer
  const bool header = (le32(footer + 20) & (1u << 31)) != 0;
  const int64_t start = footerEnd - tagSize - (header ? 32 : 0);
  return tagSize >= 32 && start > 0 ? start : -1;
}

int64_t declaredMp3Frames(AVFormatContext* ctx, int64_t soundEnd) {
  if (!isDemuxer(ctx, "mp3") || !ctx->pb) return -1;
  if (soundEnd < 0) soundEnd = avio_size(ctx->pb);
  // The first frame follows an ID3v2 tag (10 bytes, a synchsafe size, 10 more with a footer).
  unsigned char id3[10];
  if (!readAt(ctx->pb, 0, id3, 10)) return -1;
  int64_t first = 0;
  if (std::memcmp(id3, "ID3", 3) == 0) {
    first = 10 + ((id3[6] & 0x7f) << 21 | (id3[7] & 0x7f) << 14 | (id3[8] & 0x7f) << 7 | (id3[9] & 0x7f)) +
            ((id3[5] & 0x10) ? 10 : 0);
  }
  unsigned char frame[4 + 32 + 120 + 36];
  if (first <= 0 && std::memcmp(id3, "ID3", 3) == 0) return -1;
  if (!readAt(ctx->pb, first, frame, sizeof frame)) return -1;
  const uint32_t header = be32(frame);
  if ((header & 0xFFE00000u) != 0xFFE00000u) return -1;
  const int version = (header >> 19) & 3;  // 3 MPEG-1, 2 MPEG-2, 0 MPEG-2.5
  const int layer = (header >> 17) & 3;    // 1 layer III
  if (version == 1 || layer != 1) return -1;
  const bool mono = ((header >> 6) & 3) == 3;
  const int side = version == 3 ? (mono ? 17 : 32) : (mono ? 9 : 17);
  const int64_t samplesPerFrame = version == 3 ? 1152 : 576;
  const unsigned char* tag = frame + 4 + side;
  if (std::memcmp(tag, "Xing", 4) != 0 && std::memcmp(tag, "Info", 4) != 0) return -1;
  const uint32_t flags = be32(tag + 4);
  if (!(flags & 1) || !(flags & 2)) return -1;  // the frame count and the byte count are needed
  const int64_t frames = be32(tag + 8);
  const int64_t bytes = be32(tag + 12);
  size_t at = 16 + ((flags & 4) ? 100 : 0) + ((flags & 8) ? 4 : 0);
  // Layer III frames hold 24 to 2881 bytes: a count that does not fit its bytes is no count.
  if (frames <= 0 || bytes < frames * 24 || bytes > frames * 2881) return -1;
  // A header whose byte count does not match the sound describes another file (one cut or joined
  // after encoding): its frame count is not this sound's.
  const int64_t soundBytes = soundEnd - first;
  if (soundBytes <= 0 || std::llabs(soundBytes - bytes) > bytes / 50 + 2048) return -1;
  int64_t delay = 0;
  int64_t padding = 0;
  if (4 + side + at + 24 <= sizeof frame &&
      (std::memcmp(tag + at, "LAME", 4) == 0 || std::memcmp(tag + at, "Lavf", 4) == 0 ||
       std::memcmp(tag + at, "Lavc", 4) == 0)) {
    const unsigned char* d = tag + at + 21;
    delay = (d[0] << 4) | (d[1] >> 4);
    padding = ((d[1] & 0x0f) << 8) | d[2];
  }
  const int64_t valid = frames * samplesPerFrame - delay - padding;
  return valid > 0 && valid <= INT_MAX ? valid : -1;
}
