#include "codecs/zr_decoder_ffmpeg.h"

#include "common/zr_logging.h"

namespace {
const char* const kEndings[] = {"mp3", "mp4",  "m4a",  "aac", "ogg", "wav", "aif", "aiff",
                                "au",  "fla",  "flac", "wma", "avi", "asf", "flv", "mkv",
                                "mpg", "mpeg", "divx", "mov", "m4v", "wmv"};
}  // namespace

ZRDecoderFFMpeg::ZRDecoderFFMpeg(int id) : ZRCodecBase(id) {}

ZRDecoderFFMpeg::~ZRDecoderFFMpeg() {
  close();
}

bool ZRDecoderFFMpeg::hasSupportedEnding(const ZRString& path) {
  for (const char* ending : kEndings) {
    if (path.endsWithNoCase(ending)) return true;
  }
  return false;
}

bool ZRDecoderFFMpeg::open(OpenStruct* request) {
  if (!request || audio_.isOpened()) return false;
  if (request->stream) return audio_.openAudioStream(request->path, request->stream, &request->format);
  if (!hasSupportedEnding(request->path)) {
    ZRLOG("warning: file not supported '%s'", request->path);
    return false;
  }
  return audio_.openAudioStream(request->path, nullptr, &request->format);
}

int ZRDecoderFFMpeg::getSamples(char* dst, int frames, int pos) {
  return audio_.getSamples(dst, frames, pos);
}

int ZRDecoderFFMpeg::putSamples(const char* /*src*/, int /*frames*/) {
  return 0;
}

float ZRDecoderFFMpeg::getSeconds() {
  return audio_.getSeconds();
}

void ZRDecoderFFMpeg::close() {
  audio_.closeAudioStream();
}
