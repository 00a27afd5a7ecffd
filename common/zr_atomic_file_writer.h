#pragma once
// Replacing a file safely. Every file the system writes (settings, library,
// shortcuts, sampler banks and the other XML files) goes through this: the
// new content is written to a temporary file in the same folder, flushed to
// the disk and then renamed over the old file. A crash, a full disk or any
// other failed write leaves the old file as it was, and the failure is
// reported instead of being taken for success.
//
// The temporary file is named "." + the file's name + ".orvel-tmp.<pid>.<start>.<n>". A process that
// dies in the middle of a save leaves it behind; the next writer of the same file removes the
// temporaries of processes that no longer run before it writes.
//
//   ZRAtomicFileWriter writer(path);
//   std::ofstream out;
//   if (!writer.openXml(out)) return false;   // header written, 4-decimal floats
//   out << "<root version=\"1\">\n" ... ;
//   return writer.commit(out);                  // false: old file untouched

#include <fstream>
#include <string>

#include "common/zr_string.h"

class ZRAtomicFileWriter {
 public:
  // Prepares replacing the file at path (its folder must exist): removes the
  // stale temporaries of earlier, dead writers and creates the temporary file.
  // A symbolic link at path is kept and the file it points to is replaced.
  explicit ZRAtomicFileWriter(const ZRString& path);
  // Removes the temporary file unless commit succeeded.
  ~ZRAtomicFileWriter();
  ZRAtomicFileWriter(const ZRAtomicFileWriter&) = delete;
  ZRAtomicFileWriter& operator=(const ZRAtomicFileWriter&) = delete;

  // A name beside path for a temporary of the caller's own, named as the
  // writer names its own ("." + name + ".orvel-tmp.<pid>.<start>." + tag), so
  // that the same clean-up removes it once this process has ended.
  static std::string temporaryPathFor(const std::string& path, const std::string& tag);
  // Removes the temporaries of path that processes which have ended left.
  static void removeStaleTemporariesOf(const std::string& path);

  // The hidden temporary file beside the target; "" when it could not be
  // created (missing or unwritable folder).
  const std::string& tempPath() const { return tempPath_; }

  // Opens stream on the temporary file for binary writing; false when there
  // is none.
  bool open(std::ofstream& stream);
  // Opens stream on the temporary file and writes the XML header every file
  // of the system starts with (writeXmlHeaderUTF8): byte-order mark, XML
  // declaration, floats in fixed notation with 4 decimals.
  bool openXml(std::ofstream& stream);

  // Closes stream, flushes the temporary file to the disk and renames it over
  // the target. false (with a log line) when anything failed on the way,
  // including an earlier write; the target is then unchanged and the
  // temporary file removed.
  bool commit(std::ofstream& stream);

 private:
  void discard();

  std::string targetPath_;
  std::string tempPath_;
  bool committed_ = false;
};
