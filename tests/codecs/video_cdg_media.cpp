#include "video_cdg_media.h"

#include <cstdio>
#include <cstring>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace orvel_test {

namespace {

CdgPacket command(int instruction) {
  CdgPacket p{};
  p[0] = 0x09;
  p[1] = static_cast<unsigned char>(instruction);
  return p;
}

}  // namespace

CdgPacket cdgEmpty() {
  return CdgPacket{};
}

CdgPacket cdgMemoryPreset(int color) {
  CdgPacket p = command(1);
  p[4] = static_cast<unsigned char>(color);
  return p;
}

CdgPacket cdgBorderPreset(int color) {
  CdgPacket p = command(2);
  p[4] = static_cast<unsigned char>(color);
  return p;
}

CdgPacket cdgLoadColors(bool low, const std::vector<std::array<int, 3>>& colors) {
  CdgPacket p = command(low ? 30 : 31);
  for (size_t i = 0; i < 8 && i < colors.size(); ++i) {
    const int r = colors[i][0], g = colors[i][1], b = colors[i][2];
    p[4 + 2 * i] = static_cast<unsigned char>(((r & 15) << 2) | ((g >> 2) & 3));
    p[5 + 2 * i] = static_cast<unsigned char>(((g & 3) << 4) | (b & 15));
  }
  return p;
}

CdgPacket cdgTile(int row, int column, int color0, int color1, const std::array<unsigned char, 12>& rows,
                  bool exclusiveOr) {
  CdgPacket p = command(exclusiveOr ? 38 : 6);
  p[4] = static_cast<unsigned char>(color0);
  p[5] = static_cast<unsigned char>(color1);
  p[6] = static_cast<unsigned char>(row);
  p[7] = static_cast<unsigned char>(column);
  for (int i = 0; i < 12; ++i) p[8 + i] = rows[i] & 0x3f;
  return p;
}

CdgPacket cdgScroll(bool copy, int color, int horizontalCommand, int verticalCommand) {
  CdgPacket p = command(copy ? 24 : 20);
  p[4] = static_cast<unsigned char>(color);
  p[5] = static_cast<unsigned char>(horizontalCommand << 4);
  p[6] = static_cast<unsigned char>(verticalCommand << 4);
  return p;
}

bool writeCdg(const std::string& path, const std::vector<CdgPacket>& packets) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  bool ok = true;
  for (const CdgPacket& p : packets) ok = ok && std::fwrite(p.data(), 1, p.size(), f) == p.size();
  return std::fclose(f) == 0 && ok;
}

int frameIndexOf(const unsigned char* bgra, int width) {
  // Column k (8 pixels wide) of the upper half is white when bit k of the index is set.
  int index = 0;
  for (int bit = 0; bit < 6; ++bit) {
    if (bgra[(12 * width + bit * 8 + 4) * 4 + 1] > 128) index |= 1 << bit;
  }
  return index;
}

std::string encodeGreyVideo(const std::string& path, int seconds, int fps) {
  return encodeGreyVideo(path, seconds, fps, GreyVideoShape());
}

std::string encodeGreyVideo(const std::string& path, int seconds, int fps, const GreyVideoShape& shape) {
  const int width = shape.width;
  const int height = shape.height;
  av_log_set_level(AV_LOG_ERROR);
  const AVCodec* codec = avcodec_find_encoder_by_name(shape.encoder);
  if (!codec) return std::string("encoder not in this FFmpeg build: ") + shape.encoder;
  AVFormatContext* oc = nullptr;
  if (avformat_alloc_output_context2(&oc, nullptr, shape.muxer, path.c_str()) < 0 || !oc) {
    return std::string("no muxer ") + shape.muxer;
  }
  AVCodecContext* enc = avcodec_alloc_context3(codec);
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  std::string err;
  AVStream* st = nullptr;
  const AVPixelFormat pixelFormat =
      std::string(shape.encoder) == "mjpeg" ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_YUV420P;
  enc->width = width;
  enc->height = height;
  enc->pix_fmt = pixelFormat;
  enc->time_base = AVRational{1, fps};
  enc->framerate = AVRational{fps, 1};
  enc->gop_size = fps;  // a key frame every second
  enc->max_b_frames = 0;
  enc->bit_rate = 400000;
  if (oc->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  auto flush = [&](const AVFrame* f) {
    if (avcodec_send_frame(enc, f) < 0) return false;
    for (;;) {
      const int r = avcodec_receive_packet(enc, pkt);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return true;
      if (r < 0) return false;
      if (pkt->duration == 0) pkt->duration = 1;  // one frame, so that the file lasts every frame
      av_packet_rescale_ts(pkt, enc->time_base, st->time_base);
      pkt->stream_index = st->index;
      if (av_interleaved_write_frame(oc, pkt) < 0) return false;
    }
  };
  if (avcodec_open2(enc, codec, nullptr) < 0) {
    err = std::string("cannot open encoder ") + shape.encoder;
  } else if (!(st = avformat_new_stream(oc, nullptr)) ||
             avcodec_parameters_from_context(st->codecpar, enc) < 0) {
    err = "stream setup failed";
  } else {
    st->time_base = enc->time_base;
    if (avio_open(&oc->pb, path.c_str(), AVIO_FLAG_WRITE) < 0 || avformat_write_header(oc, nullptr) < 0) {
      err = "cannot start " + path;
    } else {
      for (int i = 0; i < seconds * fps && err.empty(); ++i) {
        av_frame_unref(frame);
        frame->format = pixelFormat;
        frame->width = width;
        frame->height = height;
        if (av_frame_get_buffer(frame, 0) < 0) {
          err = "frame allocation failed";
          break;
        }
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            const int bit = x * 8 / width;
            const bool white = y < height / 2 && bit < 6 && ((i >> bit) & 1) != 0;
            frame->data[0][y * frame->linesize[0] + x] =
                static_cast<uint8_t>(y >= height / 2 ? 128 : (white ? 235 : 16));
          }
        }
        for (int plane = 1; plane < 3; ++plane) {
          for (int y = 0; y < (height + 1) / 2; ++y) {
            std::memset(frame->data[plane] + y * frame->linesize[plane], 128, (width + 1) / 2);
          }
        }
        frame->pts = i;
        if (!flush(frame)) err = "encoding failed";
      }
      if (err.empty() && !flush(nullptr)) err = "encoder flush failed";
      if (err.empty() && av_write_trailer(oc) < 0) err = "cannot write trailer";
    }
  }
  if (oc->pb) avio_closep(&oc->pb);
  avformat_free_context(oc);
  avcodec_free_context(&enc);
  av_packet_free(&pkt);
  av_frame_free(&frame);
  return err;
}

}  // namespace orvel_test
