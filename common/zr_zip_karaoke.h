#pragma once
// Karaoke zip packages: a zip holding a song's audio (.mp3 or .wav) and its CDG graphics (.cdg of the
// same base name). The decoders cannot read inside a zip, so the package's members are extracted into
// a folder (the Samples folder) and the .cdg opened from there.
//
// This layer reads the archive through minizip, which decodes stored (0) and deflate (8) members.
// Any other method (bzip2 included: minizip would hand such data out still compressed) and encrypted
// members fail the extraction, and the caller then runs the streaming extractor
// (common/zr_zip_stream_extractor.h), which decodes them.
//
// Member names: every byte of 128 or more (and a NUL) becomes '_', so an accented letter of two UTF-8
// bytes is written as "__". A member is an .mp3, .wav or .cdg by the last three characters of its
// name in any letter case (no dot required). Names of any length are read whole.
//
// A package that would expand beyond its budget (common/zr_zip_budget.h) is refused: by the sizes its
// directory declares before anything is written, else as soon as the written bytes exceed it, and
// what the extraction wrote is then removed.
//
// Messages are diagnostics on standard output: "-- ztv: " and the text (at most 4000 bytes) and a
// line feed. Both operations open and close the archive within the call and share no state; files
// are written relative to the target folder without changing the current folder, never through a
// symbolic link, and never outside the target folder.

#include <string>

// 1 when the archive opens and holds at least one member whose name ends with "cdg" (any case), else 0.
int doesZipContainsCdg(const char* zipPath);

// Extracts the .mp3, .wav and .cdg members into targetFolder, each under its name after its last '/'
// or '\' (folder parts dropped, no folder made; a later member of the same name replaces an earlier
// one). overwrite on replaces an existing file; off leaves it. cdgName (may be null) receives the
// written name of a .cdg member, and is left unchanged when there is none. 1 when the archive was
// processed without error (also when it held no member), 0 when it cannot be opened or a member
// failed to open, read, write or pass its check value; members written before a failure stay.
int extractZipCdgFile(const char* zipPath, const char* targetFolder, unsigned overwrite,
                      std::string* cdgName);

// Non-zero when the last three characters of name are mp3, wav or cdg (any case).
int isMp3WavCdg(const char* name);

// folder + name, with a '/' between them unless folder ends with one; a null or empty folder gives
// the name alone.
std::string getFinalPath(const char* name, const char* folder);

// Creates the folder and every missing parent with mode 0775. 1 on success, 0 on failure (an empty
// path included).
int makedir(const char* path);

// A member's stored date: broken-down local time, month 0..11; a year above 1900 is a full year.
struct ZRZipDate {
  int sec = 0;
  int min = 0;
  int hour = 0;
  int mday = 1;
  int mon = 0;
  int year = 1980;
};
// Sets the access and modification times of path (not following a link) to the date as local time.
void change_file_date(const char* path, const ZRZipDate& date);

// Writes one message line: "-- ztv: " + the formatted text + "\n".
void printdebugstring2(const char* format, ...) __attribute__((format(printf, 1, 2)));
