#include "container_edits.h"

#include <cstring>

#include "support/test_support.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace orvel_test {

namespace {

void putLE32(std::string& s, uint32_t v) {
  for (int i = 0; i < 4; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
void putBE32(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xff));
}
uint32_t getBE32(const std::string& s, size_t at) {
  uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(s[at + i]);
  return v;
}
void setBE32(std::string& s, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) s[at + i] = static_cast<char>((v >> (8 * (3 - i))) & 0xff);
}
std::string atom(const char* type, const std::string& body) {
  std::string a;
  putBE32(a, static_cast<uint32_t>(8 + body.size()));
  a.append(type, 4);
  return a + body;
}
std::string fullAtom(const char* type, const std::string& body) {
  return atom(type, std::string(4, '\0') + body);
}

}  // namespace

bool appendApeCover(const std::string& path, size_t coverBytes) {
  std::string value = "cover.jpg";
  value.push_back('\0');
  for (size_t i = 0; i < coverBytes; ++i) value.push_back(static_cast<char>((i * 131 + 7) & 0xff));
  std::string item;
  putLE32(item, static_cast<uint32_t>(value.size()));
  putLE32(item, 1u << 1);  // binary
  item += "Cover Art (Front)";
  item.push_back('\0');
  item += value;
  const auto headerOrFooter = [&](bool header) {
    std::string h = "APETAGEX";
    putLE32(h, 2000);
    putLE32(h, static_cast<uint32_t>(item.size() + 32));  // items and footer
    putLE32(h, 1);
    putLE32(h, (1u << 31) | (header ? 1u << 29 : 0u));
    h.append(8, '\0');
    return h;
  };
  return writeFile(path, readFile(path) + headerOrFooter(true) + item + headerOrFooter(false));
}

bool scaleAsfDuration(const std::string& path, double factor) {
  // File Properties object GUID 8CABDCA1-A947-11CF-8EE4-00C00C205365 as stored (little-endian parts).
  static const unsigned char kGuid[16] = {0xA1, 0xDC, 0xAB, 0x8C, 0x47, 0xA9, 0xCF, 0x11,
                                          0x8E, 0xE4, 0x00, 0xC0, 0x0C, 0x20, 0x53, 0x65};
  std::string bytes = readFile(path);
  const size_t at = bytes.find(std::string(reinterpret_cast<const char*>(kGuid), 16));
  if (at == std::string::npos || at + 80 > bytes.size()) return false;
  // GUID, object size (8), file id (16), file size (8), creation date (8), packet count (8), then the
  // play and send durations (8 each, 100 ns units).
  for (size_t field : {at + 64, at + 72}) {
    uint64_t v = 0;
    std::memcpy(&v, bytes.data() + field, 8);
    v = static_cast<uint64_t>(static_cast<double>(v) * factor);
    std::memcpy(bytes.data() + field, &v, 8);
  }
  return writeFile(path, bytes);
}

bool addITunSmpb(const std::string& path, uint32_t priming, uint32_t padding, uint64_t samples) {
  std::string bytes = readFile(path);
  // Find the top-level movie atom; it must be the last one, so that no chunk offset moves.
  size_t at = 0;
  size_t moov = std::string::npos;
  while (at + 8 <= bytes.size()) {
    const uint32_t size = getBE32(bytes, at);
    if (size < 8 || at + size > bytes.size()) return false;
    if (bytes.compare(at + 4, 4, "moov") == 0) moov = at;
    at += size;
  }
  if (moov == std::string::npos || moov + getBE32(bytes, moov) != bytes.size()) return false;
  char value[160];
  std::snprintf(value, sizeof value,
                " 00000000 %08X %08X %016llX 00000000 00000000 00000000 00000000 00000000 00000000 00000000 "
                "00000000",
                priming, padding, static_cast<unsigned long long>(samples));
  std::string data;
  putBE32(data, 1);  // UTF-8 text
  putBE32(data, 0);
  data += value;
  std::string hdlr(4, '\0');
  hdlr += "mdir";
  hdlr += "appl";
  hdlr.append(9, '\0');
  const std::string item =
      atom("----", fullAtom("mean", "com.apple.iTunes") + fullAtom("name", "iTunSMPB") + atom("data", data));
  const std::string udta = atom("udta", fullAtom("meta", fullAtom("hdlr", hdlr) + atom("ilst", item)));
  setBE32(bytes, moov, static_cast<uint32_t>(getBE32(bytes, moov) + udta.size()));
  return writeFile(path, bytes + udta);
}

bool applyContainerEdit(const std::string& path, ContainerEdit edit, long aacPackets, long sourceFrames) {
  switch (edit) {
    case ContainerEdit::kNone:
      return true;
    case ContainerEdit::kApeCover:
      return appendApeCover(path, 300000);
    case ContainerEdit::kAsfDuration145:
      return scaleAsfDuration(path, 1.45);
    case ContainerEdit::kITunSmpb:
      // FFmpeg's AAC encoder primes with 1024 frames and pads the last of its 1024-frame packets.
      return addITunSmpb(path, 1024, static_cast<uint32_t>(aacPackets * 1024 - 1024 - sourceFrames),
                         static_cast<uint64_t>(sourceFrames));
  }
  return false;
}

long libavDecodedFrames(const std::string& path) {
  AVFormatContext* fmt = nullptr;
  if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return -1;
  long frames = -1;
  const AVCodec* codec = nullptr;
  AVCodecContext* ctx = nullptr;
  AVPacket* pkt = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  const int stream = avformat_find_stream_info(fmt, nullptr) >= 0
                         ? av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0)
                         : -1;
  if (stream >= 0 && codec && (ctx = avcodec_alloc_context3(codec)) &&
      avcodec_parameters_to_context(ctx, fmt->streams[stream]->codecpar) >= 0) {
    ctx->pkt_timebase = fmt->streams[stream]->time_base;
    if (avcodec_open2(ctx, codec, nullptr) >= 0) {
      frames = 0;
      const auto drain = [&]() {
        while (avcodec_receive_frame(ctx, frame) == 0) {
          frames += frame->nb_samples;
          av_frame_unref(frame);
        }
      };
      while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == stream) {
          avcodec_send_packet(ctx, pkt);
          drain();
        }
        av_packet_unref(pkt);
      }
      avcodec_send_packet(ctx, nullptr);
      drain();
    }
  }
  avcodec_free_context(&ctx);
  av_frame_free(&frame);
  av_packet_free(&pkt);
  avformat_close_input(&fmt);
  return frames;
}

}  // namespace orvel_test
