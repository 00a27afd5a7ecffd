#pragma once
// ZRLogging: the single process-wide log. Every line is "-- ztv: " followed by the message (at most 3999
// bytes, cut at a UTF-8 character boundary) and, only when both a source file and a function are given,
// " (<file name>:#<line>, <function>, thread:<thread name>)" - the calling thread's handle printed as a
// pointer when it has no name. There are no levels: a message marks its severity in its own words
// ("error: ...", "warning: ...").
//
// Any thread may log at any time without a lock: each call formats in its own stack memory and hands
// the whole line to the system log (syslog and one write to the standard error stream).

#include <cstddef>

#include "common/zr_format.h"

class ZRLogging {
 public:
  // The process-wide log, created on first use ("log started") and destroyed at exit ("~log stopped").
  static ZRLogging& getInstance();

  // Formats and writes one line (see common/zr_format.h for the conversions). file and function may be
  // null; the location suffix is added only when both are given.
  template <typename... Args>
  void log(const char* file, int line, const char* function, const char* format, const Args&... args) {
    const ZRFormatArg packed[sizeof...(Args) + 1] = {ZRFormatArg(args)..., ZRFormatArg(0)};
    logArgs(file, line, function, format, packed, sizeof...(Args));
  }
  void logArgs(const char* file, int line, const char* function, const char* format, const ZRFormatArg* args,
               std::size_t count);

  // Tests capture lines here: while a sink is set, finished lines (without a line break) go to it
  // instead of the system log. Set it to null to restore the system log.
  using LineSink = void (*)(const char* line, std::size_t length);
  static void setLineSink(LineSink sink);

  ZRLogging(const ZRLogging&) = delete;
  ZRLogging& operator=(const ZRLogging&) = delete;

 private:
  ZRLogging();
  ~ZRLogging();
};

// The usual way to log: without a location, or with the caller's file, line and function.
#define ZRLOG(...) ZRLogging::getInstance().log(nullptr, 0, nullptr, __VA_ARGS__)
#define ZRLOGLOC(...) ZRLogging::getInstance().log(__FILE__, __LINE__, __func__, __VA_ARGS__)
