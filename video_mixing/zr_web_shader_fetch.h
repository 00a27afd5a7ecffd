#pragma once
// Importing a shader from the shader-sharing web service: the shader's web address gives its id; the
// service's JSON answer gives its name and code; the code, behind the compatibility header, goes through
// the external translator (a program outside this system, "translate", looked for beside the executable
// and then on PATH), whose output is stored as "st-<id>.frag" in the Shaders folder and added to the
// shader layer's list (ZROverlayGraphicsShaderLayer::getAndConvertWebGLShader runs it on the "low" pool).
//
// Only https is spoken (any other scheme, also a redirect to one, is refused); the answer's status must
// be 200 and its body is bounded; the id is percent-encoded in the request and reduced to safe
// characters in the file name; the access key is sent but never logged. A translator that is missing,
// fails, runs too long or prints nothing fails the import and leaves an earlier file of the same shader
// as it was. Each import writes its own temporary file.
//
// Threads: the service settings are read and replaced under a lock from any thread; an import runs on the
// thread that calls it (a pool thread) and blocks it.

#include <cstddef>
#include <string>

#include "common/zr_string.h"
#include "video_mixing/zr_shader_list_file.h"

struct ZRWebShaderService {
  // Scheme and host (and port) of the service, without a trailing "/".
  std::string base = "https://www.shadertoy.com";
  // Sent as the query value "key".
  std::string accessKey = "Gp3zTn";
  // Certificates (PEM) the service's must chain to; empty: the system's.
  std::string caFile;
  // The translator program; empty: looked for (see above).
  std::string translator;
  int connectTimeoutSeconds = 3;
  int transferTimeoutSeconds = 20;
  size_t maxReplyBytes = 4u << 20;
  int translatorTimeoutMs = 20000;
  size_t maxTranslatedBytes = 4u << 20;
};

void setWebShaderService(const ZRWebShaderService& service);
ZRWebShaderService webShaderService();

// The service's answer, as far as an import needs it.
struct ZRShaderServiceReply {
  enum Kind { NotJson, ServiceError, NoCode, Shader } kind = NotJson;
  std::string error;  // the "Error" member's text
  std::string name;   // Shader.info.name ("" when missing)
  std::string code;   // Shader.renderpass[0].code
};
// Parses the body (any bytes); never fails otherwise.
ZRShaderServiceReply parseShaderServiceReply(const char* data, size_t size);

// The id in a shader's web address: the last path segment (a trailing "/", a query and a fragment are
// dropped); "" when there is none. apiAddress (may be null) is set when the address names the service's
// API itself ("/api/"), which is then requested as it is and yields no id.
std::string shaderIdFromAddress(const std::string& address, bool* apiAddress);
// The file name the converted shader of id is stored under: "st-" + id + ".frag", with every character
// other than letters, digits, "-" and "_" replaced by "_".
std::string convertedShaderFileName(const std::string& id);
// The translator's path: the configured one, else "translate" beside the executable, else on PATH; ""
// when none is found.
std::string findShaderTranslator(const ZRWebShaderService& service);

struct ZRWebShaderResult {
  bool ok = false;
  std::string message;      // what the user is told
  ZRShaderListEntry entry;  // on success: the shader to add
};
// The whole import but the list: fetch, parse, translate, store the file in shadersFolder (ending "/").
ZRWebShaderResult fetchAndConvertWebShader(const std::string& address, const ZRString& shadersFolder,
                                           const ZRWebShaderService& service);
