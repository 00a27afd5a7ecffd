#pragma once
// Keeping an unreadable file out of harm's way. A settings file that does not read (damaged, truncated, not
// the kind expected) must not be written over by the next save: it is renamed to
// "<path>.unreadable-<yyyymmdd-hhmmss>" (with "-1", "-2" ... when that name is taken), so the user can
// still recover it, and the next save starts a new file.
//
// Threads: any; the rename is one file-system call.

#include <string>

// Renames the file at path as above; true with *keptAs (may be null) the new name, false when it stays
// where it is (no such file, no free name, the rename failed).
bool keepFileAside(const std::string& path, std::string* keptAs);
