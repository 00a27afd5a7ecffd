#include "soundio/sound_card_usb_ids.h"

#include <filesystem>
#include <fstream>

namespace {

bool readHexId(const std::filesystem::path& file, int& id) {
  std::ifstream in(file);
  std::string text;
  if (!(in >> text) || text.empty() || text.size() > 4) return false;
  try {
    size_t used = 0;
    const int value = std::stoi(text, &used, 16);
    if (used != text.size() || value <= 0) return false;
    id = value;
    return true;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace

bool soundCardUsbIds(const std::string& sysfsRoot, int card, int& vendorId, int& productId) {
  vendorId = productId = 0;
  if (card < 0) return false;
  std::error_code error;
  const std::filesystem::path link =
      std::filesystem::path(sysfsRoot) / "class" / "sound" / ("card" + std::to_string(card)) / "device";
  std::filesystem::path at = std::filesystem::canonical(link, error);
  if (error) return false;
  // The interface folder, then the USB device above it (a hub port or two further up at most).
  for (int up = 0; up < 4 && !at.empty() && at != at.root_path(); ++up, at = at.parent_path()) {
    int vendor = 0;
    int product = 0;
    if (readHexId(at / "idVendor", vendor) && readHexId(at / "idProduct", product)) {
      vendorId = vendor;
      productId = product;
      return true;
    }
  }
  return false;
}
