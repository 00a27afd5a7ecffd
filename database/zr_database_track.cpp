#include "database/zr_database_track.h"

const char* const kTagFieldIds[kTagFieldCount] = {"numb", "arti", "titl", "bpmt", "time", "genr",
                                                  "pkey", "comm", "albm", "trck", "year", "fnam"};
