#pragma once
// Karaoke zip packages as the master codec uses them: a package is extracted into the Samples folder
// when a player opens it and its extracted .cdg, .mp3 and .wav are deleted when the player closes it.
// Several players may have the same package open (the deck and the headphone preview, for example):
// the extraction is shared and counted, and the files are deleted only at the last close, so that no
// player deletes (or overwrites) the files another one is still reading. Extractions take turns.
//
// installKaraokeSupport() puts the picture decoder (ZRDecoderVideo) and both zip extractors
// (minizip first, the streaming extractor when that fails) into every master codec made afterwards;
// the application calls it once at start-up.

#include <string>

#include "codecs/zr_master_codec.h"
#include "common/zr_string.h"

class ZRKaraokePackages {
 public:
  // One more user of the package zipPath: extracts it into folder with primary, then fallback when
  // primary fails (either may be null), unless it is already extracted for another user. Returns the
  // path of the extracted .cdg: folder, a '/' unless folder ends with one, and the reported name (so
  // the folder itself when no .cdg was reported).
  static ZRString acquire(const ZRString& zipPath, const ZRString& folder, ZRZipCdgExtractor primary,
                          ZRZipCdgExtractor fallback);
  // One user less of the package whose .cdg is cdgPath; at the last user the .cdg and the .mp3 and
  // .wav of the same base name are deleted. A path no package is registered for is deleted at once.
  static void release(const ZRString& cdgPath);
  // Users of the package whose .cdg is cdgPath (0 when none).
  static int users(const ZRString& cdgPath);
};

// The two extractors in the master codec's form (cdgName: ZRMasterCodec::kCdgNameBytes bytes; a longer
// name is not reported, so the open fails cleanly).
int zipCdgExtractWithMinizip(char* zipPath, char* targetFolder, unsigned overwrite, char* cdgName);
int zipCdgExtractStreaming(char* zipPath, char* targetFolder, unsigned overwrite, char* cdgName);

// Installs the picture decoder factory and the zip extractors into the master codec.
void installKaraokeSupport();
