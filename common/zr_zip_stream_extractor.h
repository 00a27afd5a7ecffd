#pragma once
// The streaming zip extractor: the second way of opening a karaoke zip package, used when the minizip
// extraction (common/zr_zip_karaoke.h) fails. It reads the archive once from front to back without
// seeking, decodes every member as its local header comes (stored, deflate, Deflate64, PKWARE DCL
// implode and bzip2) into a temporary file in a "_zXXXXXX" folder inside the target folder, and when
// the central directory arrives moves each temporary file to the member's name, making folders and
// symbolic links and applying times and permissions. Unlike the minizip layer it extracts every
// member, with its folders.
//
// Every file stays inside the target folder: absolute names, ".." components, a folder part that is
// a symbolic link (made by an earlier member or already there) and links pointing outside are
// refused member by member. The process's current folder is never changed, and extractions share no
// state, so several may run at once (into different folders).
//
// An archive that expands beyond its budget (common/zr_zip_budget.h) ends the extraction.
//
// Messages are diagnostics on standard output, one line each, prefixed with "-- ". Members of an
// unknown method or encrypted are skipped and the walk goes on; every other problem ends the
// extraction (the temporary folder is removed, members already placed stay).

#include <cstdio>
#include <string>

struct ZRSunzipSummary {
  unsigned long members = 0;         // local members met
  unsigned long written = 0;         // placed under their names
  unsigned long notOverwritten = 0;  // left alone because something existed at the name (replace off)
  unsigned long skipped = 0;         // unknown method, encrypted, or refused name
  bool complete = false;             // the end record was reached
  std::string abortReason;           // the fatal condition's text when not complete
};

// Extracts zipPath into targetFolder (UTF-8). replace: replace what exists at a member's name.
// cdgName (may be null) receives the path, relative to the target folder, of a member whose name ends
// with "cdg" in lower case, and is left unchanged otherwise. 1 after a complete run, 0 when the
// archive or the target folder cannot be opened or the run ended on a fatal condition.
int extractZipCdgFile2(const char* zipPath, const char* targetFolder, int replace, std::string* cdgName,
                       ZRSunzipSummary* summary = nullptr);

// Extracts the open archive, read from its current position, below the folder targetFd.
// Returns true after a complete run.
bool sunzip(FILE* archive, int targetFd, int replace, std::string* cdgName,
            ZRSunzipSummary* summary = nullptr);

// True when name is at least three characters long and ends with "cdg" in lower case.
bool isCdg_sunzip(const char* name);
