#pragma once
// What a media file declares about the extent of its sound, beyond the container duration FFmpeg
// reports: the gapless length of an MP4 (iTunSMPB, else its sample tables and edit list), the gapless
// length of an MP3 whose LAME/Xing header counts its frames and the encoder's delay and padding, and
// where the tags after an MP3's sound begin. Each reads the demuxer's byte source and leaves its
// position as it was. Used by ZRFFMpegAudio while it opens a source.

#include <cstdint>

struct AVFormatContext;
struct AVStream;

// The frames an MP4 declares as its sound in source frames at rate, -1 when it declares none (or is
// no MP4).
int64_t declaredMp4Frames(const AVFormatContext* ctx, const AVStream* st, int rate);

// The byte offset where the tags after an MP3's sound begin (an APEv2 tag, an ID3v1 tag), -1 when
// none (or no MP3, or a source that cannot seek).
int64_t mp3TagsStart(AVFormatContext* ctx);

// The frames a LAME/Xing header declares (the frame count times the frame's samples, less the encoder
// delay and padding a LAME header gives), when the header's byte count agrees with the sound's bytes
// up to soundEnd (the file's size when -1); -1 otherwise.
int64_t declaredMp3Frames(AVFormatContext* ctx, int64_t soundEnd);
