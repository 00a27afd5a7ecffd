#pragma once
// The service side of the catalogue framing, written for the tests straight from libsodium and cJSON (no
// code of the client's framing): it opens a request URL the client built and frames replies the way the
// service does, including the session-key agreement of "session_open". Replies can be altered after
// framing to play a forger or a replaying attacker.

#include <cjson/cJSON.h>
#include <sodium.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace lirra_test {

inline std::string b64url(const unsigned char* data, size_t length) {
  std::string out(sodium_base64_encoded_len(length, sodium_base64_VARIANT_URLSAFE_NO_PADDING), '\0');
  sodium_bin2base64(out.data(), out.size(), data, length, sodium_base64_VARIANT_URLSAFE_NO_PADDING);
  out.resize(strlen(out.c_str()));
  return out;
}

inline bool unb64url(const std::string& text, std::vector<unsigned char>& out) {
  out.assign(text.size(), 0);
  size_t length = 0;
  if (sodium_base642bin(out.data(), out.size(), text.data(), text.size(), nullptr, &length, nullptr,
                        sodium_base64_VARIANT_URLSAFE_NO_PADDING) != 0)
    return false;
  out.resize(length);
  return true;
}

inline std::string printJson(cJSON* json) {
  char* text = cJSON_PrintUnformatted(json);
  std::string out = text != nullptr ? text : "";
  cJSON_free(text);
  cJSON_Delete(json);
  return out;
}

// What the service learns from one request.
struct Request {
  bool ok = false;  // the query was complete and its data opened under the expected key
  std::map<std::string, std::string> query;
  std::string method;
  int32_t requestId = 0;
  std::string timestamp;
  std::string json;  // the decrypted request object
};

class Service {
 public:
  std::string clientVersion = "orvel-1.0";
  std::string clientHash = "c0ffee42";
  unsigned char preSessionKey[32];
  unsigned char clientSecret[32];
  unsigned char signPublic[32];
  unsigned char signSecret[64];
  std::string token;  // empty until a session is opened
  unsigned char sessionKey[32] = {};

  Service() {
    if (sodium_init() < 0) abort();
    randombytes_buf(preSessionKey, sizeof(preSessionKey));
    randombytes_buf(clientSecret, sizeof(clientSecret));
    crypto_sign_keypair(signPublic, signSecret);
  }

  void nonce(int32_t id, const std::string& timestamp, const std::string& withToken,
             unsigned char out[24]) const {
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    const unsigned char le[4] = {static_cast<unsigned char>(id), static_cast<unsigned char>(id >> 8),
                                 static_cast<unsigned char>(id >> 16), static_cast<unsigned char>(id >> 24)};
    crypto_hash_sha256_update(&state, le, 4);
    for (const std::string* s : {&timestamp, &clientVersion, &clientHash, &withToken})
      crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(s->data()), s->size());
    unsigned char digest[32];
    crypto_hash_sha256_final(&state, digest);
    memcpy(out, digest, 24);
  }
  const unsigned char* key() const { return token.empty() ? preSessionKey : sessionKey; }

  // Opens a request URL (or the path and query the HTTP server saw).
  Request open(const std::string& url) const {
    Request r;
    const size_t q = url.find('?');
    if (q == std::string::npos) return r;
    std::string rest = url.substr(q + 1);
    size_t start = 0;
    while (start <= rest.size()) {
      size_t end = rest.find('&', start);
      if (end == std::string::npos) end = rest.size();
      const std::string pair = rest.substr(start, end - start);
      const size_t eq = pair.find('=');
      if (eq != std::string::npos) r.query[pair.substr(0, eq)] = pair.substr(eq + 1);
      start = end + 1;
    }
    r.method = r.query["method"];
    r.requestId =
        static_cast<int32_t>(std::stol(r.query["request_id"].empty() ? "0" : r.query["request_id"]));
    r.timestamp = r.query["timestamp"];
    std::vector<unsigned char> tag, cipher;
    if (!unb64url(r.query["signature"], tag) || tag.size() != 16 || !unb64url(r.query["data"], cipher))
      return r;
    unsigned char n[24];
    nonce(r.requestId, r.timestamp, token, n);
    std::string plain(cipher.size(), '\0');
    if (crypto_secretbox_open_detached(reinterpret_cast<unsigned char*>(plain.data()), cipher.data(),
                                       tag.data(), cipher.size(), n, key()) != 0)
      return r;
    r.json = plain;
    r.ok = true;
    return r;
  }

  // A framed reply to request carrying the JSON text data, sealed under the current key.
  std::string reply(const Request& request, const std::string& data) const {
    return reply(request.method, request.requestId, request.timestamp, data, token, key());
  }
  std::string reply(const std::string& method, int32_t id, const std::string& timestamp,
                    const std::string& data, const std::string& replyToken,
                    const unsigned char* sealKey) const {
    unsigned char n[24];
    nonce(id, timestamp, token, n);
    std::vector<unsigned char> cipher(data.size() + 1);
    unsigned char tag[16];
    crypto_secretbox_detached(cipher.data(), tag, reinterpret_cast<const unsigned char*>(data.data()),
                              data.size(), n, sealKey);
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "method", method.c_str());
    cJSON_AddNumberToObject(o, "request_id", id);
    cJSON_AddStringToObject(o, "client_version", clientVersion.c_str());
    cJSON_AddStringToObject(o, "client_hash", clientHash.c_str());
    cJSON_AddStringToObject(o, "timestamp", timestamp.c_str());
    cJSON_AddStringToObject(o, "session_token", replyToken.c_str());
    cJSON_AddStringToObject(o, "signature", b64url(tag, 16).c_str());
    cJSON_AddStringToObject(o, "data", b64url(cipher.data(), data.size()).c_str());
    return printJson(o);
  }

  // The service's unencrypted error reply.
  std::string errorReply(const Request& request, const std::string& string, const std::string& details,
                         int code) const {
    cJSON* o = cJSON_CreateObject();
    cJSON_AddStringToObject(o, "method", request.method.c_str());
    cJSON_AddNumberToObject(o, "request_id", request.requestId);
    cJSON_AddStringToObject(o, "client_version", clientVersion.c_str());
    cJSON_AddStringToObject(o, "client_hash", clientHash.c_str());
    cJSON_AddStringToObject(o, "timestamp", request.timestamp.c_str());
    cJSON* e = cJSON_AddObjectToObject(o, "error");
    cJSON_AddStringToObject(e, "string", string.c_str());
    cJSON_AddStringToObject(e, "details", details.c_str());
    cJSON_AddNumberToObject(e, "code", code);
    return printJson(o);
  }

  // The client's X25519 public value, as the service knows it.
  void clientPublic(unsigned char out[32]) const {
    unsigned char scalar[32];
    crypto_hash_sha256_state state;
    crypto_hash_sha256_init(&state);
    crypto_hash_sha256_update(&state, reinterpret_cast<const unsigned char*>(clientHash.data()),
                              clientHash.size());
    crypto_hash_sha256_update(&state, clientSecret, 32);
    crypto_hash_sha256_final(&state, scalar);
    crypto_scalarmult_base(out, scalar);
  }

  // Answers "session_open": a fresh session key pair, the key agreed with the client's public value, and
  // the service's signature over key and token. signWith (may be null) forges the signature. The service
  // switches to the new session only when commit is set.
  std::string openSession(const Request& request, const std::string& newToken,
                          const unsigned char* signWith = nullptr, bool commit = true,
                          const unsigned char* publicOverride = nullptr) {
    unsigned char sessionPublic[32], sessionSecret[32], client[32], shared[32], agreed[32];
    crypto_box_keypair(sessionPublic, sessionSecret);
    clientPublic(client);
    if (crypto_scalarmult(shared, sessionSecret, client) != 0) abort();
    unsigned char block[33];
    memcpy(block, shared, 32);
    block[32] = 0;
    crypto_hash_sha256(agreed, block, 33);
    std::string message(reinterpret_cast<const char*>(agreed), 32);
    message += newToken;
    unsigned char auth[64];
    crypto_sign_detached(auth, nullptr, reinterpret_cast<const unsigned char*>(message.data()),
                         message.size(), signWith != nullptr ? signWith : signSecret);
    cJSON* d = cJSON_CreateObject();
    cJSON_AddStringToObject(d, "session_public_key",
                            b64url(publicOverride != nullptr ? publicOverride : sessionPublic, 32).c_str());
    cJSON_AddStringToObject(d, "auth", b64url(auth, 64).c_str());
    const std::string framed =
        reply(request.method, request.requestId, request.timestamp, printJson(d), newToken, preSessionKey);
    if (commit) {
      token = newToken;
      memcpy(sessionKey, agreed, 32);
    }
    return framed;
  }
};

}  // namespace lirra_test
