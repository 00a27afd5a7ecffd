#pragma once
// Replacing a file safely. Every file the system writes (settings, library,
// shortcuts, sampler banks and the other XML files) goes through this: the
// new content is written to a temporary file in the same folder, flushed to
// the disk and then renamed over the old file. A crash, a full disk or any
// other failed write leaves the old file as it was, and the failure is
// reported instead of being taken for success.
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
  // Prepares replacing the file at path (its folder must exist). A symbolic
  // link at path is kept and the file it points to is replaced.
  explicit ZRAtomicFileWriter(const ZRString& path);
  // Removes the temporary file unless commit succeeded.
  ~ZRAtomicFileWriter();
  ZRAtomicFileWriter(const ZRAtomicFileWriter&) = delete;
  ZRAtomicFileWriter& operator=(const ZRAtomicFileWriter&) = delete;

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
