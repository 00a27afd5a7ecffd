#include "video_mixing/zr_web_shader_fetch.h"

#include <unistd.h>

#include <atomic>
#include <climits>
#include <cstdio>
#include <fstream>
#include <memory>
#include <mutex>

#include "common/zr_atomic_file_writer.h"
#include "common/zr_cjson.h"
#include "common/zr_curl.h"
#include "common/zr_https_url.h"
#include "common/zr_logging.h"
#include "platform/process_spawn.h"
#include "video_mixing/zr_shader_compat_header.h"

namespace {

std::mutex& serviceLock() {
  static std::mutex lock;
  return lock;
}

ZRWebShaderService& serviceSetting() {
  static ZRWebShaderService service;
  return service;
}

bool isUnreserved(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_';
}

std::string percentEncoded(const std::string& text) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : text) {
    // Dots too: an id of ".." must not become a step up the request's path.
    if (isUnreserved(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

bool executable(const std::string& path) {
  return !path.empty() && access(path.c_str(), X_OK) == 0;
}

std::string executableFolder() {
  char buffer[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", buffer, sizeof(buffer) - 1);
  if (n <= 0) return "";
  std::string path(buffer, static_cast<size_t>(n));
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

bool writeWhole(const std::string& path, const std::string& a, const std::string& b) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  out.write(a.data(), static_cast<std::streamsize>(a.size()));
  out.write(b.data(), static_cast<std::streamsize>(b.size()));
  out.close();
  return static_cast<bool>(out);
}

ZRWebShaderResult failure(const std::string& message) {
  ZRWebShaderResult result;
  result.message = message;
  return result;
}

}  // namespace

void setWebShaderService(const ZRWebShaderService& service) {
  std::lock_guard guard(serviceLock());
  serviceSetting() = service;
}

ZRWebShaderService webShaderService() {
  std::lock_guard guard(serviceLock());
  return serviceSetting();
}

ZRShaderServiceReply parseShaderServiceReply(const char* data, size_t size) {
  ZRShaderServiceReply reply;
  if (data == nullptr || size == 0) return reply;
  const ZRCJson root = ZRCJson::parse(std::string_view(data, size));
  if (!root || !cJSON_IsObject(root.get())) return reply;
  if (cjsonMember(root.get(), "Error") != nullptr) {
    reply.kind = ZRShaderServiceReply::ServiceError;
    cjsonText(root.get(), "Error", reply.error);
    return reply;
  }
  const cJSON* shader = cjsonMember(root.get(), "Shader");
  cjsonText(cjsonMember(shader, "info"), "name", reply.name);
  const cJSON* passes = cjsonMember(shader, "renderpass");
  const cJSON* first = cJSON_IsArray(passes) ? cJSON_GetArrayItem(passes, 0) : nullptr;
  if (!cjsonText(first, "code", reply.code)) {
    reply.kind = ZRShaderServiceReply::NoCode;
    return reply;
  }
  reply.kind = ZRShaderServiceReply::Shader;
  return reply;
}

std::string shaderIdFromAddress(const std::string& address, bool* apiAddress) {
  if (apiAddress != nullptr) *apiAddress = false;
  if (address.find("/api/") != std::string::npos) {
    if (apiAddress != nullptr) *apiAddress = true;
    return "";
  }
  std::string path = address.substr(0, address.find_first_of("?#"));
  if (!path.empty() && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(slash + 1);
}

std::string convertedShaderFileName(const std::string& id) {
  std::string name = "st-";
  for (unsigned char c : id) name += isUnreserved(c) ? static_cast<char>(c) : '_';
  return name + ".frag";
}

std::string findShaderTranslator(const ZRWebShaderService& service) {
  if (!service.translator.empty()) return executable(service.translator) ? service.translator : "";
  const std::string beside = executableFolder() + "translate";
  if (executable(beside)) return beside;
  const char* pathVariable = getenv("PATH");
  const std::string folders = pathVariable != nullptr ? pathVariable : "";
  size_t start = 0;
  while (start <= folders.size()) {
    size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    const std::string folder = folders.substr(start, end - start);
    if (!folder.empty()) {
      const std::string candidate = folder + "/translate";
      if (executable(candidate)) return candidate;
    }
    start = end + 1;
  }
  return "";
}

ZRWebShaderResult fetchAndConvertWebShader(const std::string& address, const ZRString& shadersFolder,
                                           const ZRWebShaderService& service) {
  if (address.find("http") == std::string::npos) {
    ZRLOG("st: warning: currently not supporting local files");
    return failure("warning: currently not supporting local shader files");
  }
  bool api = false;
  const std::string id = shaderIdFromAddress(address, &api);
  std::string request;
  if (api) {
    request = address;
  } else {
    request =
        service.base + "/api/v1/shaders/" + percentEncoded(id) + "?key=" + percentEncoded(service.accessKey);
  }
  if (!isHttpsUrl(request)) {
    ZRLOG("st: error: only https addresses are fetched");
    return failure("error: only https addresses are supported");
  }

  ZRLOG("st: fetching shader '%s'", id.c_str());
  ZRCurl curl;
  curl.setHttpsOnly(service.caFile);
  curl.setTransferLimits(service.transferTimeoutSeconds, service.maxReplyBytes, nullptr);
  const int transfer =
      curl.Fetch(request, nullptr, HttpOperationGet, "", false, service.connectTimeoutSeconds, false, false);
  if (transfer != 0 || curl.ContentSize() == 0) {
    ZRLOG("st: error: shader request failed (transfer result %d)", transfer);
    return failure("error: cannot get shader from server (1)");
  }
  if (curl.HttpStatus() != 200) {
    ZRLOG("st: error: the server answered with status %d", curl.HttpStatus());
    return failure("error: cannot get shader from server (HTTP " + std::to_string(curl.HttpStatus()) + ")");
  }
  const std::string body = curl.Content();
  const ZRShaderServiceReply reply = parseShaderServiceReply(body.data(), body.size());
  switch (reply.kind) {
    case ZRShaderServiceReply::NotJson:
      ZRLOG("st: error: failed to parse JSON response data");
      return failure("error: cannot get shader from server (2)");
    case ZRShaderServiceReply::ServiceError: {
      std::string message = "error: cannot get shader from server (3)";
      if (!reply.error.empty()) {
        ZRLOG("st: server returned error: '%s' ", reply.error.c_str());
        message = "error: '" + reply.error + "'";
      }
      return failure(message + " - shader not available / not public");
    }
    case ZRShaderServiceReply::NoCode:
      ZRLOG("st: error cannot get 'code' from JSON");
      return failure("error: cannot get shader from server (4)");
    case ZRShaderServiceReply::Shader:
      break;
  }
  if (id.empty()) {
    ZRLOG("st: cannot add shader to list");
    return failure("error: cannot add shader to list");
  }

  // Each import has a temporary of its own, named so that the writers' clean-up removes what a crash
  // leaves behind.
  static std::atomic<unsigned> imports{0};
  const std::string folder = shadersFolder.utf8();
  const std::string temporary =
      ZRAtomicFileWriter::temporaryPathFor(folder + "_temp.frag", "import" + std::to_string(++imports));
  if (!writeWhole(temporary, shaderCompatibilityHeader(), reply.code)) {
    std::remove(temporary.c_str());
    ZRLOG("st: cannot write shader to file");
    return failure("error: cannot write shader to file");
  }
  const std::string translator = findShaderTranslator(service);
  if (translator.empty()) {
    std::remove(temporary.c_str());
    ZRLOG("st: error: the shader translator \"translate\" was found neither beside the program nor on PATH");
    return failure("error: the shader translator is not installed");
  }
  std::string converted;
  int exitCode = -1;
  const PlatformRunResult run =
      platformRunProgram({translator, "-s=w", "-b=g", "-o", temporary}, service.translatorTimeoutMs,
                         service.maxTranslatedBytes, converted, &exitCode);
  std::remove(temporary.c_str());
  if (run != PlatformRunResult::Exited || exitCode != 0 || converted.empty()) {
    ZRLOG("st: error: the shader translator failed (%s, exit status %d)",
          run == PlatformRunResult::NotStarted      ? "not started"
          : run == PlatformRunResult::TimedOut      ? "timed out"
          : run == PlatformRunResult::OutputTooLong ? "too much output"
                                                    : "ended",
          exitCode);
    return failure("error: the shader could not be converted");
  }
  for (size_t at = converted.find("####"); at != std::string::npos; at = converted.find("####", at + 4))
    converted.replace(at, 4, "////");

  const std::string fileName = convertedShaderFileName(id);
  ZRAtomicFileWriter writer(ZRString(folder + fileName));
  std::ofstream out;
  bool written = writer.open(out);
  if (written) {
    out.write(converted.data(), static_cast<std::streamsize>(converted.size()));
    written = writer.commit(out);
  }
  if (!written) {
    ZRLOG("st: cannot write converted shader to file");
    return failure("error: cannot write converted shader to file");
  }
  ZRWebShaderResult result;
  result.ok = true;
  result.message = "success";
  // A shader without a name is listed under its id.
  result.entry = {ZRString(reply.name.empty() ? id : reply.name), ZRString(id), ZRString(fileName)};
  return result;
}
