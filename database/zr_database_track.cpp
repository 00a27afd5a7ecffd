#include "database/zr_database_track.h"

const char* const kTagFieldIds[kTagFieldCount] = {"numb", "arti", "titl", "bpmt", "time", "genr",
                                                  "pkey", "comm", "albm", "trck", "year", "fnam"};

ZRString trackTimeText(int durationMs) {
  const int minutes = durationMs / 60000;
  return ZRString::format("%02d:%02d", minutes, durationMs / 1000 - minutes * 60);
}
