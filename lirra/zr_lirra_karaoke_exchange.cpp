#include "lirra/zr_lirra_karaoke_exchange.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "common/zr_cjson.h"
#include "common/zr_curl.h"
#include "common/zr_logging.h"
#include "lirra/lirra_message.h"

namespace {

void wipeAndFree(char* text) {
  if (text == nullptr) return;
  sodium_memzero(text, strlen(text));
  free(text);
}

struct WipedText {
  char* text = nullptr;
  ~WipedText() { wipeAndFree(text); }
};

// The service's error object as one text: "string (details)", the string alone, or "unknown error".
std::string composeServiceError(const cJSON* error, int* code) {
  std::string string, details;
  cjsonText(error, "string", string);
  cjsonText(error, "details", details);
  int64_t number = 0;
  *code = cjsonInt64(error, "code", number) && number >= INT32_MIN && number <= INT32_MAX
              ? static_cast<int>(number)
              : 0;
  if (string.empty()) return "unknown error";
  if (!details.empty()) return string + " (" + details + ")";
  return string;
}

void setMessage(ZRString* message, const ZRString& text) {
  if (message != nullptr) *message = text;
}

}  // namespace

void wipeJsonTexts(cJSON* json) {
  for (cJSON* item = json; item != nullptr; item = item->next) {
    if (item->valuestring != nullptr) sodium_memzero(item->valuestring, strlen(item->valuestring));
    if (item->child != nullptr) wipeJsonTexts(item->child);
  }
}

bool sendLirraKaraokeMessage(ZRCurl* http, m_message_context* context, int method, const cJSON* request,
                             cJSON** reply, ZRString* message, bool verbose, const std::atomic<bool>* abort) {
  if (http == nullptr || context == nullptr || request == nullptr) {
    ZRLOG("lirkar: error: function params are null");
    return false;
  }
  WipedText body;
  body.text = cJSON_PrintUnformatted(request);
  char* url = nullptr;
  int requestId = 0;
  int r = body.text != nullptr ? m_message_encode(context, method, body.text, &url, &requestId) : 2;
  if (r != 0) {
    ZRLOG("lirkar: error: encoding failed: %d %s", r, m_message_get_error());
    setMessage(message, m_message_get_error());
    return false;
  }
  const std::string target(url);
  free(url);
  http->setTransferLimits(kLirraTotalTimeoutSeconds, kLirraMaxReplyBytes, abort);
  const int fetched = http->Fetch(target, nullptr, HttpOperationGet, std::string(), false, 3, false, false);
  if (fetched != 0) {
    ZRLOG("lirkar: error: getting data from '%s'", context->endpoint);
    setMessage(message, "no Internet or server not responding");
    return false;
  }
  if (verbose) {
    printf("status: %d\n", http->HttpStatus());
    printf("type: %s\n", http->Type().c_str());
    for (const std::string& line : http->Headers()) printf("Header: %s\n", line.c_str());
    printf("Content:\n%s\n", http->Content().c_str());
  }
  const int status = http->HttpStatus();
  if (status < 200 || status > 299) {
    ZRLOG("lirkar: error: '%s' answered with HTTP status %d", context->endpoint, status);
    setMessage(message, ZRString::format("server error (HTTP status %d)", status));
    return false;
  }

  WipedText decoded;
  int replyMethod = -1;
  int replyId = 0;
  r = m_message_decode(context, http->Content().c_str(), &decoded.text, &replyMethod, &replyId);
  if ((r != 0 && r != M_RESULT_SERVICE_ERROR) || replyMethod != method || replyId != requestId) {
    if (r == 0 || r == M_RESULT_SERVICE_ERROR) r = M_RESULT_NOT_OUR_REQUEST;
    ZRLOG("lirkar: error: decoding failed: %d %s", r, m_message_get_error());
    setMessage(message, m_message_get_error());
    return false;
  }
  ZRCJson object = ZRCJson::parse(decoded.text != nullptr ? decoded.text : "");
  if (!cJSON_IsObject(object.get())) {
    ZRLOG("lirkar: error: failed to parse response data");
    setMessage(message, "failed to parse server response data");
    return false;
  }
  if (verbose) {
    char* printed = cJSON_Print(object.get());
    if (printed != nullptr) {
      ZRLOG("lirkar: decoded response:\n%s", printed);
    } else {
      ZRLOG("lirkar: error printing JSON");
    }
    wipeAndFree(printed);
  }
  const cJSON* error = cjsonMember(object.get(), "error");
  if (error == nullptr && r == 0) {
    if (reply != nullptr) *reply = object.release();
    setMessage(message, "");
    return true;
  }
  int code = 0;
  const std::string text = composeServiceError(error, &code);
  // Error replies travel unencrypted and unsigned: shown to the user, never taken as a success.
  ZRLOG("lirkar: error: response decoded OK but server returned error: %s (code: %d)", text.c_str(), code);
  setMessage(message, text);
  return false;
}
