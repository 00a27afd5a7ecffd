#pragma once
// Which files the library takes in, and as what kind of media, decided by the
// file's extension (compared in lower case). Audio: mp3 m4a mp4 ogg wma aif
// aiff fla flac wav au aac cda; video: avi asf flv m4v mkv mpg mpeg divx mov
// wmv; karaoke: a zip package holding a .cdg, or an mp3 or wav with a .cdg of
// the same name beside it (the .cdg's extension in any letter case). No
// state, any thread.

#include "common/zr_string.h"

enum ZRMediaType : int32_t {
  kMediaTypeAudio = 0,
  kMediaTypeVideo = 1,
  kMediaTypeKaraoke = 2,
};

// Whether the library takes the file in: not a hidden name (a name starting
// with '.'), with mustExist an existing file (or a path ending in "$"), and an
// accepted extension ("cda$", "aif$" and "aiff$" included; a zip only when it
// holds a .cdg).
bool isFileAccepted(const ZRString& path, bool mustExist);

// Video for avi mpg mov m4v mp4 asf wmv flv mkv mpeg divx vob, karaoke for a
// zip and for an mp3 or wav with a .cdg companion, audio for anything else.
ZRMediaType getFileMediaType(const ZRString& path);
