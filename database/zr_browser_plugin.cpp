#include "database/zr_browser_plugin.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "common/zr_files_platform.h"
#include "common/zr_logging.h"

namespace {

std::atomic<ZRBrowserIconDecoder> iconDecoder{nullptr};

}  // namespace

void ZRBrowserPlugin::setIconDecoder(ZRBrowserIconDecoder decoder) {
  iconDecoder.store(decoder);
}

ZRBrowserPlugin::~ZRBrowserPlugin() {
  freeIcon();
}

void ZRBrowserPlugin::freeIcon() {
  delete[] icon_;
  icon_ = nullptr;
  iconWidth_ = -1;
  iconHeight_ = -1;
}

const unsigned char* ZRBrowserPlugin::getIconData(int32_t width, int32_t height, bool flag, int32_t nodeId) {
  if ((nodeId != -1 && nodeId != nodeId_) || width < 2 || height < 2) return nullptr;
  if (icon_ && iconWidth_ == width && iconHeight_ == height) return icon_;
  freeIcon();
  const char* name = getIconFilename();
  if (name == nullptr) return nullptr;
  const ZRBrowserIconDecoder decode = iconDecoder.load();
  if (decode == nullptr) {
    static std::atomic<bool> told{false};
    if (!told.exchange(true)) ZRLOG("browser plug-in icons: not available yet (no image decoder)");
    return nullptr;
  }
  char resources[4096];
  if (!GetResourcesDir_Apple(resources, sizeof(resources))) return nullptr;
  const std::string path = std::string(resources) + "images/" + name;
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.empty()) return nullptr;
  icon_ = decode(bytes.data(), static_cast<int>(bytes.size()), flag, width, height);
  if (icon_) {
    iconWidth_ = width;
    iconHeight_ = height;
  }
  return icon_;
}
