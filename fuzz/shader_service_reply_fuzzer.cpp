// The shader service's JSON answer as an import reads it: whatever the bytes, parsing ends with one of
// its kinds, and a shader always comes with its code.

#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "video_mixing/zr_web_shader_fetch.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  orvel_fuzz::quietLogs();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const ZRShaderServiceReply reply = parseShaderServiceReply(reinterpret_cast<const char*>(data), size);
  switch (reply.kind) {
    case ZRShaderServiceReply::Shader:
      orvel_fuzz::fuzzCheck(reply.error.empty(), "a shader answer with an error text");
      break;
    case ZRShaderServiceReply::NotJson:
    case ZRShaderServiceReply::NoCode:
      orvel_fuzz::fuzzCheck(reply.code.empty(), "code taken from an answer without a shader");
      break;
    case ZRShaderServiceReply::ServiceError:
      orvel_fuzz::fuzzCheck(reply.code.empty() && reply.name.empty(), "an error answer read as a shader");
      break;
  }
  return 0;
}
