#pragma once
// ZRDecoderFFMpeg: the decoder every master codec holds. It reads the audio of any file or stream
// FFmpeg understands and delivers interleaved signed 16-bit samples at the source's own rate and
// channel count, with frame-exact positioning (see ZRFFMpegAudio).
//
// A file path is accepted only with one of the known media endings (any case, see open); a stream is
// taken whatever its name.

#include "codecs/zr_codec_base.h"
#include "codecs/zr_ffmpeg_audio.h"

class ZRDecoderFFMpeg : public ZRCodecBase {
 public:
  explicit ZRDecoderFFMpeg(int id);
  ~ZRDecoderFFMpeg() override;

  // False when already open. Without a stream the path must end with mp3, mp4, m4a, aac, ogg, wav,
  // aif, aiff, au, fla, flac, wma, avi, asf, flv, mkv, mpg, mpeg, divx, mov, m4v or wmv (any case);
  // other paths are refused with "warning: file not supported '<path>'".
  bool open(OpenStruct* request) override;
  int getSamples(char* dst, int frames, int pos) override;
  int putSamples(const char* src, int frames) override;
  bool getNeedEndianConversion() override { return false; }
  float getSeconds() override;
  void close() override;
  const char* getCodecName() override { return "ffmpeg-audio"; }
  bool canOpenStream() override { return true; }
  int64_t getDecodedLength() override { return audio_.getDecodedLength(); }

  // True when open accepts this path by its ending.
  static bool hasSupportedEnding(const ZRString& path);

 private:
  ZRFFMpegAudio audio_;
};
