#include "controllers/controller_script_api.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "common/zr_logging.h"
#include "controllers/controller_call_table.h"
#include "controllers/controller_host.h"
#include "controllers/zr_controller_script.h"
#include "controllers/zr_hardware_controller.h"
#include "controllers/zr_javascript.h"
#include "soundio/zr_midi_ports.h"

namespace {

// Behaviour switches and amounts a controller may reasonably change; nothing that names a file, a folder,
// a device or a server, and no password.
const char* const kWritable[] = {"AutoMixFadeTime",
                                 "AutoMixLimitTrack",
                                 "AutoMixOn",
                                 "BeatMatchingWhenAutoMix",
                                 "CrossfaderCurve",
                                 "CutoffFilter",
                                 "DetectMusicalKey",
                                 "HighQualityTimeStretch",
                                 "KeyLockA",
                                 "KeyLockB",
                                 "KeyLockC",
                                 "KeyLockD",
                                 "KeyStepperSemitone",
                                 "Limiter",
                                 "PitchRange",
                                 "Random",
                                 "RemainingTime",
                                 "RememberSongEq",
                                 "ResetDeckAfterLoad",
                                 "ResetPitchAfterAutoMix",
                                 "SamplerMode",
                                 "ShowHints",
                                 "TimecodeType",
                                 "UseAutoCueing",
                                 "UseAutoGain",
                                 "UseSlipModeForLoops",
                                 "UseSlowPitchReset",
                                 "UseSoftAutoCueDetection",
                                 "UseSteadyBpmDetection",
                                 "UseSyncLock"};
// Readable in addition.
const char* const kReadable[] = {"ALatency", "AudioDevice", "ControllersConfigAudio"};

constexpr int kMaxBytes = 256;

ZRHardwareController* controllerOf(const TJSParam* arguments, int count) {
  if (count < 1) return nullptr;
  return ZRHardwareController::at(arguments[0].intValue);
}

// Reads a byte array argument of exactly size elements (1..kMaxBytes); false with the usage line.
bool bytesOf(int count, const TJSParam* a, std::vector<unsigned char>& out, const char* function) {
  if (count != 3) {
    ZRLOG("js params error -- should be: %s(uniqueId,data,size);", function);
    return false;
  }
  const int size = a[2].intValue;
  if (size <= 0) return false;
  if (a[1].type != TJSParam::Array || static_cast<int>(a[1].elements.size()) != size) {
    ZRLOG("js params error -- should be: %s(uniqueId,data,size); -- data should be an array!", function);
    return false;
  }
  if (size > kMaxBytes) {
    ZRLOG("js params error -- %s: %d bytes, at most %d", function, size, kMaxBytes);
    return false;
  }
  for (const TJSParam& e : a[1].elements) out.push_back(static_cast<unsigned char>(e.intValue & 0xFF));
  return true;
}

bool fnCall(int count, TJSParam* a, TJSParam*, void*) {
  return callDj(count, a);
}

bool fnCallNode(int count, TJSParam* a, TJSParam* result, void*) {
  *result = TJSParam::ofInt(-1);
  if (count < 3) {
    ZRLOG(
        "js params error -- should be: callNode('nodeName', nodeDeck, 'action'[, param1, param2, param3, "
        "'param4']); where nodeDeck is -2 (for custom controls), -1 (global controls) or >=0 (per deck "
        "controls)");
    return true;
  }
  ZRControllerHost* host = controllerHost();
  if (host == nullptr) return true;
  auto arg = [&](int i) { return i < count ? a[i].intValue : -1; };
  const std::string text = count > 6 ? a[6].text : std::string();
  *result = TJSParam::ofInt(host->callNode(a[0].text.c_str(), a[1].intValue, a[2].text.c_str(), arg(3),
                                           arg(4), arg(5), text.c_str()));
  return true;
}

bool fnDebug(int count, TJSParam* a, TJSParam*, void*) {
  if (count == 1) ZRLOG("js debug '%s'", a[0].type == TJSParam::String ? a[0].text.c_str() : "");
  return true;
}

bool fnSendMidi(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 5) {
    ZRLOG("js params error -- should be: sendMidi(uniqueId,status,channel,data1,data2);");
    return true;
  }
  ZRHardwareController* c = controllerOf(a, count);
  if (c == nullptr || c->midiOut() == nullptr || a[1].intValue == -1 || a[2].intValue == -1) return true;
  c->midiOut()->out((a[1].intValue | a[2].intValue) & 0xFF, a[3].intValue & 0xFF, a[4].intValue & 0xFF);
  return true;
}

bool fnSendMidiSysEx(int count, TJSParam* a, TJSParam*, void*) {
  std::vector<unsigned char> bytes;
  if (!bytesOf(count, a, bytes, "sendMidiSysEx")) return true;
  ZRHardwareController* c = controllerOf(a, count);
  if (c != nullptr && c->midiOut() != nullptr)
    c->midiOut()->outlong(bytes.data(), static_cast<int>(bytes.size()));
  return true;
}

bool fnSendHid(int count, TJSParam* a, TJSParam*, void*) {
  std::vector<unsigned char> bytes;
  if (!bytesOf(count, a, bytes, "sendHid")) return true;
  if (ZRHardwareController* c = controllerOf(a, count))
    c->SendHID(bytes.data(), static_cast<int>(bytes.size()));
  return true;
}

// The engine value of name for deck; false for a deck above 1 (0 to the script).
bool readValue(int count, TJSParam* a, int& type, int& value, double& number, std::string& text) {
  type = 0;
  const int deck = count > 1 ? a[1].intValue : -1;
  const int scroll = count > 2 ? a[2].intValue : -1;
  if (deck > 1) return false;
  ZRControllerHost* host = controllerHost();
  if (host == nullptr) return false;
  host->getValue(a[0].text.c_str(), deck < -1 ? -1 : deck, value, number, text, type, scroll);
  return true;
}

bool fnGetValue(int count, TJSParam* a, TJSParam* result, void*) {
  if (count < 1) return false;
  int type = 0, value = 0;
  double number = 0;
  std::string text;
  *result = TJSParam::ofInt(0);
  if (!readValue(count, a, type, value, number, text)) return true;
  if (type == 1) *result = TJSParam::ofInt(value);
  if (type == 2) *result = TJSParam::ofFloat(static_cast<float>(number));
  if (type == 3) *result = TJSParam::ofString(text);
  return true;
}

bool fnGetValueUTF16(int count, TJSParam* a, TJSParam* result, void*) {
  if (count < 1) {
    ZRLOG("js params error -- should be: var array1 = getValueUTF16(name[,deck=-1,useScrollingSize=-1]);");
    return false;
  }
  int type = 0, value = 0;
  double number = 0;
  std::string text;
  *result = TJSParam::ofInt(0);
  if (!readValue(count, a, type, value, number, text)) return true;
  if (type == 1) *result = TJSParam::ofInt(value);
  if (type == 2) *result = TJSParam::ofFloat(static_cast<float>(number));
  if (type != 3) return true;
  text.resize(std::min(text.size(), static_cast<size_t>(kMaxParamTextBytes)));
  std::vector<unsigned> units;
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    unsigned cp = c;
    size_t n = 1;
    if (c >= 0xF0 && i + 3 < text.size() + 0) {
      cp = ((c & 0x07u) << 18) | ((text[i + 1] & 0x3Fu) << 12) | ((text[i + 2] & 0x3Fu) << 6) |
           (text[i + 3] & 0x3Fu);
      n = 4;
    } else if (c >= 0xE0 && i + 2 < text.size()) {
      cp = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      n = 3;
    } else if (c >= 0xC0 && i + 1 < text.size()) {
      cp = ((c & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
      n = 2;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      units.push_back(0xD800 + (cp >> 10));
      units.push_back(0xDC00 + (cp & 0x3FF));
    } else {
      units.push_back(cp);
    }
    i += n;
  }
  result->type = TJSParam::Array;
  const size_t total = 2 * text.size() + 2;
  for (unsigned u : units) {
    result->elements.push_back(TJSParam::ofInt(static_cast<int>(u & 0xFF)));
    result->elements.push_back(TJSParam::ofInt(static_cast<int>(u >> 8)));
  }
  while (result->elements.size() < total) result->elements.push_back(TJSParam::ofInt(0));
  return true;
}

bool fnSendAll(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 2) {
    ZRLOG("js params error -- should be: callSendAllNotifications(uniqueId,useCurrentState);");
    return true;
  }
  if (ZRHardwareController* c = controllerOf(a, count)) SendAllControllerNotifications(a[1].intValue != 0, c);
  return true;
}

bool fnGetId(int count, TJSParam* a, TJSParam* result, void*) {
  *result = TJSParam::ofInt(-1);
  if (count < 1) {
    ZRLOG(
        "js params error -- should be: getId('name'[,deckNumber=-2]); where deckNumber is -2 (for custom "
        "controls), -1 (global controls) or >=0 (per deck controls)");
    return true;
  }
  if (ZRControllerHost* host = controllerHost()) {
    *result = TJSParam::ofInt(host->getId(a[0].text.c_str(), count > 1 ? a[1].intValue : -2));
  }
  return true;
}

bool fnGetSetting(int count, TJSParam* a, TJSParam* result, void*) {
  if (count < 1) {
    ZRLOG("js getSetting error: getSetting(name[,defaultValue]);");
    return false;
  }
  ZRControllerHost* host = controllerHost();
  if (host == nullptr || !host->hasSettings()) {
    ZRLOG("js getSetting error: Preferences object doesn't exist (yet)");
    return false;
  }
  *result = count > 1 ? a[1] : TJSParam::ofInt(-1);
  if (!scriptMayUseSetting(a[0].text.c_str(), false)) {
    ZRLOG("js getSetting error: '%s' is not for scripts", a[0].text.c_str());
    return true;
  }
  TJSParam value;
  if (host->getSetting(a[0].text.c_str(), value)) *result = value;
  return true;
}

bool fnSetSetting(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 2) {
    ZRLOG("js setSetting error: setSetting(nameOfSetting, valueOfSetting);");
    return false;
  }
  ZRControllerHost* host = controllerHost();
  if (host == nullptr || !host->hasSettings()) {
    ZRLOG("js setSetting error: Preferences object doesn't exist (yet)");
    return false;
  }
  if (a[1].type == TJSParam::Array) {
    ZRLOG("js setSetting error: setting value can not be an array");
    return true;
  }
  if (a[1].type != TJSParam::Float && a[1].type != TJSParam::String) {
    ZRLOG("js setSetting error: setting value unknown data type");
    return true;
  }
  if (!scriptMayUseSetting(a[0].text.c_str(), true)) {
    ZRLOG("js setSetting error: '%s' is not for scripts", a[0].text.c_str());
    return true;
  }
  // Applying a setting may reach the toolkit: the main thread does it.
  const std::string key = a[0].text;
  const TJSParam value = a[1];
  host->runOnMainThread([host, key, value] { host->setSetting(key.c_str(), value); });
  return true;
}

bool fnSetAudioDevice(int count, TJSParam* a, TJSParam* result, void*) {
  if (count != 1 || a[0].type != TJSParam::String) {
    ZRLOG("js setAudioDevice error: setSetting('audio device name1|||audio device name2|||name3, etc');");
    return false;
  }
  ZRControllerHost* host = controllerHost();
  if (host == nullptr || !host->hasSettings()) {
    ZRLOG("js setAudioDevice error: Preferences object doesn't exist (yet)");
    return false;
  }
  const std::string candidates = a[0].text;
  host->runOnMainThread([host, candidates] { host->setAudioDevice(candidates); });
  *result = TJSParam::ofBool(true);  // asked for; the choice is made on the main thread
  return true;
}

bool decodeColour(const std::string& text, float& r, float& g, float& b) {
  unsigned value = 0;
  if (text.size() != 7 || text[0] != '#' || std::sscanf(text.c_str() + 1, "%6x", &value) != 1) return false;
  r = static_cast<float>((value >> 16) & 0xFF) / 255.0f;
  g = static_cast<float>((value >> 8) & 0xFF) / 255.0f;
  b = static_cast<float>(value & 0xFF) / 255.0f;
  return true;
}

bool fnSetColorTable(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 3) {
    ZRLOG("js params error -- should be: setColorTable(uniqueId,data,size);");
    return true;
  }
  const int size = a[2].intValue;
  if (a[0].intValue == -1 || size <= 0 || size > 1024 || a[1].type != TJSParam::Array ||
      static_cast<int>(a[1].elements.size()) < 2 * size) {
    ZRLOG("js params error -- should be: setColorTable(uniqueId,data,size); -- data should be an array!");
    return true;
  }
  std::vector<ColorPair> table;
  for (int i = 0; i < size; ++i) {
    ColorPair pair;
    decodeColour(a[1].elements[static_cast<size_t>(2 * i)].text, pair.red, pair.green, pair.blue);
    const std::string& name = a[1].elements[static_cast<size_t>(2 * i + 1)].text;
    std::snprintf(pair.name, sizeof pair.name, "%s", name.c_str());
    table.push_back(pair);
  }
  ZRHardwareController* c = controllerOf(a, count);
  if (c == nullptr) {
    ZRLOG("error: callSetColorTable cannot find owner object!");
    return true;
  }
  c->setColorTable(std::move(table));
  return true;
}

bool fnNearestColour(int count, TJSParam* a, TJSParam* result, void*) {
  *result = TJSParam::ofString("");
  if (count != 2) {
    ZRLOG("js params error -- should be: getNearestColorInTable(uniqueId,originalColor);");
    return true;
  }
  float r = 0, g = 0, b = 0;
  if (a[0].intValue == -1 || a[1].text.empty() || !decodeColour(a[1].text, r, g, b)) {
    ZRLOG(
        "js params error -- should be: getNearestColorInTable(uniqueId,originalColor); -- color should be in "
        "HTML format eg. '#00FF00'");
    return true;
  }
  if (ZRHardwareController* c = controllerOf(a, count))
    *result = TJSParam::ofString(c->getNearestColorInTable(r, g, b));
  return true;
}

bool fnTestArrays(int count, TJSParam* a, TJSParam* result, void*) {
  ZRJavaScript::printFuncParams("testArraysDebug", count, a);
  result->type = TJSParam::Array;
  TJSParam inner;
  inner.type = TJSParam::Array;
  inner.elements = {TJSParam::ofInt(456), TJSParam::ofFloat(456.789f)};
  result->elements = {TJSParam::ofInt(123), TJSParam::ofFloat(123.456f), TJSParam::ofBool(true),
                      TJSParam::ofString("testString"), inner};
  return true;
}

// The HID page functions: argument errors are logged and change nothing; the script always hears success.
bool fnDefineHidPage(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 3) {
    ZRLOG("js params error -- should be: defineHidPage(uniqueId,pageName,isInputPage);");
    return true;
  }
  if (ZRHardwareController* c = controllerOf(a, count))
    c->hidPages().defineHidPage(a[1].text, a[2].intValue != 0);
  return true;
}

bool fnDefineHidPageDetect(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 6) {
    ZRLOG("js params error -- should be: defineHidPageDetect(uniqueId,pageName,type,offset,size,value);");
    return true;
  }
  if (ZRHardwareController* c = controllerOf(a, count)) {
    c->hidPages().defineHidPageDetect(a[1].text, getControllerDataTypeFromString(a[2].text), a[3].intValue,
                                      a[4].intValue, a[5].intValue);
  }
  return true;
}

bool fnDefineHidPageAction(int count, TJSParam* a, TJSParam*, void*) {
  if (count < 6) {
    ZRLOG(
        "js params error -- should be: "
        "defineHidPageAction(uniqueId,pageName,actionName,deck,type,offset[,size,min,max,specialTypeName]);");
    return true;
  }
  ZRHardwareController* c = controllerOf(a, count);
  if (c == nullptr) return true;
  const int size = count > 6 ? a[6].intValue : -1;
  const float minimum = count > 7 ? a[7].floatValue : -1.0f;
  const float maximum = count > 8 ? a[8].floatValue : -1.0f;
  const int special = count > 9 ? getControllerSpecialTypeFromString(a[9].text) : kHidSpecialPlain;
  c->hidPages().defineHidPageAction(a[1].text, a[2].text, a[3].intValue,
                                    getControllerDataTypeFromString(a[4].text), a[5].intValue, size, minimum,
                                    maximum, special);
  return true;
}

bool fnCallHidPageAction(int count, TJSParam* a, TJSParam*, void*) {
  if (count != 4) {
    ZRLOG("js params error -- should be: callHidPageAction(uniqueId,actionName,deck,value);");
    return true;
  }
  if (ZRHardwareController* c = controllerOf(a, count))
    c->hidPages().callHidPageAction(a[1].text, a[2].intValue, a[3].floatValue);
  return true;
}

void defineShared(ZRJavaScript& js) {
  js.defineFunction("call", 1, &fnCall, nullptr);
  js.defineFunction("callNode", 3, &fnCallNode, nullptr);
  js.defineFunction("debug", 1, &fnDebug, nullptr);
  js.defineFunction("alert", 1, &fnDebug, nullptr);
  js.defineFunction("getValue", 1, &fnGetValue, nullptr);
  js.defineFunction("getId", 2, &fnGetId, nullptr);
  js.defineFunction("getSetting", 1, &fnGetSetting, nullptr);
  js.defineFunction("setSetting", 2, &fnSetSetting, nullptr);
  js.defineFunction("testArraysDebug", 1, &fnTestArrays, nullptr);
}

}  // namespace

bool scriptMayUseSetting(const char* key, bool write) {
  if (key == nullptr) return false;
  for (const char* k : kWritable) {
    if (std::strcmp(k, key) == 0) return true;
  }
  if (write) return false;
  for (const char* k : kReadable) {
    if (std::strcmp(k, key) == 0) return true;
  }
  return false;
}

void defineFunctionCallback(ZRControllerScript* script) {
  if (script == nullptr) return;
  ZRJavaScript* js = script->loaded() ? script->getScript() : nullptr;
  if (js == nullptr) return;
  defineShared(*js);
  js->defineFunction("sendMidi", 5, &fnSendMidi, nullptr);
  js->defineFunction("sendMidiSysEx", 3, &fnSendMidiSysEx, nullptr);
  js->defineFunction("sendHid", 3, &fnSendHid, nullptr);
  js->defineFunction("getValueUTF16", 1, &fnGetValueUTF16, nullptr);
  js->defineFunction("callSendAllNotifications", 2, &fnSendAll, nullptr);
  js->defineFunction("defineHidPage", 3, &fnDefineHidPage, nullptr);
  js->defineFunction("defineHidPageDetect", 6, &fnDefineHidPageDetect, nullptr);
  js->defineFunction("defineHidPageAction", 6, &fnDefineHidPageAction, nullptr);
  js->defineFunction("callHidPageAction", 4, &fnCallHidPageAction, nullptr);
  js->defineFunction("setAudioDevice", 1, &fnSetAudioDevice, nullptr);
  js->defineFunction("setColorTable", 3, &fnSetColorTable, nullptr);
  js->defineFunction("getNearestColorInTable", 2, &fnNearestColour, nullptr);
}

void defineSkinScriptFunctions(ZRJavaScript& js) {
  defineShared(js);
}
