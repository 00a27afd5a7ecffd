#pragma once
// Placing zip members below a target folder without ever leaving it. Member names come from the
// archive and are not trusted: a name that is absolute or holds a ".." component is refused, and
// folders are walked one component at a time relative to an open folder descriptor without following
// symbolic links, so a link made by an earlier member (or already lying in the target folder) cannot
// lead a later member outside. Nothing here changes the process's current folder.

#include <string>
#include <vector>

// True when name (with '/' as separator) stays inside the folder it is extracted into: not absolute
// and without ".." components. Empty components and "." are harmless and skipped by the walk.
bool zipNameIsSafe(const std::string& name);

// The components of a relative member name, empty and "." components dropped.
std::vector<std::string> zipNameComponents(const std::string& name);

// Opens the folder rootFd/components[0]/.../components[count-1] without following symbolic links;
// with create, missing folders are made with mode 0775 and their relative paths (from rootFd,
// '/'-joined) appended to created (may be null). Returns a descriptor the caller closes, or -1 (errno
// set; ELOOP or ENOTDIR when a component is a link or not a folder).
int zipOpenFolderAt(int rootFd, const std::vector<std::string>& components, size_t count, bool create,
                    std::vector<std::string>* created);
