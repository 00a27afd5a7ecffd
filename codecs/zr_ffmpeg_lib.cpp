#include "codecs/zr_ffmpeg_lib.h"

#include <atomic>
#include <cstdio>
#include <istream>
#include <vector>

#include "common/zr_logging.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/log.h>
#include <libavutil/mem.h>
}

namespace {
// Readers are made on worker threads too (batch analysis), so the count is atomic.
std::atomic<int> g_ffmpegUsers{0};
}  // namespace

void initFFmpegLib() {
  if (g_ffmpegUsers.fetch_add(1) == 0) {
    av_log_set_level(AV_LOG_ERROR);
    // FFmpeg sizes some buffers from what a file claims (a RIFF INFO chunk of 2 GB in a 5 KB file):
    // no single allocation of the library may take more than this.
    av_max_alloc(kZRFFmpegMaxAllocation);
  }
}

void deinitFFmpegLib() {
  g_ffmpegUsers.fetch_sub(1);
}

int getFFmpegLibUsers() {
  return g_ffmpegUsers.load();
}

int zrStreamRead(void* opaque, uint8_t* buffer, int size) {
  auto* stream = static_cast<std::istream*>(opaque);
  if (!stream) return AVERROR(EINVAL);
  try {
    if (stream->eof()) return AVERROR_EOF;
    stream->read(reinterpret_cast<char*>(buffer), size);
    const std::streamsize got = stream->gcount();
    // A short read sets fail with eof; clear fail and bad so that a later seek works, and keep eof
    // so that the next read reports the end at once.
    if (stream->fail() || stream->bad()) {
      const bool atEnd = stream->eof();
      stream->clear();
      if (atEnd) stream->setstate(std::ios::eofbit);
    }
    if (got <= 0) return AVERROR_EOF;
    return static_cast<int>(got);
  } catch (...) {
    return AVERROR(EIO);
  }
}

int64_t zrStreamSeek(void* opaque, int64_t offset, int whence) {
  auto* stream = static_cast<std::istream*>(opaque);
  if (!stream) return -1;
  try {
    if (whence & AVSEEK_SIZE) {
      stream->clear();
      const std::streampos here = stream->tellg();
      if (here < 0) return -1;
      stream->seekg(0, std::ios::end);
      if (stream->fail()) {
        stream->clear();
        return -1;
      }
      const std::streampos size = stream->tellg();
      stream->seekg(here);
      if (stream->fail()) {
        stream->clear();
        return -1;
      }
      return size < 0 ? -1 : static_cast<int64_t>(size);
    }
    std::ios::seekdir dir;
    switch (whence & ~AVSEEK_FORCE) {
      case SEEK_SET:
        dir = std::ios::beg;
        break;
      case SEEK_CUR:
        dir = std::ios::cur;
        break;
      case SEEK_END:
        dir = std::ios::end;
        break;
      default:
        return -1;
    }
    // A stream at its end refuses to move until its flags are cleared.
    stream->clear();
    stream->seekg(offset, dir);
    if (stream->fail() || stream->bad()) {
      stream->clear();
      return -1;
    }
    const std::streampos now = stream->tellg();
    return now < 0 ? -1 : static_cast<int64_t>(now);
  } catch (...) {
    return -1;
  }
}

ZRStreamInputResult zrAttachStreamInput(AVFormatContext* formatCtx, std::istream* stream, AVIOContext** ioCtx,
                                        const AVInputFormat** probed) {
  auto* buffer = static_cast<uint8_t*>(av_malloc(kZRStreamIOBufferSize));
  if (!buffer) {
    ZRLOG("error: internal buffer is NULL");
    return ZRStreamInputResult::kNoIOContext;
  }
  *ioCtx = avio_alloc_context(buffer, kZRStreamIOBufferSize, 0, stream, zrStreamRead, nullptr, zrStreamSeek);
  if (!*ioCtx) {
    av_free(buffer);
    ZRLOG("error: av io ctx is NULL");
    return ZRStreamInputResult::kNoIOContext;
  }
  std::vector<uint8_t> probe(kZRStreamProbeSize + AVPROBE_PADDING_SIZE, 0);
  int got = 0;
  while (got < kZRStreamProbeSize) {
    const int r = zrStreamRead(stream, probe.data() + got, kZRStreamProbeSize - got);
    if (r <= 0) break;
    got += r;
  }
  if (got < 1) return ZRStreamInputResult::kEmptyStream;
  if (zrStreamSeek(stream, 0, SEEK_SET) < 0) return ZRStreamInputResult::kNotRewindable;
  AVProbeData pd{};
  pd.filename = "";
  pd.buf = probe.data();
  pd.buf_size = got;
  pd.mime_type = "";
  *probed = av_probe_input_format(&pd, 1);
  formatCtx->pb = *ioCtx;
  formatCtx->flags |= AVFMT_FLAG_CUSTOM_IO;
  return ZRStreamInputResult::kReady;
}

void zrFreeStreamInput(AVIOContext** ioCtx) {
  if (!*ioCtx) return;
  av_freep(&(*ioCtx)->buffer);
  avio_context_free(ioCtx);
}
