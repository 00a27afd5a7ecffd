#pragma once
// The only code that asks the operating system about files, folders, mounted
// volumes and well-known folders. The portable file layer (zr_files.h)
// forwards here; everything else calls the portable layer. Nothing here logs,
// throws or locks: failures are false, null, empty or -1 results.
//
// On this system: folders through stat/opendir, volumes from the kernel's
// mount table, the Documents folder from the XDG user folders, the
// executable's folder from /proc.

#include "common/zr_string.h"

// One mounted volume as handed over by getAllMountedVolumes_Apple.
struct TAppleVolumeInfo {
  ZRString name;
  ZRString path;
  bool removable = false;
};

// True when a file or folder exists at path (symbolic links are followed).
bool fileExists_Apple(ZRString path);

// Starts a listing of folder: its entries without hidden ones (names
// starting with '.') and without names that are not valid UTF-8, sorted by
// the localized case-insensitive comparison. pattern is kept but never
// applied. On success *handle receives the listing, the first entry is handed
// out and the result is true; the caller ends it with findClose_Apple. A
// missing, unreadable or empty folder gives false and leaves *handle as it was.
bool findFirst_Apple(ZRString folder, ZRString pattern, void** handle, ZRString* name, bool* isFolder);

// The next entry of a listing: its name (last path component) and whether it
// is a folder (links followed). false at the end. name and isFolder may be null.
bool findNext_Apple(void* handle, ZRString* name, bool* isFolder);

// Ends a listing and frees it; null is ignored.
void findClose_Apple(void* handle);

// The mounted block-device volumes in mount-table order, at most 64. *out
// receives an array made with new[] that the caller frees with delete[], or
// null when the count is 0.
int getAllMountedVolumes_Apple(TAppleVolumeInfo** out);

// The same read from a mount table in the format of /proc/self/mounts (for
// tests and for the call above).
int getMountedVolumesFromTable_Apple(const char* mountTablePath, TAppleVolumeInfo** out);

// The user's Documents folder (XDG_DOCUMENTS_DIR of the user folders file,
// else $HOME/Documents), without a trailing '/'; empty when there is no home.
ZRString getDocumentsFolder_Apple();

// A user folder of the XDG user folders file (kind "DESKTOP", "MUSIC", ...:
// XDG_<kind>_DIR), else $HOME/<fallbackName>, without a trailing '/'; empty
// when there is no home. The folder need not exist.
ZRString getXdgUserFolder_Apple(const char* kind, const char* fallbackName);

// The user's home folder ($HOME, else the password database) without a
// trailing '/'; empty when there is none.
ZRString getHomeFolder_Apple();

// The application's resources folder with a trailing '/': share/orvel beside
// the executable's folder (the installed layout) when it exists, else the
// resources folder of the source tree the program was built from, else the
// first folder named "resources" found walking up from the executable's
// folder. Written as UTF-8 into destination (size bytes); false and "" when
// there is none or it does not fit.
bool GetResourcesDir_Apple(char* destination, int size);
// Makes GetResourcesDir_Apple answer folder (a trailing '/' is added) instead, for tests that bring
// their own resources; null or "" restores the search. Any thread.
void SetResourcesDirOverride_Apple(const char* folder);

// The folder of the running executable with a trailing '/', as UTF-8 into
// destination (size bytes); false and "" when unknown or it does not fit.
bool GetExecutableDir_Apple(char* destination, int size);

// The location of the iTunes library file as a system preference names it.
// No such preference exists on this system: always false, out unchanged.
bool getiTunesLibraryXmlPath_Apple(ZRString* out);

// Writes text as one line to the system log.
void AppleNSLog(const char* text);
