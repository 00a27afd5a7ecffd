#pragma once
// The file layer the whole system uses: existence tests, creating and
// deleting, reading a whole file, opening a file by a Unicode path, copying a
// folder tree, listing a folder and the table of mounted volumes. Paths are
// ZRString values or UTF-8 byte strings with '/' as separator; a ZRString path
// whose UTF-8 form does not fit in 4096 bytes becomes "" and the operation
// fails. Nothing here logs, throws or locks: every failure is a false, null,
// empty or -1 result.

#include <cstdio>

#include "common/zr_string.h"

// A file or folder exists at path (links followed).
bool FileExists(const ZRString& path);
// The file can be opened for reading ("rb"); it is closed again at once.
bool FileExists(const char* path);
// Removes a file or an empty folder; true on success.
bool FileDelete(const ZRString& path);
// path names a folder (links followed).
bool DirExists(const ZRString& path);
// Creates one folder with permissions 0755 (no missing parents); false also
// when it already exists.
bool DirCreate(const ZRString& path);
// Creates the folder and every missing folder above it (permissions 0755). true when the folder exists
// afterwards (also when it existed before); otherwise false and, when error is given, the system's error
// number of the level that could not be made (ENOTDIR when a file stands in the way).
bool DirCreatePath(const ZRString& path, int* error = nullptr);
// path ends with extension (given without the dot), compared byte by byte
// ignoring case; true for an empty extension, false for a null argument.
bool FileHasExtension(const char* path, const char* extension);
// Reads the whole file into a new NUL-terminated buffer that the caller frees
// with free(). false with *out null for a missing, unreadable or empty file.
bool FileGetContent(const char* path, char** out);
// Opens path with the C mode ("rb", "wb" ...); null when it cannot be opened.
FILE* OpenFileFromZRString(const ZRString& path, const ZRString& mode);
// Copies the files of folder from into folder to (created when missing, one
// level, permissions 0777 less the process's mask), overwriting files there;
// hidden files are copied too; with withSubfolders the subfolders are copied
// the same way. true once from could be listed, whatever happened to single
// copies. A file for which skipFile (when given) is true of its name is left
// out, at every level.
bool CopyDir(ZRString from, ZRString to, bool withSubfolders, bool (*skipFile)(const char* name) = nullptr);

// Listing a folder: every entry that is not hidden, sorted by the localized
// case-insensitive comparison; the pattern is not applied (callers test the
// names). findFirst hands out the first entry and *handle the listing, which
// the caller ends with findClose (also after stopping early); false for a
// null handle pointer or a missing, unreadable or empty folder, with *handle
// left as it was. name receives the last path component; name and isFolder
// may be null.
bool findFirst(const ZRString& folder, const ZRString& pattern, void** handle, ZRString* name,
               bool* isFolder);
bool findNext(void* handle, ZRString* name, bool* isFolder);
void findClose(void* handle);
// The listing of folder holds at least one folder.
bool findDirHasSubdirs(const ZRString& folder);
// The listing holds at least one entry that is neither a folder nor named
// ".DS_Store".
bool findDirHasFiles(const ZRString& folder);

// The table of mounted volumes (at most 64), rebuilt by each rescan; read it
// on the thread that rescans. Returns the number of volumes.
int rescanAndGetTotalVolumes();
// Name and mount path of volume n; "" when n is out of range.
ZRString getVolumeName(int n);
ZRString getVolumePath(int n);
// 100 for every volume; -1 when n is out of range.
int getVolumeType(int n);
