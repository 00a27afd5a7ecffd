#pragma once
// HID pages: what a controller script says about the fixed-layout reports of its HID device. An IN page
// names fields of the reports the device sends (detect fields pick the page, action fields are reported
// to the script when they change); an OUT page names fields of a report the host keeps and sends (LEDs,
// displays) when a field was set. Pages belong to one controller and die with it.
//
// Fields: a data type (bit, byte, ubyte, word, uword, dword), an offset in units of that type (bits count
// from the most significant bit of byte 0; multi-byte fields are little-endian) and a size (1 or less; a
// larger size is never read or written). An OUT page's byte 0 is the report id: its fields count from
// byte 1. A field that does not fit the buffer it belongs to (256 bytes out, 257 in) is refused when it is
// defined, and an IN field beyond the bytes a report actually has is not read from that report.
//
// Scaled values reach the script in 0..1: signed types 0 at the minimum, 0.5 at 0, 1 at the maximum;
// unsigned types 0..maximum; bits 0 or 1. A range end of 0 (a script may set one) gives that end instead
// of a division by zero; readings outside the range give the nearer end. Encoders and jog wheels report
// the steps moved, wrapping around their range.
//
// Threads: the controller's (the GUI tick on the render thread, and the script calls it makes).

#include <array>
#include <functional>
#include <map>
#include <string>

#include "controllers/zr_hid.h"

enum ZRControllerDataType : int {
  kHidDataBit = 0,
  kHidDataByte = 1,
  kHidDataUByte = 2,
  kHidDataWord = 3,
  kHidDataUWord = 4,
  kHidDataDWord = 5,
};

enum ZRControllerDataSpecialType : int {
  kHidSpecialPlain = 0,
  kHidSpecialEncoder = 1,
  kHidSpecialJogWheel = 2,
};

struct TZRControllerKey {
  int deck = -1;
  std::string name;
};
// By deck, then by name bytewise (the shorter first when one begins the other).
struct cmp_ControllerKey {
  bool operator()(const TZRControllerKey& a, const TZRControllerKey& b) const;
};

struct TZRControllerData {
  int specialType = kHidSpecialPlain;
  int dataType = kHidDataBit;
  int offset = 0;
  int size = -1;
  int value = 0;  // detect: the value compared or written; action: the last value seen or written
  float minimum = -1.0f, maximum = -1.0f;
  int seen = 0;
};

struct TZRHIDPage {
  std::map<TZRControllerKey, TZRControllerData, cmp_ControllerKey> detect;
  std::map<TZRControllerKey, TZRControllerData, cmp_ControllerKey> actions;
  std::array<unsigned char, kHidOutBytes> buffer{};
  int dirty = 0;
};

// "byte", "ubyte", "word", "uword", "dword"; anything else is a bit.
ZRControllerDataType getControllerDataTypeFromString(const std::string& text);
// "encoder"/"enc", "jog-wheel"/"jogwheel"/"jw"; anything else is a plain value.
ZRControllerDataSpecialType getControllerSpecialTypeFromString(const std::string& text);
// Whether a field of this type, offset and size can be read or written within bufferSize bytes.
bool hidFieldFits(int dataType, int offset, int size, int bufferSize);
// Reads or writes a field in buffer (bufferSize bytes); false for a size above 1, an unknown type or a
// field outside the buffer. A bit reads as its weight in its byte (128 for the first bit) or 0, and is set
// by any value but 0; other types read sign- or zero-extended and store the value's low bits.
bool getBufferSpecificValue(const unsigned char* buffer, int bufferSize, int dataType, int offset, int size,
                            int& value);
bool setBufferSpecificValue(unsigned char* buffer, int bufferSize, int dataType, int offset, int size,
                            int value);
// The field's value scaled for the script (see above).
float convertSpecificValueToFloat(const TZRControllerData& field);

class ZRHidPages {
 public:
  // Each logs its refusal ("error: ..."), leaving the pages as they were, and answers false.
  bool defineHidPage(const std::string& name, bool input);
  bool defineHidPageDetect(const std::string& page, int dataType, int offset, int size, int value);
  bool defineHidPageAction(const std::string& page, const std::string& action, int deck, int dataType,
                           int offset, int size, float minimum, float maximum, int specialType);
  // Sets the field on every OUT page that has it (value cut toward zero) and marks those pages dirty.
  bool callHidPageAction(const std::string& action, int deck, float value);

  bool hasInPages() const { return !in_.empty(); }
  // One report of size bytes: the first IN page (by name) whose detect fields all match takes it; each of
  // its action fields that changed is reported (action name, deck, scaled value or steps).
  using ActionReceived = std::function<void(const std::string& action, int deck, float value)>;
  void processHidActionChanges(const unsigned char* report, int size, const ActionReceived& received);
  // Sends every dirty OUT page (by name), size bytes from its report id (at most 256); the page is clean
  // afterwards whether or not the send worked.
  using Send = std::function<bool(const unsigned char* bytes, int size)>;
  void SendAllDirtyHIDOutPages(const Send& send, int size);

  const TZRHIDPage* inPage(const std::string& name) const;
  const TZRHIDPage* outPage(const std::string& name) const;

 private:
  TZRHIDPage* find(const std::string& name, bool& input);

  std::map<std::string, TZRHIDPage> in_, out_;
};
