#include "controllers/zr_controller_script.h"

#include <strings.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "common/zr_logging.h"

namespace {

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool isIdText(const std::string& text) {
  return !text.empty() && text != "none";
}

// Reads the whole file, refusing one over the limit; bom tells whether a byte-order mark was skipped.
bool readScriptFile(const std::string& path, std::string& text, int& bom) {
  bom = 0;
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    ZRLOG("error reading js script '%s'", path.c_str());
    return false;
  }
  text.assign(static_cast<size_t>(kMaxControllerScriptBytes) + 1, '\0');
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  const std::streamsize got = in.gcount();
  if (got > kMaxControllerScriptBytes) {
    ZRLOG("error - js script longer than %d bytes '%s'", kMaxControllerScriptBytes, path.c_str());
    return false;
  }
  text.resize(static_cast<size_t>(got));
  // A zero byte would end the text early where the engine reads it.
  text.resize(std::strlen(text.c_str()));
  if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF &&
      static_cast<unsigned char>(text[1]) == 0xBB && static_cast<unsigned char>(text[2]) == 0xBF) {
    text.erase(0, 3);
    bom = 1;
  }
  return true;
}

}  // namespace

ZRControllerScript::ZRControllerScript(std::string path, ZRDefineScriptFunctions define)
    : path_(std::move(path)), define_(define) {
  clearIdentity(-1);
  load(true);
}

ZRControllerScript::~ZRControllerScript() = default;

void ZRControllerScript::clearIdentity(int type) {
  type_ = type;
  fileVersion_ = 0;
  friendlyName_ = "none";
  identity_ = Identity();
}

void ZRControllerScript::unload() {
  engine_.reset();
}

void ZRControllerScript::clear() {
  engine_.reset();
  path_.clear();
  clearIdentity(-1);
}

bool ZRControllerScript::load(bool firstLoad) {
  engine_.reset();
  if (path_.empty()) return false;
  if (!firstLoad) ZRLOG("reloading script '%s'", path_.c_str());
  std::string text;
  int bom = 0;
  if (!readScriptFile(path_, text, bom)) {
    if (firstLoad) clearIdentity(-1);
    return false;
  }
  std::unique_ptr<ZRJavaScript> engine = ZRJavaScript::create(text);
  if (engine == nullptr) {
    ZRLOG("error - script object was not created ok BOM=%d '%s'", bom, path_.c_str());
    return false;
  }
  if (!engine->isOk()) {
    ZRLOG("error - script was not evaluated ok BOM=%d '%s'", bom, path_.c_str());
    if (firstLoad) clearIdentity(-1);
    return false;
  }
  engine_ = std::move(engine);
  if (define_ != nullptr) define_(this);
  if (!firstLoad) return true;
  int version = -1;
  if (!engine_->callFunctionGetResultAsInt("getLanguageVersion", 0, nullptr, version, -1, true) ||
      version != 1) {
    ZRLOG("error - js script getLanguageVersion: %d", version);
    engine_.reset();
    clearIdentity(-1);
    return false;
  }
  readIdentity();
  return true;
}

void ZRControllerScript::readIdentity() {
  clearIdentity(kDeviceTypeMidi);
  ZRJavaScript& js = *engine_;
  const TJSParam one = TJSParam::ofInt(1);
  char text[kControllerIdentityBytes];
  auto number = [&](const char* name, int count, int& out) {
    js.callFunctionGetResultAsInt(name, count, count > 0 ? &one : nullptr, out, 0, true);
  };
  auto string = [&](const char* name, int count, std::string& out) {
    const bool got = js.callFunctionGetResultAsString(name, count, count > 0 ? &one : nullptr, text,
                                                      sizeof text, "none", true);
    out = text;
    return got;
  };
  number("getFileVersion", 0, fileVersion_);
  string("getControllerUserFriendlyName", 0, friendlyName_);
  std::string type = "midi";
  string("getControllerType", 0, type);
  type_ = type == "hid" || type == "HID" || type == "Hid" ? kDeviceTypeHid : kDeviceTypeMidi;
  Identity& id = identity_;
  number("getSupportedMidiDeviceVID", 1, id.midiVid);
  number("getSupportedMidiDevicePID", 1, id.midiPid);
  number("getSupportedMidiDeviceVID2", 1, id.midiVid2);
  number("getSupportedMidiDevicePID2", 1, id.midiPid2);
  number("getSupportedHidDeviceVID", 1, id.hidVid);
  number("getSupportedHidDevicePID", 1, id.hidPid);
  number("getSupportedHidDeviceVID2", 1, id.hidVid2);
  number("getSupportedHidDevicePID2", 1, id.hidPid2);
  string("getSupportedHidDeviceName", 1, id.hidName);
  // An empty identity string would be a prefix of every reply: it counts as none.
  if (string("getSupportedMidiSysExIdString", 1, id.sysexId) && isIdText(id.sysexId)) {
    if (!string("getSupportedMidiSysExIdString2", 1, id.sysexId2) || !isIdText(id.sysexId2))
      id.sysexId2 = "none";
    if (string("getSupportedMidiDeviceNameForOutput", 1, id.outputName)) {
      string("getSupportedMidiDeviceNameForOutput2", 1, id.outputName2);
    }
    return;
  }
  id.sysexId = "none";
  if (string("getSupportedMidiDeviceNameForInput", 1, id.inputName) &&
      string("getSupportedMidiDeviceNameForOutput", 1, id.outputName)) {
    string("getSupportedMidiDeviceNameForInput2", 1, id.inputName2);
    string("getSupportedMidiDeviceNameForOutput2", 1, id.outputName2);
  }
}

ZRJavaScript* ZRControllerScript::getScript() {
  return getScript(steadySeconds());
}

ZRJavaScript* ZRControllerScript::getScript(double nowSeconds) {
  if (engine_ != nullptr) return engine_.get();
  if (path_.empty()) {
    if (failures_++ == 0) ZRLOG("fatal error: could not reload script: empty filename");
    return nullptr;
  }
  if (failures_ > 0 && nowSeconds < retryAt_) return nullptr;
  if (load(false)) {
    failures_ = 0;
    return engine_.get();
  }
  ++failures_;
  const double pause = std::min(60.0, static_cast<double>(1 << std::min(failures_ - 1, 6)));
  retryAt_ = nowSeconds + pause;
  ZRLOG("fatal error: could not reload script '%s' (next try in %.0f s)", path_.c_str(), pause);
  return nullptr;
}

bool ZRControllerScript::matchesMIDI_USB(int vendorId, int productId) const {
  // Devices without ids (0) are matched by name or identity reply, never by a script's unset pair.
  if (vendorId <= 0 || productId <= 0) return false;
  return (vendorId == identity_.midiVid && productId == identity_.midiPid) ||
         (vendorId == identity_.midiVid2 && productId == identity_.midiPid2);
}

bool ZRControllerScript::matchesHID_USB(int vendorId, int productId) const {
  if (vendorId == 0 || productId == 0) return false;
  return (vendorId == identity_.hidVid && productId == identity_.hidPid) ||
         (vendorId == identity_.hidVid2 && productId == identity_.hidPid2);
}

bool ZRControllerScript::matchesMIDI_sysexid(const std::string& identityHex) const {
  auto prefix = [&](const std::string& id) {
    return isIdText(id) && identityHex.compare(0, id.size(), id) == 0;
  };
  return prefix(identity_.sysexId) || prefix(identity_.sysexId2);
}

bool ZRControllerScript::matchesMIDI_nameInput(const std::string& name) const {
  auto same = [&](const std::string& n) { return isIdText(n) && strcasecmp(n.c_str(), name.c_str()) == 0; };
  return same(identity_.inputName) || same(identity_.inputName2);
}

bool ZRControllerScript::matchesMIDI_nameOutput(const std::string& name) const {
  auto same = [&](const std::string& n) { return isIdText(n) && strcasecmp(n.c_str(), name.c_str()) == 0; };
  return same(identity_.outputName) || same(identity_.outputName2);
}

int ZRControllerScripts::scanFolderForControllerScripts(const std::string& folder,
                                                        ZRDefineScriptFunctions define) {
  std::vector<std::string> names;
  std::error_code error;
  for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (name.empty() || name[0] == '.') continue;
    if (name.size() < 3 || name.compare(name.size() - 3, 3, ".js") != 0) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) < 0; });
  int added = 0;
  for (const std::string& name : names) {
    if (totalScripts() >= kMaxControllerScripts) {
      ZRLOG("controllers: more than %d scripts; '%s' and the rest are not loaded", kMaxControllerScripts,
            name.c_str());
      break;
    }
    auto script =
        std::make_unique<ZRControllerScript>((std::filesystem::path(folder) / name).string(), define);
    script->unload();
    scripts_.push_back(std::move(script));
    ++added;
  }
  ZRLOG("controllers totalScripts=%d, folder='%s'", totalScripts(), folder.c_str());
  return added;
}

ZRControllerScript* ZRControllerScripts::at(int index) const {
  if (index < 0 || index >= totalScripts()) return nullptr;
  return scripts_[static_cast<size_t>(index)].get();
}

void ZRControllerScripts::unloadAll() {
  for (auto& s : scripts_) s->unload();
}

ZRControllerScripts& controllerScripts() {
  static ZRControllerScripts table;
  return table;
}
