// HID reports through a script's page table. The first 32 bytes describe the pages: four fields of eight
// bytes each (page, direction, data type, special type, a 16-bit signed offset, and range ends chosen
// from a small set that includes 0 and inverted ranges). The rest is a sequence of reports, each led by a
// length byte (up to 300: longer than any buffer), then an OUT write and a send. Every plain value heard
// must lie in 0..1, every step count be a whole number other than 0, and every page sent fit the
// 256-byte buffer.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "controllers/zr_hid_pages.h"
#include "fuzz_support.h"

namespace {

const float kEnds[] = {-1.0f, 0.0f, 1.0f, -128.0f, 127.0f, 255.0f, 65535.0f, -5.0f};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 32) return 0;
  ZRHidPages pages;
  const char* names[] = {"a", "b", "c"};
  for (const char* name : names) pages.defineHidPage(name, name[0] != 'c');
  struct Field {
    std::string action;
    int deck;
    int special;
    float minimum, maximum;
  };
  std::vector<Field> fields;
  for (int i = 0; i < 4; ++i) {
    const uint8_t* f = data + 8 * i;
    const std::string page = names[f[0] % 3];
    const int type = f[2] % 7;  // 6: unknown
    const int special = f[3] % 3;
    const int offset = static_cast<int16_t>(f[4] | (f[5] << 8));
    if (f[1] & 1) {
      pages.defineHidPageDetect(page, type, offset, (f[1] >> 1) % 3 - 1, f[6]);
      continue;
    }
    const std::string action = "f" + std::to_string(i);
    const float minimum = kEnds[f[6] % 8], maximum = kEnds[f[7] % 8];
    const int deck = (f[1] >> 1) % 4 - 1;
    if (pages.defineHidPageAction(page, action, deck, type, offset, (f[1] >> 3) % 3 - 1, minimum, maximum,
                                  special)) {
      fields.push_back({action, deck, special, minimum, maximum});
    }
  }
  auto heard = [&](const std::string& action, int deck, float value) {
    orvel_fuzz::fuzzCheck(std::isfinite(value), "finite value");
    for (const Field& f : fields) {
      if (f.action != action || f.deck != deck) continue;
      if (f.special == kHidSpecialPlain) {
        orvel_fuzz::fuzzCheck(value >= 0.0f && value <= 1.0f, "plain value within 0..1");
      } else {
        orvel_fuzz::fuzzCheck(value == std::trunc(value) && value != 0.0f, "whole steps");
      }
    }
  };
  std::vector<unsigned char> report;
  size_t at = 32;
  while (at < size) {
    const size_t length = std::min<size_t>(data[at] + (data[at] & 1) * 45, size - at - 1);
    ++at;
    // A report of exactly length bytes: the parser must read nothing past it.
    report.assign(data + at, data + at + length);
    pages.processHidActionChanges(report.data(), static_cast<int>(report.size()), heard);
    at += length;
    if (at < size) {
      pages.callHidPageAction("f" + std::to_string(data[at] % 4), data[at] % 3 - 1,
                              static_cast<float>(static_cast<int8_t>(data[at])) * 1.5f);
      pages.SendAllDirtyHIDOutPages(
          [](const unsigned char* bytes, int n) {
            orvel_fuzz::fuzzCheck(bytes != nullptr && n > 0 && n <= kHidOutBytes, "page size");
            return true;
          },
          data[at] * 2);
    }
  }
  return 0;
}
