// Replies of the karaoke catalogue service: the framing decoder over any reply text, the data of a
// correctly sealed reply (so the fuzzer reaches the "session_open" key agreement with any content), and
// the tolerant base64 decoders.
//
// First byte: bits 0-1 the mode (0 reply text, 1 sealed data, 2 base64, 3 base64url), bit 2 a session
// already past "session_open"; second byte: the method index the waiting request used.

#include <cjson/cJSON.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "lirra/lirra_base64.h"
#include "lirra/lirra_message.h"

namespace {

constexpr const char* kTimestamp = "20260101000000";
constexpr int32_t kRequestId = 7;

std::string sealedReply(m_crypto_session& session, int method, const uint8_t* data, size_t size) {
  unsigned char* cipher = static_cast<unsigned char*>(malloc(size + 1));
  unsigned char tag[kMTagBytes];
  m_crypto_session_encrypt_data(&session, kRequestId, kTimestamp, data, cipher, tag, size);
  char* dataText = base64_url_encode(cipher, size, nullptr);
  char* tagText = base64_url_encode(tag, sizeof(tag), nullptr);
  free(cipher);
  std::string reply;
  cJSON* o = cJSON_CreateObject();
  if (o != nullptr && dataText != nullptr && tagText != nullptr) {
    cJSON_AddStringToObject(o, "method", m_msg_method_strs[method]);
    cJSON_AddNumberToObject(o, "request_id", kRequestId);
    cJSON_AddStringToObject(o, "client_version", session.client_version);
    cJSON_AddStringToObject(o, "client_hash", session.client_hash);
    cJSON_AddStringToObject(o, "timestamp", kTimestamp);
    cJSON_AddStringToObject(o, "session_token",
                            session.session_token != nullptr ? session.session_token : "tok");
    cJSON_AddStringToObject(o, "signature", tagText);
    cJSON_AddStringToObject(o, "data", dataText);
    char* printed = cJSON_PrintUnformatted(o);
    if (printed != nullptr) reply = printed;
    cJSON_free(printed);
  }
  cJSON_Delete(o);
  free(dataText);
  free(tagText);
  return reply;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  orvel_fuzz::FuzzInput in(data, size);
  const uint8_t flags = in.byte();
  const int method = in.byte() % M_MSG_METHOD_COUNT;
  const int mode = flags & 3;
  if (mode >= 2) {
    size_t n = 0;
    unsigned char* bytes = mode == 2
                               ? base64_decode(reinterpret_cast<const char*>(in.data()), in.size(), &n)
                               : base64_url_decode(reinterpret_cast<const char*>(in.data()), in.size(), &n);
    orvel_fuzz::fuzzCheck(bytes == nullptr || n <= in.size(), "base64 decodes to more bytes than it read");
    free(bytes);
    return 0;
  }

  static const unsigned char keys[32] = {1, 2, 3};
  m_crypto_session session;
  if (m_crypto_session_init(&session, "v1", "h1", keys, keys, keys) != 0) return 0;
  if ((flags & 4) != 0) m_crypto_session_set_token(&session, keys, "tok");
  m_message_context context;
  m_message_context_init(&context, &session, "https://catalogue.example/api");
  context.awaiting_reply = true;
  context.awaited_request_id = kRequestId;
  context.awaited_method = method;
  strcpy(context.awaited_timestamp, kTimestamp);

  const std::string reply = mode == 0 ? std::string(reinterpret_cast<const char*>(in.data()), in.size())
                                      : sealedReply(session, method, in.data(), in.size());
  const bool hadToken = session.session_token != nullptr;
  char* text = nullptr;
  int outMethod = -1, outId = 0;
  const int r = m_message_decode(&context, reply.c_str(), &text, &outMethod, &outId);
  orvel_fuzz::fuzzCheck((r == 0 || r == 8) == (text != nullptr), "decoded text handed out only on success");
  if (r != 0)
    orvel_fuzz::fuzzCheck((session.session_token != nullptr) == hadToken, "failed reply changed the session");
  if (text != nullptr)
    orvel_fuzz::fuzzCheck(outMethod == method && outId == kRequestId, "reply of another request");
  free(text);
  m_crypto_session_free(&session);
  return 0;
}
