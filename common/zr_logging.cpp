#include "common/zr_logging.h"

#include <pthread.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/system_log.h"
#include "platform/thread_name.h"

namespace {

constexpr char kPrefix[] = "-- ztv: ";
constexpr std::size_t kPrefixLength = sizeof(kPrefix) - 1;
// Formatting room of a message, including its terminating NUL: a message keeps at most 3999 bytes.
constexpr std::size_t kMessageRoom = 4000;
// Room for the whole line: prefix, message and location suffix.
constexpr std::size_t kLineRoom = 8192;

std::atomic<ZRLogging::LineSink> lineSink{nullptr};

bool isValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const unsigned char b = static_cast<unsigned char>(text[i]);
    std::size_t n;
    char32_t c;
    if (b < 0x80) {
      ++i;
      continue;
    } else if (b >= 0xC2 && b <= 0xDF) {
      n = 2;
      c = b & 0x1F;
    } else if (b >= 0xE0 && b <= 0xEF) {
      n = 3;
      c = b & 0x0F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      n = 4;
      c = b & 0x07;
    } else {
      return false;
    }
    if (i + n > text.size()) return false;
    for (std::size_t k = 1; k < n; ++k) {
      const unsigned char t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) return false;
      c = (c << 6) | (t & 0x3F);
    }
    if ((n == 3 && (c < 0x800 || (c >= 0xD800 && c <= 0xDFFF))) ||
        (n == 4 && (c < 0x10000 || c > 0x10FFFF))) {
      return false;
    }
    i += n;
  }
  return true;
}

// The file's name with its extension, folders dropped, as ZRString::getNameAndExt gives it - worked
// out on the bytes so logging needs no memory of its own. A name that is not UTF-8 is empty.
std::string_view fileNameAndExt(const char* file) {
  const std::string_view path(file);
  if (!isValidUtf8(path)) return {};
  if (path == "/") return path;
  const std::size_t slash = path.rfind('/');
  std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
  // A name ending in '.' has an empty extension, and then the '.' is not written.
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);
  return name;
}

void writeLine(const char* line, std::size_t length) {
  const ZRLogging::LineSink sink = lineSink.load(std::memory_order_acquire);
  if (sink != nullptr) {
    sink(line, length);
  } else {
    platformSystemLogWrite(line, length);
  }
}

}  // namespace

ZRLogging& ZRLogging::getInstance() {
  static ZRLogging instance;
  return instance;
}

ZRLogging::ZRLogging() {
  logArgs(nullptr, 0, nullptr, "log started", nullptr, 0);
}

ZRLogging::~ZRLogging() {
  logArgs(nullptr, 0, nullptr, "~log stopped", nullptr, 0);
}

void ZRLogging::setLineSink(LineSink sink) {
  lineSink.store(sink, std::memory_order_release);
}

void ZRLogging::logArgs(const char* file, int line, const char* function, const char* format,
                        const ZRFormatArg* args, std::size_t count) {
  char text[kLineRoom];
  std::memcpy(text, kPrefix, kPrefixLength);
  ZRBoundedFormatSink message(text + kPrefixLength, kMessageRoom);
  zrFormatTo(message, format, args, count);
  std::size_t length = kPrefixLength + message.finish();

  if (file != nullptr && function != nullptr) {
    const std::string_view name = fileNameAndExt(file);
    const char* thread = platformCurrentThreadName();
    const std::size_t room = kLineRoom - length;
    int n;
    if (thread != nullptr) {
      n = std::snprintf(text + length, room, " (%.*s:#%d, %s, thread:%s)", static_cast<int>(name.size()),
                        name.data(), line, function, thread);
    } else {
      n = std::snprintf(text + length, room, " (%.*s:#%d, %s, thread:%p)", static_cast<int>(name.size()),
                        name.data(), line, function, reinterpret_cast<void*>(pthread_self()));
    }
    if (n > 0) length += static_cast<std::size_t>(n) < room ? static_cast<std::size_t>(n) : room - 1;
  }
  writeLine(text, length);
}
