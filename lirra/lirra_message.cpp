#include "lirra/lirra_message.h"

#include <cjson/cJSON.h>
#include <sodium.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>

#include "lirra/lirra_base64.h"

const char* const m_msg_method_strs[M_MSG_METHOD_COUNT] = {
    "session_open",        "session_close",         "account_create",      "account_login",
    "account_get",         "account_update",        "account_logout",      "catalog_url_get",
    "download_url_get",    "track_log_set",         "products_get",        "subscription_create",
    "subscription_cancel", "subscription_activate", "subscription_update", "debug"};

namespace {

// One text per thread: the client's work queue and a test thread never overwrite each other's reason.
thread_local char m_msg_error[512];

void setError(const char* format, ...) {
  va_list args;
  va_start(args, format);
  vsnprintf(m_msg_error, sizeof(m_msg_error), format, args);
  va_end(args);
}

struct FreeDeleter {
  void operator()(void* p) const { free(p); }
};
template <typename T>
using Owned = std::unique_ptr<T, FreeDeleter>;

struct JsonDeleter {
  void operator()(cJSON* j) const { cJSON_Delete(j); }
};
using OwnedJson = std::unique_ptr<cJSON, JsonDeleter>;

bool isLoopbackHost(const char* host, size_t length) {
  auto is = [host, length](const char* name) {
    return strlen(name) == length && memcmp(host, name, length) == 0;
  };
  return is("127.0.0.1") || is("[::1]") || is("localhost");
}

bool isAcceptableEndpoint(const char* endpoint) {
  if (endpoint == nullptr) return false;
  const size_t n = strlen(endpoint);
  if (n == 0 || n >= kMEndpointCapacity) return false;
  for (size_t i = 0; i < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(endpoint[i]);
    if (c <= ' ' || c >= 0x7f || c == '?' || c == '#' || c == '\\') return false;
  }
  const char* host = nullptr;
  if (strncmp(endpoint, "https://", 8) == 0) {
    host = endpoint + 8;
  } else if (strncmp(endpoint, "http://", 7) == 0) {
    host = endpoint + 7;
  } else {
    return false;
  }
  size_t hostLength = strcspn(host, "/");
  if (hostLength == 0) return false;
  if (host == endpoint + 8) return true;
  // Plain http only reaches this machine: the port is not part of the host.
  const char* portColon = nullptr;
  for (size_t i = hostLength; i > 0; --i) {
    if (host[i - 1] == ':') {
      portColon = host + i - 1;
      break;
    }
    if (host[i - 1] == ']') break;
  }
  if (portColon != nullptr) hostLength = static_cast<size_t>(portColon - host);
  return isLoopbackHost(host, hostLength);
}

void formatTimestamp(char out[kMTimestampCapacity]) {
  const time_t now = time(nullptr);
  struct tm local {};
  localtime_r(&now, &local);
  snprintf(out, kMTimestampCapacity, "%d%02d%02d%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1,
           local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
}

int methodIndex(const char* name) {
  for (int i = 0; i < M_MSG_METHOD_COUNT; ++i)
    if (strcmp(m_msg_method_strs[i], name) == 0) return i;
  return -1;
}

// Reads a required string member (101 with the reason on failure).
int readString(const cJSON* object, const char* name, const char** out) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, name);
  if (item == nullptr) {
    setError("Missing value %s", name);
    return M_RESULT_MEMBER;
  }
  if (!cJSON_IsString(item) || item->valuestring == nullptr) {
    setError("Invalid value type for %s", name);
    return M_RESULT_MEMBER;
  }
  *out = item->valuestring;
  return M_RESULT_OK;
}

// The reply's request id: a whole number within the 32-bit range, nothing else.
int readRequestId(const cJSON* object, int32_t* out) {
  const cJSON* item = cJSON_GetObjectItemCaseSensitive(object, "request_id");
  if (item == nullptr) {
    setError("Missing value %s", "request_id");
    return M_RESULT_MEMBER;
  }
  if (!cJSON_IsNumber(item)) {
    setError("Invalid value type for %s", "request_id");
    return M_RESULT_MEMBER;
  }
  const double v = item->valuedouble;
  if (!std::isfinite(v) || v != std::floor(v) || v < INT32_MIN || v > INT32_MAX) {
    setError("Invalid request_id");
    return M_RESULT_MALFORMED;
  }
  *out = static_cast<int32_t>(v);
  return M_RESULT_OK;
}

// Opens the data of an accepted "session_open" reply and moves the session to its second phase, only
// once the service's signature over the new key and token holds.
int acceptSessionOpen(m_crypto_session* session, const char* plaintext, const char* token) {
  OwnedJson data(cJSON_Parse(plaintext));
  if (!cJSON_IsObject(data.get())) {
    setError("Failed to parse data part");
    return M_RESULT_MALFORMED;
  }
  const char* publicKeyText = nullptr;
  const char* authText = nullptr;
  int r = readString(data.get(), "session_public_key", &publicKeyText);
  if (r == M_RESULT_OK) r = readString(data.get(), "auth", &authText);
  if (r != M_RESULT_OK) return r;
  size_t keyLength = 0;
  size_t authLength = 0;
  Owned<unsigned char> publicKey(base64_url_decode(publicKeyText, strlen(publicKeyText), &keyLength));
  if (publicKey == nullptr || keyLength != kMKeyBytes) {
    setError("Invalid session public key");
    return M_RESULT_MALFORMED;
  }
  Owned<unsigned char> auth(base64_url_decode(authText, strlen(authText), &authLength));
  if (auth == nullptr || authLength != kMAuthBytes) {
    setError("Invalid peer auth");
    return M_RESULT_MALFORMED;
  }
  if (!m_crypto_is_valid_token(token)) {
    setError("Invalid session token");
    return M_RESULT_MALFORMED;
  }
  unsigned char candidate[kMKeyBytes];
  if (m_crypto_session_derive_key(session, publicKey.get(), candidate) != 0) {
    setError("Invalid session public key");
    return M_RESULT_MALFORMED;
  }
  r = m_crypto_session_verify_auth(session, candidate, token, auth.get());
  if (r == M_RESULT_OK) r = m_crypto_session_set_token(session, candidate, token);
  sodium_memzero(candidate, sizeof(candidate));
  if (r == M_RESULT_AUTH_FAILED) setError("Peer authentication failed");
  if (r == M_RESULT_NO_MEMORY) setError("Memory alloc failed");
  return r;
}

}  // namespace

bool m_message_context_init(m_message_context* context, m_crypto_session* session, const char* endpoint) {
  if (context == nullptr || session == nullptr || !isAcceptableEndpoint(endpoint) || sodium_init() < 0)
    return false;
  *context = m_message_context{};
  context->session = session;
  memcpy(context->endpoint, endpoint, strlen(endpoint) + 1);
  context->request_counter = static_cast<int32_t>(randombytes_uniform(1u << 30));
  return true;
}

const char* m_message_get_error() {
  return m_msg_error;
}

int m_message_encode(m_message_context* context, int method, const char* json, char** outUrl,
                     int* outRequestId) {
  char timestamp[kMTimestampCapacity];
  formatTimestamp(timestamp);
  m_msg_error[0] = '\0';
  if (context == nullptr || context->session == nullptr || outUrl == nullptr) {
    setError("Invalid arguments");
    return M_RESULT_MALFORMED;
  }
  const m_crypto_session* session = context->session;
  const char* plaintext = json != nullptr && json[0] != '\0' ? json : "{}";
  const size_t length = strlen(plaintext);
  Owned<unsigned char> ciphertext(static_cast<unsigned char*>(malloc(length > 0 ? length : 1)));
  if (ciphertext == nullptr) return M_RESULT_NO_MEMORY;
  // A counter value is never used twice under one key: at the top of the range the context stops.
  if (context->request_counter == INT32_MAX) {
    setError("Request counter used up");
    return M_RESULT_COUNTER_USED_UP;
  }
  const int32_t requestId = ++context->request_counter;
  unsigned char tag[kMTagBytes];
  if (m_crypto_session_encrypt_data(session, requestId, timestamp,
                                    reinterpret_cast<const unsigned char*>(plaintext), ciphertext.get(), tag,
                                    length) != 0)
    return M_RESULT_NO_MEMORY;
  size_t dataLength = 0;
  Owned<char> data(base64_url_encode(ciphertext.get(), length, &dataLength));
  Owned<char> signature(base64_url_encode(tag, sizeof(tag), nullptr));
  if (data == nullptr || signature == nullptr) return M_RESULT_NO_MEMORY;
  char tokenPart[64] = "";
  if (session->session_token != nullptr) {
    // Only base64url tokens of at most 48 characters are ever installed, so the part always fits whole.
    snprintf(tokenPart, sizeof(tokenPart), "session_token=%s&", session->session_token);
  }
  const char* name = method >= 0 && method < M_MSG_METHOD_COUNT ? m_msg_method_strs[method] : "";
  char query[256];
  const int queryLength = snprintf(
      query, sizeof(query),
      "method=%s&request_id=%d&timestamp=%s&client_version=%s&client_hash=%s&signature=%s&%sdata=", name,
      requestId, timestamp, session->client_version, session->client_hash, signature.get(), tokenPart);
  if (queryLength < 0 || static_cast<size_t>(queryLength) >= sizeof(query)) {
    setError("Failed to create query base part");
    return M_RESULT_QUERY_TOO_LONG;
  }
  const size_t endpointLength = strlen(context->endpoint);
  const size_t total = endpointLength + static_cast<size_t>(queryLength) + dataLength + 2;
  char* url = static_cast<char*>(malloc(total));
  if (url == nullptr) return M_RESULT_NO_MEMORY;
  snprintf(url, total, "%s?%s%s", context->endpoint, query, data.get());
  context->awaiting_reply = true;
  context->awaited_request_id = requestId;
  context->awaited_method = method;
  memcpy(context->awaited_timestamp, timestamp, sizeof(timestamp));
  *outUrl = url;
  if (outRequestId != nullptr) *outRequestId = requestId;
  return M_RESULT_OK;
}

int m_message_decode(m_message_context* context, const char* reply, char** outText, int* outMethod,
                     int* outRequestId) {
  if (context == nullptr || context->session == nullptr || reply == nullptr || outText == nullptr) {
    setError("Invalid arguments");
    return M_RESULT_MALFORMED;
  }
  m_crypto_session* session = context->session;
  OwnedJson root(cJSON_Parse(reply));
  if (!cJSON_IsObject(root.get())) {
    setError("JSON parsing failed");
    return M_RESULT_MALFORMED;
  }
  const char* methodName = nullptr;
  const char* clientVersion = nullptr;
  const char* clientHash = nullptr;
  const char* timestamp = nullptr;
  int32_t requestId = 0;
  int r = readString(root.get(), "method", &methodName);
  if (r == M_RESULT_OK) r = readRequestId(root.get(), &requestId);
  if (r == M_RESULT_OK) r = readString(root.get(), "client_version", &clientVersion);
  if (r == M_RESULT_OK) r = readString(root.get(), "client_hash", &clientHash);
  if (r == M_RESULT_OK) r = readString(root.get(), "timestamp", &timestamp);
  if (r != M_RESULT_OK) return r;
  const int method = methodIndex(methodName);
  if (method < 0) {
    setError("Unknown method %s", methodName);
    return M_RESULT_MALFORMED;
  }
  if (strcmp(clientVersion, session->client_version) != 0) {
    setError("Invalid client_version");
    return M_RESULT_MALFORMED;
  }
  if (strcmp(clientHash, session->client_hash) != 0) {
    setError("Invalid client_hash");
    return M_RESULT_MALFORMED;
  }
  // A reply answers the one request waiting for it, once: an old reply played again is refused.
  if (!context->awaiting_reply || requestId != context->awaited_request_id ||
      method != context->awaited_method || strcmp(timestamp, context->awaited_timestamp) != 0) {
    setError("Reply does not answer the request");
    return M_RESULT_NOT_OUR_REQUEST;
  }

  const cJSON* error = cJSON_GetObjectItemCaseSensitive(root.get(), "error");
  if (error != nullptr) {
    OwnedJson wrapped(cJSON_CreateObject());
    cJSON* copy = cJSON_Duplicate(error, 1);
    if (wrapped == nullptr || copy == nullptr) {
      cJSON_Delete(copy);
      setError("JSON object creation failed");
      return M_RESULT_NO_MEMORY;
    }
    cJSON_AddItemToObject(wrapped.get(), "error", copy);
    char* printed = cJSON_Print(wrapped.get());
    if (printed == nullptr) {
      setError("Memory alloc failed");
      return M_RESULT_NO_MEMORY;
    }
    // The service sends errors unencrypted: anyone on the path can forge one, so it is no success.
    context->awaiting_reply = false;
    setError("Service error reply");
    *outText = printed;
    if (outMethod != nullptr) *outMethod = method;
    if (outRequestId != nullptr) *outRequestId = requestId;
    return M_RESULT_SERVICE_ERROR;
  }

  const char* token = nullptr;
  const char* signatureText = nullptr;
  const char* dataText = nullptr;
  r = readString(root.get(), "session_token", &token);
  if (r == M_RESULT_OK) r = readString(root.get(), "signature", &signatureText);
  if (r == M_RESULT_OK) r = readString(root.get(), "data", &dataText);
  if (r != M_RESULT_OK) return r;
  if (session->session_token != nullptr && strcmp(session->session_token, token) != 0) {
    setError("Session token mismatch");
    return M_RESULT_SESSION_MISMATCH;
  }
  size_t tagLength = 0;
  Owned<unsigned char> tag(base64_url_decode(signatureText, strlen(signatureText), &tagLength));
  if (tag == nullptr || tagLength != kMTagBytes) {
    setError("Invalid base64 encoded signature");
    return M_RESULT_MALFORMED;
  }
  size_t dataLength = 0;
  Owned<unsigned char> ciphertext(base64_url_decode(dataText, strlen(dataText), &dataLength));
  if (ciphertext == nullptr) {
    setError("Failed to base64 decode data section");
    return M_RESULT_MALFORMED;
  }
  Owned<char> plaintext(static_cast<char*>(malloc(dataLength + 1)));
  if (plaintext == nullptr) return M_RESULT_NO_MEMORY;
  if (m_crypto_session_decrypt_data(session, requestId, timestamp, tag.get(), ciphertext.get(),
                                    reinterpret_cast<unsigned char*>(plaintext.get()), dataLength) != 0) {
    setError("Decryption failed");
    return M_RESULT_AUTH_FAILED;
  }
  plaintext.get()[dataLength] = '\0';
  if (method == M_MSG_SESSION_OPEN) {
    r = acceptSessionOpen(session, plaintext.get(), token);
    if (r != M_RESULT_OK) return r;
  }
  context->awaiting_reply = false;
  *outText = plaintext.release();
  if (outMethod != nullptr) *outMethod = method;
  if (outRequestId != nullptr) *outRequestId = requestId;
  return M_RESULT_OK;
}
