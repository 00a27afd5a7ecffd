#pragma once
// One request-reply exchange with the karaoke catalogue service: frame the request object, GET it, check
// and open the framed reply, and hand out the reply object or the reason of the failure. Log lines
// begin with "lirkar: " and never hold the request URL (it carries the session token and the encrypted
// request, card details among them): a failure names the endpoint only.
//
// The transfer is bounded: 3 seconds to connect, kLirraTotalTimeoutSeconds for the whole exchange and
// kLirraMaxReplyBytes of reply. Only an HTTP 2xx answer is read. The reply must answer this very request
// (method and request id); a service error reply is reported as a failure with its text.
//
// Threads: blocks the calling thread for the whole exchange; a context and its HTTP client are used by
// one thread at a time.

#include <cjson/cJSON.h>

#include <atomic>
#include <cstddef>

#include "common/zr_string.h"

class ZRCurl;
struct m_message_context;

inline constexpr int kLirraTotalTimeoutSeconds = 30;
inline constexpr size_t kLirraMaxReplyBytes = 1 << 20;

// True when the service answered with a reply object without "error": it is stored in *reply (the caller
// deletes it with cJSON_Delete) or deleted when reply is null, and *message becomes "". False otherwise,
// with *message (when given) saying why; *reply is left untouched. abort (may be null) ends a transfer in
// progress within about a second once it is true.
bool sendLirraKaraokeMessage(ZRCurl* http, m_message_context* context, int method, const cJSON* request,
                             cJSON** reply, ZRString* message, bool verbose,
                             const std::atomic<bool>* abort = nullptr);

// Overwrites every text of a JSON tree (card details are sent this way) before it is freed.
void wipeJsonTexts(cJSON* json);
