#include "controllers/zr_hid_pages.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "common/zr_logging.h"

namespace {

// The first byte and the byte count a field covers; false for an unknown type or a negative offset.
bool fieldBytes(int dataType, int offset, int64_t& first, int& count) {
  if (offset < 0) return false;
  switch (dataType) {
    case kHidDataBit:
      first = offset / 8;
      count = 1;
      return true;
    case kHidDataByte:
    case kHidDataUByte:
      first = offset;
      count = 1;
      return true;
    case kHidDataWord:
    case kHidDataUWord:
      first = 2 * static_cast<int64_t>(offset);
      count = 2;
      return true;
    case kHidDataDWord:
      first = 4 * static_cast<int64_t>(offset);
      count = 4;
      return true;
    default:
      return false;
  }
}

void defaultRange(int dataType, float& minimum, float& maximum) {
  switch (dataType) {
    case kHidDataByte:
      minimum = -128.0f;
      maximum = 127.0f;
      break;
    case kHidDataUByte:
      minimum = 0.0f;
      maximum = 255.0f;
      break;
    case kHidDataWord:
      minimum = -32768.0f;
      maximum = 32767.0f;
      break;
    case kHidDataUWord:
      minimum = 0.0f;
      maximum = 65535.0f;
      break;
    case kHidDataDWord:
      minimum = -2147483648.0f;
      maximum = 2147483647.0f;
      break;
    default:
      minimum = 0.0f;
      maximum = 1.0f;
      break;
  }
}

const char* direction(bool input) {
  return input ? "IN" : "OUT";
}

// An OUT page's fields start after its report id.
constexpr int kOutFieldBytes = kHidOutBytes - 1;

}  // namespace

bool cmp_ControllerKey::operator()(const TZRControllerKey& a, const TZRControllerKey& b) const {
  if (a.deck != b.deck) return a.deck < b.deck;
  return a.name < b.name;
}

ZRControllerDataType getControllerDataTypeFromString(const std::string& text) {
  if (text == "byte") return kHidDataByte;
  if (text == "ubyte") return kHidDataUByte;
  if (text == "word") return kHidDataWord;
  if (text == "uword") return kHidDataUWord;
  if (text == "dword") return kHidDataDWord;
  return kHidDataBit;
}

ZRControllerDataSpecialType getControllerSpecialTypeFromString(const std::string& text) {
  if (text == "encoder" || text == "enc") return kHidSpecialEncoder;
  if (text == "jog-wheel" || text == "jogwheel" || text == "jw") return kHidSpecialJogWheel;
  return kHidSpecialPlain;
}

bool hidFieldFits(int dataType, int offset, int size, int bufferSize) {
  int64_t first = 0;
  int count = 0;
  return size <= 1 && fieldBytes(dataType, offset, first, count) && first + count <= bufferSize;
}

bool getBufferSpecificValue(const unsigned char* buffer, int bufferSize, int dataType, int offset, int size,
                            int& value) {
  if (buffer == nullptr || !hidFieldFits(dataType, offset, size, bufferSize)) return false;
  int64_t first = 0;
  int count = 0;
  fieldBytes(dataType, offset, first, count);
  const unsigned char* p = buffer + first;
  switch (dataType) {
    case kHidDataBit:
      value = p[0] & (0x80 >> (offset % 8));
      return true;
    case kHidDataByte:
      value = static_cast<int8_t>(p[0]);
      return true;
    case kHidDataUByte:
      value = p[0];
      return true;
    case kHidDataWord:
      value = static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
      return true;
    case kHidDataUWord:
      value = p[0] | (p[1] << 8);
      return true;
    default: {
      const uint32_t u = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
      value = static_cast<int32_t>(u);
      return true;
    }
  }
}

bool setBufferSpecificValue(unsigned char* buffer, int bufferSize, int dataType, int offset, int size,
                            int value) {
  if (buffer == nullptr || !hidFieldFits(dataType, offset, size, bufferSize)) return false;
  int64_t first = 0;
  int count = 0;
  fieldBytes(dataType, offset, first, count);
  unsigned char* p = buffer + first;
  if (dataType == kHidDataBit) {
    const unsigned char weight = static_cast<unsigned char>(0x80 >> (offset % 8));
    p[0] = value != 0 ? (p[0] | weight) : (p[0] & ~weight);
    return true;
  }
  const uint32_t u = static_cast<uint32_t>(value);
  for (int i = 0; i < count; ++i) p[i] = static_cast<unsigned char>(u >> (8 * i));
  return true;
}

float convertSpecificValueToFloat(const TZRControllerData& field) {
  const double v = field.value;
  double scaled = 0.0;
  switch (field.dataType) {
    case kHidDataByte:
    case kHidDataWord:
    case kHidDataDWord: {
      // (|v| / end + 1) / 2 with the minimum (negative) below 0 and the maximum above it.
      const double end = v < 0 ? field.minimum : field.maximum;
      if (v == 0) {
        scaled = 0.5;
      } else if (end == 0) {
        scaled = v < 0 ? 0.0 : 1.0;
      } else {
        scaled = (std::fabs(v) / end + 1.0) * 0.5;
      }
      break;
    }
    case kHidDataUByte:
    case kHidDataUWord:
      scaled = field.maximum != 0 ? v / field.maximum : (v > 0 ? 1.0 : 0.0);
      break;
    default:
      return field.value != 0 ? 1.0f : 0.0f;
  }
  return static_cast<float>(std::clamp(scaled, 0.0, 1.0));
}

TZRHIDPage* ZRHidPages::find(const std::string& name, bool& input) {
  if (auto it = in_.find(name); it != in_.end()) {
    input = true;
    return &it->second;
  }
  if (auto it = out_.find(name); it != out_.end()) {
    input = false;
    return &it->second;
  }
  ZRLOG("error: HID page name='%s' does NOT exist (looked in both in/out pages)", name.c_str());
  return nullptr;
}

const TZRHIDPage* ZRHidPages::inPage(const std::string& name) const {
  const auto it = in_.find(name);
  return it != in_.end() ? &it->second : nullptr;
}

const TZRHIDPage* ZRHidPages::outPage(const std::string& name) const {
  const auto it = out_.find(name);
  return it != out_.end() ? &it->second : nullptr;
}

bool ZRHidPages::defineHidPage(const std::string& name, bool input) {
  for (bool existingInput : {true, false}) {
    if ((existingInput ? in_ : out_).count(name) != 0) {
      ZRLOG("error: HID page name='%s' already exists (defined as an '%s' page)", name.c_str(),
            direction(existingInput));
      return false;
    }
  }
  (input ? in_ : out_)[name] = TZRHIDPage();
  return true;
}

bool ZRHidPages::defineHidPageDetect(const std::string& pageName, int dataType, int offset, int size,
                                     int value) {
  bool input = true;
  TZRHIDPage* page = find(pageName, input);
  if (page == nullptr) return false;
  if (!hidFieldFits(dataType, offset, 1, input ? kHidReportBytes : kOutFieldBytes)) {
    ZRLOG("error: HID page name='%s': detect field type %d offset %d lies outside the %s report",
          pageName.c_str(), dataType, offset, direction(input));
    return false;
  }
  char name[64];
  std::snprintf(name, sizeof name, "type%d-offset%d-size%d", dataType, offset, size);
  TZRControllerData field;
  field.dataType = dataType;
  field.offset = offset;
  field.size = size;
  field.value = value;
  field.seen = 1;
  page->detect[TZRControllerKey{-1, name}] = field;
  // A constant of an OUT report (a header byte) is in the buffer from now on.
  if (!input) setBufferSpecificValue(page->buffer.data() + 1, kOutFieldBytes, dataType, offset, size, value);
  return true;
}

bool ZRHidPages::defineHidPageAction(const std::string& pageName, const std::string& action, int deck,
                                     int dataType, int offset, int size, float minimum, float maximum,
                                     int specialType) {
  if (deck > 1) return false;
  bool input = true;
  TZRHIDPage* page = find(pageName, input);
  if (page == nullptr) return false;
  if (!hidFieldFits(dataType, offset, 1, input ? kHidReportBytes : kOutFieldBytes)) {
    ZRLOG("error: HID action name='%s' offset %d lies outside the %s report", action.c_str(), offset,
          direction(input));
    return false;
  }
  const TZRControllerKey key{deck, action};
  if (page->actions.count(key) != 0) {
    ZRLOG("error: HID action name='%s' already exists", action.c_str());
    return false;
  }
  TZRControllerData field;
  field.specialType = specialType;
  field.dataType = dataType;
  field.offset = offset;
  field.size = size;
  float lowest = 0, highest = 1;
  defaultRange(dataType, lowest, highest);
  // -1 (or a number that is none) takes the type's own end.
  field.minimum = minimum == -1.0f || !std::isfinite(minimum) ? lowest : minimum;
  field.maximum = maximum == -1.0f || !std::isfinite(maximum) ? highest : maximum;
  field.seen = dataType == kHidDataBit ? 1 : 0;
  page->actions[key] = field;
  return true;
}

bool ZRHidPages::callHidPageAction(const std::string& action, int deck, float value) {
  if (deck > 1) return false;
  const TZRControllerKey key{deck, action};
  // Cut toward zero, within int (a script may pass anything).
  const double cut = std::trunc(std::isfinite(value) ? static_cast<double>(value) : 0.0);
  const int stored = static_cast<int>(std::clamp(cut, -2147483648.0, 2147483647.0));
  bool found = false;
  for (auto& [name, page] : out_) {
    const auto it = page.actions.find(key);
    if (it == page.actions.end()) continue;
    found = true;
    TZRControllerData& field = it->second;
    field.value = stored;
    setBufferSpecificValue(page.buffer.data() + 1, kOutFieldBytes, field.dataType, field.offset, field.size,
                           stored);
    page.dirty = 1;
  }
  if (!found) {
    ZRLOG("error: action NOT found - callHidPageAction actionName=%s, deck=%d, value=%f", action.c_str(),
          deck, static_cast<double>(value));
  }
  return found;
}

void ZRHidPages::processHidActionChanges(const unsigned char* report, int size,
                                         const ActionReceived& received) {
  if (report == nullptr || size <= 0) return;
  size = std::min(size, kHidReportBytes);
  TZRHIDPage* chosen = nullptr;
  for (auto& [name, page] : in_) {
    bool matches = true;
    for (const auto& [key, field] : page.detect) {
      int v = 0;
      if (!getBufferSpecificValue(report, size, field.dataType, field.offset, field.size, v) ||
          v != field.value) {
        matches = false;
        break;
      }
    }
    if (matches) {
      chosen = &page;
      break;
    }
  }
  if (chosen == nullptr) return;
  for (auto& [key, field] : chosen->actions) {
    int v = 0;
    if (!getBufferSpecificValue(report, size, field.dataType, field.offset, field.size, v)) continue;
    if (v == field.value && field.seen != 0) continue;
    if (field.seen == 0) {
      field.value = v;
      field.seen = 1;
    }
    const int previous = field.value;
    field.value = v;
    if (field.specialType == kHidSpecialPlain) {
      if (received) received(key.name, key.deck, convertSpecificValueToFloat(field));
    } else if (field.specialType == kHidSpecialEncoder || field.specialType == kHidSpecialJogWheel) {
      int64_t delta = static_cast<int64_t>(v) - previous;
      const double range = static_cast<double>(field.maximum) - field.minimum + 1.0;
      if (range > 0 && std::fabs(static_cast<double>(delta)) > range * 0.5) {
        delta = static_cast<int64_t>(delta > 0 ? delta - range : delta + range);
      }
      if (delta != 0 && received) received(key.name, key.deck, static_cast<float>(delta));
    }
  }
}

void ZRHidPages::SendAllDirtyHIDOutPages(const Send& send, int size) {
  size = std::clamp(size, 1, kHidOutBytes);
  for (auto& [name, page] : out_) {
    if (page.dirty == 0) continue;
    page.dirty = 0;
    if (send) send(page.buffer.data(), size);
  }
}
