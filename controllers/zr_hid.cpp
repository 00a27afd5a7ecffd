#include "controllers/zr_hid.h"

#include <hidapi/hidapi.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <mutex>

#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"

namespace {

class HidapiDevice : public ZRHidDevice {
 public:
  explicit HidapiDevice(hid_device* device) : device_(device) {}
  ~HidapiDevice() override { hid_close(device_); }
  int read(unsigned char* buffer, int size) override {
    return hid_read_timeout(device_, buffer, static_cast<size_t>(size), 0);
  }
  int write(const unsigned char* bytes, int size) override {
    return hid_write(device_, bytes, static_cast<size_t>(size));
  }

 private:
  hid_device* device_;
};

std::string narrow(const wchar_t* text) {
  if (text == nullptr) return {};
  std::string out;
  for (const wchar_t* p = text; *p != 0 && out.size() < 127; ++p) {
    const wchar_t c = *p;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  out.resize(utf8CutLength(out.data(), out.size(), 127));
  return out;
}

class HidapiBackend : public ZRHidBackend {
 public:
  std::vector<ZRHidDeviceInfo> enumerate() override {
    std::vector<ZRHidDeviceInfo> devices;
    if (hid_init() != 0) return devices;
    hid_device_info* list = hid_enumerate(0, 0);
    for (hid_device_info* d = list; d != nullptr; d = d->next) {
      ZRHidDeviceInfo info;
      info.vendorId = d->vendor_id;
      info.productId = d->product_id;
      info.product = narrow(d->product_string);
      if (info.product.empty()) {
        char ids[16];
        std::snprintf(ids, sizeof ids, "[%04hx:%04hx]", d->vendor_id, d->product_id);
        info.product = ids;
      }
      info.path = d->path != nullptr ? d->path : "";
      info.interfaceNumber = d->interface_number;
      devices.push_back(std::move(info));
    }
    hid_free_enumeration(list);
    return devices;
  }
  std::unique_ptr<ZRHidDevice> open(const std::string& path) override {
    if (hid_init() != 0) return nullptr;
    hid_device* device = hid_open_path(path.c_str());
    if (device == nullptr) return nullptr;
    hid_set_nonblocking(device, 1);
    return std::make_unique<HidapiDevice>(device);
  }
};

std::mutex lock;
std::shared_ptr<ZRHidBackend> backend;
std::vector<ZRHidDeviceInfo> table;

}  // namespace

void setHidBackend(std::shared_ptr<ZRHidBackend> b) {
  std::lock_guard<std::mutex> guard(lock);
  backend = std::move(b);
}

std::shared_ptr<ZRHidBackend> hidBackend() {
  std::lock_guard<std::mutex> guard(lock);
  if (backend == nullptr) backend = std::make_shared<HidapiBackend>();
  return backend;
}

void scanHIDControllers() {
  std::vector<ZRHidDeviceInfo> devices = hidBackend()->enumerate();
  if (devices.size() > static_cast<size_t>(kMaxHidDevices)) {
    ZRLOG("HID: more than %d devices; the rest are left out", kMaxHidDevices);
    devices.resize(kMaxHidDevices);
  }
  std::lock_guard<std::mutex> guard(lock);
  table = std::move(devices);
}

int getTotalHIDControllers() {
  std::lock_guard<std::mutex> guard(lock);
  return static_cast<int>(table.size());
}

bool getHIDController(int index, ZRHidDeviceInfo& out) {
  std::lock_guard<std::mutex> guard(lock);
  if (index < 0 || index >= static_cast<int>(table.size())) return false;
  out = table[static_cast<size_t>(index)];
  return true;
}

void getHIDControllerName(int index, char* destination, int size) {
  if (destination == nullptr || size <= 0) return;
  destination[0] = 0;
  ZRHidDeviceInfo info;
  if (!getHIDController(index, info)) return;
  const size_t n = utf8CutLength(info.product.data(), info.product.size(), static_cast<size_t>(size - 1));
  std::memcpy(destination, info.product.data(), n);
  destination[n] = 0;
}
