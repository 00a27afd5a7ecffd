#include "codecs/zr_karaoke_package.h"

#include <cstring>
#include <map>
#include <mutex>

#include "codecs/zr_decoder_video.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_zip_karaoke.h"
#include "common/zr_zip_stream_extractor.h"

namespace {

struct Package {
  std::string zipPath;
  int users = 0;
};

// Extracted packages by the path of their .cdg.
std::mutex& packagesLock() {
  static std::mutex lock;
  return lock;
}
std::map<std::string, Package>& packages() {
  static std::map<std::string, Package> open;
  return open;
}

void deleteExtracted(const ZRString& cdgPath) {
  const ZRString stem = cdgPath.getPathAndName();
  FileDelete(cdgPath);
  FileDelete(stem + ZRString(".mp3"));
  FileDelete(stem + ZRString(".wav"));
}

bool reportName(const std::string& name, char* cdgName) {
  if (name.size() >= static_cast<size_t>(ZRMasterCodec::kCdgNameBytes)) {
    ZRLOG("error: karaoke member name too long (%d bytes)", static_cast<int>(name.size()));
    return false;
  }
  std::memcpy(cdgName, name.c_str(), name.size() + 1);
  return true;
}

}  // namespace

ZRString ZRKaraokePackages::acquire(const ZRString& zipPath, const ZRString& folder,
                                    ZRZipCdgExtractor primary, ZRZipCdgExtractor fallback) {
  std::lock_guard<std::mutex> g(packagesLock());
  const std::string zip = zipPath.utf8();
  std::string target = folder.utf8();
  std::string prefix = target;
  if (!prefix.empty() && prefix.back() != '/' && prefix.back() != '\\') prefix += '/';
  for (auto& [cdg, package] : packages()) {
    if (package.zipPath == zip && package.users > 0) {
      package.users++;
      return ZRString(cdg);
    }
  }
  std::string zipCopy = zip;
  std::vector<char> cdgName(ZRMasterCodec::kCdgNameBytes, '\0');
  const int ok = primary ? primary(zipCopy.data(), target.data(), 1, cdgName.data()) : 0;
  if (!ok && fallback) {
    cdgName[0] = '\0';
    fallback(zipCopy.data(), target.data(), 1, cdgName.data());
  }
  cdgName.back() = '\0';
  const std::string name = cdgName.data();
  const std::string cdgPath = prefix + name;
  if (!name.empty()) {
    Package& package = packages()[cdgPath];
    package.zipPath = zip;
    package.users++;
  }
  return ZRString(cdgPath);
}

void ZRKaraokePackages::release(const ZRString& cdgPath) {
  std::lock_guard<std::mutex> g(packagesLock());
  auto it = packages().find(cdgPath.utf8());
  if (it != packages().end()) {
    if (--it->second.users > 0) return;
    packages().erase(it);
  }
  deleteExtracted(cdgPath);
}

int ZRKaraokePackages::users(const ZRString& cdgPath) {
  std::lock_guard<std::mutex> g(packagesLock());
  auto it = packages().find(cdgPath.utf8());
  return it == packages().end() ? 0 : it->second.users;
}

int zipCdgExtractWithMinizip(char* zipPath, char* targetFolder, unsigned overwrite, char* cdgName) {
  std::string name;
  const int result = extractZipCdgFile(zipPath, targetFolder, overwrite, &name);
  if (!name.empty() && cdgName && !reportName(name, cdgName)) return 0;
  return result;
}

int zipCdgExtractStreaming(char* zipPath, char* targetFolder, unsigned overwrite, char* cdgName) {
  std::string name;
  const int result = extractZipCdgFile2(zipPath, targetFolder, static_cast<int>(overwrite), &name);
  if (!name.empty() && cdgName) reportName(name, cdgName);
  return result;
}

void installKaraokeSupport() {
  ZRMasterCodec::setVideoDecoderFactory(&makeVideoDecoder);
  ZRMasterCodec::setZipCdgExtractors(&zipCdgExtractWithMinizip, &zipCdgExtractStreaming);
}
