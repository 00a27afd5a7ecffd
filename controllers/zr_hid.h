#pragma once
// HID devices for controllers, behind a backend seam: hidapi on hidraw in the program (devices opened by
// path, so two identical units are two devices), a fake fed with recorded reports in tests. The HID table
// (at most kMaxHidDevices rows) is filled at start-up by scanHIDControllers.
//
// Threads: the table is filled on the main thread before the controllers run; devices are read and
// written on the render thread (the controller tick), non-blocking.

#include <memory>
#include <string>
#include <vector>

inline constexpr int kMaxHidDevices = 64;
inline constexpr int kHidReportBytes = 257;  // the longest report read
inline constexpr int kHidOutBytes = 256;     // the longest report written

struct ZRHidDeviceInfo {
  std::string product;  // the product string, or "[vvvv:pppp]"
  int vendorId = 0;
  int productId = 0;
  std::string path;
  int interfaceNumber = -1;
};

class ZRHidDevice {
 public:
  virtual ~ZRHidDevice() = default;
  // One report into buffer (size bytes at most): its length, 0 when none is waiting, below 0 on error.
  virtual int read(unsigned char* buffer, int size) = 0;
  // Writes one report (byte 0 the report id): the bytes written, below 0 on error.
  virtual int write(const unsigned char* bytes, int size) = 0;
};

class ZRHidBackend {
 public:
  virtual ~ZRHidBackend() = default;
  virtual std::vector<ZRHidDeviceInfo> enumerate() = 0;
  // Opens the device at path, non-blocking; null when it cannot.
  virtual std::unique_ptr<ZRHidDevice> open(const std::string& path) = 0;
};

// The backend (hidapi until another is set).
void setHidBackend(std::shared_ptr<ZRHidBackend> backend);
std::shared_ptr<ZRHidBackend> hidBackend();

// Fills the HID table from the backend (every device, in enumeration order).
void scanHIDControllers();
int getTotalHIDControllers();
// A copy of row index; false outside the table.
bool getHIDController(int index, ZRHidDeviceInfo& out);
// Copies the row's name into destination (size bytes, terminated); empty for a bad index.
void getHIDControllerName(int index, char* destination, int size);
