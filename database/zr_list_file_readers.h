#pragma once
// Reading the paths out of list files: M3U playlists and the system's own
// .tvl lists (root element "list", one "song" element per file with the path
// in its "fnam" attribute). ZRList::importList queues what these give for the
// library's adding thread. No state; any thread.

#include <string>
#include <vector>

#include "common/zr_string.h"

// The paths of an M3U file, in order. Lines end at a line feed, a carriage
// return or both, the last one also without an end; a byte-order mark at the
// start is dropped. Skipped: lines shorter than 2 bytes, "#" lines
// (comments), lines of more than 4095 bytes and lines that are not UTF-8
// (the skipped ones are counted in one log line). A file:// address gives its
// local path; other addresses and absolute paths stay as they are; an old
// colon-separated path with two or more colons ("Disk:Folder:file") becomes
// "/Volumes/Disk/Folder/file"; any other line is relative to the list file's
// folder. False (logged) when the file cannot be opened.
bool readM3uFile(const std::string& path, std::vector<ZRString>* paths);

// The non-empty "fnam" of every "song" child of the root "list", in order
// (cut at 8191 bytes). False (logged) when the file is not such a document.
bool readTvlFile(const std::string& path, std::vector<ZRString>* paths);
