#pragma once
// Process-wide FFmpeg start-up, and the custom I/O (byte callbacks, probing, clean-up) through which FFmpeg
// reads a std::istream.
//
// FFmpeg 5 registers its formats and codecs statically and does its own internal locking, so the
// start-up only counts users and quiets the library's logging to errors; there is no registration
// call and no lock manager to install.

#include <cstddef>
#include <cstdint>
#include <iosfwd>

struct AVFormatContext;
struct AVIOContext;
struct AVInputFormat;

// The largest single allocation FFmpeg may make in this process (an 8K RGBA picture is 133 MB).
constexpr size_t kZRFFmpegMaxAllocation = size_t{256} << 20;

// Counts one more FFmpeg user; the first call sets the library's log level to errors only and caps its
// allocations at kZRFFmpegMaxAllocation, so a small broken file cannot make it reserve gigabytes.
void initFFmpegLib();
// Counts one user less.
void deinitFFmpegLib();
// Current number of users (for diagnostics and tests).
int getFFmpegLibUsers();

// Custom I/O callbacks with a std::istream* as the opaque pointer. The read callback returns the bytes
// read, AVERROR_EOF at the end and a negative error for a null stream; the seek callback supports
// SEEK_SET, SEEK_CUR, SEEK_END and AVSEEK_SIZE. Neither lets an exception of the stream escape into
// FFmpeg: a throwing stream reads as an error.
int zrStreamRead(void* opaque, uint8_t* buffer, int size);
int64_t zrStreamSeek(void* opaque, int64_t offset, int whence);

// Size of the buffer handed to FFmpeg's custom I/O context, and of the probe read from a stream.
constexpr int kZRStreamIOBufferSize = 32832;
constexpr int kZRStreamProbeSize = 32768;

// Outcome of attaching a std::istream to a format context; the callers word their own log lines for
// the stream's faults.
enum class ZRStreamInputResult { kReady, kNoIOContext, kEmptyStream, kNotRewindable };

// Prepares `formatCtx` to read `stream` through custom I/O: makes the I/O context (stored in `*ioCtx` as
// soon as it exists, so the caller frees it on any later failure), probes the format from the first
// bytes with an empty name (a stream has no name to go by) and rewinds the stream. On kReady the context
// reads from the stream and `*probed` holds the guessed format; open it with an empty name.
ZRStreamInputResult zrAttachStreamInput(AVFormatContext* formatCtx, std::istream* stream, AVIOContext** ioCtx,
                                        const AVInputFormat** probed);

// Frees a custom I/O context made by zrAttachStreamInput together with its buffer (FFmpeg may have
// replaced the buffer, so the context's current one is freed) and sets `*ioCtx` to null; null is fine.
// Call it after the format context is closed.
void zrFreeStreamInput(AVIOContext** ioCtx);
